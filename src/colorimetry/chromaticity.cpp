#include "colorimetry/chromaticity.h"

#include <cmath>

#include "colorimetry/locus_tables.h"
#include "colorimetry/robertson_cct.h"

namespace halvo {

UcsCoordinates UcsFromChromaticity(double x, double y) {
    UcsCoordinates c;
    const double d = 12.0 * y - 2.0 * x + 3.0;
    if (!(d > 0.0) || !std::isfinite(d)) {
        return c;
    }
    c.u = 4.0 * x / d;
    c.vp = 9.0 * y / d;
    c.v = (2.0 * c.vp) / 3.0;
    return c;
}

double OhnoDuv(double u, double v) {
    const double du = u - 0.292;
    const double dv = v - 0.24;
    const double Lfp = std::sqrt(du * du + dv * dv);
    if (Lfp == 0.0) {
        return 0.0;  // the angle is undefined at the polynomial's own centre
    }
    const double a = std::acos(du / Lfp);
    const double Lbb = ((((((-0.00616793 * a + 0.0893944) * a - 0.5179722) * a + 1.5317403) * a -
                          2.4243787) * a + 1.925865) * a) - 0.471106;
    return Lfp - Lbb;
}

int ReadingFromChromaticity(double x, double y, double lv, ColorReading& out) {
    const bool usable = std::isfinite(x) && std::isfinite(y);
    out.x = usable ? x : 0.0;
    out.y = usable ? y : 0.0;
    out.lv = std::isfinite(lv) ? lv : 0.0;

    const UcsCoordinates c = UcsFromChromaticity(out.x, out.y);
    out.u = c.u;
    out.vp = c.vp;
    out.v = c.v;

    // A dark or failed reading (no positive y, or no defined u'v') has no colour temperature.
    if (!usable || !(out.y > 0.0) || (c.u == 0.0 && c.vp == 0.0)) {
        out.cct = 0;
        out.duv = 0.0;
        return 0;
    }
    const int32_t cct = RobertsonCct(out.u, out.v);
    out.cct = cct > 0 ? cct : 0;
    out.duv = OhnoDuv(out.u, out.v);
    return 0;
}

void ReadingFromTemperature(double lv, bool alternateWhites, ColorReading& out, int32_t kelvin) {
    const PlanckianRecord* planck = PlanckianRecordFor(kelvin);
    if (planck == nullptr) {
        out.x = 0.0;
        out.y = 0.0;
        out.duv = 0.0;
        return;
    }
    out.cct = kelvin;
    out.lv = lv;
    if (alternateWhites && kelvin == 7000) {
        out.x = 0.307;
        out.y = 0.318;
    } else if (!alternateWhites && kelvin == 6500) {
        out.x = 0.3128;
        out.y = 0.329;
    } else {
        out.x = planck->x;
        out.y = planck->y;
    }
    const UcsCoordinates c = UcsFromChromaticity(out.x, out.y);
    out.u = c.u;
    out.vp = c.vp;
    out.v = c.v;
    out.duv = 0.0;
}

bool ReadingDifference(ColorReading& sample, const ColorReading& reference) {
    // A reference without luminance gives no lightness scale: report no lightness difference
    // rather than an infinite one. cbrt keeps a slightly negative (offset-corrected) luminance
    // finite.
    const double l =
        reference.lv > 0.0 ? 116.0 * std::cbrt(sample.lv / reference.lv) - 16.0 : 100.0;
    sample.du = 13.0 * reference.lv * (sample.u - reference.u);
    sample.dv = 13.0 * reference.lv * (sample.vp - reference.vp);
    sample.dl = l - 100.0;
    sample.de = std::sqrt(sample.du * sample.du + sample.dv * sample.dv + sample.dl * sample.dl);
    return false;
}

}  // namespace halvo
