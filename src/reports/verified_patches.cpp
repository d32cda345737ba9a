#include "reports/verified_patches.h"

#include <algorithm>
#include <cmath>

#include "common/text_format.h"
#include "reports/result_texts.h"

namespace halvo {

namespace {

struct ColorPatch {
    const char* name;
    int slot;        // result slot of the reading
    int targetSlot;  // ColorSlot of the target; -1 for black
    int r, g, b;
};

// In the order the colour run draws them.
constexpr ColorPatch kColorPatches[] = {
    {"Black", kResultBlack, -1, 0, 0, 0},  {"White", kResultWhite, 0, 255, 255, 255}, {"Red", 3, 1, 255, 0, 0},
    {"Green", 4, 2, 0, 255, 0},            {"Blue", 5, 3, 0, 0, 255},                  {"Yellow", 6, 4, 255, 255, 0},
    {"Magenta", 7, 6, 255, 0, 255},        {"Cyan", 8, 5, 0, 255, 255},
};

Xyz ReadingXyz(const ColorReading& r) { return XyzFromXyY(r.x, r.y, r.lv); }

bool Usable(const ColorReading& r) { return Measured(r.lv) && Measured(r.y); }

}  // namespace

double TargetGamma(int colorSpace) { return colorSpace == 5 ? 2.6 : 2.2; }

ColorSpacePatches VerifiedPatchesOf(const ColorSpaceResults& results, int colorSpace,
                                    const ColorSpaceTargetTable& targets) {
    ColorSpacePatches out;
    out.colorSpace = colorSpace;
    out.targeted = colorSpace >= 1 && colorSpace <= kColorSpaceCount;
    out.targetGamma = TargetGamma(colorSpace);
    const std::array<ColorSpaceTarget, kColorSlotCount>* table =
        out.targeted ? &targets[static_cast<size_t>(colorSpace - 1)] : nullptr;
    if (table != nullptr) {
        const ColorSpaceTarget& w = (*table)[0];
        out.targetWhite = XyzFromXyY(w.x, w.y, w.Y);
    }
    // The colour run's white, or the top of the grey run when only gamma was measured.
    const ColorReading& white =
        Usable(results.colors[kResultWhite]) ? results.colors[kResultWhite] : results.gamma[kGammaLevelCount - 1];
    if (Usable(white)) {
        out.measuredWhite = ReadingXyz(white);
    }

    std::vector<std::pair<VerifiedPatch, const ColorReading*>> found;
    for (int k = 0; k < kGammaLevelCount; ++k) {
        const int level = static_cast<int>(std::ceil(k * 25.5));
        VerifiedPatch p;
        p.name = Format("Grey %d%%", k * 10);
        p.r = p.g = p.b = level;
        if (table != nullptr) {
            const ColorSpaceTarget& w = (*table)[0];
            p.target = XyzFromXyY(w.x, w.y, w.Y * std::pow(level / 255.0, out.targetGamma));
        }
        found.emplace_back(p, &results.gamma[static_cast<size_t>(k)]);
    }
    for (const ColorPatch& c : kColorPatches) {
        VerifiedPatch p;
        p.name = c.name;
        p.r = c.r;
        p.g = c.g;
        p.b = c.b;
        if (table != nullptr && c.targetSlot >= 0) {
            const ColorSpaceTarget& t = (*table)[static_cast<size_t>(c.targetSlot)];
            p.target = XyzFromXyY(t.x, t.y, t.Y);
        }
        found.emplace_back(p, &results.colors[static_cast<size_t>(c.slot)]);
    }

    const bool judged = table != nullptr && out.measuredWhite.Y > 0.0;
    const double scale = judged ? out.targetWhite.Y / out.measuredWhite.Y : 1.0;
    double sum = 0.0;
    for (auto& [patch, reading] : found) {
        if (!Usable(*reading)) {
            continue;
        }
        patch.measured = ReadingXyz(*reading);
        if (judged) {
            const Xyz scaled{patch.measured.X * scale, patch.measured.Y * scale, patch.measured.Z * scale};
            patch.deltaE2000 =
                Ciede2000(LabFromXyz(patch.target, out.targetWhite), LabFromXyz(scaled, out.targetWhite));
            sum += patch.deltaE2000;
            out.maxDeltaE2000 = std::max(out.maxDeltaE2000, patch.deltaE2000);
        }
        out.patches.push_back(patch);
    }
    if (judged && !out.patches.empty()) {
        out.meanDeltaE2000 = sum / static_cast<double>(out.patches.size());
    }
    return out;
}

std::vector<ColorSpacePatches> VerifiedPatchesFor(const MeasurementResults& results, const std::vector<int>& spaces,
                                                  const ColorSpaceTargetTable& targets) {
    std::vector<ColorSpacePatches> out;
    for (const int cs : spaces) {
        if (cs < 0 || cs >= kMeasureSpaceCount) {
            continue;
        }
        ColorSpacePatches p = VerifiedPatchesOf(results.spaces[static_cast<size_t>(cs)], cs, targets);
        if (!p.patches.empty()) {
            out.push_back(std::move(p));
        }
    }
    return out;
}

}  // namespace halvo
