// The white-point search's correction of the gains at its edges.

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace halvo
