#pragma once

// The chart's arithmetic, without drawing: the gamma fit over the upper grey levels of a run.

#include <vector>

namespace halvo {

struct ChartPoint {
    double level;  // video level 0..255
    double lv;     // cd/m2
};

struct ChartGammaFit {
    bool ok = false;
    double a = 1.0;  // y = a * level ^ g
    double g = 1.0;
};

// Fits y = a * level^g, weighted by luminance, over the points from index 5 on (video levels
// 128, 153, 179, 204, 230 and 255 of a full eleven-level run). Fewer than two such points: a = 1,
// g = 1 and not ok.
ChartGammaFit fitChartGamma(const std::vector<ChartPoint>& points);

}  // namespace halvo
