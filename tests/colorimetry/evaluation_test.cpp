// The full evaluation of an XYZ triple: locus-spline CCT and Duv, dominant wavelength, CIELAB,
// linear RGB and the error flags.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "colorimetry/chromaticity.h"
#include "colorimetry/evaluation.h"
#include "colorimetry/locus_cct.h"
#include "colorimetry/locus_tables.h"
#include "support/numeric.h"

namespace halvo {
namespace {

using test::Near;

// Twenty bisections place the nearest point to 2^-20 of a segment; the longest segments are
// about 0.02 long in (u, v).
constexpr double kBisectionResolution = 0.02 / (1 << 20);

struct Xy {
    double x, y;
};

// CIE 1931 chromaticity of a CIE 1960 (u, v) point.
Xy FromUv(double u, double v) {
    const double d = 2 * u - 8 * v + 4;
    return {3 * u / d, 2 * v / d};
}

const LocusKnot& Knot(double T) {
    for (const LocusKnot& k : kLocusKnots) {
        if (k.T == T) {
            return k;
        }
    }
    ADD_FAILURE() << "no knot at " << T;
    return kLocusKnots[0];
}

struct Uv {
    double u, v;
};

// A point at a signed distance from the locus at a knot, along the locus normal (positive =
// above the locus, towards green), in CIE 1960 (u, v).
Uv OffLocus(const LocusKnot& k, double distance) {
    const double n = std::hypot(k.tu, k.tv);
    return {k.u + distance * k.tv / n, k.v - distance * k.tu / n};
}

TEST(EvaluateXyz, AllZeroIsFarFromTheLocusButNotUnusable) {
    const ColorimetricRecord r = EvaluateXyz(0, 0, 0);
    EXPECT_EQ(r.x, 0.0);
    EXPECT_EQ(r.y, 0.0);
    EXPECT_EQ(r.u, 0.0);
    EXPECT_EQ(r.vp, 0.0);
    EXPECT_EQ(r.cct, 0.0);
    EXPECT_EQ(r.duv, 0.0);
    EXPECT_EQ(r.errorFlags, kFlagFarFromLocus);
    EXPECT_EQ(r.dominantWavelength, 0.0);
    EXPECT_EQ(r.redRange, 1);
    EXPECT_EQ(r.averagedCount, 0);
}

TEST(EvaluateXyz, UnusableInputEvaluatesZerosWithTheFlag) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double inputs[][3] = {{50, 50, -1}, {-3, 50, 50}, {nan, 1, 1}, {1, inf, 1}, {1, 1, -inf}};
    for (const auto& in : inputs) {
        SCOPED_TRACE(testing::Message() << in[0] << " " << in[1] << " " << in[2]);
        const ColorimetricRecord r = EvaluateXyz(in[0], in[1], in[2]);
        EXPECT_TRUE(r.errorFlags & kFlagUnusableInput);
        EXPECT_EQ(r.X, 0.0);
        EXPECT_EQ(r.Y, 0.0);
        EXPECT_EQ(r.Z, 0.0);
        for (double v : {r.x, r.y, r.r, r.g, r.b, r.u, r.vp, r.lStar, r.aStar, r.bStar, r.cct, r.duv}) {
            EXPECT_TRUE(std::isfinite(v));
        }
    }
    // Noise below 1e-10 is zero, not negative.
    const ColorimetricRecord tiny = EvaluateXyz(95.0, 100.0, -5e-11);
    EXPECT_FALSE(tiny.errorFlags & kFlagUnusableInput);
    EXPECT_EQ(tiny.Z, 0.0);
}

TEST(EvaluateXyY, ZeroYIsUnusableAndOtherwiseMatchesXyz) {
    EXPECT_TRUE(EvaluateXyY(0.3, 0.0, 10.0).errorFlags & kFlagUnusableInput);
    EXPECT_TRUE(EvaluateXyY(std::nan(""), 0.3, 10.0).errorFlags & kFlagUnusableInput);
    // y next to zero makes X and Z overflow the arithmetic; that is no reading either.
    const ColorimetricRecord tinyY = EvaluateXyY(0.3115, 2.67e-312, 0.00047);
    EXPECT_TRUE(tinyY.errorFlags & kFlagUnusableInput);
    EXPECT_TRUE(std::isfinite(tinyY.r));
    const ColorimetricRecord a = EvaluateXyY(0.3127, 0.329, 100.0);
    EXPECT_TRUE(Near(a.X, 100.0 * 0.3127 / 0.329, 1e-12, 1e-14));
    EXPECT_EQ(a.Y, 100.0);
    EXPECT_TRUE(Near(a.Z, 100.0 * (1 - 0.3127 - 0.329) / 0.329, 1e-12, 1e-14));
    EXPECT_TRUE(Near(a.x, 0.3127, 1e-15));
}

TEST(EvaluateXyz, Illuminant65IsTheSrgbWhiteAndSitsAboveTheLocusAt6504K) {
    const ColorimetricRecord r = EvaluateXyY(0.3127, 0.329, 100.0);
    EXPECT_EQ(r.errorFlags, 0);
    // sRGB's matrix maps its own white to equal channels (four-digit white point).
    EXPECT_TRUE(Near(r.r, 100.0, 0.02));
    EXPECT_TRUE(Near(r.g, 100.0, 0.02));
    EXPECT_TRUE(Near(r.b, 100.0, 0.02));
    EXPECT_TRUE(Near(r.cct, 6504, 1.0));
    EXPECT_TRUE(Near(r.duv, 0.0032, 0.00005));
    // Both colour-temperature methods agree on a white near the locus.
    ColorReading reading;
    ReadingFromChromaticity(0.3127, 0.329, 100.0, reading);
    EXPECT_TRUE(Near(r.cct, reading.cct, 2.0));
    EXPECT_TRUE(Near(r.duv, reading.duv, 0.0001));
}

TEST(LocusCctDuv, LiesOnTheLocusAtEveryKnotTemperature) {
    for (double T : {1000.0, 2000.0, 5000.0, 6505.0, 8000.0, 15000.0, 40000.0, 1e6}) {
        const LocusKnot& k = Knot(T);
        int32_t flags = 0;
        double cct = 0, duv = 1;
        LocusCctDuv(k.u, k.v, 0.05, flags, cct, duv);
        EXPECT_EQ(flags, 0);
        EXPECT_TRUE(Near(cct, T, 0.0, 1e-6)) << T;
        EXPECT_TRUE(Near(duv, 0.0, kBisectionResolution)) << T;
    }
}

TEST(LocusCctDuv, FollowsThePlanckianTableBetweenKnots) {
    // Table and knots differ by a 4e-5 relative temperature scale.
    for (int T : {1550, 2856, 4321, 5555, 7777, 12345, 24999}) {
        const PlanckianRecord* p = PlanckianRecordFor(T);
        const double d = 12 * p->y - 2 * p->x + 3;
        int32_t flags = 0;
        double cct = 0, duv = 0;
        LocusCctDuv(4 * p->x / d, 6 * p->y / d, 0.05, flags, cct, duv);
        EXPECT_TRUE(Near(cct, T, 0.0, 1e-4)) << T;
        EXPECT_TRUE(Near(duv, 0.0, 2e-6)) << T;
    }
}

TEST(LocusCctDuv, GivesSignedDistanceAndGivesUpBeyondTheLimit) {
    // Around 6500 K the knots switch between 100 K and 1 K spacing and the spline wobbles by
    // about 1e-6 off the locus; far from the locus that moves the nearest point by a few tens
    // of kelvin, which is within what a CCT 0.04 off the locus means.
    struct Case {
        double T;
        double duvTolerance;
        double cctRelative;
    };
    const Case cases[] = {{3000, kBisectionResolution, 1e-4}, {5000, kBisectionResolution, 1e-4},
                          {9300, kBisectionResolution, 1e-4}, {6500, 2e-6, 0.01},
                          {6505, 2e-6, 0.01}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.T);
        const LocusKnot& k = Knot(c.T);
        for (double d : {0.04, -0.04, 0.003, -0.003}) {
            const Uv p = OffLocus(k, d);
            int32_t flags = 0;
            double cct = 0, duv = 0;
            LocusCctDuv(p.u, p.v, 0.05, flags, cct, duv);
            EXPECT_EQ(flags, 0) << d;
            EXPECT_TRUE(Near(duv, d, c.duvTolerance)) << d;
            EXPECT_TRUE(Near(cct, c.T, 0.0, c.cctRelative)) << d;
        }
        const Uv far = OffLocus(k, 0.06);
        int32_t flags = 0;
        double cct = 1, duv = 1;
        LocusCctDuv(far.u, far.v, 0.05, flags, cct, duv);
        EXPECT_EQ(flags, kFlagFarFromLocus);
        EXPECT_EQ(cct, 0.0);
        EXPECT_EQ(duv, 0.0);
        // Through the evaluation (a physical colour below the locus).
        const Uv below = OffLocus(k, -0.04);
        const Xy xy = FromUv(below.u, below.v);
        const ColorimetricRecord r = EvaluateXyY(xy.x, xy.y, 100.0);
        EXPECT_EQ(r.errorFlags & (kFlagFarFromLocus | kFlagUnusableInput), 0);
        EXPECT_TRUE(Near(r.duv, -0.04, c.duvTolerance));
    }
}

