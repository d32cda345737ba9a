#include "reports/chart_model.h"

#include <cmath>

namespace halvo {

ChartGammaFit fitChartGamma(const std::vector<ChartPoint>& points) {
    ChartGammaFit fit;
    if (points.size() < 7) {
        return fit;
    }
    const auto ln = [](double v) { return v >= 0.00001 ? std::log(v) : -5.0; };
    double sw = 0, swx = 0, swy = 0;
    for (size_t i = 5; i < points.size(); ++i) {
        const double lx = ln(points[i].level);
        const double ly = ln(points[i].lv);
        const double w = std::exp(ly);
        sw += w;
        swx += w * lx;
        swy += w * ly;
    }
    const double mx = swx / sw;
    const double my = swy / sw;
    double sxy = 0, sxx = 0;
    for (size_t i = 5; i < points.size(); ++i) {
        const double lx = ln(points[i].level);
        const double ly = ln(points[i].lv);
        const double w = std::exp(ly);
        sxy += w * (lx - mx) * (ly - my);
        sxx += w * (lx - mx) * (lx - mx);
    }
    if (!(sxx > 0)) {
        return fit;  // all levels equal: no slope to speak of
    }
    fit.g = sxy / sxx;
    fit.a = std::exp(my - fit.g * mx);
    fit.ok = true;
    return fit;
}

}  // namespace halvo
