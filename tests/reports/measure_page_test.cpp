// The Measure page model: result texts and their formats, the uniformity percentage, the list's
// rows, the colour-space controls and what the page's buttons post.

#include <gtest/gtest.h>

#include "reports/measure_page.h"
#include "reports/sample_results.h"
#include "support/numeric.h"

namespace halvo {
namespace {

using test::Reading;

TEST(ResultTexts, FormatsOfAStoredResult) {
    ColorReading r = Reading(0.3127, 0.3290, 100.0);
    r.cct = 6504;
    r.duv = 0.00032;
    EXPECT_EQ(FormatGammaResult(2.2049), "\u0433= 2.20");
    EXPECT_EQ(FormatGammaResult(12.5), "\u0433= 12.50");
    EXPECT_EQ(FormatColorResult(r), "x:0.3127 y:0.3290 Lv:100.00 T: 6504");
    EXPECT_EQ(FormatPositionResult(r), "x:0.3127 y:0.3290 Lv:100.00 T: 6504 \u0394uv:0.0003");
    r.lv = 0.0421;
    r.cct = 0;
    EXPECT_EQ(FormatColorResult(r), "x:0.3127 y:0.3290 Lv:  0.04 T:    0");
    EXPECT_EQ(FormatUniformityPercent(7.456), "  7.46%");
    EXPECT_EQ(FormatUniformityPercent(12.0), " 12.00%");
}

TEST(ResultTexts, LabelsAndPositionNames) {
    EXPECT_STREQ(ResultRowLabel(0, false), "Gamma");
    EXPECT_STREQ(ResultRowLabel(10, false), "5400k");
    EXPECT_STREQ(ResultRowLabel(10, true), "6500k");
    EXPECT_STREQ(ResultRowLabel(11, true), "JUDD-OFFSET");
    EXPECT_STREQ(ResultRowLabel(19, false), "Rigth Middle");
    EXPECT_STREQ(ResultRowLabel(23, false), "Uniformity");
    EXPECT_STREQ(PositionName(0), "Center");
    EXPECT_STREQ(PositionName(5), "Right Middle");
    EXPECT_STREQ(PositionName(8), "Left Bottom");
    EXPECT_STREQ(PositionName(9), "Left Top");
    EXPECT_STREQ(PositionName(14), "Center");
    EXPECT_STREQ(PositionName(17), "Right Bottom");
    EXPECT_STREQ(PositionName(18), "Error Position");
    EXPECT_STREQ(PositionName(-1), "Error Position");
}

TEST(UniformityPercentage, PeakAndMidRangeRules) {
    std::array<double, kPositionCount> lv{100, 90, 80, 0, 0, 0, 0, 0, 0};
    // Relative to the brightest position: (100 - 80) / 100.
    EXPECT_TRUE(test::Near(UniformityPercentage(lv, 3, true), 20.0, 1e-12));
    // Half the spread relative to the middle of the range: 10 / 90.
    EXPECT_TRUE(test::Near(UniformityPercentage(lv, 3, false), 100.0 / 9.0, 1e-12));
    // Only the positions measured so far count.
    EXPECT_TRUE(test::Near(UniformityPercentage(lv, 2, true), 10.0, 1e-12));
    EXPECT_EQ(UniformityPercentage(lv, 1, true), 0.0);
    // Positions brighter than 200 cd/m2 are compared with each other, not with 200.
    std::array<double, kPositionCount> bright{250, 245, 240, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(test::Near(UniformityPercentage(bright, 3, true), 4.0, 1e-12));
    EXPECT_TRUE(test::Near(UniformityPercentage(bright, 3, false), 5.0 / 245.0 * 100.0, 1e-12));
    // Nothing measured gives 0, not a division by zero.
    EXPECT_EQ(UniformityPercentage(std::array<double, kPositionCount>{}, 9, false), 0.0);
    EXPECT_EQ(UniformityPercentage(lv, 0, true), 0.0);
}

TEST(MeasurePage, StartsWithThreeKindsAndNativeOnly) {
    test::RecordingSink sink;
    CMeasure page(sink);
    EXPECT_EQ(page.measureFlags(), 7);
    EXPECT_EQ(page.colorSpaceMask(), 1);
    EXPECT_FALSE(page.colorSpaceMode());
    EXPECT_EQ(page.resultList.rows.size(), 1u + 8u + 5u);
    EXPECT_EQ(page.resultList.rows[0].cells, (std::vector<std::string>{"Gamma", " "}));
    EXPECT_EQ(page.chartSelector.items[3], "CIE chart(u'v' Plot)");
    page.onAutoJigToggled(true);
    EXPECT_EQ(page.measureFlags(), 7 | kMeasureAutoJig);
}

TEST(MeasurePage, ColourSpaceModeChecksEveryBoxAndBack) {
    test::RecordingSink sink;
    CMeasure page(sink);
    page.controlsEnabled = true;
    EXPECT_FALSE(page.usable(MeasureControl::ColorSpaceBoxes));
    page.onColorSpaceToggled(true);
    EXPECT_EQ(page.colorSpaceMask(), 63);
    EXPECT_TRUE(page.usable(MeasureControl::ColorSpaceBoxes));
    EXPECT_TRUE(page.usable(MeasureControl::ColorSpaceList));
    // In colour-space mode there is no "11000k" row.
    EXPECT_EQ(page.resultList.rows.size(), 13u);
    page.onColorSpaceBoxToggled(0, false);
    page.onColorSpaceBoxToggled(5, false);
    EXPECT_EQ(page.colorSpaceMask(), 0x1E);
    page.onColorSpaceSelected(4);
    EXPECT_EQ(page.displayedColorSpace(), 4);
    page.onColorSpaceToggled(false);
    EXPECT_EQ(page.colorSpaceMask(), 1);
    EXPECT_EQ(page.displayedColorSpace(), 0);
    EXPECT_FALSE(page.usable(MeasureControl::ColorSpaceBoxes));
    EXPECT_EQ(page.resultList.rows.size(), 14u);
}

TEST(MeasurePage, TheListShowsTheCheckedGroupsOfTheDisplayedColourSpace) {
    test::RecordingSink sink;
    CMeasure page(sink);
    page.onKindToggled(kKindColor, false);
    page.onKindToggled(kKindUniformity, true);
    std::vector<std::string> labels;
    for (const TableRow& r : page.resultList.rows) {
        labels.push_back(r.cells[0]);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"Gamma", "3200k", "5400k", "6500k", "9300k", "11000k", "Center",
                                                "Left Middle", "Left Top", "Center Top", "Right Top", "Rigth Middle",
                                                "Right Bottom", "Center Bottom", "Left Bottom", "Uniformity"}));
    page.alternateWhites = true;
    page.rebuildResultList();
    EXPECT_EQ(page.resultList.rows[2].cells[0], "6500k");
    EXPECT_EQ(page.resultList.rows[3].cells[0], "JUDD-OFFSET");
}

TEST(MeasurePage, StoredResultsGoToTheDisplayedColourSpaceUnlessFrozen) {
    test::RecordingSink sink;
    CMeasure page(sink);
    page.onColorSpaceToggled(true);
    page.onColorSpaceSelected(2);
    const ColorReading white = Reading(0.3127, 0.3290, 100.0);
    page.storeResult(kResultWhite, white);
    EXPECT_EQ(page.resultTexts[2][kResultWhite], FormatColorResult(white));
    EXPECT_EQ(page.resultTexts[0][kResultWhite], " ");
    EXPECT_EQ(page.resultList.rows[2].cells[1], FormatColorResult(white));
    page.resultsFrozen = true;
    page.storeGamma(2.4);
    EXPECT_EQ(page.resultList.rows[0].cells[1], FormatGammaResult(2.4));
    EXPECT_EQ(page.resultTexts[2][kResultGamma], " ");
    // A slot the list does not show is still kept.
    page.resultsFrozen = false;
    page.onKindToggled(kKindColor, false);
    page.storeResult(kResultBlack, white);
    EXPECT_EQ(page.resultTexts[2][kResultBlack], FormatColorResult(white));
}

TEST(MeasurePage, UniformityPositionsGoToEveryColourSpaceOfTheRun) {
    test::RecordingSink sink;
    CMeasure page(sink);
    page.onKindToggled(kKindUniformity, true);
    page.onColorSpaceToggled(true);
    page.onColorSpaceBoxToggled(3, false);
    MeasurementResults results;
    test::MeasurePositions(page, results, false);
    const std::string percent = FormatUniformityPercent(results.uniformityPercent);
    // (100 - 95.75) / 95.75 with the middle of 91.5 .. 100.
    EXPECT_TRUE(test::Near(results.uniformityPercent, 4.25 / 95.75 * 100.0, 1e-12));
    for (int cs = 0; cs < kMeasureSpaceCount; ++cs) {
        const bool inRun = cs != 3;
        EXPECT_EQ(page.resultTexts[static_cast<size_t>(cs)][kResultUniformity], inRun ? percent : " ") << cs;
        EXPECT_EQ(page.resultTexts[static_cast<size_t>(cs)][kResultFirstPosition + 6] != " ", inRun) << cs;
    }
    EXPECT_EQ(page.resultList.rows.back().cells[1], percent);
}

TEST(MeasurePage, ButtonsPostTheirCommandsAndClearEmptiesThePage) {
    test::RecordingSink sink;
    CMeasure page(sink);
    MeasurementResults results;
    test::MeasureColorSpace(page, results, 0);
    ASSERT_NE(page.resultTexts[0][kResultGamma], " ");
    page.onMeasure();
    page.onPosition();
    page.onSaveAs();
    page.onClear();
    EXPECT_EQ(sink.posted, (std::vector<std::pair<int, int>>{{1, 1}, {1, 2}, {1, 3}, {1, 4}}));
    EXPECT_EQ(page.resultTexts[0][kResultGamma], " ");
    EXPECT_TRUE(page.chart[0].gamma.empty());
    EXPECT_TRUE(page.chart[0].chroma.empty());
    EXPECT_EQ(page.resultList.rows[0].cells[1], " ");
}

TEST(MeasurePage, WhatTheOperatorCanUse) {
    test::RecordingSink sink;
    CMeasure page(sink);
    EXPECT_FALSE(page.usable(MeasureControl::Kinds));
    EXPECT_TRUE(page.usable(MeasureControl::Triangle));
    page.controlsEnabled = true;
    EXPECT_TRUE(page.usable(MeasureControl::Save));
    EXPECT_FALSE(page.usable(MeasureControl::AutoJig));  // no jig attached
    page.autoJigEnabled = true;
    EXPECT_TRUE(page.usable(MeasureControl::AutoJig));
    // While a run waits for the operator between uniformity positions.
    page.setMeasurePageEnabled(false, true);
    EXPECT_EQ(page.startButtonText, "Stop");
    page.positionOffered = true;
    EXPECT_TRUE(page.usable(MeasureControl::Position));
    EXPECT_FALSE(page.usable(MeasureControl::Clear));
    page.setMeasurePageEnabled(true, true);
    EXPECT_EQ(page.startButtonText, "Measure");
    EXPECT_FALSE(page.positionOffered);
}

}  // namespace
}  // namespace halvo
