#include "caldata/white_point_targets.h"

#include <optional>

#include "colorimetry/white_sources.h"
#include "common/text_format.h"

namespace halvo {

WhitePointTarget MakeWhitePointTarget(int32_t code, bool alternateWhites, double referenceLuminance) {
    WhitePointTarget t;
    t.temperature = code;
    t.label = WhiteTargetLabel(code);
    if (const std::optional<ColorReading> reading = WhiteTargetReading(code, referenceLuminance, alternateWhites)) {
        t.target = *reading;
        t.computed = true;
    }
    return t;
}

WhitePointTargets DefaultWhitePointTargets(bool alternateWhites, double referenceLuminance) {
    // The station's fixed white list (the Setup page offers no choice of targets): 3200 K,
    // 5400 K, 6500 K, 7000 K, 9300 K, 10000 K and 11000 K. The fourth is the monitor's 7000 K
    // JUDD-OFFSET preset, the one a calibrated monitor is left on.
    static constexpr std::array<int32_t, kWhiteRowCount> kCodes = {3200, 5400, 6500, 7000, 9300, 10000,
                                                                   kSeventhRowKelvin};
    WhitePointTargets targets;
    for (size_t i = 0; i < kCodes.size(); ++i) {
        targets[i] = MakeWhitePointTarget(kCodes[i], alternateWhites, referenceLuminance);
    }
    if (alternateWhites) {
        targets[kJuddOffsetRow].label = "JUDD-OFFSET";
    }
    return targets;
}

std::array<std::string, 3> WhiteTargetTexts(const WhitePointTarget& target) {
    if (!target.computed) {
        return {"", "", ""};
    }
    const ColorReading& r = target.target;
    return {Format("%6.4lf(%6.4lf)", r.u, r.x), Format("%6.4lf(%6.4lf)", r.vp, r.y), Format("%6.1lf", r.lv)};
}

}  // namespace halvo
