#include "colorimetry/locus_cct.h"

#include <cmath>

#include "colorimetry/colorimetric_record.h"
#include "colorimetry/hermite.h"

namespace halvo {

void LocusCctDuv(double u, double v, double limit, int32_t& errorFlags, double& cct, double& duv) {
    using namespace hermite;
    double best = 10.0;
    cct = 0.0;
    duv = 0.0;
    // The foot of the perpendicular lies inside a segment only where the projection onto the
    // tangent changes sign between its two ends; each knot's projection serves two segments.
    // They are computed in one tight pass first: the search costs little beyond it.
    int projectionSign[kLocusKnotCount];
    for (std::size_t i = 0; i < kLocusKnotCount; ++i) {
        const LocusUvTangent& k = kLocusKnotsUv[i];
        projectionSign[i] = Sign((u - k.u) * k.tu + (v - k.v) * k.tv);
    }
    for (std::size_t i = 0; i + 1 < kLocusKnotCount; ++i) {
        if (projectionSign[i] == projectionSign[i + 1]) {
            continue;
        }
        const LocusKnot& a = kLocusKnots[i];
        const LocusKnot& b = kLocusKnots[i + 1];
        const double g0 = (u - a.u) * a.tu + (v - a.v) * a.tv;
        const auto g = [&](double s) {
            const Point H = Curve(a, b, At(s));
            const Point dH = Curve(a, b, DerivativeAt(s));
            return (u - H.u) * dH.u + (v - H.v) * dH.v;
        };
        const double s = Bisect(g, g0);
        const Basis h = At(s);
        const Point H = Curve(a, b, h);
        const Point dH = Curve(a, b, DerivativeAt(s));
        const double Du = u - H.u;
        const double Dv = v - H.v;
        const double dist = std::sqrt(Du * Du + Dv * Dv);
        if (dist < std::fabs(best)) {
            best = dist;
            cct = Parameter(a, b, h);
            // Points below the locus (to the right of the direction of rising temperature)
            // get a negative Duv. The direction is the curve's, taken along the chord: the
            // segment leaving 6500 K (tangent fifty times its 1 K chord) doubles back on itself,
            // and on its way back the curve's own derivative points to falling temperature.
            const double along = (dH.u * (b.u - a.u) + dH.v * (b.v - a.v)) < 0.0 ? -1.0 : 1.0;
            if (along * (dH.v * Du - dH.u * Dv) < 0.0) {
                best = -best;
            }
        }
    }
    duv = best;
    if (std::fabs(best) > limit) {
        errorFlags |= kFlagFarFromLocus;
        duv = 0.0;
        cct = 0.0;
    }
}

}  // namespace halvo