TEST(LocusCctDuv, KeepsTheSignOfDuvAcrossTheWholeKelvinKnotsNear6500K) {
    // The knots run in whole kelvins from 6500 to 6510 K, so the segment leaving 6500 K has a
    // tangent fifty times its chord and doubles back on itself. Whites right there are the most
    // common targets; their Duv must keep its sign.
    for (double x = 0.3120; x <= 0.3136; x += 0.0001) {
        for (double above : {0.329, 0.3295}) {
            const ColorimetricRecord r = EvaluateXyY(x, above, 100.0);
            EXPECT_GT(r.duv, 0.0) << x << ", " << above;
        }
        const ColorimetricRecord below = EvaluateXyY(x, 0.318, 100.0);
        EXPECT_LT(below.duv, 0.0) << x;
    }
}

TEST(DominantWavelength, FindsTheSpectralColourOnTheSamplesSide) {
    // A spectral colour is its own dominant wavelength, on the locus.
    for (std::size_t i : {20u, 100u, 150u, 200u}) {
        const LocusKnot& k = kSpectralLocus[i];
        const ColorimetricRecord r = EvaluateXyY(k.x, k.y, 10.0);
        EXPECT_TRUE(Near(r.dominantWavelength, k.T, 0.01)) << k.T;
        EXPECT_TRUE(Near(r.locusDistance, 0.0, 1e-6)) << k.T;
    }
    // Halfway from the equal-energy white to 600 nm in u'v': the crossing lies beyond the sample.
    const LocusKnot& k600 = kSpectralLocus[200];
    const double u = (k600.u + 4.0 / 19) / 2, vp = (k600.v + 9.0 / 19) / 2;
    const double d = 6 * u - 16 * vp + 12;
    const ColorimetricRecord r = EvaluateXyY(9 * u / d, 4 * vp / d, 10.0);
    EXPECT_TRUE(Near(r.dominantWavelength, 600.0, 0.01));
    EXPECT_TRUE(Near(r.locusDistance, std::hypot(k600.u - u, k600.v - vp), 1e-6));
    EXPECT_EQ(r.errorFlags & kFlagNoDominantWavelength, 0);
}

