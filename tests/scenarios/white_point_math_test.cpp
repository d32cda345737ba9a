// The white-point search's correction of the gains at its edges, and what an iteration ends in.

#include <gtest/gtest.h>

#include <vector>

#include "calibration/white_point_calibration.h"

namespace halvo {
namespace {

ColorReading At(double u, double vp, double lv) {
    ColorReading r;
    r.u = u;
    r.vp = vp;
    r.lv = lv;
    return r;
}

TEST(WhiteCorrection, OnTargetEachGainMovesDownByOne) {
    const ColorReading target = At(0.1978, 0.4683, 100.0);
    const WhiteCorrection c = CorrectWhiteGains(target, target, 100.0, {200, 210, 220});
    EXPECT_EQ(c.gains, (RgbGain{199, 209, 219}));
    EXPECT_EQ(c.L, 0.0);
    EXPECT_FALSE(c.saturated);
}

TEST(WhiteCorrection, ChromaAndLuminanceTermsPushTheRightChannels) {
    const ColorReading target = At(0.20, 0.46, 100.0);
    // Too red (u' high): red down, green up; too green (v' high): blue up. Each change is
    // rounded half away from where it starts (a decrease of 2 lands on 197).
    const WhiteCorrection c = CorrectWhiteGains(At(0.205, 0.465, 100.0), target, 100.0, {200, 200, 200});
    EXPECT_EQ(c.gains, (RgbGain{197, 202, 204}));
    // Too dark by 19 cd/m2 (sqrt 9 against 10): L = 10 on every channel.
    const WhiteCorrection dark = CorrectWhiteGains(At(0.20, 0.46, 81.0), target, 100.0, {200, 200, 200});
    EXPECT_EQ(dark.L, 10.0);
    EXPECT_EQ(dark.gains, (RgbGain{210, 210, 210}));
    // A luminance term of 1 or less counts as none.
    EXPECT_EQ(CorrectWhiteGains(At(0.20, 0.46, 98.5), target, 100.0, {200, 200, 200}).L, 0.0);
}

TEST(WhiteCorrection, LimitsMoveTheExcessToTheOtherChannels) {
    const ColorReading target = At(0.20, 0.46, 100.0);
    // Blue would go below zero: red and green are lifted by the same amount.
    const WhiteCorrection low = CorrectWhiteGains(At(0.20, 0.45, 100.0), target, 100.0, {100, 100, 3});
    EXPECT_EQ(low.gains, (RgbGain{103, 103, 0}));
    // Red past 255 with a small luminance term: the excess comes off green and blue.
    const WhiteCorrection red = CorrectWhiteGains(At(0.19, 0.46, 100.0), target, 100.0, {252, 200, 200});
    EXPECT_EQ(red.gains, (RgbGain{255, 194, 198}));
    EXPECT_EQ(red.L, 0.0);
    // Red and blue both at their limit with no luminance term: the panel is out of light.
    const WhiteCorrection sat = CorrectWhiteGains(At(0.19, 0.47, 100.0), target, 100.0, {250, 200, 250});
    EXPECT_TRUE(sat.saturated);
    EXPECT_EQ(sat.gains.r, 250);
    EXPECT_EQ(sat.gains.b, 255);
}

// An iteration of the search over the gains given (the last in force), for the first target.
struct Search {
    std::vector<RgbGain> history;
    ColorReading reading;
    WhiteCorrection correction;

    WhiteVerdict judge() const {
        WhiteIteration it;
        it.i = static_cast<int>(history.size()) - 1;
        it.stepCounter = it.i + 2;  // target 0, counted on past iteration i
        it.gainHistory = history.data();
        it.reading = &reading;
        it.correction = &correction;
        it.targetKelvin = 6500;
        return JudgeWhiteIteration(it);
    }
};

ColorReading OnTarget() {
    ColorReading r = At(0.1978, 0.4683, 100.0);
    r.cct = 6500;
    return r;
}

TEST(WhiteVerdict, ASearchMayPassThroughBlackButNeverSettleThere) {
    // Towards a dim target the gains overshoot to nothing; the black reading then asks for more
    // light and the search climbs back.
    Search dim{{{120, 118, 125}, {60, 58, 65}, {12, 10, 15}, {0, 0, 0}}, At(0.19, 0.44, 0.14), {}};
    dim.reading.du = 4.0;
    dim.correction = {{19, 18, 20}, 19.0, false};
    EXPECT_EQ(dim.judge(), WhiteVerdict::Continue);

    // Gains that stay at nothing are repeated until the search would accept them: no white.
    Search stuck{std::vector<RgbGain>(12, RgbGain{0, 0, 0}), At(0.19, 0.44, 0.14), {{-3, -3, -2}, -2.0, false}};
    EXPECT_EQ(stuck.judge(), WhiteVerdict::Fail);
    // Nor at the first reading, with a preset that had nothing to start with.
    Search first{{{0, 0, 0}}, OnTarget(), {{0, 0, 0}, 0.0, false}};
    EXPECT_EQ(first.judge(), WhiteVerdict::Fail);
}

TEST(WhiteVerdict, OnTargetAcceptsFullGainsFailAndTheIterationsRunOut) {
    Search on{{{130, 125, 120}}, OnTarget(), {{129, 124, 119}, 0.0, false}};
    EXPECT_EQ(on.judge(), WhiteVerdict::Accept);
    // The luminance term must have settled.
    on.correction.L = 3.0;
    EXPECT_EQ(on.judge(), WhiteVerdict::Continue);

    Search full{{{250, 240, 250}, {255, 255, 255}}, At(0.19, 0.44, 80.0), {{255, 255, 255}, 5.0, true}};
    full.reading.du = 5.0;
    EXPECT_EQ(full.judge(), WhiteVerdict::Fail);

    Search longSearch{std::vector<RgbGain>(201, RgbGain{100, 100, 100}), At(0.19, 0.44, 80.0), {}};
    for (size_t k = 0; k < longSearch.history.size(); ++k) {
        longSearch.history[k] = {static_cast<int>(k % 200), 100, 100};
    }
    longSearch.reading.du = 5.0;
    longSearch.correction = {{7, 100, 100}, 2.0, false};
    EXPECT_EQ(longSearch.judge(), WhiteVerdict::Fail);
}

}  // namespace
}  // namespace halvo
