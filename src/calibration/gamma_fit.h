#pragma once

// The arithmetic of the gamma calibration: the weighted fit of the panel's exponent, the
// gamma-to-luminance table it uploads, the grey levels it draws and the panel-gamma code of the
// later check.

#include <array>
#include <cstdint>
#include <vector>

namespace halvo {

struct GammaFitResult {
    double exponent = 0.0;
    // Luminance x 100 at 8-bit input code i; entry 0 is 0; strictly increasing.
    std::array<uint16_t, 256> table{};
    // Indices i whose successor had to be lifted to entry[i] + 1 (each logged as a warning).
    std::vector<int> reversed;
};

// L holds n + 1 luminances (index 0..n, index 0 taken as 0), n in {16, 32, 64, 128, 256}.
// Exponent: the luminance-weighted least-squares slope of ln L over ln code; table: the levels
// interpolated linearly to every 8-bit code, then made strictly increasing.
GammaFitResult fitGamma(const double* L, int n);

// The 8-bit grey level drawn at step c (1-based) of a run with N <= 256 levels: the first level
// is drawn twice (its first reading stands in for black, which is never measured).
int GammaLevel8(int c, int N);
// The 10-bit code drawn at step c of a run with N = 512 or 1024 levels.
int GammaLevel10(int c, int N);

// The panel-gamma correction code 0..16 for d = target gamma - measured gamma: 8 means none,
// one step per 0.025 (thresholds at odd multiples of 0.0125).
int PanelGammaCode(double d);
// The signed step k (-8..8) behind the code.
int PanelGammaStep(double d);

// The gamma a colour-space slot of the panel-gamma check aims at (0 native, 1..5 BT.709 ..
// D-Cinema): D-Cinema's own 2.6, every other slot the page's target gamma.
double PanelGammaTarget(int slot, double targetGamma);

}  // namespace halvo
