#pragma once

// A verification's results made by hand, as the measurement steps would store them: a monitor
// close to BT.709 with a gamma near 2.2, whites near their targets at about 100 cd/m2, and a
// gentle fall-off over the nine positions.

#include <cmath>
#include <utility>
#include <vector>

#include "colorimetry/chromaticity.h"
#include "reports/measure_page.h"
#include "reports/measurement_results.h"

namespace halvo::test {

class RecordingSink : public CommandSink {
public:
    void postOperatorCommand(int group, int item) override { posted.emplace_back(group, item); }
    std::vector<std::pair<int, int>> posted;
};

inline ColorReading Reading(double x, double y, double lv) {
    ColorReading r;
    ReadingFromChromaticity(x, y, lv, r);
    return r;
}

// Fills colour space cs of the page and the results with every kind; `shift` moves the
// chromaticities a little so that colour spaces differ.
inline void MeasureColorSpace(CMeasure& page, MeasurementResults& results, int cs, double shift = 0.0) {
    page.setDisplayedColorSpace(cs);
    ColorSpaceResults& r = results.spaces[static_cast<size_t>(cs)];
    ChartSeries& chart = page.chart[static_cast<size_t>(cs)];
    for (int k = 0; k <= 10; ++k) {
        const double level = std::ceil(k * 25.5);
        const double lv = 0.12 + 100.0 * std::pow(level / 255.0, 2.21);
        r.gamma[static_cast<size_t>(k)] = Reading(0.3127 + shift, 0.3290, lv);
        chart.gamma.push_back({level, lv});
    }
    r.gammaValue = fitChartGamma(chart.gamma).g;
    page.storeGamma(r.gammaValue);

    const double patches[9][3] = {{0.3127, 0.3290, 0.12},  {0.3127, 0.3290, 99.0},  {0.3127, 0.3290, 100.2},
                                  {0.6400, 0.3300, 21.3},  {0.3000, 0.6000, 71.5},  {0.1500, 0.0600, 7.2},
                                  {0.4193, 0.5053, 92.7},  {0.3209, 0.1542, 28.4},  {0.2246, 0.3287, 78.7}};
    static const int kSlots[9] = {1, 2, 2, 3, 4, 5, 6, 7, 8};
    for (int k = 0; k < 9; ++k) {
        const ColorReading reading = Reading(patches[k][0] + shift, patches[k][1], patches[k][2]);
        page.storeResult(kSlots[k], reading);
        r.colors[static_cast<size_t>(kSlots[k])] = reading;
        chart.chroma.push_back({reading.x, reading.y});
    }
    chart.colorPoints = true;

    const int kelvins[5] = {3200, 5400, 6500, 9300, 11000};
    const int count = page.colorSpaceMode() ? 4 : 5;
    for (int t = 0; t < count; ++t) {
        ColorReading target;
        ReadingFromTemperature(100.0, page.alternateWhites, target, kelvins[t]);
        const ColorReading reading = Reading(target.x + 0.001 + shift, target.y - 0.001, 98.0 + t);
        page.storeResult(kResultFirstTemperature + t, reading);
        r.temperatures[static_cast<size_t>(t)] = reading;
        chart.chroma.push_back({reading.x, reading.y});
    }
    chart.temperaturePoints = true;
}

// The nine uniformity positions, brightest at the centre.
inline void MeasurePositions(CMeasure& page, MeasurementResults& results, bool peakRule) {
    const double lv[9] = {100.0, 96.0, 92.0, 95.5, 93.0, 97.0, 91.5, 95.0, 92.5};
    for (int p = 0; p < 9; ++p) {
        const ColorReading reading = Reading(0.3127, 0.3290, lv[p]);
        results.uniformityPercent = page.storePosition(p, reading, peakRule);
        for (ColorSpaceResults& s : results.spaces) {
            s.positions[static_cast<size_t>(p)] = reading;
        }
    }
}

}  // namespace halvo::test
