#include "calibration/white_gain_model.h"

#include <algorithm>
#include <cmath>

namespace halvo {

Vec3 XyzOfReading(const ColorReading& r) {
    if (r.y <= 0.0) {
        return {0.0, 0.0, 0.0};
    }
    return {r.x * r.lv / r.y, r.lv, (1.0 - r.x - r.y) * r.lv / r.y};
}

Vec3 XyzOfUvY(double u, double vp, double Y) {
    // CIE 1976 u'v' to xy: x = 9u' / (6u' - 16v' + 12), y = 4v' / (6u' - 16v' + 12).
    const double d = 6.0 * u - 16.0 * vp + 12.0;
    if (d == 0.0) {
        return {0.0, 0.0, 0.0};
    }
    const double x = 9.0 * u / d;
    const double y = 4.0 * vp / d;
    if (y <= 0.0) {
        return {0.0, 0.0, 0.0};
    }
    return {x * Y / y, Y, (1.0 - x - y) * Y / y};
}

namespace {

double Det(const Mat3& a) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
}

Vec3 Times(const Mat3& m, const Vec3& v) {
    Vec3 out{};
    for (size_t r = 0; r < 3; ++r) {
        out[r] = m[r][0] * v[0] + m[r][1] * v[1] + m[r][2] * v[2];
    }
    return out;
}

Vec3 Minus(const Vec3& a, const Vec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

double Dot(const Vec3& a, const Vec3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// The primaries of a broadcast panel (EBU Tech. 3213 phosphors), the start of every model.
constexpr double kPrimaryXy[3][2] = {{0.64, 0.33}, {0.29, 0.60}, {0.15, 0.06}};

}  // namespace

std::optional<Mat3> Inverse(const Mat3& m) {
    const double d = Det(m);
    if (!(std::fabs(d) > 1e-300) || !std::isfinite(d)) {
        return std::nullopt;
    }
    Mat3 inv{};
    for (size_t r = 0; r < 3; ++r) {
        for (size_t c = 0; c < 3; ++c) {
            // Cofactor of (c, r), the transposed position.
            const size_t r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
            inv[r][c] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / d;
        }
    }
    return inv;
}

bool WhiteGainModel::build(const Vec3& white, const Vec3& gains) {
    // Columns: each primary's XYZ per unit of luminance.
    Mat3 unit{};
    for (size_t c = 0; c < 3; ++c) {
        const double x = kPrimaryXy[c][0], y = kPrimaryXy[c][1];
        unit[0][c] = x / y;
        unit[1][c] = 1.0;
        unit[2][c] = (1.0 - x - y) / y;
    }
    const std::optional<Mat3> inv = Inverse(unit);
    if (!inv) {
        return false;
    }
    const Vec3 share = Times(*inv, white);  // each primary's luminance in the reading
    for (size_t c = 0; c < 3; ++c) {
        if (!(share[c] > 0.0) || !(gains[c] > 0.0)) {
            return false;
        }
    }
    for (size_t r = 0; r < 3; ++r) {
        for (size_t c = 0; c < 3; ++c) {
            m_[r][c] = unit[r][c] * share[c] / gains[c];
        }
    }
    built_ = true;
    return true;
}

void WhiteGainModel::update(const Vec3& gainsBefore, const Vec3& whiteBefore, const Vec3& gains, const Vec3& white) {
    const Vec3 s = Minus(gains, gainsBefore);
    const double ss = Dot(s, s);
    if (ss == 0.0) {
        return;
    }
    // Broyden: the smallest change of M that explains the step just seen.
    const Vec3 miss = Minus(Minus(white, whiteBefore), Times(m_, s));
    Mat3 next = m_;
    for (size_t r = 0; r < 3; ++r) {
        for (size_t c = 0; c < 3; ++c) {
            next[r][c] += miss[r] * s[c] / ss;
        }
    }
    if (Inverse(next)) {
        m_ = next;
    }
}

std::optional<Vec3> WhiteGainModel::aim(const Vec3& white, const Vec3& gains, double u, double vp, double Yt,
                                        double* reachable) const {
    const std::optional<Mat3> inv = Inverse(m_);
    if (!built_ || !inv || !(Yt > 0.0)) {
        return std::nullopt;
    }
    // With e = white - M g: the gains for luminance Y are Y a - b.
    const Vec3 a = Times(*inv, XyzOfUvY(u, vp, 1.0));
    const Vec3 b = Times(*inv, Minus(white, Times(m_, gains)));
    double Y = Yt;
    for (size_t c = 0; c < 3; ++c) {
        if (a[c] > 0.0 && Y * a[c] - b[c] > 255.0) {
            Y = (255.0 + b[c]) / a[c];
        }
    }
    if (reachable != nullptr) {
        *reachable = Y;
    }
    Vec3 g{};
    for (size_t c = 0; c < 3; ++c) {
        g[c] = Y * a[c] - b[c];
        if (!std::isfinite(g[c])) {
            return std::nullopt;
        }
    }
    return g;
}

}  // namespace halvo
