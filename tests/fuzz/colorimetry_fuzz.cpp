// Any triple of numbers an instrument or a file could deliver gives a finite reading and a
// finite evaluation: no NaN or infinity ever leaves the colorimetry.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "colorimetry/chromaticity.h"
#include "colorimetry/evaluation.h"

namespace {

// Instruments report at most a few 1e5 cd/m2; beyond 1e15 sums may overflow and nothing is
// promised.
constexpr double kLargestPlausible = 1e15;

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

void CheckRecord(const halvo::ColorimetricRecord& r) {
    for (double v : {r.x, r.y, r.X, r.Y, r.Z, r.r, r.g, r.b, r.u, r.vp, r.dominantWavelength, r.locusDistance,
                     r.lStar, r.aStar, r.bStar, r.cStar, r.hue, r.cct, r.duv}) {
        Check(std::isfinite(v));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    double v[3] = {0, 0, 0};
    if (size < sizeof v) {
        return 0;
    }
    std::memcpy(v, data, sizeof v);
    bool plausible = true;
    for (double c : v) {
        plausible = plausible && (!std::isfinite(c) || std::fabs(c) <= kLargestPlausible);
    }
    if (!plausible) {
        return 0;
    }
    const halvo::ColorimetricRecord a = halvo::EvaluateXyz(v[0], v[1], v[2]);
    CheckRecord(a);
    CheckRecord(halvo::EvaluateXyY(v[0], v[1], v[2]));

    halvo::ColorReading sample, reference;
    halvo::ReadingFromChromaticity(v[0], v[1], v[2], sample);
    halvo::ReadingFromChromaticity(a.x, a.y, a.Y, reference);
    halvo::ReadingDifference(sample, reference);
    for (double c : {sample.x, sample.y, sample.u, sample.v, sample.vp, sample.duv, sample.lv, reference.u,
                     reference.duv}) {
        Check(std::isfinite(c));
    }
    return 0;
}
