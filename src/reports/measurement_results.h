#pragma once

// What a verification run keeps for the report, per colour space: the grey levels of the gamma
// run and the fitted gamma, the colour patches, the colour-temperature targets and the uniformity
// positions. A value of -1 (any value <= 0) is the not-measured marker the report shows as "N/A".

#include <array>
#include <cstdint>

#include "colorimetry/color_reading.h"
#include "reports/chart_model.h"
#include "reports/result_texts.h"

namespace halvo {

inline constexpr double kNotMeasured = -1.0;
inline constexpr int kGammaReadingCount = 20;
inline constexpr int kGammaLevelCount = 11;  // 0, 26, 51 ... 255
inline constexpr int kColorReadingCount = 10;
inline constexpr int kTemperatureReadingCount = 10;

// A reading whose every value is the not-measured marker.
ColorReading NotMeasuredReading();
// A value the report treats as measured.
inline bool Measured(double value) { return value > 0.0; }

struct ColorSpaceResults {
    // Grey level k (video level ceil(k * 25.5)) at index k.
    std::array<ColorReading, kGammaReadingCount> gamma{};
    double gammaValue = kNotMeasured;
    // The second model's repeated BT.709 run (its JUDD-OFFSET white), kept apart from the first.
    std::array<ColorReading, kGammaReadingCount> repeatedGamma{};
    double repeatedGammaValue = kNotMeasured;
    // Indexed by result slot: 1 Black, 2 White, 3 Red ... 8 Cyan.
    std::array<ColorReading, kColorReadingCount> colors{};
    // Colour-temperature target k (0 = 3200 K) at index k.
    std::array<ColorReading, kTemperatureReadingCount> temperatures{};
    // Position index 0..8.
    std::array<ColorReading, kPositionCount> positions{};
};

struct MeasurementResults {
    std::array<ColorSpaceResults, kMeasureSpaceCount> spaces{};
    double uniformityPercent = kNotMeasured;

    MeasurementResults() { resetToNotMeasured(); }
    void resetToNotMeasured();
};

}  // namespace halvo
