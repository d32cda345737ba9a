#pragma once

// Writes a report book as an .xlsx workbook. The chart pictures come from a picture source (the
// window's chart painter, which renders each one into a PNG in memory); without one, or when a
// picture cannot be made, the sheet keeps the picture's title and leaves its place empty.

#include <functional>
#include <optional>
#include <string>

#include "reports/report_book.h"

namespace halvo {

// A PNG of a chart picture, or nullopt.
using PictureSource = std::function<std::optional<std::string>(const ReportPicture& picture)>;

// False with *error set when the workbook could not be written; an existing file at path is then
// left as it was.
bool WriteReportWorkbook(const ReportBook& book, const std::string& path, const PictureSource& pictures,
                         std::string* error);

}  // namespace halvo
