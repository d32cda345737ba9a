#include "sim/monitor_inputs.h"

#include <cmath>

namespace halvo::sim {

bool MonitorInputs::signalPresent() const {
    const auto it = signal_.find(source_);
    return it == signal_.end() || it->second;
}

void MonitorInputs::startAdc(int64_t nowMs) {
    adcSource_ = source_;
    adcDoneAtMs_ = nowMs + kAdcDurationMs;
    ++adcRuns_;
}

bool MonitorInputs::adcCalibrated(int code, int64_t nowMs) const {
    if (code == adcSource_ && adcDoneAtMs_ >= 0 && nowMs >= adcDoneAtMs_) {
        return true;
    }
    const auto it = adcDone_.find(code);
    return it != adcDone_.end() && it->second;
}

std::array<double, 3> MonitorInputs::driftFactors(int64_t sincePowerOnMs) const {
    const double t = static_cast<double>(sincePowerOnMs < 0 ? 0 : sincePowerOnMs);
    const double settled = 1.0 - std::exp(-t / drift.timeConstantMs);
    const double common = 1.0 - drift.luminanceDrop * settled;
    return {common, common, common * (1.0 - drift.blueExtraDrop * settled)};
}

}  // namespace halvo::sim
