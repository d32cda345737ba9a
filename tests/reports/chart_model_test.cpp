// The chart's arithmetic: the gamma fit over the upper grey levels, the diagrams' mappings and
// Planckian points, the luminance layout, the point labels.

#include <gtest/gtest.h>

#include <cmath>

#include "reports/chart_model.h"
#include "support/numeric.h"

namespace halvo {
namespace {

std::vector<ChartPoint> ElevenLevels(double a, double g) {
    std::vector<ChartPoint> points;
    for (int i = 0; i <= 10; ++i) {
        const double level = std::ceil(i * 25.5);
        points.push_back({level, a * std::pow(level, g)});
    }
    return points;
}

TEST(FitChartGamma, FitsTheUpperSixLevels) {
    const ChartGammaFit fit = fitChartGamma(ElevenLevels(0.0005, 2.2));
    ASSERT_TRUE(fit.ok);
    EXPECT_TRUE(test::Near(fit.g, 2.2, 1e-9));
    EXPECT_TRUE(test::Near(fit.a, 0.0005, 0.0, 1e-8));
    // Only levels from 128 on count: a wrong dark end changes nothing.
    std::vector<ChartPoint> points = ElevenLevels(0.0005, 2.2);
    points[2].lv *= 3.0;
    EXPECT_TRUE(test::Near(fitChartGamma(points).g, 2.2, 1e-9));
}

TEST(FitChartGamma, NeedsTwoPointsFromLevel128) {
    std::vector<ChartPoint> six = ElevenLevels(0.0005, 2.2);
    six.resize(6);
    const ChartGammaFit fit = fitChartGamma(six);
    EXPECT_FALSE(fit.ok);
    EXPECT_EQ(fit.g, 1.0);
    EXPECT_EQ(fit.a, 1.0);
    std::vector<ChartPoint> seven = ElevenLevels(0.0005, 2.2);
    seven.resize(7);
    EXPECT_TRUE(fitChartGamma(seven).ok);
    // A reading below 0.00001 enters as e^-5 instead of failing the fit.
    std::vector<ChartPoint> dark = ElevenLevels(0.0005, 2.2);
    dark[5].lv = 0.0;
    EXPECT_TRUE(std::isfinite(fitChartGamma(dark).g));
}


TEST(ChartModel, PlanckianPointsOfTheDiagrams) {
    const std::vector<int> kelvins = PlanckianChartKelvins();
    ASSERT_EQ(kelvins.size(), 20u);
    EXPECT_EQ(kelvins[0], 1000);
    EXPECT_EQ(kelvins[1], 1200);  // 1208 rounded down to ten kelvin
    EXPECT_EQ(kelvins[3], 1710);
    EXPECT_EQ(kelvins.back(), 24560);
    const std::vector<XyPoint> points = PlanckianChartPoints();
    ASSERT_EQ(points.size(), 20u);
    // Along the locus x falls as the temperature rises.
    for (size_t i = 1; i < points.size(); ++i) {
        EXPECT_LT(points[i].x, points[i - 1].x) << i;
    }
}

TEST(ChartModel, PixelMappingsOfTheBackgroundPictures) {
    const XyPoint d65 = kXyDiagram.toPixel(0.3127, 0.3290);
    EXPECT_TRUE(test::Near(d65.x, 39 + 0.3127 * 537.5, 1e-9));
    EXPECT_TRUE(test::Near(d65.y, 491 - 0.3290 * 537.7777777777777, 1e-9));
    const XyPoint back = kXyDiagram.fromPixel(d65.x, d65.y);
    EXPECT_TRUE(test::Near(back.x, 0.3127, 1e-12));
    EXPECT_TRUE(test::Near(back.y, 0.3290, 1e-12));
    // u'v' of D65 (0.1978, 0.4683) lands where the triangle tables expect it.
    const XyPoint uv = UvFromXy({0.3127, 0.3290});
    EXPECT_TRUE(test::AgreesToDigits(uv.x, "0.1978"));
    EXPECT_TRUE(test::AgreesToDigits(uv.y, "0.4683"));
    EXPECT_TRUE(test::Near(kUvDiagram.toPixel(uv.x, uv.y).y, 486 - uv.y * 768.3333333333334, 1e-9));
    EXPECT_EQ(TargetTriangleUv(4)[1].x, 0.0756);
    EXPECT_EQ(TargetTriangleXy(5)[1].x, 0.265);
    EXPECT_EQ(TargetTriangleXy(9)[0].x, 0.64);  // anything else: the Native triangle
}

TEST(ChartModel, LuminanceLayoutAndItsRanges) {
    ChartSeries s;
    s.gamma = {{0, 0.1}, {255, 200}};
    const LuminanceLayout l = LayoutLuminanceChart(kChartLuminance, 245, 245, s);
    EXPECT_EQ(l.left, 30);
    EXPECT_EQ(l.right, 235);
    EXPECT_EQ(l.columnWidth, 205 / 15);
    EXPECT_EQ(l.rows, 13);
    EXPECT_EQ(l.rowHeight, 195 / 13);
    EXPECT_EQ(l.yMax, 130.0);
    const XyPoint top = LuminanceMarkerPosition(l, 255, 130);
    EXPECT_EQ(top.x, 30 + 15 * 13 - 2);
    EXPECT_EQ(top.y, 20 - 2);
    const LuminanceLayout r = LayoutLuminanceChart(kChartRelativeLuminance, 245, 245, s);
    EXPECT_EQ(r.rows, 10);
    EXPECT_EQ(r.yMax, 200.0);
    // A last point without light: the range falls back to 0..1.
    s.gamma.back().lv = 0.0;
    EXPECT_EQ(LayoutLuminanceChart(kChartRelativeLuminance, 245, 245, s).yMax, 1.0);
    EXPECT_EQ(LuminanceYLabels(kChartLuminance).front(), "130");
    EXPECT_EQ(LuminanceYLabels(kChartLuminance).back(), "  0");
    EXPECT_EQ(LuminanceYLabels(kChartRelativeLuminance).front(), "1.0");
    EXPECT_EQ(LuminanceXLabels(), (std::vector<std::string>{"  0", " 51", "102", "153", "204", "255"}));
    EXPECT_EQ(FittedCurveLevels(4), (std::vector<double>{0, 26, 51, 77}));
}

TEST(ChartModel, PointLabels) {
    EXPECT_STREQ(ChartPointLabel(0, true, false), "Black");
    EXPECT_STREQ(ChartPointLabel(2, true, false), "White");
    EXPECT_STREQ(ChartPointLabel(8, true, false), "Cyan");
    EXPECT_STREQ(ChartPointLabel(9, true, false), "3200K");
    EXPECT_STREQ(ChartPointLabel(11, true, true), "JUDD-OFFSET");
    EXPECT_EQ(ChartPointLabel(14, true, false), nullptr);
    // Only colour-temperature points: their labels start at "3200K".
    EXPECT_STREQ(ChartPointLabel(0, false, false), "3200K");
    EXPECT_STREQ(ChartPointLabel(1, false, true), "6500K");
    EXPECT_STREQ(ChartPointLabel(4, false, false), "11000K");
    EXPECT_EQ(ChartPointLabelDrop(4, false), 5);
    EXPECT_EQ(ChartPointLabelDrop(12, true), 0);
}

}  // namespace
}  // namespace halvo
