#pragma once

// The white-balance target file (.txt): a header line, then one line per row of the
// white-balance list with its label and its three target columns, each followed by a comma
// (so a row line ends with ", " before the line end). CR LF line ends.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace halvo {

inline constexpr const char* kTargetFileHeader = "-Calibaration Target Save Datas-";

struct TargetRow {
    std::string label;                // column 0
    std::array<std::string, 3> cells;  // "Target u'(x)", "Target v'(y)", "Y(cd/m²)"
};

std::string WriteTargetFile(const std::vector<TargetRow>& rows);

struct TargetFileLoad {
    std::vector<TargetRow> rows;  // at most the seven rows of the list
    std::vector<std::string> warnings;
};

// Empty lines and lines starting with "-" are skipped; every other line is a row (of its
// comma-separated fields the first four are used). Labels are taken as the bytes stand.
TargetFileLoad ReadTargetFile(std::string_view text);

}  // namespace halvo
