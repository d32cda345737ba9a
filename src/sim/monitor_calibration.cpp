#include "sim/monitor_calibration.h"

#include <algorithm>
#include <cmath>

#include "sim/monitor_color_space.h"

namespace halvo::sim {
namespace {

constexpr size_t kMagic = 32;
constexpr size_t kCurve = 36;
constexpr size_t kBacklight = 37;
constexpr size_t kId = 38;
constexpr size_t kDefaultGamma = 47;
constexpr size_t kDefaultCode = 49;
constexpr size_t kSpaceCodes = 50;
constexpr size_t kPresetCount = 56;
constexpr size_t kPresets = 57;
constexpr size_t kGammaTable = 6144;
constexpr char kMagicText[4] = {'V', 'R', 'L', '1'};

void Put16(std::array<uint8_t, kMonitorEepromSize>& e, size_t at, int value) {
    e[at] = static_cast<uint8_t>(value & 0xFF);
    e[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

int Get16(const std::array<uint8_t, kMonitorEepromSize>& e, size_t at) {
    return e[at] | e[at + 1] << 8;
}

}  // namespace

RgbGains& MonitorCalibration::preset(int kelvin, const RgbGains& factory) {
    for (ColorTemperaturePreset& p : presets) {
        if (p.kelvin == kelvin) {
            return p.gains;
        }
    }
    if (static_cast<int>(presets.size()) >= kMaxPresets) {
        presets.back() = {kelvin, factory};
        return presets.back().gains;
    }
    presets.push_back({kelvin, factory});
    return presets.back().gains;
}

const RgbGains* MonitorCalibration::findPreset(int kelvin) const {
    for (const ColorTemperaturePreset& p : presets) {
        if (p.kelvin == kelvin) {
            return &p.gains;
        }
    }
    return nullptr;
}

RgbGains* MonitorCalibration::findPreset(int kelvin) {
    for (ColorTemperaturePreset& p : presets) {
        if (p.kelvin == kelvin) {
            return &p.gains;
        }
    }
    return nullptr;
}

int MonitorCalibration::panelGammaCode(int space) const {
    if (space >= 0 && space < 6 && spacePanelGammaCode[static_cast<size_t>(space)] != kNoSpaceCode) {
        return spacePanelGammaCode[static_cast<size_t>(space)];
    }
    return defaultPanelGammaCode;
}

std::array<uint16_t, 256> FactoryGammaTable(double ratedWhite) {
    std::array<uint16_t, 256> table{};
    long previous = -1;
    for (int i = 0; i < 256; ++i) {
        const long value = std::max(previous + 1, std::lround(100.0 * ratedWhite * std::pow(i / 255.0, 2.35)));
        table[static_cast<size_t>(i)] = static_cast<uint16_t>(value);
        previous = value;
    }
    return table;
}

double GammaCurveExponent(int code) {
    switch (code) {
        case 16: return 2.35;
        case 19: return 2.6;
        default: return 2.2;
    }
}

double PanelGammaExponent(const MonitorCalibration& c) {
    return std::clamp(c.defaultPanelGammaX100, kMinPanelGammaX100, kMaxPanelGammaX100) / 100.0;
}

double TableExponent(const std::array<uint16_t, 256>& table) {
    double sw = 0, swx = 0, swy = 0;
    std::array<double, 32> x{}, y{}, w{};
    for (size_t k = 0; k < 32; ++k) {
        const size_t code = 8 * (k + 1) - 1;
        const double lv = table[code] / 100.0;
        x[k] = std::log(static_cast<double>(code));
        y[k] = lv >= 0.00001 ? std::log(lv) : -5.0;
        w[k] = std::exp(y[k]);
        sw += w[k];
        swx += w[k] * x[k];
        swy += w[k] * y[k];
    }
    const double mx = swx / sw;
    const double my = swy / sw;
    double sxy = 0, sxx = 0;
    for (size_t k = 0; k < 32; ++k) {
        sxy += w[k] * (x[k] - mx) * (y[k] - my);
        sxx += w[k] * (x[k] - mx) * (x[k] - mx);
    }
    return sxx > 0 ? sxy / sxx : 0.0;
}

void SaveCalibration(const MonitorCalibration& c, std::array<uint8_t, kMonitorEepromSize>& e) {
    std::copy(std::begin(kMagicText), std::end(kMagicText), e.begin() + kMagic);
    e[kCurve] = static_cast<uint8_t>(c.gammaCurveCode);
    e[kBacklight] = static_cast<uint8_t>(std::clamp(c.backlight, 0, 255));
    for (size_t i = 0; i < 9; ++i) {
        e[kId + i] = i < c.calibrationId.size() ? static_cast<uint8_t>(c.calibrationId[i]) : ' ';
    }
    Put16(e, kDefaultGamma, c.defaultPanelGammaX100);
    e[kDefaultCode] = static_cast<uint8_t>(c.defaultPanelGammaCode);
    for (size_t s = 0; s < 6; ++s) {
        e[kSpaceCodes + s] =
            c.spacePanelGammaCode[s] == kNoSpaceCode ? 0xFF : static_cast<uint8_t>(c.spacePanelGammaCode[s]);
    }
    const size_t count = std::min<size_t>(c.presets.size(), kMaxPresets);
    e[kPresetCount] = static_cast<uint8_t>(count);
    for (size_t p = 0; p < count; ++p) {
        const size_t at = kPresets + 5 * p;
        Put16(e, at, c.presets[p].kelvin);
        e[at + 2] = static_cast<uint8_t>(std::clamp(c.presets[p].gains.r, 0, 255));
        e[at + 3] = static_cast<uint8_t>(std::clamp(c.presets[p].gains.g, 0, 255));
        e[at + 4] = static_cast<uint8_t>(std::clamp(c.presets[p].gains.b, 0, 255));
    }
    for (size_t i = 0; i < 256; ++i) {
        Put16(e, kGammaTable + 2 * i, c.gammaTable[i]);
    }
    SaveUniformity(c.uniformity, e);
    SaveColorSpaceSlots(c.colorSpaces, e);
}

bool LoadCalibration(const std::array<uint8_t, kMonitorEepromSize>& e, MonitorCalibration& c) {
    if (!std::equal(std::begin(kMagicText), std::end(kMagicText), e.begin() + kMagic)) {
        return false;
    }
    c.gammaCurveCode = e[kCurve];
    c.backlight = e[kBacklight];
    c.calibrationId.clear();
    for (size_t i = 0; i < 9 && e[kId + i] != 0; ++i) {
        c.calibrationId.push_back(static_cast<char>(e[kId + i]));
    }
    while (!c.calibrationId.empty() && c.calibrationId.back() == ' ') {
        c.calibrationId.pop_back();
    }
    c.defaultPanelGammaX100 = Get16(e, kDefaultGamma);
    c.defaultPanelGammaCode = e[kDefaultCode];
    for (size_t s = 0; s < 6; ++s) {
        c.spacePanelGammaCode[s] = e[kSpaceCodes + s] == 0xFF ? kNoSpaceCode : e[kSpaceCodes + s];
    }
    c.presets.clear();
    const size_t count = std::min<size_t>(e[kPresetCount], kMaxPresets);
    for (size_t p = 0; p < count; ++p) {
        const size_t at = kPresets + 5 * p;
        c.presets.push_back({Get16(e, at), {e[at + 2], e[at + 3], e[at + 4]}});
    }
    for (size_t i = 0; i < 256; ++i) {
        c.gammaTable[i] = static_cast<uint16_t>(Get16(e, kGammaTable + 2 * i));
    }
    LoadUniformity(e, c.uniformity);
    LoadColorSpaceSlots(e, c.colorSpaces);
    return true;
}

}  // namespace halvo::sim
