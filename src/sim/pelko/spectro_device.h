#pragma once

// One simulated PELKO spectroradiometer, as the stand-in of the maker's core library drives it.
// It measures the spectral radiance at the probe of the simulated station through its optics
// (a 4 nm triangular bandpass, a small wavelength and gain error), exposes a detector of 65535
// counts with shot and read noise, a dark offset and a slight non-linearity that its scan
// corrections remove, and takes the time such a measurement takes: the automatic exposure's
// trial shots, every averaged scan, read-out and processing. Bright enough light saturates a
// fixed-time exposure; the measurement then ends without a result.
//
// Specified accuracy, for light of at least 1 cd/m2 measured with automatic exposure and the
// scan corrections on: luminance within 2 %, x and y within 0.002.

#include <cstdint>
#include <random>
#include <vector>

#include "sim/bridge/sim_bridge.h"
#include "sim/pelko/spectro_evaluation.h"

namespace halvo::sim {

inline constexpr double kSpectroLuminanceAccuracy = 0.02;
inline constexpr double kSpectroChromaticityAccuracy = 0.002;

// Scan corrections (core call 22).
inline constexpr int32_t kCorrectDark = 4;
inline constexpr int32_t kCorrectLinearity = 8;

class SpectroDevice {
public:
    // Back to power-on state, as when the device is opened; index makes its noise its own.
    void reset(int index);

    // Settings.
    int32_t exposure = 1;  // 1 automatic, 2 fixed
    int32_t integrationMs = 100;
    int32_t scans = 1;
    int32_t corrections = kCorrectDark | kCorrectLinearity;
    int32_t fixedDelayMs = 0;
    int32_t liveView = 1;
    int32_t phase = 0;
    int32_t distanceMm = 350;
    int32_t exposureHandling = 0;  // 1: automatic exposure starts at startTimeMs, at most limitMs
    int32_t startTimeMs = 50;
    int32_t limitMs = 5000;
    int begin = kSpectroFirstNm;
    int end = kSpectroLastNm;
    int step = 1;

    // Starts a measurement of the light at the probe now.
    void start(const HalvoSimHooks& hooks);
    // Running: until its time has passed. Finished: the spectrum becomes the current evaluation.
    bool running(const HalvoSimHooks& hooks);
    void abort();
    // The measurement running ends without a result (a fault of the simulated station).
    void spoil() { ended_ = true; }
    // The last measurement ended without a result (aborted or saturated) and no new one started.
    bool ended() const { return ended_; }

    // Looks at the light in view and finds the automatic exposure time it would need.
    void findExposure(const HalvoSimHooks& hooks);
    bool exposureFound() const { return foundMs_ > 0; }
    int32_t foundExposureMs() const { return foundMs_; }

    bool hasSpectrum() const { return !spectrum_.empty(); }
    // The current evaluation; re-evaluated whenever the range changes.
    const SpectroEvaluation& evaluation() const { return evaluation_; }
    void setRange(int newBegin, int newEnd, int newStep);
    SpectroEvaluation evaluate(int overBegin, int overEnd) const;

    // Colour temperature as last computed (call 56), until the next measurement.
    bool cctStored = false;
    double storedCct = 0.0;

private:
    // Light at the probe through the optics: 1 nm from kSpectroFirstNm, W/(sr m2 nm).
    std::vector<double> lightThroughOptics(const HalvoSimHooks& hooks) const;
    // The automatic exposure for a peak signal (counts per ms); its trial shots' time in cost.
    double automaticExposure(double peakRate, double& costMs) const;

    std::mt19937 noise_;
    bool running_ = false;
    bool ended_ = false;
    int64_t endsAtMs_ = 0;
    std::vector<double> pending_;  // the spectrum being measured
    std::vector<double> spectrum_;
    SpectroEvaluation evaluation_;
    int32_t foundMs_ = 0;
};

}  // namespace halvo::sim
