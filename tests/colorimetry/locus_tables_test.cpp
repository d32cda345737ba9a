// The generated locus tables against the station's published reference rows, and their shape.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "colorimetry/locus_tables.h"
#include "support/numeric.h"

namespace halvo {
namespace {

using test::AgreesToDigits;

TEST(PlanckianTable, ReproducesEveryReferenceRow) {
    struct Row {
        int T;
        const char* x;
        const char* y;
    };
    const Row rows[] = {
        {1000, "0.652756059", "0.344456906"}, {2000, "0.526685851", "0.413295716"},
        {3000, "0.436939256", "0.404076823"}, {5000, "0.345106666", "0.351612579"},
        {6500, "0.313529922", "0.323632448"}, {7000, "0.306377316", "0.316516532"},
        {9300, "0.28486617", "0.293225174"},  {10000, "0.280635904", "0.288290916"},
        {25000, "0.252521543", "0.25222221"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.T);
        const PlanckianRecord* rec = PlanckianRecordFor(r.T);
        ASSERT_NE(rec, nullptr);
        EXPECT_EQ(rec->T, r.T);
        EXPECT_TRUE(AgreesToDigits(rec->x, r.x));
        EXPECT_TRUE(AgreesToDigits(rec->y, r.y));
    }
}

TEST(PlanckianTable, IsIndexedByKelvinAndBounded) {
    EXPECT_EQ(PlanckianRecordFor(999), nullptr);
    EXPECT_EQ(PlanckianRecordFor(25001), nullptr);
    for (std::size_t k = 0; k < kPlanckianCount; ++k) {
        ASSERT_EQ(kPlanckianTable[k].T, static_cast<int32_t>(1000 + k));
        ASSERT_EQ(kPlanckianTable[k].reserved, 0);
    }
    EXPECT_EQ(PlanckianRecordFor(25000), &kPlanckianTable[24000]);
}

TEST(PlanckianTable, IsASmoothPlanckianLocusBetweenTheReferenceRows) {
    // x falls with temperature everywhere on the locus, and a whole-kelvin table has no kinks:
    // second differences stay far below the first.
    for (std::size_t k = 1; k + 1 < kPlanckianCount; ++k) {
        const double d1 = kPlanckianTable[k + 1].x - kPlanckianTable[k].x;
        const double d0 = kPlanckianTable[k].x - kPlanckianTable[k - 1].x;
        ASSERT_LT(d1, 0.0) << kPlanckianTable[k].T;
        ASSERT_LT(std::fabs(d1 - d0), 0.01 * std::fabs(d0)) << kPlanckianTable[k].T;
    }
    // The table and the spline knots describe the same radiator with constants that differ by
    // 4e-5 relative; at whole knots they must agree to that order.
    const double kConstantsDiffer = 2e-5;
    for (const LocusKnot& k : kLocusKnots) {
        if (k.T > kPlanckianLastKelvin || std::fmod(k.T, 1.0) != 0.0) {
            continue;
        }
        const PlanckianRecord* rec = PlanckianRecordFor(static_cast<int32_t>(k.T));
        EXPECT_TRUE(test::Near(rec->x, k.x, kConstantsDiffer)) << k.T;
        EXPECT_TRUE(test::Near(rec->y, k.y, kConstantsDiffer)) << k.T;
    }
}

struct KnotRow {
    double T;
    const char* values[7];  // x, y, u, v, tT, tu, tv
};

void ExpectKnot(const LocusKnot& k, const KnotRow& row) {
    const double actual[7] = {k.x, k.y, k.u, k.v, k.tT, k.tu, k.tv};
    const char* names[7] = {"x", "y", "u", "v", "tT", "tu", "tv"};
    EXPECT_EQ(k.T, row.T);
    for (int i = 0; i < 7; ++i) {
        EXPECT_TRUE(AgreesToDigits(actual[i], row.values[i])) << names[i] << " at " << row.T;
    }
}

const LocusKnot* KnotAt(double T) {
    for (const LocusKnot& k : kLocusKnots) {
        if (k.T == T) {
            return &k;
        }
    }
    return nullptr;
}

TEST(LocusKnots, ReproduceEveryReferenceRow) {
    const KnotRow rows[] = {
        {1000, {"0.6527507061", "0.3444616481", "0.4480071443", "0.354625306", "100", "-0.02220212187",
                "0.001845047903"}},
        {6500, {"0.3135258862", "0.3236283103", "0.2004484872", "0.3103610008", "50", "-0.000264553836",
                "-0.0003614421815"}},
        {10000, {"0.2806335753", "0.2882878444", "0.1903185342", "0.2932641966", "150", "-0.000233547367",
                 "-0.0004895158215"}},
    };
    for (const KnotRow& row : rows) {
        const LocusKnot* k = KnotAt(row.T);
        ASSERT_NE(k, nullptr) << row.T;
        ExpectKnot(*k, row);
    }

    // The last knot: position and tT to every digit. Its tu and tv are differences of
    // chromaticities that agree to seven digits (1e9 against 7e8 K), so their published figures
    // carry the rounding of whatever double arithmetic first produced them: they differ from
    // the exact values (computed with 50-digit arithmetic: -2.374589029e-08, -9.755427002e-08)
    // in the sixth digit. The generated tangents are held to the exact values to the precision
    // a double sum supports, and to the published ones to their six reliable digits.
    const LocusKnot* last = KnotAt(1e9);
    ASSERT_NE(last, nullptr);
    EXPECT_TRUE(AgreesToDigits(last->x, "0.2398772219"));
    EXPECT_TRUE(AgreesToDigits(last->y, "0.2340376948"));
    EXPECT_TRUE(AgreesToDigits(last->u, "0.1800644185"));
    EXPECT_TRUE(AgreesToDigits(last->v, "0.263521445"));
    EXPECT_TRUE(AgreesToDigits(last->tT, "300000000"));
    const double kDoubleSumOfNearlyEqualValues = 2e-8;  // ~20 ulps of u over a 471-term sum
    EXPECT_TRUE(test::Near(last->tu, -2.374589029e-08, 0.0, kDoubleSumOfNearlyEqualValues));
    EXPECT_TRUE(test::Near(last->tv, -9.755427002e-08, 0.0, kDoubleSumOfNearlyEqualValues));
    const double kPublishedRoundingNoise = 5e-6;
    EXPECT_TRUE(test::Near(last->tu, -2.374595012e-08, 0.0, kPublishedRoundingNoise));
    EXPECT_TRUE(test::Near(last->tv, -9.755420977e-08, 0.0, kPublishedRoundingNoise));
}

TEST(LocusKnots, FollowTheTemperatureGrid) {
    // 100 K steps to 6500 K, whole kelvins to 6510 K, then coarser steps to 1e9 K.
    EXPECT_EQ(kLocusKnots[0].T, 1000);
    EXPECT_EQ(kLocusKnots[55].T, 6500);
    EXPECT_EQ(kLocusKnots[56].T, 6501);
    EXPECT_EQ(kLocusKnots[65].T, 6510);
    EXPECT_EQ(kLocusKnots[66].T, 6600);
    EXPECT_EQ(kLocusKnots[kLocusKnotCount - 13].T, 1e6);
    EXPECT_EQ(kLocusKnots[kLocusKnotCount - 1].T, 1e9);
    for (std::size_t i = 1; i < kLocusKnotCount; ++i) {
        ASSERT_GT(kLocusKnots[i].T, kLocusKnots[i - 1].T);
        // tT is a whole number of kelvin (truncated), tu and tv exact half differences.
        ASSERT_EQ(kLocusKnots[i].tT, std::trunc(kLocusKnots[i].tT));
    }
    const LocusKnot& mid = kLocusKnots[100];
    EXPECT_DOUBLE_EQ(mid.tu, (kLocusKnots[101].u - kLocusKnots[99].u) / 2);
    EXPECT_DOUBLE_EQ(mid.tv, (kLocusKnots[101].v - kLocusKnots[99].v) / 2);
    const LocusKnot& last = kLocusKnots[kLocusKnotCount - 1];
    EXPECT_DOUBLE_EQ(last.tu, last.u - kLocusKnots[kLocusKnotCount - 2].u);
}

TEST(SpectralLocus, ReproducesEveryReferenceRow) {
    struct Row {
        std::size_t index;
        double nm;
        const char* values[4];  // x, y, u', v'
    };
    const Row rows[] = {
        {0, 400, {"0.1733368655", "0.004796743447", "0.2557640408", "0.01592493084"}},
        {100, 500, {"0.008168028005", "0.5384230705", "0.003459291551", "0.5130694153"}},
        {200, 600, {"0.6270365998", "0.3724911452", "0.4035101048", "0.5393367269"}},
    };
    for (const Row& r : rows) {
        const LocusKnot& k = kSpectralLocus[r.index];
        EXPECT_EQ(k.T, r.nm);
        EXPECT_TRUE(AgreesToDigits(k.x, r.values[0])) << r.nm;
        EXPECT_TRUE(AgreesToDigits(k.y, r.values[1])) << r.nm;
        EXPECT_TRUE(AgreesToDigits(k.u, r.values[2])) << r.nm;
        EXPECT_TRUE(AgreesToDigits(k.v, r.values[3])) << r.nm;
    }
}

TEST(SpectralLocus, RunsFrom400To700WithOneTwoNanometreStep) {
    EXPECT_EQ(kSpectralLocus[298].T, 698);
    EXPECT_EQ(kSpectralLocus[299].T, 700);
    EXPECT_EQ(kSpectralLocus[298].tT, 1.5);  // half of 700 - 697
    EXPECT_EQ(kSpectralLocus[299].tT, 2.0);  // one-sided at the end
    EXPECT_EQ(kSpectralLocus[0].tT, 1.0);
}

}  // namespace
}  // namespace halvo
