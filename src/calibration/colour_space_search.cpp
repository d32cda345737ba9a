#include "calibration/colour_space_search.h"

#include <algorithm>
#include <cmath>

#include "caldata/calibration_data.h"

namespace halvo {
namespace {

// Per colour slot: the factors of du' for R and G and of dv' for B.
struct Factors {
    double r;
    double g;
    double b;
};
constexpr Factors kFactors[kColorSlotCount] = {
    {-400, 300, 700},  // W
    {-400, 400, 900},  // R
    {-500, 300, 900},  // G
    {-200, 200, 400},  // B
    {-400, 300, 700},  // Y
    {-400, 300, 700},  // C
    {-400, 300, 700},  // M
};

constexpr ColourMask kMasks[kColorSlotCount] = {
    {true, true, true},  {true, false, false}, {false, true, false}, {false, false, true},
    {true, true, false}, {false, true, true},  {true, false, true},
};

// 0.3 rather than a half: a change below 0.7 leaves a value where it is.
int Step(int current, double change) {
    const double v = change > 0 ? current + change + 0.3 : current + change - 0.3;
    return static_cast<int>(std::trunc(v));
}

}  // namespace

ColourMask MaskOf(int slot) {
    return kMasks[std::clamp(slot, 0, kColorSlotCount - 1)];
}

uint32_t ColourPattern(int slot, int level) {
    const ColourMask m = MaskOf(slot);
    const auto v = static_cast<uint32_t>(std::clamp(15 - level, 0, 15) * 17);
    return (m.r ? v : 0u) | (m.g ? v : 0u) << 8 | (m.b ? v : 0u) << 16;
}

ColourCorrection CorrectColourValues(int slot, const ColorReading& reading, const ColorReading& target,
                                     const ColourValues& current) {
    const Factors& f = kFactors[std::clamp(slot, 0, kColorSlotCount - 1)];
    ColourCorrection out;
    out.L = -10.0 * (std::sqrt(std::max(reading.lv, 0.0)) - std::sqrt(std::max(target.lv, 0.0)));
    const double du = reading.u - target.u;
    const double dv = reading.vp - target.vp;
    ColourValues v{Step(current.r, f.r * du + out.L), Step(current.g, f.g * du + out.L),
                   Step(current.b, f.b * dv + out.L)};
    out.values = ClearAbsentNegatives(slot, v);
    return out;
}

ColourValues ClearAbsentNegatives(int slot, ColourValues v) {
    const ColourMask m = MaskOf(slot);
    if (slot != kSlotWhite) {
        v.r = !m.r && v.r < 0 ? 0 : v.r;
        v.g = !m.g && v.g < 0 ? 0 : v.g;
        v.b = !m.b && v.b < 0 ? 0 : v.b;
    }
    return v;
}

ColourValues LimitColourValues(const ColourValues& v) {
    return {std::clamp(v.r, -kColourValueLimit, kColourValueLimit),
            std::clamp(v.g, -kColourValueLimit, kColourValueLimit),
            std::clamp(v.b, -kColourValueLimit, kColourValueLimit)};
}

int BestIteration(const ColorReading* readings, int last, const ColorReading& target) {
    double best = 10000.0;
    int chosen = 0;
    for (int k = 0; k <= last; ++k) {
        const ColorReading& r = readings[k];
        const double score = 100.0 * std::hypot(r.u - target.u, r.v - target.v) + std::fabs(r.lv - target.lv);
        if (score < best) {
            best = score;
            chosen = k;
        }
    }
    return chosen;
}

void ProjectOntoLine(double& u, double& vp, double u0, double vp0, double u1, double vp1) {
    const double du = u1 - u0;
    const double dv = vp1 - vp0;
    const double length2 = du * du + dv * dv;
    if (length2 <= 0.0) {
        return;
    }
    const double t = ((u - u0) * du + (vp - vp0) * dv) / length2;
    u = u0 + t * du;
    vp = vp0 + t * dv;
}

}  // namespace halvo
