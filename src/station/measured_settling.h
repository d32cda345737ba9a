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
    // The first reading after a change is triggered this soon: an ordinary liquid crystal has
    // settled by then, so two readings are usually enough.
    static constexpr int64_t kFirstReadingMs = 250;

    RunMode mode() const { return mode_; }
    bool fast() const { return mode_ == RunMode::Fast; }
    void setMode(RunMode mode) { mode_ = mode; }

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
    void resetCounts() { discarded_ = 0; }

private:
    struct Open {
        int64_t startMs = 0;
        int64_t boundMs = 0;
        int count = 0;
        PatchReading previous;
        // The change from the reading before the previous one: the slow-panel check.
        double lvStep = 0.0;
        double uvStep = 0.0;
    };
    RunMode mode_ = RunMode::Prescribed;
    std::optional<Open> open_;
    int discarded_ = 0;
};

}  // namespace halvo
