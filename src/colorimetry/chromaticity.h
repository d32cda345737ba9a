#pragma once

#include <cstdint>

#include "colorimetry/color_reading.h"

namespace halvo {

// CIE 1976 u', v' (and CIE 1960 v = 2/3 v') of a CIE 1931 chromaticity.
struct UcsCoordinates {
    double u = 0.0;
    double vp = 0.0;
    double v = 0.0;
};

// The denominator 12y - 2x + 3 is positive for every real chromaticity; where it is not,
// all three coordinates are 0.
UcsCoordinates UcsFromChromaticity(double x, double y);

// Fills x, y, u, v, vp, cct (isotemperature lines) and duv (Ohno 2014) and lv; leaves the
// difference terms untouched. A point without a colour temperature (dark or failed reading,
// non-finite input) gets cct 0 and duv 0, never NaN. Returns 0.
int ReadingFromChromaticity(double x, double y, double lv, ColorReading& out);

// Target reading for a whole-kelvin temperature. Outside 1000..25000 K only x, y and duv are
// cleared; cct, lv, u, v, vp keep what they held. alternateWhites is set while the connected
// monitor is a TXM-600-HD-S: its 7000 K preset aims at (0.307, 0.318) and its 6500 K at the
// Planckian point instead of D65.
void ReadingFromTemperature(double lv, bool alternateWhites, ColorReading& out, int32_t kelvin);

// Fills du, dv, dl, de of sample against reference (CIELUV-style, the reference as white).
// Returns false always; callers ignore it.
bool ReadingDifference(ColorReading& sample, const ColorReading& reference);

// Duv by Ohno's direct polynomial (Ohno 2014, LEUKOS 10(1)); 0 for the polynomial's own centre.
double OhnoDuv(double u, double v);

}  // namespace halvo
