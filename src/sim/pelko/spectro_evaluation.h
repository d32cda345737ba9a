#pragma once

// What the simulated spectroradiometer computes from a measured spectrum: the evaluation over a
// wavelength range (radiance, luminance, X, Y, Z, x, y, u', v', dominant wavelength and
// excitation purity) and the colour temperature with Duv.

#include <vector>

namespace halvo::sim {

// The instrument's spectral range; measured spectra hold one value per nm over it.
inline constexpr int kSpectroFirstNm = 380;
inline constexpr int kSpectroLastNm = 780;
inline constexpr int kSpectroCount = kSpectroLastNm - kSpectroFirstNm + 1;

// begin..end inside the spectral range, begin below end, step 1 or 5 nm.
bool ValidEvaluationRange(int begin, int end, int step);

struct SpectroEvaluation {
    int begin = kSpectroFirstNm;
    int end = kSpectroLastNm;
    int step = 1;
    std::vector<double> spectrum;  // W/(sr m2 nm) at begin, begin + step, ... up to end
    double radiance = 0.0;         // W/(sr m2)
    double luminance = 0.0;        // cd/m2
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
    double x = 0.0;
    double y = 0.0;
    double u = 0.0;  // CIE 1976 u'
    double v = 0.0;  // CIE 1976 v'
    double wavelength = 0.0;  // dominant, nm; 0 for purples and for no light
    double purity = 0.0;      // excitation purity against the equal-energy white
};

// Evaluates a measured spectrum (kSpectroCount values from kSpectroFirstNm) over a valid range:
// the samples at begin, begin + step, ... not beyond end, each weighted by the step.
SpectroEvaluation EvaluateSpectrum(const std::vector<double>& measured, int begin, int end, int step);

struct SpectroTemperature {
    double cct = 0.0;  // kelvin; 0 when the colour is too far from the Planckian locus
    double duv = 0.0;
};
SpectroTemperature TemperatureOf(const SpectroEvaluation& evaluation);

}  // namespace halvo::sim
