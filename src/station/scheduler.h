#pragma once

// The station's only sources of time. Every step routine arms one-shot timers and takes its
// short blocking waits through a Scheduler, never through the system clock, so the same code
// runs on the real clock, in the Qt window and on a virtual clock in tests.

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace halvo {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; never goes backwards.
    virtual int64_t nowMs() const = 0;
};

class Scheduler : public Clock {
public:
    using TimerHandler = std::function<void(int timerId)>;

    // Who receives the timer ticks (the controller, or a front end driving one sequence).
    void setTimerHandler(TimerHandler handler) { handler_ = std::move(handler); }

    // One-shot timer: fires once after ms; arming an armed timer replaces it.
    virtual void arm(int timerId, int64_t ms) = 0;
    virtual void stop(int timerId) = 0;
    virtual bool isArmed(int timerId) const = 0;
    // A short blocking wait on the station's thread (after monitor commands). Timers do not
    // fire during it; devices keep running.
    virtual void sleep(int64_t ms) = 0;

protected:
    void fire(int timerId) {
        if (handler_) {
            handler_(timerId);
        }
    }

private:
    TimerHandler handler_;
};

// Timers kept as due times; shared by the virtual and the real-time schedulers.
class TimerQueue {
public:
    void arm(int timerId, int64_t due);
    void stop(int timerId) { timers_.erase(timerId); }
    bool isArmed(int timerId) const { return timers_.count(timerId) != 0; }
    bool empty() const { return timers_.empty(); }
    // The earliest timer (ties in the order they were armed), or {-1, 0} when none.
    std::pair<int, int64_t> earliest() const;

private:
    struct Due {
        int64_t at;
        uint64_t sequence;
    };
    std::map<int, Due> timers_;
    uint64_t sequence_ = 0;
};

// Virtual time for tests and the simulated station: timers fire in order of due time as fast
// as the machine runs; sleep() advances the clock at once. Simulated devices read the same
// clock, so they progress with it.
class VirtualScheduler : public Scheduler {
public:
    int64_t nowMs() const override { return now_; }
    void arm(int timerId, int64_t ms) override;
    void stop(int timerId) override { timers_.stop(timerId); }
    bool isArmed(int timerId) const override { return timers_.isArmed(timerId); }
    void sleep(int64_t ms) override;

    // Fires the earliest timer, advancing the clock to it. False when no timer is armed.
    bool runOne();
    // Runs every timer due within the next ms, then leaves the clock at now + ms.
    void runFor(int64_t ms);
    // Runs timers until done() holds (checked after every tick) or maxMs of virtual time have
    // passed (the clock then stands at now + maxMs) or no timer is left. True when done() held.
    bool runUntil(const std::function<bool()>& done, int64_t maxMs);

    uint64_t ticksFired() const { return ticks_; }

private:
    int64_t now_ = 0;
    TimerQueue timers_;
    uint64_t ticks_ = 0;
};

// Wall-clock time for the command-line tool: a loop that sleeps until the next timer.
class RealTimeScheduler : public Scheduler {
public:
    RealTimeScheduler();
    int64_t nowMs() const override;
    void arm(int timerId, int64_t ms) override;
    void stop(int timerId) override { timers_.stop(timerId); }
    bool isArmed(int timerId) const override { return timers_.isArmed(timerId); }
    void sleep(int64_t ms) override;

    // Runs timers until done() holds, maxMs pass or no timer is left. True when done() held.
    bool runUntil(const std::function<bool()>& done, int64_t maxMs);

private:
    int64_t startNs_;
    TimerQueue timers_;
};

}  // namespace halvo