TEST(DominantWavelength, PurplesHaveNoneAndAreFlagged) {
    const ColorimetricRecord r = EvaluateXyY(0.35, 0.15, 10.0);
    EXPECT_TRUE(r.errorFlags & kFlagNoDominantWavelength);
    EXPECT_EQ(r.dominantWavelength, 0.0);
    EXPECT_EQ(r.locusDistance, 0.0);
}

TEST(Cielab, UsesTheD50WhiteAsItStands) {
    const ColorimetricRecord white = EvaluateXyz(kLabWhiteX, kLabWhiteY, kLabWhiteZ);
    EXPECT_TRUE(Near(white.lStar, 100.0, 1e-12));
    EXPECT_TRUE(Near(white.aStar, 0.0, 1e-12));
    EXPECT_TRUE(Near(white.bStar, 0.0, 1e-12));
    // Middle grey: Y/Yn = 0.18419 is L* 50 (CIE 15:2018, 8.2.1).
    const ColorimetricRecord grey = EvaluateXyz(0.184187 * kLabWhiteX, 18.4187, 0.184187 * kLabWhiteZ);
    EXPECT_TRUE(Near(grey.lStar, 50.0, 0.0005));
    // The two branches of the companding meet at (6/29)^3: no jump in L* there.
    const double t = 0.008856451679035631;
    const double below = EvaluateXyz(t * 96.42, t * 100 * (1 - 1e-12), t * 82.49).lStar;
    const double above = EvaluateXyz(t * 96.42, t * 100 * (1 + 1e-12), t * 82.49).lStar;
    EXPECT_TRUE(Near(below, 8.0, 1e-6));
    EXPECT_TRUE(Near(above, 8.0, 1e-6));
    // Chroma and hue follow a* and b*.
    const ColorimetricRecord red = EvaluateXyY(0.64, 0.33, 21.26);
    EXPECT_DOUBLE_EQ(red.cStar, std::hypot(red.aStar, red.bStar));
    EXPECT_DOUBLE_EQ(red.hue, std::atan2(red.bStar, red.aStar));
    EXPECT_GT(red.aStar, 0.0);
}

TEST(EvaluateInto, UsesTheGivenMatrixForLinearRgb) {
    ColorimetricRecord r;
    r.X = 10;
    r.Y = 20;
    r.Z = 30;
    const RgbMatrix identity = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    EvaluateInto(identity, r);
    EXPECT_EQ(r.r, 10.0);
    EXPECT_EQ(r.g, 20.0);
    EXPECT_EQ(r.b, 30.0);
    EXPECT_DOUBLE_EQ(r.x, 10.0 / 60);
}

}  // namespace
}  // namespace halvo
