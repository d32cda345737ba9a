#include "caldata/copy_check.h"

#include "caldata/field_text.h"

namespace halvo {

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
