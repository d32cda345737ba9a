#pragma once

// The arithmetic of the colour-space search: what each colour is drawn with, the correction of
// its adjustment values from one reading, the best iteration of a search, and the target of a
// secondary moved onto the line between the primaries actually measured.

#include <cstdint>

#include "calibration/white_point_calibration.h"
#include "colorimetry/color_reading.h"

namespace halvo {

// The adjustment values of a colour: RGB gains for white at the top level, RGB offsets for
// everything else.
using ColourValues = RgbGain;

inline constexpr int kColourValueLimit = 255;

// Channels a colour slot is drawn with (W, R, G, B, Y, C, M).
struct ColourMask {
    bool r;
    bool g;
    bool b;
};
ColourMask MaskOf(int slot);

// The DrawPattern argument of a colour slot at a level index: the mask times (15 - P) * 17.
uint32_t ColourPattern(int slot, int level);

struct ColourCorrection {
    ColourValues values;  // new values, negatives cleared where the colour has no light
    double L = 0.0;       // luminance term
};

// One iteration's new values from the reading's u', v' and luminance against the target's.
// Changes round away from the current value with 0.3; negative values are cleared only on the
// channels the colour does not contain (a white keeps negative offsets).
ColourCorrection CorrectColourValues(int slot, const ColorReading& reading, const ColorReading& target,
                                     const ColourValues& current);

// Negative values cleared on the channels a colour does not contain (a white keeps them all).
ColourValues ClearAbsentNegatives(int slot, ColourValues v);

// Each value held within -255..255.
ColourValues LimitColourValues(const ColourValues& v);

// The iteration 0..last whose reading is closest to the target: 100 times the distance in the
// CIE 1960 (u, v) plane plus the luminance difference in cd/m2; the first of equal scores wins.
int BestIteration(const ColorReading* readings, int last, const ColorReading& target);

// The foot of the perpendicular from (u, vp) onto the straight line through two points of the
// (u', v') plane. The point itself when the two coincide.
void ProjectOntoLine(double& u, double& vp, double u0, double vp0, double u1, double vp1);

}  // namespace halvo
