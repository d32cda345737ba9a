#pragma once

// The pass criteria of a verified monitor: each rule gives "OK" (within its criterion), "OR"
// (outside it) or "N/A" (not measured), and the gamut of a measured set of primaries.

#include <array>

#include "reports/chart_model.h"

namespace halvo {

enum class Verdict { Ok, OutOfRange, NotMeasured };

// "OK", "OR", "N/A".
const char* VerdictText(Verdict verdict);

// Area of a triangle by Heron's formula.
double TriangleArea(const XyPoint& a, const XyPoint& b, const XyPoint& c);
// The measured red-green-blue triangle's xy area in percent of the NTSC triangle
// (0.67, 0.33), (0.21, 0.71), (0.14, 0.08).
double GamutPercent(const XyPoint& red, const XyPoint& green, const XyPoint& blue);

// Test 1: white luminance of a colour-temperature target, within `tolerance` of 100 cd/m2.
// Not measured when the first colour-temperature reading has no positive luminance.
Verdict WhiteLuminanceVerdict(double firstLv, double lv, double tolerance);
// Test 2: black luminance below 0.31 cd/m2.
Verdict BlackLuminanceVerdict(double lv);
// Test 3: |Δu'| or |Δv'| of a colour temperature within `tolerance`; not measured when the first
// colour-temperature reading has no positive u'.
Verdict TemperatureVerdict(double firstU, double difference, double tolerance);
// Test 5: |gamma - target| within 0.03.
Verdict GammaVerdict(double gamma, double target);
// Test 6: non-uniformity below 10 %.
Verdict UniformityVerdict(double percent);

// Test 4, one colour space (0 Native .. 5 D-Cinema): the verdicts of its seven rows, Δu' r, Δv' r,
// Δu' g, Δv' g, Δu' b, Δv' b (absolute differences from the targets) and the gamut.
struct PrimaryMeasurement {
    bool measured = false;             // the red reading has a positive u'
    std::array<double, 6> differences{};
    double gamut = 0.0;
};
std::array<Verdict, 7> PrimaryVerdicts(int colorSpace, const PrimaryMeasurement& m);

// Limits of test 4 (for the report's tolerance columns too): Δu' of red, the other differences,
// and the gamut's nominal value and half-width. Native and D-Cinema have none (zeros).
struct PrimaryLimits {
    double redU = 0.0;
    double others = 0.0;
    double gamutNominal = 0.0;
    double gamutHalfWidth = 0.0;
    bool judged = false;
};
PrimaryLimits PrimaryLimitsFor(int colorSpace);

}  // namespace halvo
