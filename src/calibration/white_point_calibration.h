#pragma once

// White point calibration: for every checked colour-temperature target, the gains of the
// monitor's matching preset are searched until full white lands on the target (state 10); a
// separate command reads the stored gains of every target back (state 15).

#include <array>

#include "calibration/calibration_context.h"

namespace halvo {

class CalibrationEngine;

struct RgbGain {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const RgbGain&) const = default;
};

// One iteration's correction of the gains: the luminance term L and new gains (R', G', B')
// before clamping, and whether the panel ran out of red and blue (the target luminance is then
// lowered).
struct WhiteCorrection {
    RgbGain gains;
    double L = 0.0;
    bool saturated = false;
};

// From the reading's u', v' and luminance against the target's u', v' and luminance Yt.
WhiteCorrection CorrectWhiteGains(const ColorReading& reading, const ColorReading& target, double Yt,
                                  const RgbGain& current);

// What an iteration of the search ends in.
enum class WhiteVerdict { Continue, Accept, Fail };

// One iteration as the search judges it: the iteration number i, the step counter after it
// (target index in bits 8-15), the gains in force for iterations 0..i, the reading's difference
// terms, the correction it gives and the target's colour temperature.
struct WhiteIteration {
    int i = 0;
    int32_t stepCounter = 0;
    const RgbGain* gainHistory = nullptr;
    const ColorReading* reading = nullptr;
    const WhiteCorrection* correction = nullptr;
    int targetKelvin = 6500;
};
WhiteVerdict JudgeWhiteIteration(const WhiteIteration& it);

class WhitePointCalibration {
public:
    static constexpr int kMaxIterations = 200;

    explicit WhitePointCalibration(CalibrationEngine& engine) : engine_(engine) {}

    void whitePointStep();    // state 10
    void gainReadBackStep();  // state 15

    std::array<RgbGain, 256> gainHistory{};
    std::array<ColorReading, 256> readingHistory{};
    int luminanceOffset = 0;
    // Per target: the gains last sent or read back, and the accepted reading.
    std::array<RgbGain, kWhiteRowCount> workingGains{};
    std::array<ColorReading, kWhiteRowCount> whitePointResults{};
    // Iterations each target took to be accepted (0 when not accepted in this run).
    std::array<int, kWhiteRowCount> iterations{};

private:
    int targetCount() const;
    void selectTarget();
    void iterate();
    void endOfProcedure();
    bool readGains(RgbGain& out, int waitMs);
    void refreshTarget(int t);
    void showGains(int t);

    CalibrationEngine& engine_;
    // The target record as the list last showed it (refreshed from the list every iteration).
    ColorReading target_;
};

}  // namespace halvo
