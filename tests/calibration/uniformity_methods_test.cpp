// Uniformity: the method a monitor model gets, the probe places, and the arithmetic of the
// linear, gamma-curve, table and shape methods against hand-checked values.

#include <gtest/gtest.h>

#include "calibration/uniformity_methods.h"

namespace halvo {
namespace {

CellLuminance Cells(std::initializer_list<double> nine) {
    CellLuminance lv{};
    size_t i = 1;
    for (const double v : nine) {
        lv[i++] = v;
    }
    return lv;
}

CellWhole Whole(std::initializer_list<int> nine) {
    CellWhole lv{};
    size_t i = 1;
    for (const int v : nine) {
        lv[i++] = v;
    }
    return lv;
}

TEST(UniformityMethod, FollowsTheModelFlagsAndTheInfoByte) {
    using M = UniformityMethod;
    struct Case {
        bool family;
        uint8_t info;
        M expected;
    } cases[] = {
        {true, 0x90, M::GammaCurve}, {true, 0x98, M::GammaCurve},  // both bits win over the rest
        {true, 0x80, M::Linear},     {true, 0x84, M::Linear},
        {true, 0x08, M::Shape},      {true, 0x18, M::Gradient},   {true, 0x00, M::Gradient},
        {true, 0x10, M::Gradient},   {false, 0x90, M::GammaCurve}, {false, 0x94, M::GammaCurve},
        {false, 0x80, M::Table},     {false, 0x08, M::Table},     {false, 0x00, M::Table},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SelectUniformityMethod(c.family, c.info), c.expected) << c.family << " " << int(c.info);
    }
    EXPECT_TRUE(HasRefinementPass(M::Gradient));
    EXPECT_TRUE(HasRefinementPass(M::Shape));
    EXPECT_FALSE(HasRefinementPass(M::Linear));
}

TEST(UniformityPositions, NamesCellsAndMarkerCodes) {
    EXPECT_STREQ(UniformityPositionName(0), "Center");
    EXPECT_STREQ(UniformityPositionName(8), "Left Bottom");
    EXPECT_STREQ(UniformityPositionName(9), "Left Top");
    EXPECT_STREQ(UniformityPositionName(17), "Right Bottom");
    EXPECT_STREQ(UniformityPositionName(18), "Error Position");
    EXPECT_STREQ(UniformityPositionName(-1), "Error Position");
    // The first sweep round the screen, the refinement pass column by column.
    const int cells[18] = {5, 4, 1, 2, 3, 6, 9, 8, 7, 1, 4, 7, 2, 3, 5, 6, 8, 9};
    for (int p = 0; p < 18; ++p) {
        EXPECT_EQ(UniformityCellOf(p), cells[p]) << p;
        const int code = UniformityMarkerCode(p);
        EXPECT_NE(code, kMarkerOff) << "position " << p << " would remove the marker";
        EXPECT_EQ(UniformityCellOf(code), cells[p]) << p;
    }
    EXPECT_EQ(UniformityMarkerCode(10), 1) << "Left Middle is drawn with its first-sweep code";
    EXPECT_EQ(UniformityMarkerCode(18), -1);
}

TEST(LinearMethod, ExcessOverTheDarkestInStepsOfOneSixPointFour) {
    EXPECT_EQ(LinearParams(Cells({200, 200, 200, 200, 200, 200, 200, 200, 200})), UniformityParams{});
    // 40 above the darkest is 256 steps: capped. 5.3 above is 33.92, truncated.
    EXPECT_EQ(LinearParams(Cells({180, 220, 185.3, 180, 180, 180, 180, 180, 180})),
              (UniformityParams{0, 255, 33, 0, 0, 0, 0, 0, 0, 0}));
    // The darkest counts from 1000 down: a screen brighter than that is dimmed toward 1000.
    EXPECT_EQ(LinearParams(Cells({1010, 1010, 1010, 1010, 1010, 1010, 1010, 1010, 1010}))[0], 64);
}

TEST(GammaCurveMethod, TenBitLevelOfTheDarkestThroughTwoPointTwo) {
    // w = 1023 (180/200)^(1/2.2) = 975.16; (1023 - w) 2^17 / (k 480) 2.2 = 95.79 (k 300) and 106.4
    // (k 270, info bit value 4).
    EXPECT_EQ(GammaCurveParams(Cells({180, 200, 180, 180, 180, 180, 180, 180, 100}), 0x90)[8], 0)
        << "a cell at the minimum";
    const CellLuminance pair = Cells({180, 200, 180, 180, 180, 180, 180, 180, 180});
    EXPECT_EQ(GammaCurveParams(pair, 0x90)[1], 95);
    EXPECT_EQ(GammaCurveParams(pair, 0x94)[1], 106);
    // Twice the darkest: 553 and 615 before the caps of 230 and 255.
    const CellLuminance twice = Cells({100, 200, 100, 100, 100, 100, 100, 100, 100});
    EXPECT_EQ(GammaCurveParams(twice, 0x90)[1], 230);
    EXPECT_EQ(GammaCurveParams(twice, 0x94)[1], 255);
    EXPECT_EQ(GammaCurveParams(twice, 0x90)[9], 0);
    // No light at a place is no reason to divide by zero.
    EXPECT_EQ(GammaCurveParams(Cells({0, 200, 180, 180, 180, 180, 180, 180, 180}), 0x90)[0], 0);
}

TEST(TableMethod, ChoosesTheRowsOfBothTables) {
    // Left darker than right and centre, top centre brighter than bottom left.
    TableChoice t = ChooseTableRows(Whole({186, 199, 196, 194, 208, 205, 186, 199, 196}));
    EXPECT_EQ(t.h, 11);
    EXPECT_EQ(t.e, 0);
    EXPECT_EQ(t.c, 4) << "(10,0,7,11): |11-10| < 3";
    EXPECT_EQ(t.v, 13 - 3) << "less a third of the row's key 10";
    EXPECT_EQ(t.b, 2) << "(10,6,5,0)";

    // Nothing to correct: row 0 of both.
    t = ChooseTableRows(Whole({200, 200, 200, 205, 200, 200, 210, 200, 200}));
    EXPECT_EQ(t.h, -5);
    EXPECT_EQ(t.c, 0);
    EXPECT_EQ(t.v, -10);
    EXPECT_EQ(t.b, 0);

    // h = 20 with the right 20 above the centre stops at the thirteenth row, listed before
    // (20,0,...).
    t = ChooseTableRows(Whole({200, 200, 200, 180, 180, 200, 200, 200, 200}));
    EXPECT_EQ(t.c, 12);
    EXPECT_EQ(kHorizontalTable[12].value2, 10);

    // Beyond both tables: the search meets the end rows and steps back one; the end row's key
    // leaves v as it was.
    t = ChooseTableRows(Whole({200, 260, 200, 140, 200, 200, 200, 200, 200}));
    EXPECT_EQ(t.h, 60);
    EXPECT_EQ(t.c, 51);
    EXPECT_EQ(t.v, 60);
    EXPECT_EQ(t.b, 10);

    // A key that is not a multiple of three: v + trunc(-5 / 3) = v - 1.
    t = ChooseTableRows(Whole({200, 210, 200, 195, 200, 200, 200, 200, 200}));
    EXPECT_EQ(t.c, 1);
    EXPECT_EQ(t.v, 9);
    EXPECT_EQ(t.b, 2);
}

TEST(TableMethod, LuminanceWindowAndItsMessages) {
    EXPECT_TRUE(InTableWindow(120.0));
    EXPECT_TRUE(InTableWindow(400.0));
    EXPECT_FALSE(InTableWindow(119.99));
    EXPECT_FALSE(InTableWindow(400.01));
    EXPECT_STREQ(TableWindowMessage(400.01), "Back light level is too high. Please decress the Back Light level.");
    EXPECT_STREQ(TableWindowMessage(119.0), "Back light level is too low. Please incress the Back Light level.");
}

TEST(ShapeMethod, ClassifiesThePatternOrKeepsThePreviousShape) {
    // Right column and bottom row falling toward the bottom right.
    EXPECT_EQ(ClassifyShape(Cells({200, 200, 205, 200, 200, 200, 200, 205, 195}), 0), 1);
    // Left top more than 5 below both the right middle and the right top.
    EXPECT_EQ(ClassifyShape(Cells({190, 200, 196, 200, 200, 200, 200, 200, 200}), 0), 3);
    // ... below the right middle only.
    EXPECT_EQ(ClassifyShape(Cells({190, 200, 195, 200, 200, 196, 200, 200, 200}), 0), 2);
    // Exactly 5 is not more than 5.
    EXPECT_EQ(ClassifyShape(Cells({190, 200, 195, 200, 200, 195, 200, 200, 200}), 2), 2);
    EXPECT_EQ(ClassifyShape(Cells({200, 200, 200, 200, 200, 200, 200, 200, 200}), 0), 0);
    EXPECT_STREQ(ShapeLogText(0), "U8_0");
    EXPECT_STREQ(ShapeLogText(3), "U8_3");
    EXPECT_STREQ(ShapeLogText(4), "U8_UN");
}

}  // namespace
}  // namespace halvo
