// The fast run on the simulated panels: a calibration with measured settling and the model-based
// searches still passes the verification that follows; a panel that settles for seconds is
// read once settled, not mid-transition; a panel whose channels do not add up (strong
// crosstalk) makes the white model miss, and the search falls back and still converges.

#include <algorithm>
#include <cmath>
#include <vector>

#include "scenarios/fast_run_fixture.h"

namespace halvo::test {
namespace {

class FastRun : public NativeVerificationFixture {};

TEST_P(FastRun, CalibrationPassesTheVerificationThatFollows) {
    ready();
    station->setRunMode(RunMode::Fast);
    chooseRun(true, 1u, 1, false, {0, 1, 2, 3, 4, 5, 6});
    page().gammaStep.selected = 0;
    std::vector<int64_t> readAt;
    station->readingObserver = [&] { readAt.push_back(scheduler.nowMs()); };
    ASSERT_TRUE(calibrateAndStore());
    station->readingObserver = nullptr;
    EXPECT_EQ(logCount("CAL: Fast calibration: readings taken once settled"), 1);
    // The analyser is read as soon as its answer is in, not after the Measurement Wait; and the
    // small changes of the searches are taken at their first reading.
    int64_t shortest = 1000000;
    for (size_t k = 1; k < readAt.size(); ++k) {
        shortest = std::min(shortest, readAt[k] - readAt[k - 1]);
    }
    EXPECT_LT(shortest, station->setup().measurementWaitMs());
    EXPECT_GT(station->settling().singleReadings(), 0);
    const ReportBook book = verifyNative();
    EXPECT_GT(Judged(book), 10);
    EXPECT_EQ(OutOfRange(book), "");
    EXPECT_EQ(logCount("MES: Fast verification: readings taken once settled."), 1);
    // Every white found by the model, none by the prescribed search after it (colour-space
    // searches may go on as the prescribed one: their acceptance window is the instrument's noise).
    EXPECT_EQ(logCount("Fast white search"), 0);
    EXPECT_GT(station->settling().discardedReadings(), 0);
}

INSTANTIATE_TEST_SUITE_P(Panels, FastRun, ::testing::Values("wide-lcd", "cool-lcd"), PanelTestName);

class SlowPanel : public NativeVerificationFixture {
protected:
    // A grey level measured after the panel has had far longer than it needs.
    double settledGrey(int v) {
        return measure(MonitorCommand::DrawPattern, static_cast<uint32_t>(v | v << 8 | v << 16), 20000).lv;
    }
};

// The fast run takes a reading once it has settled, or when the prescribed wait is over: on a
// panel that takes seconds, it is never further from the settled light than the prescribed run,
// and where the panel settles within the wait it is at the settled light.
TEST_P(SlowPanel, TheFastVerificationReadsEveryGreyLevelSettled) {
    ready();
    station->setRunMode(RunMode::Fast);
    verifyNative();
    const auto fast = station->measurementResults.spaces[0].gamma;
    station->setRunMode(RunMode::Prescribed);
    verifyNative();
    const auto prescribed = station->measurementResults.spaces[0].gamma;
    int settledWithinTheWait = 0;
    for (int k = 1; k <= 10; ++k) {
        const int v = static_cast<int>(std::ceil(k * 25.5));
        const double settled = settledGrey(v);
        // Twice the instrument's repeatability: a reading taken while the panel still moves from
        // the level before is off by several per cent.
        const double tolerance = 0.008 * settled + 0.01;
        const double fastError = std::fabs(fast[static_cast<size_t>(k)].lv - settled);
        const double prescribedError = std::fabs(prescribed[static_cast<size_t>(k)].lv - settled);
        EXPECT_LE(fastError, prescribedError + tolerance) << "grey " << v;
        settledWithinTheWait += fastError <= tolerance ? 1 : 0;
    }
    EXPECT_GE(settledWithinTheWait, 7);
}

// What the run learns of a slow panel keeps every search step to readings that agree: none is
// taken at its first reading, and the whites found are where the prescribed search puts them.
TEST_P(SlowPanel, TheFastWhiteSearchTakesNoFirstReadingByItself) {
    ready();
    station->setRunMode(RunMode::Fast);
    chooseRun(false, 0u, 1, false, {0, 2, 4});
    ASSERT_TRUE(calibrateAndStore());
    EXPECT_EQ(station->settling().singleReadings(), 0);
    EXPECT_LT(station->settling().response().leastReached, MeasuredSettling::kTrustedShare);
    const WhitePointCalibration& wp = station->engine().whitePoint();
    for (size_t t : {0u, 2u, 4u}) {
        const ColorReading& r = wp.whitePointResults[t];
        const ColorReading& target = station->whiteTargets[t].target;
        EXPECT_LT(std::hypot(r.u - target.u, r.vp - target.vp), 0.002) << "row " << t;
    }
}

INSTANTIATE_TEST_SUITE_P(Panels, SlowPanel, ::testing::Values("cool-lcd-slow"), PanelTestName);

class Crosstalk : public NativeVerificationFixture {};

// The model copes with the crosstalk of every catalogue panel (and 30 %) within its budget; cut
// to one step, it cannot, and the search goes on as the prescribed one from where it stands.
TEST_P(Crosstalk, TheWhiteSearchFallsBackAndStillConverges) {
    ready();
    station->setRunMode(RunMode::Fast);
    station->engine().whitePoint().modelIterations = 1;
    chooseRun(false, 0u, 1, false, {0, 2, 4});
    ASSERT_TRUE(calibrateAndStore());
    EXPECT_EQ(logCount("did not converge in 1 steps: the prescribed search continues."), 3);
    const WhitePointCalibration& wp = station->engine().whitePoint();
    for (size_t t : {0u, 2u, 4u}) {
        EXPECT_GT(wp.iterations[t], 0) << "row " << t;
        const ColorReading& r = wp.whitePointResults[t];
        const ColorReading& target = station->whiteTargets[t].target;
        EXPECT_LT(std::hypot(r.u - target.u, r.vp - target.vp), 0.002) << "row " << t;
    }
}

INSTANTIATE_TEST_SUITE_P(Panels, Crosstalk, ::testing::Values("cool-lcd-crosstalk"), PanelTestName);

}  // namespace
}  // namespace halvo::test
