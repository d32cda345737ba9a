#pragma once

// The texts of the Measure page's result list: row labels by slot, the probe position names, and
// the formats of a stored result, plus the uniformity percentage the list shows.

#include <array>
#include <string>

#include "colorimetry/color_reading.h"

namespace halvo {

// Slots of the result texts and list rows.
inline constexpr int kResultSlotCount = 25;
inline constexpr int kResultGamma = 0;
inline constexpr int kResultBlack = 1;
inline constexpr int kResultWhite = 2;
inline constexpr int kResultFirstColor = 1;
inline constexpr int kResultLastColor = 8;
inline constexpr int kResultFirstTemperature = 9;
inline constexpr int kResultLastTemperature = 13;  // "11000k", only while colour-space mode is off
inline constexpr int kResultFirstPosition = 14;
inline constexpr int kResultLastPosition = 22;
inline constexpr int kResultUniformity = 23;
inline constexpr int kPositionCount = 9;

// The list's row label of a slot ("Gamma", "Black" ... "Uniformity"); the colour-temperature rows
// read "3200k", "6500k", "JUDD-OFFSET", ... while alternateWhites is set. "" for slot 24.
const char* ResultRowLabel(int slot, bool alternateWhites);

// The probe position names of the log lines: 0..8 the first sweep ("Center", "Left Middle" ...),
// 9..17 the refinement order, anything else "Error Position".
const char* PositionName(int index);

// "г= %4.2lf"
std::string FormatGammaResult(double gamma);
// "x:%6.4lf y:%6.4lf Lv:%6.2lf T:%5d"
std::string FormatColorResult(const ColorReading& reading);
// "x:%6.4lf y:%6.4lf Lv:%6.2lf T:%5d Δuv:%6.4lf"
std::string FormatPositionResult(const ColorReading& reading);
// "%6.2f%%"
std::string FormatUniformityPercent(double percent);

// Non-uniformity in percent over the first `count` position luminances. With peakRule (the 10-bit
// family, or a monitor whose feature byte is 8 or has bit 7 set) the spread is taken relative to
// the brightest position, otherwise half the spread relative to the middle of the range. 0 when
// nothing positive was measured.
double UniformityPercentage(const std::array<double, kPositionCount>& lv, int count, bool peakRule);

}  // namespace halvo
