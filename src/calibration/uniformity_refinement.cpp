#include "calibration/uniformity_refinement.h"

#include <cmath>

#include "calibration/gradient_fit.h"
#include "common/text_format.h"

namespace halvo {

int RoundHalfAway(double v) {
    return static_cast<int>(std::trunc(v > 0.0 ? v + 0.5 : v - 0.5));
}

namespace {

// byte, window low .. high, offset, first-change gain, sign; positions 10..17.
constexpr RefinementRule kGradientRules[8] = {
    {3, -2.0, 2.0, 0.0, 0.5, -1},  {4, 0.0, 2.0, 0.0, 2.5, +1},   {1, -1.0, 1.0, 0.0, 0.5, -1},
    {2, -2.0, 2.0, 0.0, 2.0, +1},  {5, 1.0, 3.0, 2.0, 0.5, -1},   {7, 1.0, 3.0, 2.0, 1.25, +1},
    {6, -2.0, 2.0, 0.0, 0.5, +1},  {8, -2.0, 2.0, 0.0, 0.5, -1},
};
constexpr RefinementRule kShapeRules[8] = {
    {3, -3.0, 3.0, 0.0, 0.5, -1},  {4, 0.0, 3.0, 0.0, 2.5, +1},   {1, -2.0, 2.0, 0.0, 0.5, -1},
    {2, -3.0, 3.0, 0.0, 2.0, +1},  {5, 1.0, 4.0, 2.0, 0.5, -1},   {7, 1.0, 4.0, 2.0, 1.25, +1},
    {6, -3.0, 3.0, 0.0, 0.5, +1},  {8, -3.0, 3.0, 0.0, 0.5, -1},
};

constexpr int kCompensatedByteP0 = 0;
constexpr int kCompensatedByteP9 = 9;

}  // namespace

const RefinementRule& RefinementRuleOf(int position, bool shape) {
    const int k = position < 10 ? 0 : position > 17 ? 7 : position - 10;
    return shape ? kShapeRules[k] : kGradientRules[k];
}

void UniformityRefinement::start(const UniformityParams& firstPass, bool shape, bool txm400) {
    params_ = firstPass;
    shape_ = shape;
    txm400_ = txm400;
    reference_ = 0.0;
    referenceSet_ = false;
    position_ = -1;
    changes_ = 0;
}

void UniformityRefinement::beginPosition(int position) {
    position_ = position;
    changes_ = 0;
    lastChange_ = 0;
    pendingRaise_ = 0.0;
}

UniformityRefinement::Outcome UniformityRefinement::reading(int position, double lv) {
    Outcome out;
    if (position != position_) {
        beginPosition(position);
    }
    const RefinementRule& rule = RefinementRuleOf(position, shape_);
    const size_t byte = static_cast<size_t>(rule.byte);
    const double diff = reference_ - lv;
    const double error = diff - rule.offset;
    if (position == 11) {
        out.logLines.push_back(Format("target lum =  %f\n", reference_));
    }

    bool accepted = diff >= rule.low && diff <= rule.high;
    if (!accepted && txm400_ && !shape_ && position == 17 && changes_ > 0 &&
        std::fabs(error) >= previousError_) {
        params_[byte] = previousByte_;
        out.changed = true;
        out.tookBack = true;
        accepted = true;
    }
    if (!accepted && changes_ >= kMaxChanges) {
        out.gaveUp = true;
        accepted = true;
    }
    if (accepted) {
        if (position == 11) {
            reference_ += pendingRaise_;
        }
        if (position == 17) {
            const auto p0 = static_cast<uint8_t>(RecomputeRowCompensation(params_));
            out.changed = out.changed || p0 != params_[kCompensatedByteP0];
            params_[kCompensatedByteP0] = p0;
        }
        out.accepted = true;
        position_ = -1;
        return out;
    }

    int step = 0;
    if (changes_ == 0) {
        step = RoundHalfAway(error * rule.gain);
    } else {
        const double diffLum = lv - previousLv_;
        double delLevel = 0.0;
        double calLevel = 0.0;
        if (std::fabs(diffLum) < 1.0) {
            step = error > 0.0 ? 1 : -1;
            calLevel = step;
        } else {
            delLevel = std::fabs(diffLum) / std::abs(lastChange_);
            calLevel = error / delLevel;
            step = RoundHalfAway(calLevel);
        }
        out.logLines.push_back(Format("diff =  %f\n", diff));
        out.logLines.push_back(Format("diff_level_step =  %d\n", lastChange_));
        out.logLines.push_back(Format("diff_lum =  %f\n", diffLum));
        out.logLines.push_back(Format("del_level =  %f\n", delLevel));
        out.logLines.push_back(Format("cal_level =  %f\n", calLevel));
    }
    if (step == 0) {
        step = error > 0.0 ? 1 : -1;
    }
    previousLv_ = lv;
    previousError_ = std::fabs(error);
    previousByte_ = params_[byte];
    lastChange_ = step;
    params_[byte] = static_cast<uint8_t>(params_[byte] + rule.sign * step);  // wraps as a byte
    ++changes_;
    recompute(position);
    out.changed = true;
    return out;
}

// The compensation bytes follow the ramps they compensate; the whole screen dims or brightens
// with them, the reference too.
void UniformityRefinement::recompute(int position) {
    if (position == 11) {
        const int before = params_[kCompensatedByteP9];
        const int after = RecomputeVerticalCompensation(params_, txm400_);
        params_[kCompensatedByteP9] = static_cast<uint8_t>(after);
        if (after > before) {
            reference_ -= kReferencePerCompensation * (after - before);
        } else {
            pendingRaise_ += kReferencePerCompensation * (before - after);
        }
    } else if (position == 13) {
        const int before = params_[kCompensatedByteP0];
        const int after = RecomputeRowCompensation(params_);
        params_[kCompensatedByteP0] = static_cast<uint8_t>(after);
        if (after > before) {
            reference_ -= kReferencePerCompensation * (after - before);
        }
    }
}

}  // namespace halvo
