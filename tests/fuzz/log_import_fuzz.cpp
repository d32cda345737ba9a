// Arbitrary bytes as a station log to import: nothing may reach outside a table, and whatever
// comes out can be written as a .cal file that reads back.

#include <cstdint>
#include <string>

#include "caldata/cal_file.h"
#include "caldata/log_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const halvo::CalFileLoad load = halvo::ImportLog(input, "fuzz");
    if (!load.formatOk || load.data.colorSpaceMask > 0x1F || load.data.levelCount < 0 ||
        load.data.levelCount > halvo::kLevelCount) {
        __builtin_trap();
    }
    halvo::CalibrationData d = load.data;
    d.levelCount = load.levelChecked ? 8 : 1;
    const halvo::CalFileLoad back = halvo::ReadCalFile(halvo::WriteCalFile(d), "fuzz");
    if (!back.formatOk || back.data.gammaTable != load.data.gammaTable ||
        back.data.targetGains != load.data.targetGains) {
        __builtin_trap();
    }
    return 0;
}
