#include "sim/pelko/spectro_evaluation.h"

#include <cmath>

#include "colorimetry/evaluation.h"
#include "sim/spectral/cie_cmf.h"

namespace halvo::sim {
namespace {

// Chromaticity of the spectral locus at a wavelength, between the 1 nm rows.
bool LocusAt(double nm, double& x, double& y) {
    const int below = static_cast<int>(std::floor(nm));
    const CmfRow* a = CmfAt(below);
    const CmfRow* b = CmfAt(below + 1);
    if (a == nullptr || b == nullptr) {
        return false;
    }
    const double t = nm - below;
    const double X = a->xbar + t * (b->xbar - a->xbar);
    const double Y = a->ybar + t * (b->ybar - a->ybar);
    const double Z = a->zbar + t * (b->zbar - a->zbar);
    const double sum = X + Y + Z;
    if (!(sum > 0.0)) {
        return false;
    }
    x = X / sum;
    y = Y / sum;
    return true;
}

}  // namespace

bool ValidEvaluationRange(int begin, int end, int step) {
    return (step == 1 || step == 5) && begin >= kSpectroFirstNm && end <= kSpectroLastNm && begin < end;
}

SpectroEvaluation EvaluateSpectrum(const std::vector<double>& measured, int begin, int end, int step) {
    SpectroEvaluation e;
    e.begin = begin;
    e.end = end;
    e.step = step;
    for (int nm = begin; nm <= end; nm += step) {
        const double value = measured[static_cast<size_t>(nm - kSpectroFirstNm)];
        e.spectrum.push_back(value);
        e.radiance += value * step;
    }
    const auto t = TristimulusOf(e.spectrum.data(), begin, static_cast<int>(e.spectrum.size()), step);
    e.X = t[0];
    e.Y = t[1];
    e.Z = t[2];
    e.luminance = e.Y;
    const double sum = e.X + e.Y + e.Z;
    if (!(sum > 0.0)) {
        return e;  // no light: no colour
    }
    e.x = e.X / sum;
    e.y = e.Y / sum;
    const double d = e.X + 15.0 * e.Y + 3.0 * e.Z;
    e.u = 4.0 * e.X / d;
    e.v = 9.0 * e.Y / d;
    const ColorimetricRecord r = EvaluateXyz(e.X, e.Y, e.Z);
    double lx = 0.0;
    double ly = 0.0;
    if (r.dominantWavelength > 0.0 && LocusAt(r.dominantWavelength, lx, ly)) {
        e.wavelength = r.dominantWavelength;
        // Excitation purity: how far from the white towards the locus the colour lies.
        const double white = 1.0 / 3.0;
        const double toSample = std::hypot(e.x - white, e.y - white);
        const double toLocus = std::hypot(lx - white, ly - white);
        e.purity = toLocus > 0.0 ? toSample / toLocus : 0.0;
    }
    return e;
}

SpectroTemperature TemperatureOf(const SpectroEvaluation& evaluation) {
    const ColorimetricRecord r = EvaluateXyz(evaluation.X, evaluation.Y, evaluation.Z);
    return {r.cct, r.duv};
}

}  // namespace halvo::sim
