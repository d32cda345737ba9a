#pragma once

// The gradient method's ramps. The monitor dims the picture by a horizontal and a vertical ramp
// in 12-bit fixed point: column k of 1920 adds (4096 s - 2 a k) / 1024, line l of 1080 adds
// (4096 d - 2 i l) / 1024, each term truncated to a whole number, and the correction at a pixel
// is the running sum of those terms from the left (top) divided by 1024, in 1/1023 of full
// light. Start s and slope index a are fitted to the top row, start d and slope index i to the
// left column, so that the centre and right (middle and bottom) places come down to the top-left
// one. Where the sums go negative the monitor would have to brighten, which it cannot: P0 and P9
// say how far it lifts its floor instead.
//
// Parameter bytes of the ten-value packet:
//   P0 row compensation (largest of the three rows)   P1 s   P2 a (top row)   P3 d   P4 i
//   P5..P8 local trims, set by the refinement pass     P9 vertical compensation (7 bits)
// s and d travel as signed bytes; a as an unsigned byte when s >= 1 (its search runs over
// 1..254) and as a signed byte otherwise (-128..127); i as an unsigned byte (1..255).

#include <cstdint>

#include "calibration/uniformity_methods.h"

namespace halvo {

inline constexpr int kRampColumns = 1920;
inline constexpr int kRampLines = 1080;

// Sum over the whole row of the horizontal ramp's terms.
int64_t HorizontalRampSum(int s, int a);
// Sum of the vertical ramp's terms over lines 0..lines-1.
int64_t VerticalRampSum(int d, int i, int lines);

// Horizontal start from the row's t = 1023 Lv_left / Lv_centre.
int HorizontalStart(int t);
// The first slope index whose row sum / 1024 is not above 1023 - u (u = 1023 Lv_left / Lv_right).
int HorizontalSlopeIndex(int s, int u);
// Vertical start from the left column (Lv1 top, Lv4 middle) and slope index toward Lv7 (bottom).
int VerticalStart(double lvTop, double lvMiddle);
int VerticalSlopeIndex(int d, double lvTop, double lvBottom);

// The compensation a row with start s and slope a needs together with the vertical ramp d, i.
int RowCompensation(int s, int a, int d, int i);
// P9 from the vertical ramp alone, over 1080 lines on the TXM-400 and 1200 lines otherwise.
int VerticalCompensation(int d, int i, bool txm400);

struct GradientRamps {
    int s = 0;
    int a = 0;
    int d = 0;
    int i = 0;
};
// The ramps the packet's bytes stand for.
GradientRamps DecodeRamps(const UniformityParams& p);
// P0 as the first pass computes it for one row from the bytes in force.
int RecomputeRowCompensation(const UniformityParams& p);
int RecomputeVerticalCompensation(const UniformityParams& p, bool txm400);

struct GradientFit {
    UniformityParams params{};
    // Per row (top, middle, bottom): t, u, start, slope index and compensation.
    int t[3]{}, u[3]{}, s[3]{}, a[3]{}, compensation[3]{};
    int d = 0;
    int i = 0;
};
// First pass. withHorizontal / withVertical leave a ramp out (zero), as the shape method does
// for panels that fall off one way only.
GradientFit FitGradient(const CellLuminance& lv, bool txm400, bool withHorizontal = true, bool withVertical = true);

}  // namespace halvo
