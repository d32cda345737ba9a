#include "sim/pelko/spectro_device.h"

#include <algorithm>
#include <cmath>

namespace halvo::sim {
namespace {

// Detector and optics.
constexpr double kCountsPerRadianceMs = 2.0e5;  // counts per ms for 1 W/(sr m2 nm)
constexpr double kFullScale = 65535.0;
constexpr double kExposureTarget = 0.8;      // automatic exposure aims the peak here
constexpr double kSaturated = 0.98;          // a trial shot above this is too long
constexpr double kReadNoise = 8.0;           // counts
constexpr double kDarkOffset = 600.0;        // counts
constexpr double kNonLinearity = 0.04;       // relative loss at full scale
constexpr double kWavelengthErrorNm = 0.1;
constexpr double kGainError = 1.006;
constexpr int kBandpassHalfBase = 4;         // triangular, 4 nm wide at half height
constexpr double kMinIntegrationMs = 1.0;
constexpr int64_t kReadoutMs = 12;           // per shot
constexpr int64_t kProcessingMs = 25;        // per measurement
constexpr int kLightMargin = kBandpassHalfBase + 2;

double DetectedCounts(double ideal) {
    return ideal * (1.0 - kNonLinearity * ideal / kFullScale);
}

// Inverts DetectedCounts below full scale.
double LinearisedCounts(double detected) {
    const double a = kNonLinearity / kFullScale;
    const double disc = 1.0 - 4.0 * a * detected;
    return disc > 0.0 ? (1.0 - std::sqrt(disc)) / (2.0 * a) : detected;
}

}  // namespace

void SpectroDevice::reset(int index) {
    *this = SpectroDevice();
    noise_.seed(0x5eC7u + static_cast<uint32_t>(index) * 7919u);
}

std::vector<double> SpectroDevice::lightThroughOptics(const HalvoSimHooks& hooks) const {
    const int first = kSpectroFirstNm - kLightMargin;
    const int count = kSpectroCount + 2 * kLightMargin;
    std::vector<double> light(static_cast<size_t>(count), 0.0);
    if (hooks.spectrumAtProbe == nullptr || hooks.spectrumAtProbe(hooks.context, first, count, light.data()) != count) {
        std::fill(light.begin(), light.end(), 0.0);  // a station without spectra shows nothing
    }
    const auto at = [&](double nm) {
        const double p = nm - first;
        const int i = static_cast<int>(std::floor(p));
        if (i < 0 || i + 1 >= count) {
            return 0.0;
        }
        const double t = p - i;
        return light[static_cast<size_t>(i)] * (1.0 - t) + light[static_cast<size_t>(i) + 1] * t;
    };
    std::vector<double> seen(kSpectroCount);
    for (int k = 0; k < kSpectroCount; ++k) {
        const double centre = kSpectroFirstNm + k + kWavelengthErrorNm;
        double sum = 0.0;
        for (int j = -kBandpassHalfBase + 1; j < kBandpassHalfBase; ++j) {
            const double w = static_cast<double>(kBandpassHalfBase - std::abs(j)) / (kBandpassHalfBase * kBandpassHalfBase);
            sum += w * at(centre + j);
        }
        seen[static_cast<size_t>(k)] = sum * kGainError;
    }
    return seen;
}

double SpectroDevice::automaticExposure(double peakRate, double& costMs) const {
    const double limit = exposureHandling == 1 ? limitMs : 5000.0;
    double trial = exposureHandling == 1 ? startTimeMs : 50.0;
    trial = std::clamp(trial, kMinIntegrationMs, limit);
    // Trial shots, shorter each time one saturates, until one reads the peak.
    for (;;) {
        costMs += trial + kReadoutMs;
        if (peakRate * trial <= kSaturated * kFullScale || trial <= kMinIntegrationMs) {
            break;
        }
        trial = std::max(kMinIntegrationMs, trial / 8.0);
    }
    if (!(peakRate > 0.0)) {
        return limit;
    }
    return std::clamp(kExposureTarget * kFullScale / peakRate, kMinIntegrationMs, limit);
}

void SpectroDevice::start(const HalvoSimHooks& hooks) {
    const std::vector<double> seen = lightThroughOptics(hooks);
    const double peak = *std::max_element(seen.begin(), seen.end());
    const double peakRate = std::max(0.0, peak) * kCountsPerRadianceMs;
    double costMs = 0.0;
    double tint = integrationMs;
    if (exposure == 2) {
        costMs += fixedDelayMs;
    } else {
        tint = automaticExposure(peakRate, costMs);
    }
    tint = std::max(kMinIntegrationMs, tint);
    const int n = std::max(1, scans);
    costMs += n * (tint + kReadoutMs) + kProcessingMs;

    std::normal_distribution<double> gauss(0.0, 1.0);
    pending_.assign(kSpectroCount, 0.0);
    bool saturated = false;
    for (int k = 0; k < kSpectroCount; ++k) {
        const double ideal = std::max(0.0, seen[static_cast<size_t>(k)]) * kCountsPerRadianceMs * tint;
        const double detected = DetectedCounts(std::min(ideal, kFullScale));
        if (ideal + kDarkOffset >= kFullScale) {
            saturated = true;
        }
        const double sigma = std::sqrt(detected + kReadNoise * kReadNoise) / std::sqrt(static_cast<double>(n));
        double counts = std::min(kFullScale, detected + kDarkOffset + sigma * gauss(noise_));
        if (corrections & kCorrectDark) {
            counts -= kDarkOffset;
        }
        if (corrections & kCorrectLinearity) {
            counts = LinearisedCounts(counts);
        }
        pending_[static_cast<size_t>(k)] = counts / (kCountsPerRadianceMs * tint);
    }
    running_ = true;
    ended_ = saturated;
    endsAtMs_ = hooks.nowMs(hooks.context) + static_cast<int64_t>(std::ceil(costMs));
}

bool SpectroDevice::running(const HalvoSimHooks& hooks) {
    if (!running_) {
        return false;
    }
    if (hooks.nowMs(hooks.context) < endsAtMs_) {
        return true;
    }
    running_ = false;
    if (!ended_) {
        spectrum_ = std::move(pending_);
        evaluation_ = EvaluateSpectrum(spectrum_, begin, end, step);
        cctStored = false;
    }
    pending_.clear();
    return false;
}

void SpectroDevice::abort() {
    if (running_) {
        running_ = false;
        ended_ = true;
        pending_.clear();
    }
}

void SpectroDevice::findExposure(const HalvoSimHooks& hooks) {
    const std::vector<double> seen = lightThroughOptics(hooks);
    const double peakRate = std::max(0.0, *std::max_element(seen.begin(), seen.end())) * kCountsPerRadianceMs;
    const double limit = exposureHandling == 1 ? limitMs : 5000.0;
    foundMs_ = 0;
    if (peakRate > 0.0) {
        const double needed = kExposureTarget * kFullScale / peakRate;
        if (needed <= limit) {
            foundMs_ = static_cast<int32_t>(std::ceil(std::max(needed, kMinIntegrationMs)));
        }
    }
}

void SpectroDevice::setRange(int newBegin, int newEnd, int newStep) {
    begin = newBegin;
    end = newEnd;
    step = newStep;
    if (hasSpectrum()) {
        evaluation_ = EvaluateSpectrum(spectrum_, begin, end, step);
    }
}

SpectroEvaluation SpectroDevice::evaluate(int overBegin, int overEnd) const {
    return EvaluateSpectrum(spectrum_, overBegin, overEnd, step);
}

}  // namespace halvo::sim
