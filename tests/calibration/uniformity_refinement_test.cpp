// The refinement pass: the rounding rule, the first change per position, the secant steps with
// their log lines, the compensation bytes and the reference, and the guards that keep a pass from
// running for ever.

#include <gtest/gtest.h>

#include <cmath>

#include "calibration/gradient_fit.h"
#include "calibration/uniformity_refinement.h"

namespace halvo {
namespace {

TEST(RoundHalfAway, AsTheStationRounds) {
    EXPECT_EQ(RoundHalfAway(0.5), 1);
    EXPECT_EQ(RoundHalfAway(1.49), 1);
    EXPECT_EQ(RoundHalfAway(0.0), 0);
    EXPECT_EQ(RoundHalfAway(-0.49), 0);
    EXPECT_EQ(RoundHalfAway(-0.5), -1);
    EXPECT_EQ(RoundHalfAway(-1.5), -2);
}

UniformityRefinement Pass(const UniformityParams& p = {}, bool shape = false, bool txm400 = false) {
    UniformityRefinement r;
    r.start(p, shape, txm400);
    r.setReference(200.0);
    return r;
}

TEST(Refinement, FirstChangeOfEveryPosition) {
    // position, diff (reference 200 - reading), byte, change to it
    struct Case {
        int position;
        double diff;
        int byte;
        int change;
    } cases[] = {
        {10, 3.0, 3, -2},   // - round(1.5)
        {10, -3.0, 3, 2},
        {11, 3.0, 4, 8},    // + round(7.5)
        {11, -0.5, 4, -1},  // 0..2: a place brighter than the reference is dimmed too
        {12, 1.5, 1, -1},   // - round(0.75)
        {13, 2.5, 2, 5},    // + round(5)
        {14, 5.0, 5, -2},   // - round((5 - 2) * 0.5)
        {14, 0.5, 5, 1},    // - round(-0.75): too bright, so dimmer
        {15, 4.0, 7, 3},    // + round(2 / 0.8)
        {16, 3.0, 6, 2},    // + round(1.5)
        {17, -2.5, 8, 1},   // - round(-1.25)
    };
    for (const Case& c : cases) {
        UniformityParams start{};
        start[static_cast<size_t>(c.byte)] = 100;
        UniformityRefinement r = Pass(start);
        const UniformityRefinement::Outcome out = r.reading(c.position, 200.0 - c.diff);
        EXPECT_FALSE(out.accepted) << c.position << " " << c.diff;
        EXPECT_TRUE(out.changed);
        EXPECT_EQ(r.params()[static_cast<size_t>(c.byte)], 100 + c.change) << c.position << " " << c.diff;
    }
}

TEST(Refinement, AcceptanceWindows) {
    struct Case {
        int position;
        double diff;
        bool accepted;
    } cases[] = {
        {10, 2.0, true},  {10, -2.0, true}, {10, 2.1, false}, {11, 0.0, true}, {11, 2.0, true},
        {11, -0.1, false}, {12, 1.0, true}, {12, 1.1, false}, {14, 1.0, true}, {14, 3.0, true},
        {14, 0.9, false}, {15, 3.1, false}, {16, -2.0, true}, {17, 2.0, true},
    };
    for (const Case& c : cases) {
        UniformityRefinement r = Pass();
        EXPECT_EQ(r.reading(c.position, 200.0 - c.diff).accepted, c.accepted) << c.position << " " << c.diff;
    }
    // The shape method's windows are wider.
    UniformityRefinement shape = Pass({}, true);
    EXPECT_TRUE(shape.reading(10, 197.0).accepted);
    EXPECT_TRUE(shape.reading(14, 196.0).accepted);
}

TEST(Refinement, SecantStepsAndTheirLogLines) {
    UniformityParams start{};
    start[3] = 100;
    UniformityRefinement r = Pass(start);
    r.reading(10, 206.0);  // diff -6: + 3
    EXPECT_EQ(r.params()[3], 103);
    // The change moved the reading by 1.5 cd/m2 for 3 steps: 0.5 per step; diff -4.5 asks for 9.
    const UniformityRefinement::Outcome out = r.reading(10, 204.5);
    EXPECT_EQ(r.params()[3], 112);
    ASSERT_EQ(out.logLines.size(), 5u);
    EXPECT_EQ(out.logLines[0], "diff =  -4.500000\n");
    EXPECT_EQ(out.logLines[1], "diff_level_step =  -3\n");
    EXPECT_EQ(out.logLines[2], "diff_lum =  -1.500000\n");
    EXPECT_EQ(out.logLines[3], "del_level =  0.500000\n");
    EXPECT_EQ(out.logLines[4], "cal_level =  -9.000000\n");
    EXPECT_EQ(r.changes(), 2);
    // Less than 1 cd/m2 of change: one step by the sign of the error.
    r.reading(10, 204.0);
    EXPECT_EQ(r.params()[3], 113);
    EXPECT_TRUE(r.reading(10, 201.0).accepted);
}

TEST(Refinement, BytesWrapAndZeroStepsBecomeOne) {
    UniformityRefinement r = Pass();
    r.reading(10, 197.0);  // P3 0 - 2 wraps
    EXPECT_EQ(r.params()[3], 254);
    // Center aims at diff = 2. After 9.1 cd/m2 for 4 steps a reading 0.9 below the reference asks
    // for (0.9 - 2) / 2.275 = -0.48 steps, which rounds to none; it still moves one step (dimmer),
    // or it would be measured again for ever.
    UniformityRefinement c = Pass();
    c.reading(14, 190.0);  // diff 10: - round(4) -> P5 = -4
    EXPECT_EQ(c.params()[5], 252);
    c.reading(14, 199.1);
    EXPECT_EQ(c.params()[5], 253);
}

TEST(Refinement, CompensationBytesMoveTheReference) {
    // Left Bottom: the slope change of P4 makes the vertical ramp end below zero over 1200 lines;
    // P9 rises with it and the reference drops 0.7 per unit.
    UniformityParams p{};
    p[3] = 19;
    p[4] = 60;
    p[9] = static_cast<uint8_t>(VerticalCompensation(19, 60, false));
    UniformityRefinement r = Pass(p);
    r.reading(11, 197.0);  // diff 3: + round(7.5) = 8
    EXPECT_EQ(r.params()[4], 68);
    const int rise = VerticalCompensation(19, 68, false) - VerticalCompensation(19, 60, false);
    ASSERT_GT(rise, 0);
    EXPECT_EQ(r.params()[9], VerticalCompensation(19, 68, false));
    EXPECT_NEAR(r.reference(), 200.0 - 0.7 * rise, 1e-9);
    // "target lum" is logged at every reading there.
    const UniformityRefinement::Outcome out = r.reading(11, r.reference() - 1.0);
    EXPECT_TRUE(out.accepted);
    EXPECT_EQ(out.logLines.front(), "target lum =  " + std::to_string(200.0 - 0.7 * rise) + "\n");

    // A fall of P9 raises the reference only on acceptance.
    UniformityParams q{};
    q[3] = 19;
    q[4] = 80;
    q[9] = static_cast<uint8_t>(VerticalCompensation(19, 80, false));
    UniformityRefinement f = Pass(q);
    f.reading(11, 203.0);  // diff -3: - 8
    const int fall = VerticalCompensation(19, 80, false) - VerticalCompensation(19, 72, false);
    ASSERT_GT(fall, 0);
    EXPECT_DOUBLE_EQ(f.reference(), 200.0);
    EXPECT_TRUE(f.reading(11, 199.0).accepted);
    EXPECT_NEAR(f.reference(), 200.0 + 0.7 * fall, 1e-9);
}

TEST(Refinement, RightTopRecomputesTheRowCompensation) {
    // A falling start (s = -2) with a flat slope needs its floor lifted; raising the slope
    // lifts it further.
    UniformityParams p{};
    p[1] = static_cast<uint8_t>(-2);
    p[0] = static_cast<uint8_t>(RecomputeRowCompensation(p));
    UniformityRefinement r = Pass(p);
    r.reading(13, 197.0);  // + round(6)
    EXPECT_EQ(r.params()[2], 6);
    EXPECT_EQ(r.params()[0], RecomputeRowCompensation(r.params()));
    EXPECT_NEAR(r.reference(), 200.0 - 0.7 * (r.params()[0] - p[0]), 1e-9);
}

TEST(Refinement, GivesUpAfterItsChangesAndTheTxm400TakesBackAWorseStep) {
    UniformityRefinement r = Pass();
    UniformityRefinement::Outcome out;
    for (int i = 0; i <= UniformityRefinement::kMaxChanges; ++i) {
        out = r.reading(12, 190.0);  // a place that does not respond at all
    }
    EXPECT_TRUE(out.accepted);
    EXPECT_TRUE(out.gaveUp);

    UniformityParams p{};
    p[8] = 50;
    UniformityRefinement txm = Pass(p, false, true);
    txm.reading(17, 196.0);  // diff 4: - 2
    EXPECT_EQ(txm.params()[8], 48);
    out = txm.reading(17, 195.0);  // further off than before: back to 50, accepted
    EXPECT_TRUE(out.accepted);
    EXPECT_TRUE(out.tookBack);
    EXPECT_EQ(txm.params()[8], 50);
    // Other models go on with the secant.
    UniformityRefinement other = Pass(p);
    other.reading(17, 196.0);
    EXPECT_FALSE(other.reading(17, 195.0).accepted);
}

// Whatever a place's response per step (within reason) and however far off it starts, the
// pass reaches the window - the secant and the guards together.
TEST(Refinement, ConvergesForAnyReasonableResponse) {
    for (int position = 10; position <= 17; ++position) {
        // From a quarter of what the first change assumes to a step a little narrower than the
        // narrowest window; the vertical slope (Left Bottom) moves its place least, about 0.2
        // cd/m2 a step. Far enough off to need up to 100 steps.
        for (const double perStep : {0.2, 0.5, 1.0, 1.8}) {
            if (perStep < 0.5 && position != 11) {
                continue;
            }
            for (const double start : {-20.0, -4.0, 4.0, 20.0}) {
                const RefinementRule& rule = RefinementRuleOf(position, false);
                // Ramps that stay above zero whatever the byte does, so that the compensation
                // bytes (and the reference with them) hold still: s = d = 127.
                UniformityParams p{};
                p[1] = 127;
                p[3] = 127;
                p[static_cast<size_t>(rule.byte)] = 128;
                UniformityRefinement r;
                r.start(p, false, false);
                r.setReference(200.0);
                // Raising the byte moves the reading by perStep in the direction the rule expects:
                // a byte that is added for a dark place brightens it.
                const auto reading = [&] {
                    const double steps = r.params()[static_cast<size_t>(rule.byte)] - 128.0;
                    return 200.0 - start + rule.sign * perStep * steps;
                };
                bool accepted = false;
                for (int i = 0; i < 40 && !accepted; ++i) {
                    const UniformityRefinement::Outcome out = r.reading(position, reading());
                    accepted = out.accepted;
                    EXPECT_FALSE(out.gaveUp) << position << " " << perStep << " " << start;
                }
                EXPECT_TRUE(accepted) << position << " " << perStep << " " << start;
            }
        }
    }
}

}  // namespace
}  // namespace halvo
