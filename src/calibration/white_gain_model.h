#pragma once

// The fast run's model of full white against the RGB gains. Each gain scales its channel's
// light, so white is nearly linear in the gains: XYZ = M g + e, the columns of M the light of
// each channel per gain step and e what the linear part misses (crosstalk, a toe). The first
// model takes the primaries' chromaticities of a broadcast panel and sizes them from the first
// white reading; every further reading corrects M by Broyden's secant update, and e is
// re-anchored at the latest reading, so the model is right at least where the search stands.

#include <array>
#include <optional>

#include "colorimetry/color_reading.h"

namespace halvo {

using Vec3 = std::array<double, 3>;
using Mat3 = std::array<Vec3, 3>;  // rows

// XYZ of a reading (x, y, Lv); zero for y = 0.
Vec3 XyzOfReading(const ColorReading& r);
// XYZ of u', v' and luminance Y.
Vec3 XyzOfUvY(double u, double vp, double Y);

std::optional<Mat3> Inverse(const Mat3& m);

class WhiteGainModel {
public:
    bool built() const { return built_; }
    void reset() { built_ = false; }
    const Mat3& matrix() const { return m_; }

    // The first model from white at gains g: the primaries' chromaticities are assumed, their
    // luminances chosen so that the model gives the reading. False when the reading cannot be
    // such a mix.
    bool build(const Vec3& white, const Vec3& gains);
    // The secant correction from the step between two readings.
    void update(const Vec3& gainsBefore, const Vec3& whiteBefore, const Vec3& gains, const Vec3& white);

    // Where the gains should go for the target chromaticity (u', v') at luminance Yt, from the
    // reading at gains g; when the panel cannot give Yt there, *reachable is the highest
    // luminance it can give at that chromaticity with no gain above 255 (else Yt).
    std::optional<Vec3> aim(const Vec3& white, const Vec3& gains, double u, double vp, double Yt,
                            double* reachable) const;

private:
    bool built_ = false;
    Mat3 m_{};
};

}  // namespace halvo
