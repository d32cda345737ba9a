#include "colorimetry/evaluation.h"

#include <cmath>

#include "colorimetry/hermite.h"
#include "colorimetry/locus_cct.h"
#include "colorimetry/locus_tables.h"

namespace halvo {
namespace {

// Equal-energy white (illuminant E) in CIE 1976 u', v': (4/19, 9/19) to nine digits.
constexpr double kWhiteU = 0.210526316;
constexpr double kWhiteVp = 0.473684211;

// Dominant wavelength: where the line from the white through the sample meets the spectral
// locus (the Hermite spline of kSpectralLocus), on the sample's side of the white.
void DominantWavelength(ColorimetricRecord& record) {
    using namespace hermite;
    record.dominantWavelength = 0.0;
    record.locusDistance = 0.0;
    if (record.u == 0.0 || record.vp == 0.0) {
        return;
    }
    const double du = record.u - kWhiteU;
    const double dv = record.vp - kWhiteVp;
    const double sampleFromWhite = std::sqrt(du * du + dv * dv);
    // Side of the white-sample line, by the cross product with the direction white -> sample.
    const auto side = [&](double pu, double pv) { return du * (pv - kWhiteVp) - dv * (pu - kWhiteU); };

    // Which side of the white each knot lies on, and whether it lies ahead of the white as
    // seen from the sample: one tight pass, then only the crossing segments are bisected.
    int sideSign[kSpectralLocusCount];
    bool ahead[kSpectralLocusCount];
    for (std::size_t i = 0; i < kSpectralLocusCount; ++i) {
        const LocusUvTangent& k = kSpectralLocusUv[i];
        sideSign[i] = Sign(side(k.u, k.v));
        ahead[i] = (k.u - kWhiteU) * du + (k.v - kWhiteVp) * dv >= 0.0;
    }
    double best = 10.0;
    double wavelength = 0.0;
    for (std::size_t i = 0; i + 1 < kSpectralLocusCount; ++i) {
        // The segment must start on the sample's side of the white and cross the line.
        if (!ahead[i] || sideSign[i] == sideSign[i + 1]) {
            continue;
        }
        const LocusKnot& a = kSpectralLocus[i];
        const LocusKnot& b = kSpectralLocus[i + 1];
        const double c0 = side(a.u, a.v);
        const double s = Bisect(
            [&](double t) {
                const Point H = Curve(a, b, At(t));
                return side(H.u, H.v);
            },
            c0);
        const Basis h = At(s);
        const Point crossing = Curve(a, b, h);
        const double cu = crossing.u - record.u;
        const double cv = crossing.v - record.vp;
        double distance = std::sqrt(cu * cu + cv * cv);
        const double wu = crossing.u - kWhiteU;
        const double wv = crossing.v - kWhiteVp;
        if (std::sqrt(wu * wu + wv * wv) < sampleFromWhite) {
            distance = -distance;  // the sample lies beyond the locus
        }
        if (std::fabs(distance) < std::fabs(best)) {
            best = distance;
            wavelength = Parameter(a, b, h);
        }
    }
    record.locusDistance = best;
    record.dominantWavelength = wavelength;
    if (std::fabs(best) > 1.0) {
        record.locusDistance = 0.0;
        record.dominantWavelength = 0.0;
        record.errorFlags |= kFlagNoDominantWavelength;
    }
}

constexpr double kLargestTristimulus = 1e30;

// CIE 1976 L*a*b* companding, with the CIE's exact constants (6/29)^3 and (29/6)^2 / 3, 4/29.
double LabCompand(double t) {
    return t > 0.008856451679035631 ? std::cbrt(t) : 7.787037037037037 * t + 0.13793103448275862;
}

}  // namespace

void EvaluateInto(const RgbMatrix& matrix, ColorimetricRecord& record) {
    const double X = record.X;
    const double Y = record.Y;
    const double Z = record.Z;
    record.r = matrix[0][0] * X + matrix[0][1] * Y + matrix[0][2] * Z;
    record.g = matrix[1][0] * X + matrix[1][1] * Y + matrix[1][2] * Z;
    record.b = matrix[2][0] * X + matrix[2][1] * Y + matrix[2][2] * Z;

    double s = X + Y + Z;
    if (s == 0.0) {
        s = 1e-7;
    }
    record.x = X / s;
    record.y = Y / s;

    const double d = 12.0 * record.y - 2.0 * record.x + 3.0;
    double v1960 = 0.0;
    if (d < 0.001) {
        record.u = 0.0;
        record.vp = 0.0;
    } else {
        record.u = 4.0 * record.x / d;
        record.vp = 9.0 * record.y / d;
        v1960 = 6.0 * record.y / d;
    }

    LocusCctDuv(record.u, v1960, 0.05, record.errorFlags, record.cct, record.duv);
    DominantWavelength(record);

    const double fx = LabCompand(X / kLabWhiteX);
    const double fy = LabCompand(Y / kLabWhiteY);
    const double fz = LabCompand(Z / kLabWhiteZ);
    record.lStar = 116.0 * fy - 16.0;
    record.aStar = 500.0 * (fx - fy);
    record.bStar = 200.0 * (fy - fz);
    record.cStar = std::sqrt(record.aStar * record.aStar + record.bStar * record.bStar);
    record.hue = std::atan2(record.bStar, record.aStar);
}

ColorimetricRecord EvaluateXyz(double X, double Y, double Z) {
    ColorimetricRecord record;
    double xyz[3] = {X, Y, Z};
    bool unusable = false;
    for (double& c : xyz) {
        // Beyond kLargestTristimulus the matrix and the sums overflow; no light is that bright
        // (it only arises from x, y, Y with y next to 0).
        if (!std::isfinite(c) || std::fabs(c) > kLargestTristimulus) {
            unusable = true;
        } else if (std::fabs(c) < 1e-10) {
            c = 0.0;
        } else if (c < 0.0) {
            unusable = true;
        }
    }
    if (unusable) {
        record.errorFlags |= kFlagUnusableInput;
    } else {
        record.X = xyz[0];
        record.Y = xyz[1];
        record.Z = xyz[2];
    }
    EvaluateInto(kXyzToRgbMatrix, record);
    return record;
}

ColorimetricRecord EvaluateXyY(double x, double y, double Y) {
    if (y == 0.0) {
        ColorimetricRecord record = EvaluateXyz(0.0, 0.0, 0.0);
        record.errorFlags |= kFlagUnusableInput;
        return record;
    }
    const double k = Y / y;
    return EvaluateXyz(k * x, Y, k - k * x - Y);
}

}  // namespace halvo
