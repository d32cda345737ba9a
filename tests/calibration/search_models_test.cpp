// The fast run's search models on panels whose behaviour the test knows exactly.

#include <gtest/gtest.h>

#include <cmath>

#include "calibration/colour_space_model.h"
#include "calibration/white_gain_model.h"

namespace halvo {
namespace {

// A panel whose full white is the sum of its primaries scaled by the gains (column c: the XYZ
// of primary c per gain unit), less a share lost to crosstalk when all three are driven.
Vec3 PanelWhite(const Mat3& m, const Vec3& g, double crosstalk) {
    Vec3 out{};
    const double mean = (g[0] + g[1] + g[2]) / (3.0 * 255.0);
    for (size_t r = 0; r < 3; ++r) {
        for (size_t c = 0; c < 3; ++c) {
            out[r] += m[r][c] * g[c] * (1.0 - crosstalk * mean);
        }
    }
    return out;
}

// Primaries of a wide-gamut panel (not the model's assumed broadcast ones), white near 200 cd/m2.
Mat3 WidePanel() {
    const double xy[3][2] = {{0.69, 0.30}, {0.21, 0.73}, {0.135, 0.05}};
    const double Y[3] = {0.25, 0.62, 0.06};
    Mat3 m{};
    for (size_t c = 0; c < 3; ++c) {
        const double x = xy[c][0], y = xy[c][1];
        m[0][c] = x / y * Y[c];
        m[1][c] = Y[c];
        m[2][c] = (1.0 - x - y) / y * Y[c];
    }
    return m;
}

double UvDistance(const Vec3& XYZ, double u, double vp) {
    const double d = XYZ[0] + 15.0 * XYZ[1] + 3.0 * XYZ[2];
    return std::hypot(4.0 * XYZ[0] / d - u, 9.0 * XYZ[1] / d - vp);
}

TEST(WhiteGainModel, ReachesTheTargetOfAPanelWithOtherPrimariesAndCrosstalkInAFewSteps) {
    for (double crosstalk : {0.0, 0.08, 0.3}) {
        const Mat3 panel = WidePanel();
        WhiteGainModel model;
        Vec3 g{200.0, 180.0, 160.0};
        Vec3 w = PanelWhite(panel, g, crosstalk);
        ASSERT_TRUE(model.build(w, g));
        // 6500 K (u' 0.1978, v' 0.4683) at 100 cd/m2.
        int steps = 0;
        while (steps < 8 && (UvDistance(w, 0.1978, 0.4683) > 0.0003 || std::fabs(w[1] - 100.0) > 0.5)) {
            const std::optional<Vec3> next = model.aim(w, g, 0.1978, 0.4683, 100.0, nullptr);
            ASSERT_TRUE(next);
            const Vec3 before = g, whiteBefore = w;
            g = *next;
            w = PanelWhite(panel, g, crosstalk);
            model.update(before, whiteBefore, g, w);
            ++steps;
        }
        EXPECT_LE(steps, 4) << "crosstalk " << crosstalk;
        EXPECT_LT(UvDistance(w, 0.1978, 0.4683), 0.0003) << "crosstalk " << crosstalk;
        EXPECT_NEAR(w[1], 100.0, 0.5) << "crosstalk " << crosstalk;
    }
}

TEST(WhiteGainModel, AnUnreachableLuminanceIsLoweredUntilNoGainPassesFullDrive) {
    const Mat3 panel = WidePanel();
    WhiteGainModel model;
    const Vec3 g{200.0, 180.0, 160.0};
    const Vec3 w = PanelWhite(panel, g, 0.0);
    ASSERT_TRUE(model.build(w, g));
    double reachable = 0.0;
    const std::optional<Vec3> next = model.aim(w, g, 0.1978, 0.4683, 1000.0, &reachable);
    ASSERT_TRUE(next);
    EXPECT_LT(reachable, 1000.0);
    EXPECT_NEAR(std::max({(*next)[0], (*next)[1], (*next)[2]}), 255.0, 1e-6);
}

TEST(WhiteGainModel, NoModelFromAReadingNoMixOfThePrimariesGives) {
    WhiteGainModel model;
    EXPECT_FALSE(model.build({0.0, 0.0, 0.0}, {255.0, 255.0, 255.0}));
    EXPECT_FALSE(model.built());
    EXPECT_FALSE(model.aim({1.0, 1.0, 1.0}, {1.0, 1.0, 1.0}, 0.2, 0.46, 100.0, nullptr));
}

// An error that is linear in the values with a derivative far from the prescribed factors' (the
// fixed-fraction steps of the prescribed search take many readings on it): the secant search
// goes the whole way once it has seen a step.
TEST(SecantSearch, LearnsTheRealScaleFromItsFirstStep) {
    // A third of the light per value step the factors assume, with some of it on other channels:
    // the prescribed steps go a third of the way each time.
    Mat3 truth = PrescribedColourModel(1);
    for (size_t r = 0; r < 3; ++r) {
        for (size_t c = 0; c < 3; ++c) {
            truth[r][c] *= 3.0;
        }
    }
    truth[2][0] += 0.002;
    const Vec3 start{0.0, 0.0, 0.0};
    const Vec3 aim{0.0, 0.0, 0.25};
    const Vec3 solution{-60.0, 40.0, 20.0};
    const auto error = [&](const Vec3& v) {
        Vec3 e{};
        for (size_t r = 0; r < 3; ++r) {
            for (size_t c = 0; c < 3; ++c) {
                e[r] += truth[r][c] * (v[c] - solution[c]);
            }
        }
        e[2] += 0.25;
        return e;
    };
    SecantSearch search;
    search.start(PrescribedColourModel(1));
    Vec3 v = start;
    int steps = 0;
    for (; steps < 12; ++steps) {
        const Vec3 e = error(v);
        if (std::fabs(e[0]) < 1e-4 && std::fabs(e[1]) < 1e-4 && std::fabs(e[2] - 0.25) < 0.05) {
            break;
        }
        search.observe(v, e);
        const std::optional<Vec3> next = search.next(aim);
        ASSERT_TRUE(next);
        v = *next;
    }
    // Broyden ends a linear problem of three unknowns in at most 2 x 3 steps after its first;
    // the prescribed steps, a third of the way each, take about ten.
    EXPECT_LE(steps, 7);
    EXPECT_NEAR(v[0], solution[0], 1.0);
    EXPECT_NEAR(v[1], solution[1], 1.0);
    EXPECT_NEAR(v[2], solution[2], 1.0);
}

TEST(SecantSearch, ThePrescribedModelsNewtonStepIsThePrescribedStep) {
    // Red: dR = -400 du' + L, dG = 400 du' + L, dB = 900 dv' + L.
    SecantSearch search;
    search.start(PrescribedColourModel(1));
    search.observe({10.0, 20.0, 30.0}, {0.01, -0.02, 1.5});
    const std::optional<Vec3> next = search.next({0.0, 0.0, 0.0});
    ASSERT_TRUE(next);
    EXPECT_NEAR((*next)[0], 10.0 - 4.0 + 1.5, 1e-9);
    EXPECT_NEAR((*next)[1], 20.0 + 4.0 + 1.5, 1e-9);
    EXPECT_NEAR((*next)[2], 30.0 - 18.0 + 1.5, 1e-9);
}

}  // namespace
}  // namespace halvo
