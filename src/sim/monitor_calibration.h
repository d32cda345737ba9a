#pragma once

// What the simulated monitor keeps of its calibration: colour-temperature presets with their
// gains, the gamma-to-luminance table that linearises the panel, the gamma curve, the panel-gamma
// corrections, backlight and calibration ID. The monitor works on a copy in RAM; "Save eeprom"
// writes it into the EEPROM and a power cycle reads it back, so only saved work survives.
//
// EEPROM layout (addresses; 16-bit values least significant byte first):
//   32..35    "VRL1" when a calibration is stored (else the factory calibration applies)
//   36        gamma curve code           37       backlight
//   38..46    calibration ID, blank-padded
//   47..48    default panel gamma x 100  49       default panel-gamma code (8 = none)
//   50..55    panel-gamma code per colour space 0..5 (0xFF: the default applies)
//   56        number of presets          57..116  12 presets x (kelvin, R, G, B)
//   1000      uniformity packet kind (1 table, 2 ten-value, else none)
//   1001..1011  the packet from its byte 5 on (monitor_uniformity.h)
//   6128..6142  white gains (R, G, B) of colour spaces 0..4   6143  0xC5 when they are stored
//   6144..6655  the gamma-to-luminance table, 256 x 16 bit
// Addresses the layout does not use keep whatever the factory put there.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/monitor_uniformity.h"
#include "sim/color_space_slots.h"

namespace halvo::sim {

struct RgbGains {
    int r = 255;
    int g = 255;
    int b = 255;
    bool operator==(const RgbGains&) const = default;
};

struct ColorTemperaturePreset {
    int kelvin;
    RgbGains gains;
};

inline constexpr size_t kMonitorEepromSize = 6656;
inline constexpr int kMaxPresets = 12;
inline constexpr int kNoSpaceCode = -1;

struct MonitorCalibration {
    std::vector<ColorTemperaturePreset> presets;
    // Panel code 0..255 -> grey luminance in cd/m2 x 100, strictly increasing.
    std::array<uint16_t, 256> gammaTable{};
    int gammaCurveCode = 14;
    int defaultPanelGammaX100 = 235;
    int defaultPanelGammaCode = 8;
    std::array<int, 6> spacePanelGammaCode{kNoSpaceCode, kNoSpaceCode, kNoSpaceCode,
                                           kNoSpaceCode, kNoSpaceCode, kNoSpaceCode};
    int backlight = 100;
    std::string calibrationId;
    MonitorUniformity uniformity;
    ColorSpaceSlots colorSpaces;

    // The preset of a temperature, made with the given gains when the monitor has none yet (a
    // full preset list keeps its last slot for the newest temperature).
    RgbGains& preset(int kelvin, const RgbGains& factory);
    const RgbGains* findPreset(int kelvin) const;
    RgbGains* findPreset(int kelvin);
    // The panel-gamma code in force for a colour space slot.
    int panelGammaCode(int space) const;
};

// The factory linearises with a generic panel of gamma 2.35 reaching the white it rated the
// panel for (cd/m2).
std::array<uint16_t, 256> FactoryGammaTable(double ratedWhite);

// The exponent a gamma curve code selects (14: 2.2, 16: 2.35, 19: 2.6).
double GammaCurveExponent(int code);

// The default panel gamma as the firmware uses it (the factory's 2.35 until one is written).
double PanelGammaExponent(const MonitorCalibration& calibration);
// The exponent the firmware reads off a gamma table: the luminance-weighted least-squares slope
// of ln luminance over ln code at the codes 8k - 1 (k = 1..32), where a 32-level measurement
// puts its readings.
double TableExponent(const std::array<uint16_t, 256>& table);
// What the firmware accepts as a panel gamma x 100; anything else leaves the stored one.
inline constexpr int kMinPanelGammaX100 = 100;
inline constexpr int kMaxPanelGammaX100 = 400;

void SaveCalibration(const MonitorCalibration& calibration, std::array<uint8_t, kMonitorEepromSize>& eeprom);
// False when the EEPROM holds no stored calibration (calibration left as it was).
bool LoadCalibration(const std::array<uint8_t, kMonitorEepromSize>& eeprom, MonitorCalibration& calibration);

}  // namespace halvo::sim
