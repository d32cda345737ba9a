#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "colorimetry/color_reading.h"

namespace halvo {

// A named white source used as a white-point target instead of a temperature.
struct NamedWhiteSource {
    const char* name;  // shown as the row label, exactly as operators know it
    double x;
    double y;
};

inline constexpr int kNamedWhiteSourceCount = 5;
// Target codes 0..4, in this order.
extern const NamedWhiteSource kNamedWhiteSources[kNamedWhiteSourceCount];

// Target codes: 0..4 a named source, 5..1000 "Adjust" (no computed target), larger values a
// colour temperature in kelvin.
inline constexpr int32_t kFirstAdjustCode = 5;
inline constexpr int32_t kLastAdjustCode = 1000;

enum class WhiteTargetKind { NamedSource, Adjust, Temperature };
WhiteTargetKind ClassifyWhiteTarget(int32_t code);

// Row label of a target code: the source's name, "Adjust", or "%dK".
std::string WhiteTargetLabel(int32_t code);

// Target reading of a code at luminance lv, or nullopt for "Adjust". A named source goes
// through ReadingFromChromaticity, a temperature through ReadingFromTemperature.
std::optional<ColorReading> WhiteTargetReading(int32_t code, double lv, bool alternateWhites);

}  // namespace halvo
