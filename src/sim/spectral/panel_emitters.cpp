#include "sim/spectral/panel_emitters.h"

#include <cmath>

namespace halvo::sim {
namespace {

double Gaussian(double nm, double peakNm, double fwhmNm) {
    const double sigma = fwhmNm / 2.354820045;  // FWHM = 2 sqrt(2 ln 2) sigma
    const double t = (nm - peakNm) / sigma;
    return std::exp(-0.5 * t * t);
}

}  // namespace

double EmitterShape(Emitter emitter, double nm) {
    switch (emitter) {
        case Emitter::Blue:
            return Gaussian(nm, 467.0, 16.0);
        case Emitter::Green:
            return Gaussian(nm, 533.0, 34.0);
        case Emitter::Red:
            // The fluoride phosphor's main line with its two side lines.
            return Gaussian(nm, 631.0, 6.0) + 0.35 * Gaussian(nm, 613.0, 5.0) + 0.30 * Gaussian(nm, 647.0, 6.0);
    }
    return 0.0;
}

}  // namespace halvo::sim
