#include "reports/pass_criteria.h"

#include <algorithm>
#include <cmath>

namespace halvo {

namespace {

// Criteria are written in decimals ("±0.03", "0.005"); a difference that is exactly on the limit
// in decimal must not fail by the last bit of its binary value.
constexpr double kDecimalSlack = 1e-9;

bool Within(double value, double limit) {
    return std::fabs(value) <= limit + kDecimalSlack;
}

Verdict Judge(bool ok) {
    return ok ? Verdict::Ok : Verdict::OutOfRange;
}

}  // namespace

const char* VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Ok: return "OK";
        case Verdict::OutOfRange: return "OR";
        case Verdict::NotMeasured: return "N/A";
    }
    return "N/A";
}

double TriangleArea(const XyPoint& a, const XyPoint& b, const XyPoint& c) {
    const double ab = std::hypot(a.x - b.x, a.y - b.y);
    const double bc = std::hypot(b.x - c.x, b.y - c.y);
    const double ca = std::hypot(c.x - a.x, c.y - a.y);
    const double s = (ab + bc + ca) / 2.0;
    // Rounding can take a degenerate triangle's product a hair below zero.
    return std::sqrt(std::max(0.0, s * (s - ab) * (s - bc) * (s - ca)));
}

double GamutPercent(const XyPoint& red, const XyPoint& green, const XyPoint& blue) {
    static const double kNtscArea = TriangleArea({0.67, 0.33}, {0.21, 0.71}, {0.14, 0.08});
    return TriangleArea(red, green, blue) * 100.0 / kNtscArea;
}

Verdict WhiteLuminanceVerdict(double firstLv, double lv, double tolerance) {
    if (!(firstLv > 0.0)) {
        return Verdict::NotMeasured;
    }
    return Judge(Within(lv - 100.0, tolerance));
}

Verdict BlackLuminanceVerdict(double lv) {
    if (!(lv > 0.0)) {
        return Verdict::NotMeasured;
    }
    return Judge(lv < 0.31);
}

Verdict TemperatureVerdict(double firstU, double difference, double tolerance) {
    if (!(firstU > 0.0)) {
        return Verdict::NotMeasured;
    }
    return Judge(Within(difference, tolerance));
}

Verdict GammaVerdict(double gamma, double target) {
    if (!(gamma > 0.0)) {
        return Verdict::NotMeasured;
    }
    return Judge(Within(gamma - target, 0.03));
}

Verdict UniformityVerdict(double percent) {
    if (!(percent > 0.0)) {
        return Verdict::NotMeasured;
    }
    return Judge(percent < 10.0);
}

PrimaryLimits PrimaryLimitsFor(int colorSpace) {
    switch (colorSpace) {
        case 1: return {0.006, 0.005, 71.0, 5.0, true};   // BT-709
        case 2: return {0.006, 0.005, 66.0, 3.0, true};   // SMPTE-C
        case 3: return {0.006, 0.005, 72.0, 5.0, true};   // EBU
        case 4: return {0.01, 0.01, 100.0, 10.0, true};   // NTSC
        default: return {};                               // Native, D-Cinema: shown, not judged
    }
}

std::array<Verdict, 7> PrimaryVerdicts(int colorSpace, const PrimaryMeasurement& m) {
    std::array<Verdict, 7> verdicts;
    if (!m.measured) {
        verdicts.fill(Verdict::NotMeasured);
        return verdicts;
    }
    const PrimaryLimits limits = PrimaryLimitsFor(colorSpace);
    if (!limits.judged) {
        verdicts.fill(Verdict::Ok);
        return verdicts;
    }
    for (size_t i = 0; i < 6; ++i) {
        const double limit = i == 0 ? limits.redU : limits.others;
        verdicts[i] = Judge(Within(m.differences[i], limit));
    }
    verdicts[6] = Judge(Within(m.gamut - limits.gamutNominal, limits.gamutHalfWidth));
    return verdicts;
}

}  // namespace halvo
