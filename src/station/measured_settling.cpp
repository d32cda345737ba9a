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
    o.before = lastTaken_;
    open_ = o;
    const int64_t first = prescribedMs <= kStepWaitMs ? kFirstStepReadingMs : kFirstReadingMs;
    scheduler.arm(kTimerTrigger, std::min(prescribedMs, first));
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

// A change tells how far the panel had got only when it is large against the noise: at twenty
// times the repeatability, the noise moves the share by a few hundredths.
constexpr double kTellingChange = 20.0;

// The share of the change from `before` to `after` that `first` had reached, along the change;
// nullopt when the change is too small against the noise to tell.
std::optional<double> ShareReached(double before, double first, double after, double tolerance) {
    const double change = after - before;
    if (std::fabs(change) < kTellingChange * tolerance) {
        return std::nullopt;
    }
    return (first - before) / change;
}

std::optional<double> ShareReached(const PatchReading& before, const PatchReading& first, const PatchReading& after,
                                   double tolerance) {
    const double du = after.u - before.u;
    const double dv = after.vp - before.vp;
    const double change = std::hypot(du, dv);
    if (change < kTellingChange * tolerance) {
        return std::nullopt;
    }
    return ((first.u - before.u) * du + (first.vp - before.vp) * dv) / (change * change);
}

// The share of a change a first reading is taken to lack at least, however fast the panel
// looked: the learnt share is itself measured through the noise.
constexpr double kLeastShareLeft = 0.02;

bool LittleLeft(const PatchReading& before, const PatchReading& first, double leastReached, const Repeatability& r) {
    const double left = std::max((1.0 - leastReached) / leastReached, kLeastShareLeft);
    const double lv = std::max(first.lv, before.lv);
    return left * std::fabs(first.lv - before.lv) <= 0.25 * r.lvTolerance(lv) &&
           left * std::hypot(first.u - before.u, first.vp - before.vp) <= 0.25 * r.uvTolerance(lv);
}

}  // namespace

// A change seen from before to after, with its first reading in between, says how far this
// panel gets by the first reading. The least share over the run is what counts: one slow
// transition is enough to keep every later reading to the two-reading rule.
void MeasuredSettling::learn(const Open& o, const PatchReading& taken, const Repeatability& r) {
    if (!o.before || o.count < 2) {
        return;
    }
    // Luminance noise is that of the brighter reading, chromaticity noise that of the darker.
    const double bright = std::max(taken.lv, o.before->lv);
    const double dark = std::min(taken.lv, o.before->lv);
    for (const std::optional<double> share :
         {ShareReached(o.before->lv, o.first.lv, taken.lv, r.lvTolerance(bright)),
          ShareReached(*o.before, o.first, taken, r.uvTolerance(dark))}) {
        if (share) {
            ++response_.samples;
            response_.leastReached = std::min(response_.leastReached, *share);
        }
    }
}

MeasuredSettling::Verdict MeasuredSettling::take(const PatchReading& reading) {
    open_.reset();
    lastTaken_ = reading;
    return Verdict::Take;
}

MeasuredSettling::Verdict MeasuredSettling::offer(const PatchReading& reading, int64_t nowMs,
                                                  const Repeatability& r) {
    if (!open_) {
        return Verdict::Take;
    }
    Open& o = *open_;
    ++o.count;
    if (nowMs - o.startMs >= o.boundMs) {
        learn(o, reading, r);
        return take(reading);
    }
    if (o.count == 1) {
        o.first = reading;
        // On a panel whose first readings have always been most of the way, what is left of a
        // change is at most the share not yet reached, scaled to the change the first reading
        // shows: a change small enough leaves less than a quarter of the noise.
        if (o.before && respondsAtOnce() && LittleLeft(*o.before, reading, response_.leastReached, r)) {
            ++singles_;
            return take(reading);
        }
    }
    const double lvStep = reading.lv - o.previous.lv;
    const double uvStep = std::hypot(reading.u - o.previous.u, reading.vp - o.previous.vp);
    bool settled = false;
    if (o.count >= 2 && ReadingsAgree(reading, o.previous, r)) {
        const double lv = std::max(reading.lv, o.previous.lv);
        // A step beyond the noise just before says the light was still moving: one agreeing
        // step is not enough then, the next must agree too, and what the two say is left.
        // On a panel known to get most of the way by the first reading, that step is the tail
        // of a fast response, and what the two steps say is left decides alone.
        const bool wasMoving = !respondsAtOnce() && (std::fabs(o.lvStep) > r.lvTolerance(lv) || o.uvStep > r.uvTolerance(lv));
        settled = !wasMoving && StillToCome(lvStep, o.lvStep) <= r.lvTolerance(lv) &&
                  StillToCome(uvStep, o.uvStep) <= r.uvTolerance(lv);
    }
    if (settled) {
        learn(o, reading, r);
        return take(reading);
    }
    o.lvStep = o.count >= 2 ? lvStep : 0.0;
    o.uvStep = o.count >= 2 ? uvStep : 0.0;
    o.previous = reading;
    ++discarded_;
    return Verdict::Again;
}

}  // namespace halvo
