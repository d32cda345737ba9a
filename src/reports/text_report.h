#pragma once

// The text report: the Measure page's result list per colour space, and the white-balance gains
// of the calibration page when a calibration measured them. Lines end in "\n" here; the file is
// written with CR LF.

#include <string>

#include "reports/measure_page.h"
#include "setup/page_controls.h"

namespace halvo {

// whiteList: the calibration page's white-balance list (column 0 the label, 4 "T(K)", 7..9 the
// R, G, B gains); backlight: its "Back light" field.
std::string BuildTextReport(const CMeasure& page, const std::string& calibrationId, const TableControl& whiteList,
                            const std::string& backlight);

}  // namespace halvo
