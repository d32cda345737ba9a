#pragma once

// The refinement pass of the gradient and shape methods. The first reading (position 9, Left
// Top) is the reference; at every later position diff = reference - reading is brought into the
// position's window by changing one parameter byte, re-sending the packet and measuring again.
// The first change of a byte uses the position's gain, later ones the secant through the last
// two readings.
//
//   position        byte  window       first change            then
//   10 Left Middle  P3    |diff| <= 2  - round(diff * 0.5)
//   11 Left Bottom  P4    0..2         + round(diff / 0.4)     P9 recomputed, reference follows
//   12 Center Top   P1    |diff| <= 1  - round(diff * 0.5)
//   13 Right Top    P2    |diff| <= 2  + round(diff * 2)       P0 recomputed, reference follows
//   14 Center       P5    1..3         - round((diff-2) * 0.5)
//   15 Right Middle P7    1..3         + round((diff-2) / 0.8)
//   16 Center Bott. P6    |diff| <= 2  + round(diff * 0.5)
//   17 Right Bottom P8    |diff| <= 2  - round(diff * 0.5)     P0 recomputed on acceptance
//
// The shape method's monitors have coarser ramps: the same bytes and gains with windows one
// cd/m2 wider (|diff| <= 3, 0..3 at Left Bottom, |diff| <= 2 at Center Top, 1..4 at Center and
// Right Middle).
//
// Rules of our own where the pattern leaves gaps:
// - Center and Right Middle aim at diff = 2; their secant steps work on diff - 2 as their first
//   change does (on diff itself a reading inside 0..1 would ask for no change and be measured
//   again for ever), and so does the sign of a one-step change.
// - A change that rounds to 0 becomes one step toward the window, so every re-measurement has
//   something new to see.
// - After kMaxChanges changes at one position it is accepted as it stands (and the caller logs
//   it): a panel that cannot reach the window must not keep the operator waiting for ever.
// - The "TXM-400" monitors: at Right Bottom, a change of P8 that left the reading no closer to
//   the reference than the reading before it is taken back, and the position is accepted.

#include <string>
#include <vector>

#include "calibration/uniformity_methods.h"

namespace halvo {

// round(v): v + 0.5 for v > 0, v - 0.5 otherwise, truncated toward zero.
int RoundHalfAway(double v);

struct RefinementRule {
    int byte;       // parameter changed
    double low;     // window of diff accepted
    double high;
    double offset;  // diff the changes aim at
    double gain;    // first change = round((diff - offset) * gain)
    int sign;       // +1 the change is added, -1 subtracted
};
// Rules of positions 10..17.
const RefinementRule& RefinementRuleOf(int position, bool shape);

class UniformityRefinement {
public:
    static constexpr int kMaxChanges = 16;
    // Reference change per unit a compensation byte rises or falls.
    static constexpr double kReferencePerCompensation = 0.7;

    struct Outcome {
        bool accepted = false;
        bool changed = false;  // the parameters differ: the packet is to be sent
        bool gaveUp = false;   // accepted because kMaxChanges were spent
        bool tookBack = false; // the TXM-400's last P8 change taken back
        std::vector<std::string> logLines;
    };

    // A new pass over the first pass's parameters.
    void start(const UniformityParams& firstPass, bool shape, bool txm400);
    void setReference(double lv) { reference_ = lv; referenceSet_ = true; }
    bool hasReference() const { return referenceSet_; }
    double reference() const { return reference_; }
    const UniformityParams& params() const { return params_; }
    // Changes made at the position in hand.
    int changes() const { return changes_; }

    // A reading at position 10..17.
    Outcome reading(int position, double lv);

private:
    void beginPosition(int position);
    void recompute(int position);

    UniformityParams params_{};
    bool shape_ = false;
    bool txm400_ = false;
    double reference_ = 0.0;
    bool referenceSet_ = false;
    int position_ = -1;
    int changes_ = 0;
    int lastChange_ = 0;
    double previousLv_ = 0.0;
    double previousError_ = 0.0;
    uint8_t previousByte_ = 0;
    double pendingRaise_ = 0.0;
};

}  // namespace halvo
