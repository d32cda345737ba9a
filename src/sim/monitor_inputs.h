#pragma once

// The simulated monitor's video inputs, its own analogue-input colour calibration, and the
// slow drift of its panel as it warms up and ages.
//
// - Input sources by code: 7 and 8 YPbPr, 10 RGB, 11 and 15 digital. GetInputSource answers the
//   current code; SetInputSource switches; GetMonitorStatus answers 1 while the current source
//   has a signal (every source has one unless a test takes it away).
// - GetPatternStatus answers 1 when the monitor can show its internal calibration pattern
//   (DrawCustomPattern 0).
// - StartAutoColorCalibration runs the monitor's own ADC calibration of the current analogue
//   source; it takes 2.5 s, after which that source counts as calibrated.
// - Drift: from power-on the panel's light falls towards a fraction below its first value
//   (realistic: 1.5 %, time constant 30 minutes, blue 0.5 % further), so a white drifts a little
//   warmer and dimmer. An aging run logs exactly that.

#include <array>
#include <cstdint>
#include <map>

namespace halvo::sim {

// No drift by default, so that tests can compare an instrument with the panel's light exactly;
// the front ends that simulate a station for people switch the realistic one on.
struct DriftConfig {
    double luminanceDrop = 0.0;  // fraction lost in the end
    double blueExtraDrop = 0.0;  // blue's further loss
    double timeConstantMs = 30.0 * 60 * 1000;

    static DriftConfig Realistic() { return {0.015, 0.005, 30.0 * 60 * 1000}; }
};

class MonitorInputs {
public:
    static constexpr int kAdcDurationMs = 2500;

    int source() const { return source_; }
    void selectSource(int code) { source_ = code; }
    bool signalPresent() const;
    void setSignal(int code, bool present) { signal_[code] = present; }
    bool patternAvailable = true;

    void startAdc(int64_t nowMs);
    // True once an ADC calibration of this source has finished.
    bool adcCalibrated(int code, int64_t nowMs) const;
    int adcRuns() const { return adcRuns_; }

    // Relative output of each channel at a time since power-on.
    std::array<double, 3> driftFactors(int64_t sincePowerOnMs) const;
    DriftConfig drift;

private:
    int source_ = 11;
    std::map<int, bool> signal_;
    int adcSource_ = -1;
    int64_t adcDoneAtMs_ = -1;
    std::map<int, bool> adcDone_;
    int adcRuns_ = 0;
};

}  // namespace halvo::sim
