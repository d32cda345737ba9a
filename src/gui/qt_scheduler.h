#pragma once

// The station's timers on Qt's event loop: one single-shot QTimer per timer id, on the wall
// clock. sleep() blocks the station's step for its whole duration and no station timer fires in
// it, just as the steps expect; meanwhile the window keeps painting and answering the desktop
// (events other than the operator's input are let through every few tens of milliseconds), so a
// two-second wait or a half-minute EEPROM write does not leave a dead window behind.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <map>
#include <memory>
#include <vector>

#include "station/scheduler.h"

namespace halvo::gui {

class QtScheduler : public Scheduler {
public:
    QtScheduler();
    ~QtScheduler() override;
    QtScheduler(const QtScheduler&) = delete;
    QtScheduler& operator=(const QtScheduler&) = delete;

    int64_t nowMs() const override;
    void arm(int timerId, int64_t ms) override;
    void stop(int timerId) override;
    bool isArmed(int timerId) const override;
    void sleep(int64_t ms) override;

    // While a dialog the station waits on runs its own event loop (a question, a file dialog),
    // timers that come due are held back and fire, in the order they came due, once the last
    // hold ends. The step that asked is still on the stack then, and must not be re-entered.
    class Hold {
    public:
        explicit Hold(QtScheduler* scheduler) : scheduler_(scheduler) {
            if (scheduler_) {
                scheduler_->hold();
            }
        }
        ~Hold() {
            if (scheduler_) {
                scheduler_->release();
            }
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        QtScheduler* scheduler_;
    };

private:
    void hold() { ++holds_; }
    void release();
    void timeout(int timerId);
    void forgetDue(int timerId);

    QObject context_;
    QElapsedTimer clock_;
    std::map<int, std::unique_ptr<QTimer>> timers_;
    std::vector<int> due_;
    int holds_ = 0;
    int64_t lastPumpMs_ = 0;
};

}  // namespace halvo::gui
