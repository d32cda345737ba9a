#pragma once

// The simulated monitor's picture processing: from the code of a pattern to the code each panel
// channel is driven with.
//
// With processing on (CSC&Gamma 0), a pattern code c becomes the linear light c ^ gamma of the
// selected curve (the panel-gamma code in force adds 0.025 to the exponent per step above 8),
// times the shown colour-temperature preset's gain / 255 per channel, a share of the white the
// monitor's factory rated its panel for. The gamma-to-luminance table, in absolute cd/m2 x 100,
// then finds the panel code that gives that luminance: a table measured from this very panel
// linearises it exactly for grey; a table that is too low makes the monitor drive its panel
// harder (brighter, and clipped at the top where the table ends short of the light asked for),
// one too high makes it darker. The factory table assumes a panel of gamma 2.35 and leaves the
// true panel's exponent showing through.
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

// The panel code (0..1 per channel) for the picture in force; ratedWhite is the luminance of the
// panel's full white in the table's units (cd/m2 x 100).
std::array<double, 3> PanelCodes(const MonitorCalibration& calibration, const PictureState& picture,
                                 double ratedWhite);

// The code x (0..255, fractional) at which a strictly increasing table reaches value y.
double InverseTable(const std::array<uint16_t, 256>& table, double y);

}  // namespace halvo::sim
