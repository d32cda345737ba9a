#include "reports/measurement_results.h"

namespace halvo {

ColorReading NotMeasuredReading() {
    ColorReading r;
    r.cct = -1;
    r.x = r.y = r.u = r.v = r.vp = r.duv = r.lv = kNotMeasured;
    r.du = r.dv = r.dl = r.de = kNotMeasured;
    return r;
}

void MeasurementResults::resetToNotMeasured() {
    const ColorReading none = NotMeasuredReading();
    for (ColorSpaceResults& s : spaces) {
        s.gamma.fill(none);
        s.repeatedGamma.fill(none);
        s.colors.fill(none);
        s.temperatures.fill(none);
        s.positions.fill(none);
        s.gammaValue = kNotMeasured;
        s.repeatedGammaValue = kNotMeasured;
    }
    uniformityPercent = kNotMeasured;
}

}  // namespace halvo
