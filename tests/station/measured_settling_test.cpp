#include "station/measured_settling.h"
#include "station/task_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>

namespace halvo {
namespace {

Repeatability Colorimeter() {
    return Repeatability();
}

TEST(Repeatability, LoosensInTheDarkAndKeepsItsBounds) {
    const Repeatability r = Colorimeter();
    EXPECT_DOUBLE_EQ(r.lvTolerance(100.0), 0.4);
    EXPECT_DOUBLE_EQ(r.lvTolerance(0.1), 0.005);  // the floor: the display's last digits
    EXPECT_DOUBLE_EQ(r.uvTolerance(100.0), 0.0008);
    EXPECT_NEAR(r.uvTolerance(1.0), 0.008, 1e-12);
    EXPECT_DOUBLE_EQ(r.uvTolerance(0.0), 0.02);
    EXPECT_TRUE(ReadingsAgree({0.2, 0.45, 100.0}, {0.2005, 0.45, 100.3}, r));
    EXPECT_FALSE(ReadingsAgree({0.2, 0.45, 100.0}, {0.2, 0.45, 100.5}, r));
    EXPECT_FALSE(ReadingsAgree({0.2, 0.45, 100.0}, {0.2009, 0.45, 100.0}, r));
}

TEST(MeasuredSettling, PrescribedRunArmsThePrescribedWaitAndJudgesNothing) {
    VirtualScheduler s;
    MeasuredSettling settling;
    settling.armReading(s, 3000);
    EXPECT_FALSE(settling.open());
    s.runFor(2999);
    EXPECT_TRUE(s.isArmed(kTimerTrigger));
    s.runFor(1);
    EXPECT_FALSE(s.isArmed(kTimerTrigger));
    EXPECT_EQ(settling.offer({0.2, 0.45, 50.0}, s.nowMs(), Colorimeter()), MeasuredSettling::Verdict::Take);
}

// Readings every 350 ms of a panel approaching 100 cd/m2 from 60 with time constant tauMs, with
// the colorimeter's noise; the reading taken and when.
struct Taken {
    double lv = 0.0;
    int64_t atMs = 0;
    int readings = 0;
};
Taken Settle(double tauMs, int64_t boundMs, double noise, uint32_t seed) {
    VirtualScheduler s;
    MeasuredSettling settling;
    settling.setMode(RunMode::Fast);
    std::mt19937 random(seed);
    std::normal_distribution<double> n(0.0, 1.0);
    const int64_t changedAt = s.nowMs();
    settling.armReading(s, boundMs);
    EXPECT_TRUE(s.isArmed(kTimerTrigger));
    s.runOne();  // the first trigger
    Taken out;
    for (int k = 0; k < 100; ++k) {
        const double t = static_cast<double>(s.nowMs() - changedAt);
        const double lv = (100.0 - 40.0 * std::exp(-t / tauMs)) * (1.0 + noise * n(random));
        ++out.readings;
        s.runFor(350);
        if (settling.offer({0.2, 0.45, lv}, s.nowMs() - 350, Colorimeter()) == MeasuredSettling::Verdict::Take) {
            out.lv = lv;
            out.atMs = s.nowMs() - 350 - changedAt;
            return out;
        }
    }
    return out;
}

TEST(MeasuredSettling, AnOrdinaryPanelIsTakenAtTheSecondReading) {
    const Taken t = Settle(30.0, 3000, 0.001, 1);
    EXPECT_EQ(t.readings, 2);
    EXPECT_NEAR(t.lv, 100.0, 0.5);
    EXPECT_LT(t.atMs, 1000);
}

// A response slower than the instrument's pace makes two readings agree while the light is still
// climbing; the reading taken must be the settled light within the test's own tolerance.
TEST(MeasuredSettling, ASlowPanelIsNotTakenMidTransition) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        const Taken t = Settle(900.0, 60000, 0.001, seed);
        ASSERT_GT(t.readings, 0);
        EXPECT_NEAR(t.lv, 100.0, 1.0) << "seed " << seed << " taken at " << t.atMs << " ms";
        EXPECT_GT(t.atMs, 2000) << "seed " << seed;
    }
}

