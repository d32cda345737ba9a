// Arbitrary bytes as a white-balance target file: at most seven rows, and the rows read come
// back the same when written and read again.

#include <cstdint>
#include <string>

#include "caldata/calibration_data.h"
#include "caldata/field_text.h"
#include "caldata/target_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const halvo::TargetFileLoad load = halvo::ReadTargetFile(input);
    if (load.rows.size() > static_cast<size_t>(halvo::kWhiteRowCount)) {
        __builtin_trap();
    }
    const std::string written = halvo::WriteTargetFile(load.rows);
    for (const halvo::TargetRow& row : load.rows) {
        if (row.label.size() + row.cells[0].size() + row.cells[1].size() + row.cells[2].size() + 5 >
            halvo::kMaxLineBytes) {
            return 0;  // a full-length line gains its closing ", " and no longer fits
        }
    }
    const halvo::TargetFileLoad again = halvo::ReadTargetFile(written);
    if (again.rows.size() != load.rows.size()) {
        __builtin_trap();
    }
    for (size_t i = 0; i < load.rows.size(); ++i) {
        if (again.rows[i].label != load.rows[i].label || again.rows[i].cells != load.rows[i].cells) {
            __builtin_trap();
        }
    }
    return 0;
}
