#pragma once

// Rebuilding a calibration data set from a station log: the lines the calibration procedures
// log (gamma table packets, default panel gamma, uniformity packets and readings, colour-space
// slots, levels, patterns and the RGB values sent, white-point gains) give back as much of the
// set as they carry. Colour-space entries get their R, G, B values only; readings stay zero.

#include <string>
#include <string_view>

#include "caldata/cal_file.h"

namespace halvo {

// defaultId is the calibration ID of the result (the page passes the first nine characters of
// the file's name).
CalFileLoad ImportLog(std::string_view text, const std::string& defaultId);

}  // namespace halvo
