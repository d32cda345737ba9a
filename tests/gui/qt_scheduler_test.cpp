// The station's timers on Qt's event loop.

#include <gtest/gtest.h>

#include <vector>

#include "gui/qt_scheduler.h"
#include "gui_fixture.h"

namespace halvo::gui {
namespace {

class QtTimers : public ::testing::Test {
protected:
    void SetUp() override {
        scheduler.setTimerHandler([this](int id) {
            fired.push_back(id);
            if (onFire) {
                onFire(id);
            }
        });
    }
    bool runUntil(size_t count, int maxMs = 2000) {
        return test::ProcessEventsUntil([&] { return fired.size() >= count; }, maxMs);
    }

    QtScheduler scheduler;
    std::vector<int> fired;
    std::function<void(int)> onFire;
};

TEST_F(QtTimers, FireOnceInOrderOfDueTimeAndReArmingReplaces) {
    scheduler.arm(3, 60);
    scheduler.arm(2, 10);
    scheduler.arm(5, 200);
    scheduler.arm(5, 30);  // replaces the 200 ms
    scheduler.arm(7, 40);
    scheduler.stop(7);
    EXPECT_TRUE(scheduler.isArmed(3));
    EXPECT_FALSE(scheduler.isArmed(7));
    ASSERT_TRUE(runUntil(3));
    test::ProcessEventsUntil([] { return false; }, 250);
    EXPECT_EQ(fired, (std::vector<int>{2, 5, 3}));
    EXPECT_FALSE(scheduler.isArmed(3));
}

TEST_F(QtTimers, NothingFiresInsideASleep) {
    // A step that sleeps past another timer's due time: that timer fires after the step, never
    // in the middle of it.
    std::vector<int> duringSleep;
    onFire = [&](int id) {
        if (id == 1) {
            const int64_t before = scheduler.nowMs();
            scheduler.sleep(80);
            EXPECT_GE(scheduler.nowMs() - before, 80);
            duringSleep = fired;
        }
    };
    scheduler.arm(1, 0);
    scheduler.arm(2, 20);
    ASSERT_TRUE(runUntil(2));
    EXPECT_EQ(duringSleep, (std::vector<int>{1}));
    EXPECT_EQ(fired, (std::vector<int>{1, 2}));
}

TEST_F(QtTimers, TheWindowKeepsPaintingDuringALongWait) {
    // Events that are not the station's timers, such as paints, are delivered in a wait; the
    // station's timers are not.
    bool delivered = false;
    QObject context;
    QMetaObject::invokeMethod(&context, [&] { delivered = true; }, Qt::QueuedConnection);
    scheduler.arm(9, 0);
    scheduler.sleep(100);
    EXPECT_TRUE(delivered);
    EXPECT_TRUE(fired.empty());
    EXPECT_TRUE(scheduler.isArmed(9));
    ASSERT_TRUE(runUntil(1));
    EXPECT_EQ(fired, (std::vector<int>{9}));
}

TEST_F(QtTimers, AHoldDefersTimersUntilItEnds) {
    {
        QtScheduler::Hold hold(&scheduler);
        scheduler.arm(4, 0);
        scheduler.arm(6, 5);
        scheduler.arm(8, 5);
        test::ProcessEventsUntil([] { return false; }, 60);  // a dialog's own event loop
        EXPECT_TRUE(fired.empty());
        EXPECT_TRUE(scheduler.isArmed(4));
        scheduler.stop(8);  // stopped while held: never fires
        EXPECT_FALSE(scheduler.isArmed(8));
    }
    ASSERT_TRUE(runUntil(2));
    test::ProcessEventsUntil([] { return false; }, 30);
    EXPECT_EQ(fired, (std::vector<int>{4, 6}));
}

}  // namespace
}  // namespace halvo::gui
