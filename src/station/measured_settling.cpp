#include "station/measured_settling.h"

#include <algorithm>
#include <cmath>

#include "station/task_state.h"

namespace halvo {

double Repeatability::lvTolerance(double lv) const {
    return std::max(lvRelative * std::fabs(lv), lvFloor);
}

double Repeatability::uvTolerance(double lv) const {
    return std::min(uvAt100 * std::sqrt(100.0 / std::max(lv, 0.01)), uvCeiling);
}

bool ReadingsAgree(const PatchReading& a, const PatchReading& b, const Repeatability& r) {
    const double lv = std::max(a.lv, b.lv);
    return std::fabs(a.lv - b.lv) <= r.lvTolerance(lv) && std::hypot(a.u - b.u, a.vp - b.vp) <= r.uvTolerance(lv);
}

void MeasuredSettling::armReading(Scheduler& scheduler, int64_t prescribedMs) {
    if (!fast()) {
        scheduler.arm(kTimerTrigger, prescribedMs);
        return;
    }
    Open o;
    o.startMs = scheduler.nowMs();
    o.boundMs = prescribedMs;
    open_ = o;
    scheduler.arm(kTimerTrigger, std::min(prescribedMs, kFirstReadingMs));
}

namespace {

// What is still to come of a change that decays geometrically: step q / (1 - q) with q the
// ratio of the last two steps. A panel whose response is slower than the instrument's pace
// makes two readings agree while it is still moving; only a step that follows a larger one in
// the same direction can say how much is left.
double StillToCome(double step, double earlierStep) {
    if (earlierStep == 0.0 || step * earlierStep <= 0.0) {
        return 0.0;
    }
    const double q = step / earlierStep;
    if (q >= 0.95) {
        return std::fabs(step) * 20.0;
    }
    return std::fabs(step) * q / (1.0 - q);
}

}  // namespace

MeasuredSettling::Verdict MeasuredSettling::offer(const PatchReading& reading, int64_t nowMs,
                                                  const Repeatability& r) {
    if (!open_) {
        return Verdict::Take;
    }
    Open& o = *open_;
    ++o.count;
    if (nowMs - o.startMs >= o.boundMs) {
        open_.reset();
        return Verdict::Take;
    }
    const double lvStep = reading.lv - o.previous.lv;
    const double uvStep = std::hypot(reading.u - o.previous.u, reading.vp - o.previous.vp);
    bool settled = false;
    if (o.count >= 2 && ReadingsAgree(reading, o.previous, r)) {
        const double lv = std::max(reading.lv, o.previous.lv);
        // A step beyond the noise just before says the light was still moving: one agreeing
        // step is not enough then, the next must agree too, and what the two say is left.
        const bool wasMoving = std::fabs(o.lvStep) > r.lvTolerance(lv) || o.uvStep > r.uvTolerance(lv);
        settled = !wasMoving && StillToCome(lvStep, o.lvStep) <= r.lvTolerance(lv) &&
                  StillToCome(uvStep, o.uvStep) <= r.uvTolerance(lv);
    }
    if (settled) {
        open_.reset();
        return Verdict::Take;
    }
    o.lvStep = o.count >= 2 ? lvStep : 0.0;
    o.uvStep = o.count >= 2 ? uvStep : 0.0;
    o.previous = reading;
    ++discarded_;
    return Verdict::Again;
}

}  // namespace halvo
