// The colour-space table from the monitor's read-backs: small cases worked out by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "calibration/colour_space_table.h"

namespace halvo {
namespace {

constexpr int kR = 0;
constexpr int kG = 1;
constexpr int kB = 2;

int8_t At(const ColourSpaceTableResult& t, int r, int g, int b, int ch) {
    return static_cast<int8_t>(t.lut[LutIndex(r, g, b, ch)]);
}

bool Logged(const ColourSpaceTableResult& t, const std::string& line) {
    return std::find(t.log.begin(), t.log.end(), line) != t.log.end();
}

// Red drawn with a green offset of 60 at the top level, white's input luminance at code 960: the
// green curve of red is 4 L, and it fades across the faces red shares with yellow and magenta.
ColourSpaceTableInput RedWithGreen() {
    ColourSpaceTableInput in;
    in.offsets[kSlotRed][0][kG] = 60;
    in.inputLuminance[0] = 960;
    return in;
}

TEST(ColourSpaceTable, OneLevelRampsFromBlackAndFillsFacesAndGrid) {
    const ColourSpaceTableResult t = ComputeColourSpaceTable(RedWithGreen());
    ASSERT_FALSE(t.overflow);
    EXPECT_TRUE(t.log.empty());
    // The red axis: 4 L, a quarter in each byte, rounded half up.
    EXPECT_EQ(At(t, 15, 0, 0, kG), 15);   // 60
    EXPECT_EQ(At(t, 10, 0, 0, kG), 10);   // 40
    EXPECT_EQ(At(t, 1, 0, 0, kG), 1);     // 4
    EXPECT_EQ(At(t, 15, 0, 0, kR), 0);
    // Face blue = 0 between the red axis and the yellow diagonal: 4 (r - g) below it, 0 above.
    EXPECT_EQ(At(t, 10, 5, 0, kG), 5);    // 20
    EXPECT_EQ(At(t, 5, 10, 0, kG), 0);
    // Face green = 0 between blue and red: 4 (r - b) where red leads.
    EXPECT_EQ(At(t, 12, 0, 4, kG), 8);    // 32
    // Grey carries nothing without white priority; black nothing at all.
    EXPECT_EQ(At(t, 7, 7, 7, kG), 0);
    EXPECT_EQ(At(t, 0, 0, 0, kG), 0);
    // Inside: ((7 - 2) 12 + (7 - 4) 0 + (7 - 1) 8) / 14 x sqrt(26 / 90) = 4.146.
    EXPECT_EQ(At(t, 4, 2, 1, kG), 1);
}

TEST(ColourSpaceTable, OneLevelScalesTheOffsetToTheFullInputCode) {
    ColourSpaceTableInput in = RedWithGreen();
    in.inputLuminance[0] = 940;  // 15 x 60 / (0.015625 x 44 + 14) = 61.28 -> 61
    const ColourSpaceTableResult t = ComputeColourSpaceTable(in);
    EXPECT_EQ(At(t, 15, 0, 0, kG), 15);  // 61 / 4 = 15.25
    EXPECT_EQ(At(t, 10, 0, 0, kG), 10);  // 40.67

    // Negative offsets become two's-complement bytes: -40 / 4 + 0.5 = -9.5, truncated to -9.
    in.inputLuminance[0] = 960;
    in.offsets[kSlotBlue][0][kR] = -40;
    EXPECT_EQ(ComputeColourSpaceTable(in).lut[LutIndex(0, 0, 15, kR)], 0xF7);

    // Past the limit: logged and held at it; the byte then holds the edge instead of wrapping.
    in.offsets[kSlotRed][0][kG] = 520;
    const ColourSpaceTableResult held = ComputeColourSpaceTable(in);
    EXPECT_FALSE(held.overflow);
    EXPECT_EQ(held.log, (std::vector<std::string>{"CalcOffsetPoint", "0 1 15 1 520"}));
    EXPECT_EQ(At(held, 15, 0, 0, kG), 127);

    // Nothing read back: the nominal code stands in rather than a division by zero.
    in.inputLuminance[0] = 0;
    in.offsets[kSlotRed][0][kG] = 60;
    const ColourSpaceTableResult missing = ComputeColourSpaceTable(in);
    EXPECT_EQ(At(missing, 15, 0, 0, kG), 15);
    EXPECT_TRUE(Logged(missing, "ColorSpace input luminance of level 255 missing; 960 assumed."));
}

TEST(ColourSpaceTable, SeveralLevelsArePlacedAtTheirGridCodes) {
    // Levels 255 and 187 (L 15 and 11): red's green offset grows with white's input luminance.
    ColourSpaceTableInput in;
    in.space = 2;
    in.levels = 2;
    in.levelStep = 4;
    in.offsets[kSlotRed][0][kG] = 47;
    in.offsets[kSlotRed][4][kG] = 34;
    in.inputLuminance[0] = 940;
    in.inputLuminance[4] = 689;
    const ColourSpaceTableResult t = ComputeColourSpaceTable(in);
    ASSERT_FALSE(t.overflow);
    // Levels between are filled by equal steps, the input luminance with them (751, 814, 877).
    EXPECT_TRUE(Logged(t, "rgbInputGain[11] = 689"));
    EXPECT_TRUE(Logged(t, "rgbInputGain[12] = 751"));
    EXPECT_TRUE(Logged(t, "rgbInputGain[15] = 940"));
    // L 14: 43 at code 877 and 47 at 940, taken to code 896: 44.2.
    EXPECT_TRUE(Logged(t, "RGB_Offset_pre[2][1][14][1] = 43 0 0 0 0 0"));
    EXPECT_TRUE(Logged(t, "RGB_Offset_after[2][1][14][1] = 44 0 0 0 0 0"));
    // Top: 44 + (47 - 44) x 64 / (940 - 896) = 48.4; bottom: 34 + 3 x 15 / 62 = 34.7 at code 704.
    EXPECT_EQ(At(t, 15, 0, 0, kG), 12);  // 48
    EXPECT_EQ(At(t, 11, 0, 0, kG), 9);   // 34 -> 8.5 + 0.5
    // Below the lowest level a ramp from black: 5 x 34 / 11 = 15.5.
    EXPECT_EQ(At(t, 5, 0, 0, kG), 4);
}

TEST(ColourSpaceTable, TheGreyCurveOnlyWithWhitePriority) {
    // Levels 255, 204, 153 (L 15, 12, 9); white needed a blue offset of 20 at 204 and 12 at 153.
    ColourSpaceTableInput in;
    in.levels = 3;
    in.levelStep = 3;
    in.offsets[kSlotWhite][3][kB] = 20;
    in.offsets[kSlotWhite][6][kB] = 12;
    for (const int p : {0, 3, 6}) {
        in.inputLuminance[static_cast<size_t>(p)] = static_cast<int16_t>(64 * (15 - p));
    }
    const ColourSpaceTableResult plain = ComputeColourSpaceTable(in);
    EXPECT_EQ(At(plain, 12, 12, 12, kB), 0);

    in.whiteCurve = true;
    const ColourSpaceTableResult t = ComputeColourSpaceTable(in);
    EXPECT_EQ(At(t, 15, 15, 15, kB), 0);   // the top is white's gains
    EXPECT_EQ(At(t, 12, 12, 12, kB), 5);   // 20
    EXPECT_EQ(At(t, 10, 10, 10, kB), 4);   // 12 + 8 / 3 = 14.67 -> 14
    EXPECT_EQ(At(t, 9, 9, 9, kB), 3);      // 12
    // Below the lowest level it fades out over four levels: (L - 4) x 12 / 5.
    EXPECT_EQ(At(t, 7, 7, 7, kB), 2);      // 7.2
    EXPECT_EQ(At(t, 4, 4, 4, kB), 0);
    // Off the grey axis nothing of it.
    EXPECT_EQ(At(t, 12, 11, 12, kB), 0);
}

TEST(ColourSpaceTable, AValueBeyondTheTableEndsTheComputation) {
    // A large negative offset read at a dim white: -500 x 960 / 900 = -533.
    ColourSpaceTableInput in;
    in.space = 3;
    in.offsets[kSlotRed][0][kG] = -500;
    in.inputLuminance[0] = 900;
    const ColourSpaceTableResult t = ComputeColourSpaceTable(in);
    EXPECT_TRUE(t.overflow);
    ASSERT_GE(t.log.size(), 2u);
    EXPECT_EQ(t.log[t.log.size() - 2], "(1,15,0,0)=-533.000000");
    EXPECT_EQ(t.log.back(), "Overflow the Max value of color space data!!");
}

TEST(ColourSpaceTable, TableBytesRoundAQuarterAndStayInASignedByte) {
    EXPECT_EQ(TableByte(0.0), 0);
    EXPECT_EQ(TableByte(1.0), 0);      // 0.75
    EXPECT_EQ(TableByte(2.0), 1);      // 1.0
    EXPECT_EQ(TableByte(-2.0), 0);     // 0.0
    EXPECT_EQ(TableByte(-3.0), 0);     // -0.25 truncated toward zero
    EXPECT_EQ(TableByte(-6.0), 0xFF);  // -1
    EXPECT_EQ(TableByte(508.0), 127);
    EXPECT_EQ(TableByte(512.0), 127);  // 128 would read as -128
    EXPECT_EQ(TableByte(-514.0), 0x80);
    EXPECT_EQ(TableByte(-600.0), 0x80);
}

}  // namespace
}  // namespace halvo
