#include "caldata/copy_check.h"

#include "caldata/color_space_targets.h"
#include "caldata/field_text.h"
#include "common/text_format.h"

namespace halvo {

namespace {

// The copy replays every colour at the levels the page asks for, and makes each space's table
// from what the monitor answers. A level the set holds no reading of would be replayed with
// nothing and give a table that is not the calibration's. A set without readings at all (taken
// from a log, which carries only the values) is replayed as it is.
std::string MissingLevelError(const CalibrationData& d, uint8_t mask, int levelCount) {
    for (int n = 0; n < kColorSpaceCount; ++n) {
        if ((mask & (1u << n)) == 0 || !HoldsColourSpaceCalibration(d, n) ||
            d.entry(n, kSlotWhite, 0).reading.x <= 0.0) {
            continue;
        }
        for (const int level : CalibratedLevels(levelCount)) {
            if (d.entry(n, kSlotWhite, level).reading.x <= 0.0) {
                return Format("The colour-space data of %s holds no level %d; it cannot be copied with %d levels.",
                              kColorSpaceListNames[static_cast<size_t>(n)], LevelDrive(level), levelCount);
            }
        }
    }
    return {};
}

}  // namespace

CopyCheckResult CheckCopy(const CopyCheckInput& in) {
    CopyCheckResult r;
    r.steps = 8;
    if (in.gammaPresent) {
        const GammaToLvTable& t = *in.gammaTable;
        if (t[0] != 0 || t[1] == kGammaNeverWritten || t[255] == kGammaNeverWritten) {
            r.error = "Invalid gamma table.";
            return r;
        }
        r.steps = 71;
    }

    const double gamma = ParseReal(in.gammaText).value_or(0.0);
    if (!IsPanelGamma(gamma)) {
        r.error = "Invalid measured gamma.";
        return r;
    }
    r.measuredGamma = static_cast<float>(gamma);

    // Text that is not a number is refused rather than read as 0, which would dim the
    // monitor to black.
    if (in.backlightText.find_first_not_of(" \t") == std::string::npos) {
        r.backlight = 255;
    } else {
        const std::optional<long> value = ParseInteger(in.backlightText);
        if (!value || *value < 0 || (*value > 100 && *value != 255)) {
            r.error = "Selected dimming error.";
            return r;
        }
        r.backlight = static_cast<int>(*value);
    }

    if (in.colorSpacePresent && in.data != nullptr) {
        r.error = MissingLevelError(*in.data, in.colorSpaceMask, in.levelCount);
        if (!r.error.empty()) {
            return r;
        }
    }

    r.closingSteps = 7;
    if (in.colorSpacePresent) {
        r.closingSteps = 6;
        const int n = in.colorSpaces;
        r.steps += 75 * n - 1;
        if (in.levelCount > 1) {
            r.steps += 6 * n * in.levelCount;
        }
    }
    return r;
}

}  // namespace halvo
