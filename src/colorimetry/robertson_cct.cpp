#include "colorimetry/robertson_cct.h"

#include <cmath>
#include <cstdint>

namespace halvo {
namespace {

// Isotemperature lines of Robertson (1968), as tabulated in Wyszecki & Stiles, Color Science,
// 2nd ed., table 1(3.11): reciprocal temperature (per kelvin), CIE 1960 (u, v) where the line
// crosses the locus, and the line's slope t. Row 0's reciprocal temperature is the smallest
// positive normalised double so that 1/r never divides by zero.
struct IsotemperatureLine {
    double r;
    double u;
    double v;
    double t;
};

constexpr IsotemperatureLine kIsotemperatureLines[31] = {
    //   r (1/K)                  u        v        t
    {2.2250738585072014e-308, 0.18006, 0.26352, -0.24341},
    {10e-6, 0.18066, 0.26589, -0.25479},
    {20e-6, 0.18133, 0.26846, -0.26876},
    {30e-6, 0.18208, 0.27119, -0.28539},
    {40e-6, 0.18293, 0.27407, -0.30470},
    {50e-6, 0.18388, 0.27709, -0.32675},
    {60e-6, 0.18494, 0.28021, -0.35156},
    {70e-6, 0.18611, 0.28342, -0.37915},
    {80e-6, 0.18740, 0.28668, -0.40955},
    {90e-6, 0.18880, 0.28997, -0.44278},
    {100e-6, 0.19032, 0.29326, -0.47888},
    {125e-6, 0.19462, 0.30141, -0.58204},
    {150e-6, 0.19962, 0.30921, -0.70471},
    {175e-6, 0.20525, 0.31647, -0.84901},
    {200e-6, 0.21142, 0.32312, -1.0182},
    {225e-6, 0.21807, 0.32909, -1.2168},
    {250e-6, 0.22511, 0.33439, -1.4512},
    {275e-6, 0.23247, 0.33904, -1.7298},
    {300e-6, 0.24010, 0.34308, -2.0637},
    {325e-6, 0.24792, 0.34655, -2.4681},
    {350e-6, 0.25591, 0.34951, -2.9641},
    {375e-6, 0.26400, 0.35200, -3.5814},
    {400e-6, 0.27218, 0.35407, -4.3633},
    {425e-6, 0.28039, 0.35577, -5.3762},
    {450e-6, 0.28863, 0.35714, -6.7262},
    {475e-6, 0.29685, 0.35823, -8.5955},
    {500e-6, 0.30505, 0.35907, -11.324},
    {525e-6, 0.31320, 0.35968, -15.628},
    {550e-6, 0.32129, 0.36011, -23.325},
    {575e-6, 0.32931, 0.36038, -40.770},
    {600e-6, 0.33724, 0.36051, -116.45},
};

constexpr int kLineCount = 31;

}  // namespace

int32_t RobertsonCct(double u, double v) {
    double dm = 0.0;
    double di = 0.0;
    int i = 0;
    for (; i < kLineCount; ++i) {
        const IsotemperatureLine& line = kIsotemperatureLines[i];
        di = (v - line.v) - line.t * (u - line.u);
        if (i > 0 && ((di < 0.0) != (dm < 0.0))) {
            break;  // between lines i-1 and i
        }
        dm = di;
    }
    if (i == kLineCount) {
        return -1;
    }
    const IsotemperatureLine& lo = kIsotemperatureLines[i - 1];
    const IsotemperatureLine& hi = kIsotemperatureLines[i];
    di /= std::sqrt(1.0 + hi.t * hi.t);
    dm /= std::sqrt(1.0 + lo.t * lo.t);
    const double p = dm / (dm - di);
    const double T = 1.0 / (lo.r + p * (hi.r - lo.r));
    // Right at the first line the temperature is practically infinite; keep it representable.
    if (!(T < 2147483647.0)) {
        return INT32_MAX;
    }
    return static_cast<int32_t>(T);
}

}  // namespace halvo
