#include "calibration/colour_space_model.h"

#include <algorithm>
#include <cmath>

#include "caldata/calibration_data.h"

namespace halvo {

namespace {

// The prescribed search's factors of du' for R and G and of dv' for B, per slot W..M.
constexpr double kFactors[kColorSlotCount][3] = {
    {-400, 300, 700}, {-400, 400, 900}, {-500, 300, 900}, {-200, 200, 400},
    {-400, 300, 700}, {-400, 300, 700}, {-400, 300, 700},
};

// Steps smaller than this (in value units, squared length) are mostly the instrument's noise:
// they would teach the model nothing but the noise.
constexpr double kSmallestStepSquared = 4.0;

}  // namespace

Mat3 PrescribedColourModel(int slot) {
    const double* f = kFactors[std::clamp(slot, 0, kColorSlotCount - 1)];
    // The prescribed step is dV = K e with K = [[fR, 0, 1], [fG, 0, 1], [0, fB, 1]]: the Newton
    // step of the model e(V + dV) = e - K^-1 dV, so the model's derivative is -K^-1.
    const Mat3 K = {{{f[0], 0.0, 1.0}, {f[1], 0.0, 1.0}, {0.0, f[2], 1.0}}};
    const std::optional<Mat3> inv = Inverse(K);
    Mat3 out{};
    for (size_t r = 0; r < 3; ++r) {
        for (size_t c = 0; c < 3; ++c) {
            out[r][c] = inv ? -(*inv)[r][c] : 0.0;
        }
    }
    return out;
}

void SecantSearch::observe(const Vec3& values, const Vec3& error) {
    if (seen_) {
        const Vec3 s = {values[0] - values_[0], values[1] - values_[1], values[2] - values_[2]};
        const double ss = s[0] * s[0] + s[1] * s[1] + s[2] * s[2];
        if (ss >= kSmallestStepSquared) {
            Mat3 next = model_;
            for (size_t r = 0; r < 3; ++r) {
                const double predicted = model_[r][0] * s[0] + model_[r][1] * s[1] + model_[r][2] * s[2];
                const double miss = (error[r] - error_[r]) - predicted;
                for (size_t c = 0; c < 3; ++c) {
                    next[r][c] += miss * s[c] / ss;
                }
            }
            if (Inverse(next)) {
                model_ = next;
            }
        }
    }
    values_ = values;
    error_ = error;
    seen_ = true;
}

std::optional<Vec3> SecantSearch::next(const Vec3& aim) const {
    const std::optional<Mat3> inv = Inverse(model_);
    if (!seen_ || !inv) {
        return std::nullopt;
    }
    const Vec3 want = {aim[0] - error_[0], aim[1] - error_[1], aim[2] - error_[2]};
    Vec3 out{};
    for (size_t r = 0; r < 3; ++r) {
        out[r] = values_[r] + (*inv)[r][0] * want[0] + (*inv)[r][1] * want[1] + (*inv)[r][2] * want[2];
        if (!std::isfinite(out[r])) {
            return std::nullopt;
        }
    }
    return out;
}

}  // namespace halvo
