#pragma once

// The fast run's colour-space search: a secant (Broyden) search on what the prescribed search
// corrects — the u'v' error and the luminance term L — against the colour's adjustment values.
// Its first model is the one the prescribed factors stand for (the prescribed step is its
// Newton step); every reading then corrects the model along the step just taken, so the
// following steps go the whole way instead of the fixed fraction the factors give.

#include <optional>

#include "calibration/white_gain_model.h"

namespace halvo {

// The prescribed factors of a colour slot as a model: d(du', dv', L) / d(R, G, B).
Mat3 PrescribedColourModel(int slot);

class SecantSearch {
public:
    void start(const Mat3& model) {
        model_ = model;
        seen_ = false;
    }
    // The values in force and what they gave (du', dv', L); corrects the model from the last pair.
    void observe(const Vec3& values, const Vec3& error);
    // Values for the aimed error from the last pair seen; nullopt when the model is singular.
    std::optional<Vec3> next(const Vec3& aim) const;
    const Mat3& model() const { return model_; }

private:
    Mat3 model_{};
    bool seen_ = false;
    Vec3 values_{};
    Vec3 error_{};
};

}  // namespace halvo
