// Timers and waits on the virtual clock, and the wall-clock loop the command-line tool uses.

#include <gtest/gtest.h>

#include <vector>

#include "station/scheduler.h"

namespace halvo {
namespace {

struct Recorder {
    explicit Recorder(Scheduler& s) : scheduler(s) {
        s.setTimerHandler([this](int id) { fired.push_back({id, scheduler.nowMs()}); });
    }
    Scheduler& scheduler;
    std::vector<std::pair<int, int64_t>> fired;
};

TEST(VirtualScheduler, FiresOneShotTimersInDueOrder) {
    VirtualScheduler s;
    Recorder r(s);
    s.arm(2, 500);
    s.arm(3, 100);
    s.arm(5, 100);  // same due time: in the order armed
    s.runFor(1000);
    EXPECT_EQ(r.fired, (std::vector<std::pair<int, int64_t>>{{3, 100}, {5, 100}, {2, 500}}));
    EXPECT_EQ(s.nowMs(), 1000);
    EXPECT_FALSE(s.isArmed(2));  // one-shot
}

TEST(VirtualScheduler, RearmingReplacesAndStopCancels) {
    VirtualScheduler s;
    Recorder r(s);
    s.arm(1, 100);
    s.arm(1, 300);
    s.arm(4, 200);
    s.stop(4);
    s.runFor(1000);
    EXPECT_EQ(r.fired, (std::vector<std::pair<int, int64_t>>{{1, 300}}));
}

TEST(VirtualScheduler, SleepAdvancesTheClockWithoutFiringTimers) {
    VirtualScheduler s;
    Recorder r(s);
    s.arm(2, 10);
    s.sleep(1000);
    EXPECT_EQ(s.nowMs(), 1000);
    EXPECT_TRUE(r.fired.empty());
    // The overdue timer fires at once when the station's thread is free again.
    EXPECT_TRUE(s.runOne());
    EXPECT_EQ(r.fired, (std::vector<std::pair<int, int64_t>>{{2, 1000}}));
}

TEST(VirtualScheduler, RunUntilStopsOnTheConditionOrWhenNothingIsLeft) {
    VirtualScheduler s;
    int ticks = 0;
    s.setTimerHandler([&](int id) {
        ++ticks;
        s.arm(id, 100);  // a cycle without end
    });
    s.arm(1, 100);
    EXPECT_TRUE(s.runUntil([&] { return ticks == 5; }, 10000));
    EXPECT_EQ(s.nowMs(), 500);
    EXPECT_FALSE(s.runUntil([] { return false; }, 1000));  // bounded by virtual time
    EXPECT_EQ(s.nowMs(), 1500);
    s.arm(1, 5000);
    EXPECT_FALSE(s.runUntil([] { return false; }, 1000));  // nothing due in the time asked for
    EXPECT_EQ(s.nowMs(), 2500);
    s.stop(1);
    EXPECT_FALSE(s.runUntil([] { return false; }, 1000000));  // nothing armed: returns at once
}

TEST(RealTimeScheduler, RunsTimersOnTheWallClock) {
    RealTimeScheduler s;
    std::vector<int> fired;
    s.setTimerHandler([&](int id) {
        fired.push_back(id);
        if (id == 1) {
            s.arm(2, 5);
        }
    });
    s.arm(1, 5);
    const int64_t start = s.nowMs();
    EXPECT_TRUE(s.runUntil([&] { return fired.size() == 2; }, 5000));
    EXPECT_EQ(fired, (std::vector<int>{1, 2}));
    EXPECT_GE(s.nowMs() - start, 10);
}

}  // namespace
}  // namespace halvo
