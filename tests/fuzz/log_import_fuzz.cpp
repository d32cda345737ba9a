// Arbitrary bytes as a station log to import. Nothing may reach outside a table (the sanitizers
// watch every index), and what comes out stays within what a data set can hold.

#include <cstdint>
#include <string>

#include "caldata/log_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const halvo::CalFileLoad load = halvo::ImportLog(input, "fuzz");
    const halvo::CalibrationData& d = load.data;
    if (!load.formatOk || d.colorSpaceMask > 0x1F || d.levelCount < 0 || d.levelCount > halvo::kLevelCount ||
        d.bitDepth > 1 || load.colorSpaceRefused || load.warnings.size() > 21) {
        __builtin_trap();
    }
    for (const uint16_t columns : load.gainColumnsSet) {
        if (columns != 0 && columns != (7u << 6)) {
            __builtin_trap();
        }
    }
    return 0;
}
