#pragma once

#include <cstdint>

namespace halvo {

// Correlated colour temperature by Robertson's isotemperature lines, from CIE 1960 (u, v).
// Kelvin truncated toward zero, or -1 when the point lies outside the table (about 1667 K
// and below, or far into the blue).
int32_t RobertsonCct(double u, double v);

}  // namespace halvo
