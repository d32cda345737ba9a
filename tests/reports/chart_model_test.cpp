// The chart's gamma fit over the upper grey levels.

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

}  // namespace
}  // namespace halvo
