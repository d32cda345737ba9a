#include "caldata/target_file.h"

#include "caldata/calibration_data.h"
#include "caldata/field_text.h"
#include "common/text_format.h"

namespace halvo {

std::string WriteTargetFile(const std::vector<TargetRow>& rows) {
    std::string out = std::string(kTargetFileHeader) + "\r\n";
    for (const TargetRow& row : rows) {
        out += row.label + "," + row.cells[0] + "," + row.cells[1] + "," + row.cells[2] + ", \r\n";
    }
    return out;
}

TargetFileLoad ReadTargetFile(std::string_view text) {
    TargetFileLoad load;
    Warnings warnings;
    ForEachLine(text, [&](std::string_view line, int number) {
        if (line.empty() || line[0] == '-') {
            return;
        }
        if (load.rows.size() >= static_cast<size_t>(kWhiteRowCount)) {
            warnings.add(Format("Line %d: the list has seven rows; ignored", number));
            return;
        }
        const std::vector<std::string_view> fields = SplitFields(line, 5);
        TargetRow row;
        row.label = std::string(fields[0]);
        for (size_t c = 0; c < row.cells.size() && c + 1 < fields.size(); ++c) {
            row.cells[c] = std::string(fields[c + 1]);
        }
        load.rows.push_back(std::move(row));
    });
    load.warnings = warnings.lines();
    return load;
}

}  // namespace halvo
