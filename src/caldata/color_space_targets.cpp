#include "caldata/color_space_targets.h"

#include <algorithm>
#include <cmath>

#include "colorimetry/chromaticity.h"
#include "common/text_format.h"

namespace halvo {

const std::array<const char*, kColorSpaceCount> kColorSpaceListNames = {"BT.709", "SMPTE-C", "EBU", "NTSC",
                                                                         "D-Cinema"};
const std::array<const char*, kColorSpaceCount> kColorSpaceBoxNames = {"BT-709", "SMPTE-C", "EBU", "NTSC",
                                                                        "D-Cinema"};
const std::array<const char*, kColorSlotCount> kColorSlotNames = {"White", "Red",    "Green",  "Blue",
                                                                   "Yellow", "Cyan", "Magenta"};

const ColorSpaceTargetTable& DefaultColorSpaceTargets() {
    // The broadcast standards' primaries and whites (ITU-R BT.709, SMPTE RP 145, EBU Tech 3213,
    // NTSC 1953, DCI P3 with its 48 cd/m2 white); secondaries are the sums of their primaries.
    //      x        y        u'      v'      Y
    static const ColorSpaceTargetTable table = {{
        {{  // BT.709
            {0.3127, 0.329, 0.1978, 0.4683, 100},
            {0.64, 0.33, 0.4507, 0.5229, 21.2673},
            {0.3, 0.6, 0.125, 0.5625, 71.5152},
            {0.15, 0.06, 0.1754, 0.1579, 7.2175},
            {0.4193, 0.5053, 0.2039, 0.5529, 92.7},
            {0.2246, 0.3287, 0.1383, 0.4555, 78.7},
            {0.3209, 0.1542, 0.305, 0.3297, 28.4},
        }},
        {{  // SMPTE-C
            {0.3127, 0.329, 0.1978, 0.4683, 100},
            {0.63, 0.34, 0.433, 0.5258, 21.2413},
            {0.31, 0.595, 0.1303, 0.5625, 70.1044},
            {0.155, 0.07, 0.1756, 0.1785, 8.6543},
            {0.4209, 0.5067, 0.2044, 0.5535, 91.3},
            {0.2306, 0.3262, 0.1429, 0.4549, 78.7},
            {0.3144, 0.1606, 0.2926, 0.3363, 29.8},
        }},
        {{  // EBU
            {0.3127, 0.329, 0.1978, 0.4683, 100},
            {0.64, 0.33, 0.4507, 0.5229, 22.2038},
            {0.29, 0.6, 0.1206, 0.5613, 70.6638},
            {0.15, 0.06, 0.1754, 0.1579, 7.1324},
            {0.4172, 0.5018, 0.2038, 0.5516, 92.8},
            {0.2197, 0.3287, 0.1351, 0.4548, 77.8},
            {0.3271, 0.1576, 0.3088, 0.3348, 29.3},
        }},
        {{  // NTSC
            {0.31, 0.3161, 0.2009, 0.4609, 100},
            {0.67, 0.33, 0.4769, 0.5285, 29.8916},
            {0.21, 0.71, 0.0757, 0.5757, 58.6599},
            {0.14, 0.08, 0.1522, 0.1957, 11.4485},
            {0.4506, 0.5113, 0.2189, 0.5588, 89},
            {0.1656, 0.3107, 0.1035, 0.4371, 70},
            {0.3455, 0.1769, 0.3118, 0.3592, 41},
        }},
        {{  // D-Cinema
            {0.314, 0.351, 0.1908, 0.4798, 48},
            {0.68, 0.32, 0.4964, 0.5256, 10.06},
            {0.265, 0.69, 0.0986, 0.5777, 34.64},
            {0.15, 0.06, 0.1754, 0.1579, 3.31},
            {0.4248, 0.5476, 0.1948, 0.5651, 45},
            {0.2048, 0.3602, 0.1185, 0.469, 38},
            {0.3424, 0.1544, 0.3286, 0.3334, 13},
        }},
    }};
    return table;
}

std::vector<std::string> LevelListEntries(int levelCount) {
    switch (levelCount) {
        case 2: return {"255", "187"};
        case 3: return {"255", "204", "153"};
        case 4: return {"255", "221", "187", "153"};
        default: break;
    }
    std::vector<std::string> all;
    for (int level = 0; level < kLevelCount; ++level) {
        all.push_back(Format("%d", LevelDrive(level)));
    }
    return all;
}

int LevelIndexStep(int levelCount) {
    if (levelCount < 2 || levelCount > 4) {
        return 1;
    }
    return static_cast<int>(std::lround(8.0 / levelCount));
}

ColorReading ColorSpaceTargetReading(const ColorSpaceTarget& target, int level) {
    const double m = std::pow((15.0 - level) / 15.0, 2.2);
    ColorReading reading;
    ReadingFromChromaticity(target.x, target.y, target.Y * m, reading);
    return reading;
}

ColorReading ColorSpaceCodeTarget(const std::array<ColorSpaceTarget, kColorSlotCount>& space, int r, int g, int b,
                                  double exponent) {
    const int code[3] = {r, g, b};
    const int slot[3] = {kSlotRed, kSlotGreen, kSlotBlue};
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
    for (int c = 0; c < 3; ++c) {
        const ColorSpaceTarget& q = space[static_cast<size_t>(slot[c])];
        if (q.y <= 0.0) {
            continue;
        }
        const double share = std::pow(std::clamp(code[c], 0, 255) / 255.0, exponent) * q.Y;
        X += share * q.x / q.y;
        Y += share;
        Z += share * (1.0 - q.x - q.y) / q.y;
    }
    ColorReading reading;
    const double sum = X + Y + Z;
    if (sum > 0.0) {
        ReadingFromChromaticity(X / sum, Y / sum, Y, reading);
    }
    return reading;
}

std::vector<std::array<int, 3>> InteriorCodes() {
    std::vector<std::array<int, 3>> codes;
    const int onGrid[4] = {68, 119, 170, 221};
    const int between[4] = {60, 110, 160, 210};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            const int k = (i + 2 * j + 1) % 4;  // never i when i = j: no grey
            codes.push_back({onGrid[i], onGrid[j], onGrid[k]});
            if ((i + j) % 2 == 0) {
                codes.push_back({between[i], between[j], between[k]});
            }
        }
    }
    return codes;
}

}  // namespace halvo
