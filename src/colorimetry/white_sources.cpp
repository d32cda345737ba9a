#include "colorimetry/white_sources.h"

#include "colorimetry/chromaticity.h"
#include "common/text_format.h"

namespace halvo {

const NamedWhiteSource kNamedWhiteSources[kNamedWhiteSourceCount] = {
    // name                  x       y
    {"Source A", 0.4476, 0.4075},
    {"Source B", 0.3485, 0.3517},
    {"Source C", 0.3101, 0.3163},
    {"Source D\u2086\u2085", 0.3127, 0.329},
    {"Source E", 0.3333, 0.3333},
};

WhiteTargetKind ClassifyWhiteTarget(int32_t code) {
    if (code >= 0 && code < kNamedWhiteSourceCount) {
        return WhiteTargetKind::NamedSource;
    }
    if (code >= kFirstAdjustCode && code <= kLastAdjustCode) {
        return WhiteTargetKind::Adjust;
    }
    return WhiteTargetKind::Temperature;
}

std::string WhiteTargetLabel(int32_t code) {
    switch (ClassifyWhiteTarget(code)) {
        case WhiteTargetKind::NamedSource:
            return kNamedWhiteSources[code].name;
        case WhiteTargetKind::Adjust:
            return "Adjust";
        case WhiteTargetKind::Temperature:
            break;
    }
    return Format("%dK", code);
}

std::optional<ColorReading> WhiteTargetReading(int32_t code, double lv, bool alternateWhites) {
    ColorReading reading;
    switch (ClassifyWhiteTarget(code)) {
        case WhiteTargetKind::NamedSource:
            ReadingFromChromaticity(kNamedWhiteSources[code].x, kNamedWhiteSources[code].y, lv, reading);
            return reading;
        case WhiteTargetKind::Adjust:
            return std::nullopt;
        case WhiteTargetKind::Temperature:
            break;
    }
    ReadingFromTemperature(lv, alternateWhites, reading, code);
    return reading;
}

}  // namespace halvo
