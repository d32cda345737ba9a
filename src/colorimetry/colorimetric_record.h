#pragma once

#include <array>
#include <cstdint>

namespace halvo {

// Rows of a 3x3 matrix taking XYZ to linear RGB; the first row gives r.
using RgbMatrix = std::array<std::array<double, 3>, 3>;

// errorFlags bits of a ColorimetricRecord.
inline constexpr int32_t kFlagUnusableInput = 8;       // negative or non-finite component, or y = 0
inline constexpr int32_t kFlagNoDominantWavelength = 16;
inline constexpr int32_t kFlagFarFromLocus = 32;       // farther than the limit from the Planckian locus

// The full evaluation of one XYZ triple. Field order is fixed: the measurement cycle copies it
// whole and the K-10 driver fills the raw and range fields.
struct ColorimetricRecord {
    double x = 0.0;
    double y = 0.0;
    double X = 0.0;
    double Y = 0.0;  // luminance in cd/m2 as the instrument delivered it
    double Z = 0.0;
    double rawX = 0.0;  // before the instrument's correction matrix (K-10 only)
    double rawY = 0.0;
    double rawZ = 0.0;
    double r = 0.0;  // linear RGB
    double g = 0.0;
    double b = 0.0;
    double u = 0.0;   // CIE 1976 u'
    double vp = 0.0;  // CIE 1976 v'
    double dominantWavelength = 0.0;  // nm, against the equal-energy white
    double locusDistance = 0.0;       // signed distance from the sample to the spectral-locus crossing
    double lStar = 0.0;
    double aStar = 0.0;
    double bStar = 0.0;
    double cStar = 0.0;
    double hue = 0.0;  // radians
    int32_t redRange = 1;
    int32_t greenRange = 1;
    int32_t blueRange = 1;
    double cct = 0.0;  // kelvin, locus-spline method; 0 when out of reach
    double duv = 0.0;
    int32_t errorFlags = 0;
    int32_t averagedCount = 0;
};

// XYZ to linear RGB (sRGB primaries, D65), as the station has always used it.
inline constexpr RgbMatrix kXyzToRgbMatrix = {{
    {3.24100323298, -1.53739896949, -0.498615881996},
    {-0.969224252203, 1.8759299837, 0.0415542263401},
    {0.055639419852, -0.204011206124, 1.05714897719},
}};

// CIELAB reference white (D50). X, Y, Z are divided by these as they stand: Y is in cd/m2 and
// is not normalised first, so L* is only meaningful near 100 cd/m2.
inline constexpr double kLabWhiteX = 96.42;
inline constexpr double kLabWhiteY = 100.0;
inline constexpr double kLabWhiteZ = 82.49;

}  // namespace halvo
