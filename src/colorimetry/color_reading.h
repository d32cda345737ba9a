#pragma once

#include <cstdint>

namespace halvo {

// One measurement or target of a screen patch. Plain record, copied whole; arrays of it
// hold targets and results. u is CIE 1976 u' (equal to CIE 1960 u), v is CIE 1960 v and
// vp is CIE 1976 v' (v = 2/3 vp).
struct ColorReading {
    int32_t cct = 0;  // kelvin; 0 when none was found
    double x = 0.0;
    double y = 0.0;
    double u = 0.0;
    double v = 0.0;
    double vp = 0.0;
    double duv = 0.0;
    double lv = 0.0;  // cd/m2
    // Difference terms against a reference reading (ReadingDifference).
    double du = 0.0;
    double dv = 0.0;
    double dl = 0.0;
    double de = 0.0;
};

}  // namespace halvo
