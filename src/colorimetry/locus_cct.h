#pragma once

#include <cstdint>

namespace halvo {

// Closest point on the cubic Hermite spline through the Planckian locus knots, from CIE 1960
// (u, v). cct is the temperature at that point; duv the signed distance (negative below the
// locus). When the point lies farther than limit, kFlagFarFromLocus is set in errorFlags and
// cct = duv = 0.
void LocusCctDuv(double u, double v, double limit, int32_t& errorFlags, double& cct, double& duv);

}  // namespace halvo
