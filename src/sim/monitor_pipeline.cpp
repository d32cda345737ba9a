#include "sim/monitor_pipeline.h"

#include <algorithm>
#include <cmath>

namespace halvo::sim {

double InverseTable(const std::array<uint16_t, 256>& table, double y) {
    if (y <= table[0]) {
        return 0.0;
    }
    if (y >= table[255]) {
        return 255.0;
    }
    const auto upper = std::upper_bound(table.begin(), table.end(), y, [](double v, uint16_t e) { return v < e; });
    const size_t i = static_cast<size_t>(upper - table.begin()) - 1;  // table[i] <= y < table[i + 1]
    const double span = table[i + 1] - table[i];
    return static_cast<double>(i) + (span > 0 ? (y - table[i]) / span : 0.0);
}

std::array<double, 3> PanelCodes(const MonitorCalibration& calibration, const PictureState& picture,
                                 double ratedWhite) {
    if (picture.processingBypassed) {
        return picture.patternCode;
    }
    const double exponent = GammaCurveExponent(calibration.gammaCurveCode) +
                            0.025 * (calibration.panelGammaCode(picture.displaySpace) - 8);
    const RgbGains* g = calibration.findPreset(picture.shownPreset);
    const RgbGains gains = g != nullptr ? *g : RgbGains();
    const int gain[3] = {gains.r, gains.g, gains.b};
    std::array<double, 3> codes{};
    for (size_t c = 0; c < 3; ++c) {
        const double code = std::clamp(picture.patternCode[c], 0.0, 1.0);
        const double light = std::pow(code, exponent) * std::clamp(gain[c], 0, 255) / 255.0;
        codes[c] = InverseTable(calibration.gammaTable, light * ratedWhite) / 255.0;
    }
    return codes;
}

}  // namespace halvo::sim
