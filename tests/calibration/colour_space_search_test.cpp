// The colour-space search's arithmetic and the packets that carry a table to the monitor.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "calibration/colour_space_search.h"
#include "calibration/lut_packet.h"
#include "colorimetry/chromaticity.h"

namespace halvo {
namespace {

ColorReading At(double u, double vp, double lv) {
    ColorReading r;
    r.u = u;
    r.vp = vp;
    r.v = vp * 2.0 / 3.0;
    r.lv = lv;
    return r;
}

TEST(ColourSpaceSearch, ChangesBelowSevenTenthsLeaveAValue) {
    const ColorReading target = At(0.4507, 0.5229, 25.0);
    // Luminance on target: only the chromaticity terms act. Red's green moves 400 per unit of u'.
    EXPECT_EQ(CorrectColourValues(kSlotRed, At(0.4507 + 0.00174, 0.5229, 25.0), target, {-50, 20, 0}).values,
              (ColourValues{-50, 20, 0}));  // +0.696: kept; -0.696 on red: kept (negative value)
    EXPECT_EQ(CorrectColourValues(kSlotRed, At(0.4507 + 0.0018, 0.5229, 25.0), target, {-50, 20, 0}).values,
              (ColourValues{-51, 21, 0}));
    // No change at all still moves a positive value down and keeps a negative one.
    const ColourCorrection still = CorrectColourValues(kSlotRed, At(0.4507, 0.5229, 25.0), target, {-50, 20, 3});
    EXPECT_EQ(still.values, (ColourValues{-50, 19, 2}));
    EXPECT_DOUBLE_EQ(still.L, 0.0);
    // Too bright by a quarter: L = -10 (sqrt(lv) - sqrt(Yt)) lowers all three.
    const ColourCorrection bright = CorrectColourValues(kSlotRed, At(0.4507, 0.5229, 36.0), target, {0, 20, 10});
    EXPECT_DOUBLE_EQ(bright.L, -10.0);
    EXPECT_EQ(bright.values, (ColourValues{-10, 9, 0}));  // red's own channel may go negative, blue not
}

TEST(ColourSpaceSearch, NegativesAreClearedOnlyWhereTheColourHasNoLight) {
    const ColorReading dim = At(0.2, 0.4, 100.0);
    const ColorReading target = At(0.2, 0.4, 64.0);  // L = -20 on every channel
    EXPECT_EQ(CorrectColourValues(kSlotWhite, dim, target, {5, 5, 5}).values, (ColourValues{-15, -15, -15}));
    EXPECT_EQ(CorrectColourValues(kSlotBlue, dim, target, {5, 5, 5}).values, (ColourValues{0, 0, -15}));
    EXPECT_EQ(CorrectColourValues(kSlotYellow, dim, target, {5, 5, 5}).values, (ColourValues{-15, -15, 0}));
    EXPECT_EQ(CorrectColourValues(kSlotMagenta, dim, target, {5, 5, 5}).values, (ColourValues{-15, 0, -15}));
    EXPECT_EQ(LimitColourValues({300, -300, 7}), (ColourValues{255, -255, 7}));
}

TEST(ColourSpaceSearch, BestIterationWeighsChromaticityAgainstLuminance) {
    const ColorReading target = At(0.2, 0.45, 50.0);
    const ColorReading readings[] = {
        At(0.21, 0.45, 50.0),   // 100 x 0.01 = 1.0
        At(0.2, 0.45, 50.9),    // 0.9
        At(0.2, 0.45, 50.9),    // equal: the first wins
        At(0.2, 0.453, 50.0),   // 100 x 0.002

    };
    EXPECT_EQ(BestIteration(readings, 0, target), 0);
    EXPECT_EQ(BestIteration(readings, 2, target), 1);
    EXPECT_EQ(BestIteration(readings, 3, target), 3);
}

TEST(ColourSpaceSearch, SecondaryTargetsMoveOntoTheMeasuredPrimariesLine) {
    double u = 0.3;
    double vp = 0.3;
    ProjectOntoLine(u, vp, 0.2, 0.2, 0.4, 0.2);
    EXPECT_DOUBLE_EQ(u, 0.3);
    EXPECT_DOUBLE_EQ(vp, 0.2);
    ProjectOntoLine(u, vp, 0.1, 0.1, 0.1, 0.1);  // no line: unchanged
    EXPECT_DOUBLE_EQ(vp, 0.2);
}

TEST(ColourSpaceSearch, ColoursAreDrawnAtTheirLevel) {
    EXPECT_EQ(ColourPattern(kSlotWhite, 0), 0xFFFFFFu);
    EXPECT_EQ(ColourPattern(kSlotRed, 4), 0x0000BBu);    // 187
    EXPECT_EQ(ColourPattern(kSlotCyan, 3), 0xCCCC00u);   // 204 on green and blue
    EXPECT_EQ(ColourPattern(kSlotMagenta, 7), 0x880088u);
}

TEST(LutPacket, ChecksumAndComplementAddUpToFF) {
    Lut3D lut{};
    std::mt19937 random(8);
    for (uint8_t& b : lut) {
        b = static_cast<uint8_t>(random());
    }
    for (int index = 0; index < kLutPacketCount; ++index) {
        const Bytes frame = BuildLutPacket(3, index, lut);
        ASSERT_EQ(frame.size(), 201u);
        EXPECT_EQ(HexBytes(Bytes(frame.begin(), frame.begin() + 7)), "F0 88 00 FE 19 03 " + HexBytes({static_cast<uint8_t>(index)}));
        EXPECT_EQ((frame[7] + frame[8]) & 0xFF, 0xFF);
        unsigned sum = 0;
        for (size_t i = 0; i < kLutPacketBytes; ++i) {
            EXPECT_EQ(frame[9 + i], lut[static_cast<size_t>(index) * kLutPacketBytes + i]);
            sum += frame[9 + i];
        }
        EXPECT_EQ(frame[7], sum & 0xFF);
    }
    const Bytes last = BuildLutFinalPacket(4);
    ASSERT_EQ(last.size(), 201u);
    EXPECT_EQ(last[5], 4);
    EXPECT_TRUE(std::all_of(last.begin() + 6, last.end(), [](uint8_t b) { return b == 0xFF; }));
}

}  // namespace
}  // namespace halvo
