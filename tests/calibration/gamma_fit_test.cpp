// The gamma calibration's arithmetic: exponent, table, levels, panel-gamma codes.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "calibration/gamma_fit.h"
#include "support/numeric.h"

namespace halvo {
namespace {

std::vector<double> PowerLaw(int n, double gamma, double peak) {
    std::vector<double> L(static_cast<size_t>(n) + 1, 0.0);
    const int u = 256 / n;
    for (int k = 1; k <= n; ++k) {
        L[static_cast<size_t>(k)] = peak * std::pow((k * u - 1) / 255.0, gamma);
    }
    return L;
}

TEST(FitGamma, RecoversAPowerLawAndInterpolatesTheTable) {
    for (int n : {16, 32, 64, 128}) {
        SCOPED_TRACE(n);
        const std::vector<double> L = PowerLaw(n, 2.3, 180.0);
        const GammaFitResult fit = fitGamma(L.data(), n);
        EXPECT_TRUE(test::Near(fit.exponent, 2.3, 1e-9));
        // Near black, hundredths of a cd/m2 round to equal entries, which are lifted; nowhere else.
        for (int i : fit.reversed) {
            EXPECT_LT(i, 24);
        }
        const int u = 256 / n;
        EXPECT_EQ(fit.table[0], 0);
        // The last code of each level holds that level's luminance x 100.
        for (int k = 32 / u + 1; k <= n; ++k) {
            EXPECT_EQ(fit.table[static_cast<size_t>(k * u - 1)],
                      static_cast<uint16_t>(100.0 * L[static_cast<size_t>(k)] + 0.5));
        }
        // Codes between levels are interpolated linearly.
        const int k0 = n * 3 / 4;
        const size_t mid = static_cast<size_t>((k0 - 1) * u + u / 2 - 1);
        const double expected =
            100.0 * ((u / 2) * L[static_cast<size_t>(k0)] + (u - u / 2) * L[static_cast<size_t>(k0) - 1]) / u;
        EXPECT_EQ(fit.table[mid], static_cast<uint16_t>(expected + 0.5));
        EXPECT_EQ(fit.table[255], static_cast<uint16_t>(18000.5));
    }
}

TEST(FitGamma, RepairsADipAndReportsEveryLiftedEntry) {
    std::vector<double> L = PowerLaw(16, 2.2, 200.0);
    L[9] = L[7];  // the panel stumbles between levels 8 and 9
    const GammaFitResult fit = fitGamma(L.data(), 16);
    EXPECT_FALSE(fit.reversed.empty());
    for (size_t i = 0; i + 1 < 256; ++i) {
        ASSERT_LT(fit.table[i], fit.table[i + 1]) << i;
    }
    // A dark level counts as e^-5 and does not spoil the fit.
    std::vector<double> dark = PowerLaw(16, 2.2, 200.0);
    dark[1] = 0.0;
    EXPECT_TRUE(test::Near(fitGamma(dark.data(), 16).exponent, 2.2, 0.01));
}

TEST(GammaLevels, TheFirstLevelIsDrawnTwiceAndTheLastIsFullScale) {
    std::vector<int> drawn;
    for (int c = 1; c <= 17; ++c) {
        drawn.push_back(GammaLevel8(c, 16));
    }
    EXPECT_EQ(drawn, (std::vector<int>{15, 15, 31, 47, 63, 79, 95, 111, 127, 143, 159, 175, 191, 207, 223, 239, 255}));
    EXPECT_EQ(GammaLevel8(1, 256), 0);
    EXPECT_EQ(GammaLevel8(2, 256), 0);
    EXPECT_EQ(GammaLevel8(257, 256), 255);
    EXPECT_EQ(GammaLevel10(1, 512), 1);
    EXPECT_EQ(GammaLevel10(2, 512), 1);
    EXPECT_EQ(GammaLevel10(513, 512), 1023);
    EXPECT_EQ(GammaLevel10(1025, 1024), 1023);
}

TEST(PanelGammaCode, StepsEveryQuarterHundredthAroundEight) {
    EXPECT_EQ(PanelGammaCode(0.0), 8);
    EXPECT_EQ(PanelGammaCode(0.2), 16);
    EXPECT_EQ(PanelGammaCode(-0.2), 0);
    EXPECT_EQ(PanelGammaCode(-0.1875), 0);
    EXPECT_EQ(PanelGammaCode(0.0124), 8);
    EXPECT_EQ(PanelGammaCode(0.0126), 9);
    EXPECT_EQ(PanelGammaCode(-0.0124), 8);
    EXPECT_EQ(PanelGammaCode(-0.0126), 7);
    EXPECT_EQ(PanelGammaCode(0.1876), 16);
    EXPECT_EQ(PanelGammaStep(5.0), 8);
}

}  // namespace
}  // namespace halvo
