#pragma once

// The run's choice between the prescribed waits and the fast run, and the fast run's measured
// settling: after a picture change the instrument reads at its own pace, and a reading is taken
// once it agrees with the one before it within the instrument's repeatability. The prescribed
// wait stays the upper bound, so a panel that never settles costs no more than the prescribed
// run. Waits that a monitor mode change needs (the blocking waits after its commands) are not
// touched: only the wait between a pattern and its measurement is.

#include <cstdint>
#include <optional>

#include "station/scheduler.h"

namespace halvo {

enum class RunMode { Prescribed, Fast };

// How far two readings of an unchanged patch may differ for the instrument, at a light level:
// a relative luminance term with an absolute floor, and a u'v' term that grows in the dark as
// photon noise does (1 / sqrt(Lv)). The defaults are those of a tristimulus colorimeter of the
// CA class — about 0.1 % in luminance and a few ten-thousandths in u'v' at 100 cd/m2 — widened
// for the difference of two readings.
struct Repeatability {
    double lvRelative = 0.004;
    double lvFloor = 0.005;     // cd/m2: the display's last digits
    double uvAt100 = 0.0008;    // u'v' distance at 100 cd/m2
    double uvCeiling = 0.02;    // the dark end: no tighter test can be met there

    double lvTolerance(double lv) const;
    double uvTolerance(double lv) const;
};

// What settling compares of a reading.
struct PatchReading {
    double u = 0.0;   // u'
    double vp = 0.0;  // v'
    double lv = 0.0;  // cd/m2
};

// Two readings of one patch agree within the repeatability (luminance and u'v' both).
bool ReadingsAgree(const PatchReading& a, const PatchReading& b, const Repeatability& r);

class MeasuredSettling {
public:
    // The first reading after a new pattern is triggered this soon: an ordinary liquid crystal
    // has settled by then, so two readings are usually enough.
    static constexpr int64_t kFirstReadingMs = 250;
    // A search step (a change the prescribed run waits a second or less for) moves the light a
    // little: its first reading comes sooner, and on a panel that responds at once it is often
    // the only one.
    static constexpr int64_t kStepWaitMs = 1000;
    static constexpr int64_t kFirstStepReadingMs = 150;
    // The fast run's trigger after an accepted search, before the next one sets up.
    static constexpr int64_t kNextSearchMs = 10;

    // Before learning from a panel's response, this many changes large enough to tell.
    static constexpr int kResponseSamples = 3;
    // The share of a change the first reading after it must have reached, on every change seen,
    // before a first reading is taken by itself (when the change it shows is small enough that
    // what can be left of it is well within the noise).
    static constexpr double kTrustedShare = 0.8;

    RunMode mode() const { return mode_; }
    bool fast() const { return mode_ == RunMode::Fast; }
    // A run starts: its mode, and nothing known yet of the panel it measures.
    void setMode(RunMode mode) {
        mode_ = mode;
        response_ = Response();
        lastTaken_.reset();
    }

    // The measurement after a picture change: in the prescribed run the timer fires after the
    // prescribed wait; in the fast run readings start at once and are offered to offer().
    void armReading(Scheduler& scheduler, int64_t prescribedMs);
    // A run starts or ends: a settling still open belongs to nobody.
    void cancel() { open_.reset(); }
    bool open() const { return open_.has_value(); }

    enum class Verdict { Take, Again };
    // A reading of the settling in hand. Take: it is settled (or the prescribed wait is over);
    // Again: trigger another reading at once.
    Verdict offer(const PatchReading& reading, int64_t nowMs, const Repeatability& r);

    // Readings taken in the fast run and given up as still settling (for the run's summary).
    int discardedReadings() const { return discarded_; }
    // Readings taken by themselves: a small change on a panel known to respond at once.
    int singleReadings() const { return singles_; }
    void resetCounts() {
        discarded_ = 0;
        singles_ = 0;
    }

    // What the run has learnt of the panel: how many changes it has seen large enough to tell,
    // and the least share of such a change the first reading after it had reached.
    struct Response {
        int samples = 0;
        double leastReached = 1.0;
    };
    const Response& response() const { return response_; }

private:
    struct Open {
        int64_t startMs = 0;
        int64_t boundMs = 0;
        int count = 0;
        // The reading taken before the change, and the first one after it.
        std::optional<PatchReading> before;
        PatchReading first;
        PatchReading previous;
        // The change from the reading before the previous one: the slow-panel check.
        double lvStep = 0.0;
        double uvStep = 0.0;
    };
    bool respondsAtOnce() const {
        return response_.samples >= kResponseSamples && response_.leastReached >= kTrustedShare;
    }
    void learn(const Open& o, const PatchReading& taken, const Repeatability& r);
    Verdict take(const PatchReading& reading);

    RunMode mode_ = RunMode::Prescribed;
    std::optional<Open> open_;
    std::optional<PatchReading> lastTaken_;
    Response response_;
    int discarded_ = 0;
    int singles_ = 0;
};

}  // namespace halvo
