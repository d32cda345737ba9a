#include "station/scheduler.h"

#include <chrono>
#include <thread>

namespace halvo {

void TimerQueue::arm(int timerId, int64_t due) {
    timers_[timerId] = {due, sequence_++};
}

std::pair<int, int64_t> TimerQueue::earliest() const {
    int id = -1;
    Due best{0, 0};
    for (const auto& [timer, due] : timers_) {
        if (id < 0 || due.at < best.at || (due.at == best.at && due.sequence < best.sequence)) {
            id = timer;
            best = due;
        }
    }
    return {id, best.at};
}

void VirtualScheduler::arm(int timerId, int64_t ms) {
    timers_.arm(timerId, now_ + (ms < 0 ? 0 : ms));
}

void VirtualScheduler::sleep(int64_t ms) {
    if (ms > 0) {
        now_ += ms;
    }
}

bool VirtualScheduler::runOne() {
    const auto [id, due] = timers_.earliest();
    if (id < 0) {
        return false;
    }
    if (due > now_) {
        now_ = due;
    }
    timers_.stop(id);
    ++ticks_;
    fire(id);
    return true;
}

void VirtualScheduler::runFor(int64_t ms) {
    const int64_t end = now_ + ms;
    for (;;) {
        const auto [id, due] = timers_.earliest();
        if (id < 0 || due > end) {
            break;
        }
        runOne();
    }
    if (now_ < end) {
        now_ = end;
    }
}

bool VirtualScheduler::runUntil(const std::function<bool()>& done, int64_t maxMs) {
    const int64_t end = now_ + maxMs;
    while (!done()) {
        const auto [id, due] = timers_.earliest();
        if (id < 0) {
            return done();
        }
        if (due > end) {
            now_ = end;  // the time asked for has passed with nothing due
            return done();
        }
        runOne();
    }
    return true;
}

namespace {

int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

RealTimeScheduler::RealTimeScheduler() : startNs_(SteadyNs()) {}

int64_t RealTimeScheduler::nowMs() const {
    return (SteadyNs() - startNs_) / 1000000;
}

void RealTimeScheduler::arm(int timerId, int64_t ms) {
    timers_.arm(timerId, nowMs() + (ms < 0 ? 0 : ms));
}

void RealTimeScheduler::sleep(int64_t ms) {
    if (ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

bool RealTimeScheduler::runUntil(const std::function<bool()>& done, int64_t maxMs) {
    const int64_t end = nowMs() + maxMs;
    while (!done()) {
        const auto [id, due] = timers_.earliest();
        if (id < 0) {
            return done();
        }
        const int64_t now = nowMs();
        if (due > now) {
            if (due > end) {
                sleep(end - now);
                return done();
            }
            sleep(due - now);
        }
        if (timers_.isArmed(id)) {
            timers_.stop(id);
            fire(id);
        }
    }
    return true;
}

}  // namespace halvo