TEST(MeasuredSettling, ThePrescribedWaitIsTheUpperBound) {
    // A light that never settles within the wait (time constant 20 s): taken once it is over.
    const Taken t = Settle(20000.0, 3000, 0.001, 3);
    EXPECT_GE(t.atMs, 3000);
    EXPECT_LT(t.atMs, 3000 + 350);
}

// A run of changes from one light to the next on a panel that starts to move deadMs after a
// change and then follows with time constant tauMs; readings every 350 ms, noise-free so that
// what is judged is the response alone.
struct ChangeRun {
    VirtualScheduler s;
    MeasuredSettling settling;
    double tauMs;
    int64_t deadMs;
    double lv = 60.0;

    ChangeRun(double tau, int64_t dead) : tauMs(tau), deadMs(dead) { settling.setMode(RunMode::Fast); }

    // Changes to `to` and returns the reading taken and how many readings it took.
    std::pair<double, int> change(double to) {
        const double from = lv;
        const int64_t changedAt = s.nowMs();
        settling.armReading(s, 3000);
        s.runOne();
        for (int k = 1; k <= 20; ++k) {
            const double t = static_cast<double>(s.nowMs() - changedAt - deadMs);
            const double now = t <= 0 ? from : to - (to - from) * std::exp(-t / tauMs);
            s.runFor(350);
            if (settling.offer({0.2, 0.45, now}, s.nowMs() - 350, Colorimeter()) == MeasuredSettling::Verdict::Take) {
                lv = to;
                return {now, k};
            }
        }
        return {0.0, 0};
    }
};

TEST(MeasuredSettling, ASmallChangeOnAPanelKnownToRespondAtOnceTakesOneReading) {
    ChangeRun run(30.0, 0);
    EXPECT_EQ(run.change(100.0).second, 2) << "nothing known of the panel yet";
    EXPECT_EQ(run.change(100.1).second, 2) << "still nothing known: a small change teaches nothing";
    run.change(60.0);
    run.change(100.0);
    run.change(60.0);
    run.change(100.0);
    EXPECT_GE(run.settling.response().samples, MeasuredSettling::kResponseSamples);
    const auto [lv, readings] = run.change(100.2);
    EXPECT_EQ(readings, 1);
    EXPECT_NEAR(lv, 100.2, 1e-3);
    EXPECT_EQ(run.settling.singleReadings(), 1);
    EXPECT_EQ(run.change(70.0).second, 2) << "a large change is settled as ever";
}

// A panel that shows nothing of a change at the first reading would make that reading agree
// with the one before the change: what it teaches keeps every later reading to two.
TEST(MeasuredSettling, APanelLateToMoveIsNeverTakenAtItsFirstReading) {
    ChangeRun run(30.0, 400);
    for (int k = 0; k < 4; ++k) {
        run.change(k % 2 == 0 ? 100.0 : 60.0);
    }
    EXPECT_LT(run.settling.response().leastReached, MeasuredSettling::kTrustedShare);
    const auto [lv, readings] = run.change(100.0);
    EXPECT_GE(readings, 2);
    EXPECT_NEAR(lv, 100.0, 0.4);
    EXPECT_EQ(run.settling.singleReadings(), 0);
    // A new run knows nothing of the panel.
    run.settling.setMode(RunMode::Fast);
    EXPECT_EQ(run.settling.response().samples, 0);
}

TEST(MeasuredSettling, ACancelledSettlingJudgesNoLaterReading) {
    VirtualScheduler s;
    MeasuredSettling settling;
    settling.setMode(RunMode::Fast);
    settling.armReading(s, 3000);
    EXPECT_TRUE(settling.open());
    settling.cancel();
    EXPECT_FALSE(settling.open());
    EXPECT_EQ(settling.offer({0.2, 0.45, 50.0}, s.nowMs(), Colorimeter()), MeasuredSettling::Verdict::Take);
}

}  // namespace
}  // namespace halvo
