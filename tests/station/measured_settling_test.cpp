#include "station/measured_settling.h"
#include "station/task_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

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
