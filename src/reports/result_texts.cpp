#include "reports/result_texts.h"

#include <algorithm>

#include "common/text_format.h"

namespace halvo {

const char* ResultRowLabel(int slot, bool alternateWhites) {
    static const char* const kLabels[kResultSlotCount] = {
        "Gamma",  "Black",       "White",      "Red",        "Green",       "Blue",         "Yellow",
        "Magenta", "Cyan",       "3200k",      "5400k",      "6500k",       "9300k",        "11000k",
        "Center", "Left Middle", "Left Top",   "Center Top", "Right Top",   "Rigth Middle", "Right Bottom",
        "Center Bottom", "Left Bottom", "Uniformity", ""};
    if (alternateWhites && slot == 10) {
        return "6500k";
    }
    if (alternateWhites && slot == 11) {
        return "JUDD-OFFSET";
    }
    return slot >= 0 && slot < kResultSlotCount ? kLabels[slot] : "";
}

const char* PositionName(int index) {
    static const char* const kFirstSweep[9] = {"Center",       "Left Middle",  "Left Top",
                                               "Center Top",   "Right Top",    "Right Middle",
                                               "Right Bottom", "Center Bottom", "Left Bottom"};
    static const char* const kRefinement[9] = {"Left Top",  "Left Middle",  "Left Bottom",
                                               "Center Top", "Right Top",    "Center",
                                               "Right Middle", "Center Bottom", "Right Bottom"};
    if (index >= 0 && index <= 8) {
        return kFirstSweep[index];
    }
    if (index >= 9 && index <= 17) {
        return kRefinement[index - 9];
    }
    return "Error Position";
}

std::string FormatGammaResult(double gamma) {
    return Format("\u0433= %4.2lf", gamma);
}

std::string FormatColorResult(const ColorReading& r) {
    return Format("x:%6.4lf y:%6.4lf Lv:%6.2lf T:%5d", r.x, r.y, r.lv, r.cct);
}

std::string FormatPositionResult(const ColorReading& r) {
    return Format("x:%6.4lf y:%6.4lf Lv:%6.2lf T:%5d \u0394uv:%6.4lf", r.x, r.y, r.lv, r.cct, r.duv);
}

std::string FormatUniformityPercent(double percent) {
    return Format("%6.2f%%", percent);
}

double UniformityPercentage(const std::array<double, kPositionCount>& lv, int count, bool peakRule) {
    // The spread is taken between the darkest and the brightest position actually measured. (A
    // minimum that starts at a fixed 200 cd/m2 would make every monitor brighter than that look
    // non-uniform by its distance from 200.)
    count = std::clamp(count, 0, kPositionCount);
    if (count == 0) {
        return 0.0;
    }
    const double minimum = *std::min_element(lv.begin(), lv.begin() + count);
    const double maximum = *std::max_element(lv.begin(), lv.begin() + count);
    if (!(maximum > 0.0)) {
        return 0.0;
    }
    const double w = maximum - minimum;
    if (peakRule) {
        return w * 100.0 / maximum;
    }
    const double mid = minimum + w / 2.0;
    if (!(mid > 0.0)) {
        return 0.0;
    }
    return (maximum - mid) * 100.0 / mid;
}

}  // namespace halvo
