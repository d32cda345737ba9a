#pragma once

// Cubic Hermite segments between two locus knots, shared by the locus-spline colour temperature
// and the dominant wavelength. Internal to the colorimetry library.

#include "colorimetry/locus_tables.h"

namespace halvo::hermite {

// Basis functions h00, h10, h01, h11 and their derivatives at s in [0, 1].
struct Basis {
    double h00, h10, h01, h11;
};

inline Basis At(double s) {
    const double s2 = s * s;
    const double s3 = s2 * s;
    return {2.0 * s3 - 3.0 * s2 + 1.0, s3 - 2.0 * s2 + s, 3.0 * s2 - 2.0 * s3, s3 - s2};
}

inline Basis DerivativeAt(double s) {
    const double s2 = s * s;
    return {6.0 * s2 - 6.0 * s, 3.0 * s2 - 4.0 * s + 1.0, 6.0 * s - 6.0 * s2, 3.0 * s2 - 2.0 * s};
}

struct Point {
    double u;
    double v;
};

inline Point Curve(const LocusKnot& a, const LocusKnot& b, const Basis& h) {
    return {h.h00 * a.u + h.h10 * a.tu + h.h01 * b.u + h.h11 * b.tu,
            h.h00 * a.v + h.h10 * a.tv + h.h01 * b.v + h.h11 * b.tv};
}

// The knot parameter (kelvin or nm) interpolated with the same basis.
inline double Parameter(const LocusKnot& a, const LocusKnot& b, const Basis& h) {
    return h.h00 * a.T + h.h10 * a.tT + h.h01 * b.T + h.h11 * b.tT;
}

inline int Sign(double value) {
    return (value > 0.0) - (value < 0.0);
}

// Twenty bisections of [0, 1] for a change of sign of g, starting from g(0) = g0. Returns the
// midpoint of the final bracket.
template <typename G>
double Bisect(G g, double g0) {
    double lo = 0.0;
    double hi = 1.0;
    double glo = g0;
    for (int k = 0; k < 20; ++k) {
        const double s = (lo + hi) / 2.0;
        const double gs = g(s);
        if (Sign(gs) != Sign(glo)) {
            hi = s;
        } else {
            lo = s;
            glo = gs;
        }
    }
    return (lo + hi) / 2.0;
}

}  // namespace halvo::hermite
