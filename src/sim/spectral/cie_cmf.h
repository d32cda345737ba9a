#pragma once

// The CIE 1931 2-degree colour-matching functions at 1 nm, 360..830 nm (CIE 018:2019 /
// CIE 15:2018 data), and what the simulated station does with them: the tristimulus values of a
// spectral radiance. Generated at build time from data/cie1931_2deg_1nm.csv by halvo-cmfgen.

#include <array>

namespace halvo::sim {

struct CmfRow {
    double xbar;
    double ybar;
    double zbar;
};

inline constexpr int kCmfFirstNm = 360;
inline constexpr int kCmfLastNm = 830;
inline constexpr int kCmfCount = kCmfLastNm - kCmfFirstNm + 1;
extern const CmfRow kCie1931Cmf[kCmfCount];

// Maximum luminous efficacy of the CIE photopic function, lm/W (CIE 15:2018).
inline constexpr double kKm = 683.0;

// The row of a whole wavelength, or nullptr outside 360..830 nm.
const CmfRow* CmfAt(int nm);

// X, Y, Z (Y in cd/m2) of a spectral radiance in W/(sr m2 nm) sampled from firstNm every stepNm,
// count values, summed with the sampling step as the weight. Samples outside 360..830 nm count
// nothing.
std::array<double, 3> TristimulusOf(const double* radiance, int firstNm, int count, int stepNm);

}  // namespace halvo::sim
