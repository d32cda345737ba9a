#pragma once

// The colour-temperature (white-point) targets of a calibration: seven presets of the monitor,
// each with the target reading it is calibrated to, and how the white-balance list shows them.

#include <array>
#include <cstdint>
#include <string>

#include "caldata/calibration_data.h"
#include "colorimetry/color_reading.h"

namespace halvo {

struct WhitePointTarget {
    // Target code: the preset's temperature in kelvin as the monitor knows it (0..4 name a
    // white source, 5..1000 "Adjust").
    int32_t temperature = 0;
    std::string label;
    ColorReading target;
    bool computed = false;  // "Adjust" has no computed target
    bool chosen = true;     // the row's check mark, as the calibration reads it
};

using WhitePointTargets = std::array<WhitePointTarget, kWhiteRowCount>;

// The fourth row: the monitor's 7000 K preset. On a TXM-600-HD-S (alternateWhites) it is the
// "JUDD-OFFSET" preset, aimed at (0.307, 0.318).
inline constexpr int kJuddOffsetRow = 3;
inline constexpr int32_t kSeventhRowKelvin = 11000;

// The seven default rows: 3200 K, 5400 K, 6500 K, 7000 K (JUDD-OFFSET), 9300 K, 10000 K and
// 11000 K, every one at the reference luminance.
WhitePointTargets DefaultWhitePointTargets(bool alternateWhites, double referenceLuminance);
// One row for a target code.
WhitePointTarget MakeWhitePointTarget(int32_t code, bool alternateWhites, double referenceLuminance);

// The white-balance list's target columns: "%6.4lf(%6.4lf)" with u' and x, with v' and y, and
// "%6.1lf" with Y; empty for a target that is not computed.
std::array<std::string, 3> WhiteTargetTexts(const WhitePointTarget& target);

}  // namespace halvo
