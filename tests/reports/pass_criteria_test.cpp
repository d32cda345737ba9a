// The pass criteria at their edges, and the gamut.

#include <gtest/gtest.h>

#include "reports/pass_criteria.h"
#include "support/numeric.h"

namespace halvo {
namespace {

constexpr Verdict kOk = Verdict::Ok;
constexpr Verdict kOr = Verdict::OutOfRange;
constexpr Verdict kNa = Verdict::NotMeasured;

TEST(PassCriteria, SingleValueRulesAtTheirEdges) {
    struct Case {
        const char* what;
        Verdict actual;
        Verdict expected;
    };
    const Case cases[] = {
        {"black 0.30", BlackLuminanceVerdict(0.30), kOk},
        {"black 0.3099", BlackLuminanceVerdict(0.3099), kOk},
        {"black 0.31", BlackLuminanceVerdict(0.31), kOr},
        {"black not measured", BlackLuminanceVerdict(-1.0), kNa},
        {"black exactly 0", BlackLuminanceVerdict(0.0), kNa},
        {"gamma 2.23 BT-709", GammaVerdict(2.23, 2.2), kOk},
        {"gamma 2.17 BT-709", GammaVerdict(2.17, 2.2), kOk},
        {"gamma 2.231 BT-709", GammaVerdict(2.231, 2.2), kOr},
        {"gamma 2.23 D-CINEMA", GammaVerdict(2.23, 2.6), kOr},
        {"gamma 2.63 D-CINEMA", GammaVerdict(2.63, 2.6), kOk},
        {"gamma 2.57 D-CINEMA", GammaVerdict(2.57, 2.6), kOk},
        {"gamma not measured", GammaVerdict(-1.0, 2.2), kNa},
        {"uniformity 9.99", UniformityVerdict(9.99), kOk},
        {"uniformity 10", UniformityVerdict(10.0), kOr},
        {"uniformity not measured", UniformityVerdict(-1.0), kNa},
        {"white 3200K 80", WhiteLuminanceVerdict(80.0, 80.0, 20), kOk},
        {"white 3200K 120", WhiteLuminanceVerdict(80.0, 120.0, 20), kOk},
        {"white 3200K 79.99", WhiteLuminanceVerdict(79.99, 79.99, 20), kOr},
        {"white 6500K 95", WhiteLuminanceVerdict(100.0, 95.0, 5), kOk},
        {"white 6500K 105.01", WhiteLuminanceVerdict(100.0, 105.01, 5), kOr},
        // One missing first reading makes every row of the test not measured.
        {"white, first not measured", WhiteLuminanceVerdict(-1.0, 100.0, 10), kNa},
        {"temperature 0.003", TemperatureVerdict(0.2, 0.003, 0.003), kOk},
        {"temperature 0.0031", TemperatureVerdict(0.2, 0.0031, 0.003), kOr},
        {"temperature 9300K 0.004", TemperatureVerdict(0.2, 0.004, 0.004), kOk},
        {"temperature negative difference", TemperatureVerdict(0.2, -0.0035, 0.003), kOr},
        {"temperature, first not measured", TemperatureVerdict(-1.0, 0.0, 0.003), kNa},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.actual, c.expected) << c.what;
    }
    EXPECT_STREQ(VerdictText(kOk), "OK");
    EXPECT_STREQ(VerdictText(kOr), "OR");
    EXPECT_STREQ(VerdictText(kNa), "N/A");
}

// The area by the shoelace formula: a second method to hold Heron's against.
double Shoelace(const XyPoint& a, const XyPoint& b, const XyPoint& c) {
    return std::fabs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) / 2.0;
}

TEST(PassCriteria, GamutIsTheTriangleAreaInPercentOfNtsc) {
    const double ntsc = Shoelace({0.67, 0.33}, {0.21, 0.71}, {0.14, 0.08});
    EXPECT_TRUE(test::Near(GamutPercent({0.67, 0.33}, {0.21, 0.71}, {0.14, 0.08}), 100.0, 1e-9));
    const XyPoint r{0.64, 0.33}, g{0.30, 0.60}, b{0.15, 0.06};
    // BT.709 covers 70.83 % of the NTSC area in xy.
    EXPECT_TRUE(test::Near(GamutPercent(r, g, b), Shoelace(r, g, b) / ntsc * 100.0, 1e-9));
    EXPECT_TRUE(test::AgreesToDigits(GamutPercent(r, g, b), "70.83"));
    // Vertex order does not matter; a degenerate triangle has no area (not NaN).
    EXPECT_DOUBLE_EQ(GamutPercent(b, r, g), GamutPercent(r, g, b));
    EXPECT_EQ(GamutPercent(r, r, g), 0.0);
    EXPECT_EQ(GamutPercent({0.3, 0.3}, {0.3, 0.3}, {0.3, 0.3}), 0.0);
}

TEST(PassCriteria, PrimaryColoursRowByRow) {
    PrimaryMeasurement m;
    m.measured = true;
    m.differences = {0.006, 0.005, 0.005, 0.005, 0.005, 0.005};
    m.gamut = 76.0;
    // BT-709: red's u' may be off by 0.006, the rest by 0.005, the gamut 71 +- 5.
    EXPECT_EQ(PrimaryVerdicts(1, m), (std::array<Verdict, 7>{kOk, kOk, kOk, kOk, kOk, kOk, kOk}));
    m.differences = {0.0061, 0.0051, 0.005, 0.006, 0.0, 0.0};
    m.gamut = 76.01;
    EXPECT_EQ(PrimaryVerdicts(1, m), (std::array<Verdict, 7>{kOr, kOr, kOk, kOr, kOk, kOk, kOr}));
    // SMPTE-C 66 +- 3, EBU 72 +- 5, NTSC 100 +- 10 with 0.01 for every difference.
    m.differences = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    m.gamut = 69.5;
    EXPECT_EQ(PrimaryVerdicts(2, m)[6], kOr);
    EXPECT_EQ(PrimaryVerdicts(3, m)[6], kOk);
    m.differences = {0.01, 0.01, 0.0099, 0.0101, 0.0, 0.0};
    m.gamut = 90.0;
    EXPECT_EQ(PrimaryVerdicts(4, m), (std::array<Verdict, 7>{kOk, kOk, kOk, kOr, kOk, kOk, kOk}));
    // Native and D-Cinema are shown, never judged.
    m.differences = {0.2, 0.2, 0.2, 0.2, 0.2, 0.2};
    m.gamut = 150.0;
    for (const int cs : {0, 5}) {
        const auto v = PrimaryVerdicts(cs, m);
        EXPECT_TRUE(std::all_of(v.begin(), v.end(), [](Verdict x) { return x == kOk; })) << cs;
    }
    // A colour space whose red was not measured is N/A throughout.
    m.measured = false;
    const auto v = PrimaryVerdicts(1, m);
    EXPECT_TRUE(std::all_of(v.begin(), v.end(), [](Verdict x) { return x == kNa; }));
}

}  // namespace
}  // namespace halvo
