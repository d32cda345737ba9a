#pragma once

// Panel aging (state 50): a white screen kept on, one measurement logged at once and then one
// per measure period for the aging time, optionally followed by a calibration run.

#include <cstddef>

#include "calibration/calibration_context.h"

namespace halvo {

class CalibrationEngine;

// How many aging lines the station keeps for "Save to file".
inline constexpr size_t kAgingRecordCapacity = 1000;

class Aging {
public:
    explicit Aging(CalibrationEngine& engine) : engine_(engine) {}
    void agingStep();

    int tickCount = 0;
    int periodCount = 0;
    int recordCount = 0;

private:
    CalibrationEngine& engine_;
    CalibrationContext::AgingSettings settings_;
};

}  // namespace halvo
