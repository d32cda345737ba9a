#include "gui/qt_scheduler.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>

#include <QCoreApplication>

namespace halvo::gui {

QtScheduler::QtScheduler() { clock_.start(); }

QtScheduler::~QtScheduler() {
    for (auto& [id, timer] : timers_) {
        timer->stop();
    }
}

int64_t QtScheduler::nowMs() const { return clock_.elapsed(); }

void QtScheduler::arm(int timerId, int64_t ms) {
    std::unique_ptr<QTimer>& timer = timers_[timerId];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        timer->setSingleShot(true);
        // The station's periods are short and exact (100 ms polls, 1 s countdown ticks); the
        // default coarse timers may drift by 5 %.
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer.get(), &QTimer::timeout, &context_, [this, timerId] { timeout(timerId); });
    }
    forgetDue(timerId);
    timer->start(static_cast<int>(std::clamp<int64_t>(ms, 0, INT_MAX)));
}

void QtScheduler::stop(int timerId) {
    forgetDue(timerId);
    const auto it = timers_.find(timerId);
    if (it != timers_.end()) {
        it->second->stop();
    }
}

bool QtScheduler::isArmed(int timerId) const {
    if (std::find(due_.begin(), due_.end(), timerId) != due_.end()) {
        return true;
    }
    const auto it = timers_.find(timerId);
    return it != timers_.end() && it->second->isActive();
}

void QtScheduler::sleep(int64_t ms) {
    if (ms <= 0) {
        return;
    }
    using Steady = std::chrono::steady_clock;
    constexpr auto kSlice = std::chrono::milliseconds(10);
    constexpr int64_t kPumpEveryMs = 30;
    const Hold hold(this);
    const Steady::time_point end = Steady::now() + std::chrono::milliseconds(ms);
    for (Steady::time_point now = Steady::now(); now < end; now = Steady::now()) {
        if (nowMs() - lastPumpMs_ >= kPumpEveryMs && QCoreApplication::instance()) {
            lastPumpMs_ = nowMs();
            // Paints and the desktop's messages only: the operator's clicks and keys wait for
            // the step to finish, and the station's timers are held.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            continue;
        }
        std::this_thread::sleep_for(std::min<Steady::duration>(kSlice, end - now));
    }
}

void QtScheduler::timeout(int timerId) {
    if (holds_ > 0) {
        due_.push_back(timerId);
        return;
    }
    fire(timerId);
}

void QtScheduler::forgetDue(int timerId) { due_.erase(std::remove(due_.begin(), due_.end(), timerId), due_.end()); }

void QtScheduler::release() {
    if (--holds_ > 0 || due_.empty()) {
        return;
    }
    // Back through the event loop, so that they fire after the dialog's own step has finished.
    const std::vector<int> due = due_;
    for (int id : due) {
        arm(id, 0);
    }
}

}  // namespace halvo::gui
