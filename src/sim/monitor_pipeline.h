#pragma once

// The simulated monitor's picture processing: from the code of a pattern to the code each panel
// channel is driven with.
//
// With processing on (CSC&Gamma 0), a pattern code c becomes the linear light c ^ gamma of the
// selected curve (the panel-gamma code in force adds 0.025 to the exponent per step above 8),
// times the shown colour-temperature preset's gain / 255 per channel; the gamma-to-luminance
// table then finds the panel code that gives that share of the table's full luminance. A table
// measured from this very panel linearises it exactly for grey; the factory table assumes a
// panel of gamma 2.35 and leaves the true panel's exponent showing through.
// With processing off (CSC&Gamma 1) the pattern code drives the panel as it is: what the gamma
// calibration measures.

#include <array>

#include "sim/monitor_calibration.h"

namespace halvo::sim {

struct PictureState {
    std::array<double, 3> patternCode{1.0, 1.0, 1.0};  // 0..1 per channel
    bool processingBypassed = false;
    int shownPreset = 6500;
    int displaySpace = 0;  // colour space slot shown (SetColorSpace)
};

// The panel code (0..1 per channel) for the picture in force.
std::array<double, 3> PanelCodes(const MonitorCalibration& calibration, const PictureState& picture);

// The code x (0..255, fractional) at which a strictly increasing table reaches value y.
double InverseTable(const std::array<uint16_t, 256>& table, double y);

}  // namespace halvo::sim
