#pragma once

#include <cstddef>
#include <cstdint>

// Constant locus tables for the CIE 1931 2-degree observer. The Planckian table, the locus
// knots and the spectral locus are generated at build time from data/cie1931_2deg_1nm.csv by
// halvo-tablegen (see tablegen/tablegen.cpp); nothing is computed at start-up.

namespace halvo {

// Chromaticity of a Planckian radiator at a whole kelvin. Layout kept as the station's table:
// {int32 T; int32 0; double x; double y}.
struct PlanckianRecord {
    int32_t T;
    int32_t reserved;
    double x;
    double y;
};

inline constexpr int32_t kPlanckianFirstKelvin = 1000;
inline constexpr int32_t kPlanckianLastKelvin = 25000;
inline constexpr std::size_t kPlanckianCount = kPlanckianLastKelvin - kPlanckianFirstKelvin + 1;

// Record k holds T = 1000 + k.
extern const PlanckianRecord kPlanckianTable[kPlanckianCount];

// One knot of a cubic Hermite spline along a locus: parameter T with the chromaticity (x, y)
// and (u, v), and Catmull-Rom tangents (tT, tu, tv) per unit of the segment parameter.
// On the Planckian locus T is in kelvin and (u, v) is CIE 1960; on the spectral locus T holds
// the wavelength in nm and (u, v) is CIE 1976 (u', v').
struct LocusKnot {
    double T;
    double x;
    double y;
    double u;
    double v;
    double tT;
    double tu;
    double tv;
};

inline constexpr std::size_t kLocusKnotCount = 289;
extern const LocusKnot kLocusKnots[kLocusKnotCount];

inline constexpr std::size_t kSpectralLocusCount = 300;  // 400..698 nm by 1 nm, then 700 nm
extern const LocusKnot kSpectralLocus[kSpectralLocusCount];

// The (u, v) and tangent columns of the two loci again, packed, for the searches' first pass
// over every knot (a quarter of the memory traffic of the full rows).
struct LocusUvTangent {
    double u;
    double v;
    double tu;
    double tv;
};
extern const LocusUvTangent kLocusKnotsUv[kLocusKnotCount];
extern const LocusUvTangent kSpectralLocusUv[kSpectralLocusCount];

// The Planckian record for a whole kelvin in 1000..25000, or nullptr outside.
const PlanckianRecord* PlanckianRecordFor(int32_t kelvin);

}  // namespace halvo
