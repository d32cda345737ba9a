// ColorReading from chromaticity and from temperature, the isotemperature-line CCT and the
// colour difference.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "colorimetry/chromaticity.h"
#include "colorimetry/locus_tables.h"
#include "colorimetry/robertson_cct.h"
#include "support/numeric.h"

namespace halvo {
namespace {

using test::Near;

// Published correlated colour temperatures are rounded to the kelvin, and the isotemperature
// table holds five digits, which moves the result by up to about one kelvin.
constexpr double kPublishedCctTolerance = 2.0;
// Published Duv figures carry four decimals.
constexpr double kPublishedDuvTolerance = 0.00006;

TEST(ReadingFromChromaticity, FillsUcsCoordinatesFromTheDefinitions) {
    ColorReading r;
    r.du = 7.0;  // difference terms are not touched
    EXPECT_EQ(ReadingFromChromaticity(0.3127, 0.329, 80.0, r), 0);
    const double d = 12 * 0.329 - 2 * 0.3127 + 3;
    EXPECT_DOUBLE_EQ(r.u, 4 * 0.3127 / d);
    EXPECT_DOUBLE_EQ(r.vp, 9 * 0.329 / d);
    EXPECT_DOUBLE_EQ(r.v, 2 * r.vp / 3);
    EXPECT_EQ(r.x, 0.3127);
    EXPECT_EQ(r.y, 0.329);
    EXPECT_EQ(r.lv, 80.0);
    EXPECT_EQ(r.du, 7.0);
}

TEST(ReadingFromChromaticity, AgreesWithPublishedWhitesOfStandardIlluminants) {
    // CIE 15:2018 table 9 chromaticities and the correlated colour temperatures published
    // with them.
    struct Illuminant {
        const char* name;
        double x, y;
        double cct;
    };
    const Illuminant illuminants[] = {
        {"A", 0.44757, 0.40745, 2856},
        {"D50", 0.34567, 0.35850, 5003},
        {"D65", 0.31271, 0.32902, 6504},
        {"D75", 0.29902, 0.31485, 7504},
    };
    for (const Illuminant& i : illuminants) {
        SCOPED_TRACE(i.name);
        ColorReading r;
        ReadingFromChromaticity(i.x, i.y, 100.0, r);
        EXPECT_TRUE(Near(r.cct, i.cct, kPublishedCctTolerance));
    }
    // Illuminant A is a Planckian radiator; D65 lies 0.0032 above the locus (Ohno 2014).
    ColorReading a, d65;
    ReadingFromChromaticity(0.44757, 0.40745, 100.0, a);
    ReadingFromChromaticity(0.31271, 0.32902, 100.0, d65);
    EXPECT_TRUE(Near(a.duv, 0.0, kPublishedDuvTolerance));
    EXPECT_TRUE(Near(d65.duv, 0.0032, kPublishedDuvTolerance));
}

TEST(ReadingFromChromaticity, DarkOrFailedReadingsGiveAFiniteReadingWithoutTemperature) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double inputs[][2] = {{0.0, 0.0}, {nan, 0.3}, {0.3, inf}, {0.5, 0.0}, {0.3, -0.1}};
    for (const auto& in : inputs) {
        SCOPED_TRACE(testing::Message() << in[0] << ", " << in[1]);
        ColorReading r;
        r.cct = 1234;
        r.duv = 0.5;
        ReadingFromChromaticity(in[0], in[1], 0.0, r);
        EXPECT_EQ(r.cct, 0);
        EXPECT_EQ(r.duv, 0.0);
        for (double v : {r.x, r.y, r.u, r.v, r.vp, r.lv}) {
            EXPECT_TRUE(std::isfinite(v));
        }
    }
}

TEST(OhnoDuv, IsZeroAtThePolynomialsCentreInsteadOfNaN) {
    EXPECT_EQ(OhnoDuv(0.292, 0.24), 0.0);
}

TEST(RobertsonCct, FindsThePlanckianTemperatureAlongTheLocus) {
    // The isotemperature table is five-digit data; the interpolation is good to a few kelvin
    // up to 10000 K and to a few tenths of a percent beyond.
    for (int T : {2000, 2856, 4000, 5000, 6500, 9300, 15000, 25000}) {
        const PlanckianRecord* p = PlanckianRecordFor(T);
        const double d = 12 * p->y - 2 * p->x + 3;
        EXPECT_TRUE(Near(RobertsonCct(4 * p->x / d, 6 * p->y / d), T, 3.0, 0.002)) << T;
    }
}

TEST(RobertsonCct, ReturnsMinusOneOutsideTheTable) {
    const PlanckianRecord* deepRed = PlanckianRecordFor(1500);
    const double d = 12 * deepRed->y - 2 * deepRed->x + 3;
    EXPECT_EQ(RobertsonCct(4 * deepRed->x / d, 6 * deepRed->y / d), -1);
    EXPECT_EQ(RobertsonCct(0.0, 0.0), -1);
    ColorReading r;
    ReadingFromChromaticity(deepRed->x, deepRed->y, 1.0, r);
    EXPECT_EQ(r.cct, 0);
}

TEST(ReadingFromTemperature, ChoosesTheWhitesTheMonitorModelsAimAt) {
    ColorReading r;
    ReadingFromTemperature(100.0, false, r, 6500);
    EXPECT_EQ(r.x, 0.3128);
    EXPECT_EQ(r.y, 0.329);
    EXPECT_EQ(r.cct, 6500);
    EXPECT_EQ(r.lv, 100.0);
    EXPECT_EQ(r.duv, 0.0);
    const double d = 12 * 0.329 - 2 * 0.3128 + 3;
    EXPECT_DOUBLE_EQ(r.u, 4 * 0.3128 / d);
    EXPECT_DOUBLE_EQ(r.vp, 9 * 0.329 / d);
    EXPECT_DOUBLE_EQ(r.v, 2 * r.vp / 3);

    ReadingFromTemperature(100.0, true, r, 6500);
    EXPECT_TRUE(test::AgreesToDigits(r.x, "0.313529922"));
    EXPECT_TRUE(test::AgreesToDigits(r.y, "0.323632448"));

    ReadingFromTemperature(50.0, true, r, 7000);
    EXPECT_EQ(r.x, 0.307);
    EXPECT_EQ(r.y, 0.318);
    EXPECT_EQ(r.lv, 50.0);

    ReadingFromTemperature(50.0, false, r, 7000);
    EXPECT_TRUE(test::AgreesToDigits(r.x, "0.306377316"));
    EXPECT_TRUE(test::AgreesToDigits(r.y, "0.316516532"));
}

TEST(ReadingFromTemperature, OutsideTheTableClearsOnlyChromaticityAndDuv) {
    for (int T : {999, 25001, 0, -6500}) {
        ColorReading r;
        r.cct = 4321;
        r.lv = 12.0;
        r.u = 0.2;
        r.v = 0.3;
        r.vp = 0.45;
        r.x = 0.31;
        r.y = 0.32;
        r.duv = 0.01;
        ReadingFromTemperature(100.0, false, r, T);
        EXPECT_EQ(r.x, 0.0);
        EXPECT_EQ(r.y, 0.0);
        EXPECT_EQ(r.duv, 0.0);
        EXPECT_EQ(r.cct, 4321);
        EXPECT_EQ(r.lv, 12.0);
        EXPECT_EQ(r.u, 0.2);
        EXPECT_EQ(r.v, 0.3);
        EXPECT_EQ(r.vp, 0.45);
    }
}

TEST(ReadingDifference, IsZeroAgainstItselfAndScalesChromaByTheReferenceLuminance) {
    ColorReading a;
    ReadingFromChromaticity(0.3127, 0.329, 120.0, a);
    EXPECT_FALSE(ReadingDifference(a, a));
    EXPECT_EQ(a.du, 0.0);
    EXPECT_EQ(a.dv, 0.0);
    EXPECT_NEAR(a.dl, 0.0, 1e-12);
    EXPECT_NEAR(a.de, 0.0, 1e-12);

    ColorReading reference;
    ReadingFromChromaticity(0.3127, 0.329, 100.0, reference);
    ColorReading sample;
    ReadingFromChromaticity(0.3137, 0.331, 12.5, sample);  // an eighth of the reference
    ReadingDifference(sample, reference);
    EXPECT_DOUBLE_EQ(sample.du, 13 * 100.0 * (sample.u - reference.u));
    EXPECT_DOUBLE_EQ(sample.dv, 13 * 100.0 * (sample.vp - reference.vp));
    EXPECT_NEAR(sample.dl, (116 * 0.5 - 16) - 100, 1e-12);
    EXPECT_DOUBLE_EQ(sample.de, std::sqrt(sample.du * sample.du + sample.dv * sample.dv + sample.dl * sample.dl));
}

TEST(ReadingDifference, StaysFiniteForDarkReferencesAndOffsetCorrectedSamples) {
    ColorReading reference;  // lv 0
    ColorReading sample;
    sample.lv = 3.0;
    ReadingDifference(sample, reference);
    EXPECT_TRUE(std::isfinite(sample.de));
    reference.lv = 100.0;
    sample.lv = -0.001;  // a zero offset can push a black reading below 0
    ReadingDifference(sample, reference);
    EXPECT_TRUE(std::isfinite(sample.dl));
    EXPECT_LT(sample.dl, -100.0);
}

}  // namespace
}  // namespace halvo
