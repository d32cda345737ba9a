#pragma once

// A calibration data set with something distinct in every part, for the file tests.

#include "caldata/calibration_data.h"
#include "common/text_format.h"

namespace halvo::test {

// multiLevel: BT.709 and EBU at eight levels with white priority; otherwise one level.
inline CalibrationData SampleData(bool multiLevel) {
    CalibrationData d;
    d.calibrationId = "VRL000042";
    d.version = 9.9f;
    d.bitDepth = 1;
    d.gammaText = "2.21";
    d.temperatureText = " 6504";
    d.backlightText = "80";
    for (size_t i = 0; i < d.uniformityTexts.size(); ++i) {
        d.uniformityTexts[i] = Format("%6.2lf", 190.0 + static_cast<double>(i) * 1.25);
    }
    for (size_t i = 0; i < d.uniformity.size(); ++i) {
        d.uniformity[i] = static_cast<uint8_t>(130 + 11 * i);
    }
    d.targetGamma = 2.35;
    d.panelGammaCode.fill(9);
    for (size_t i = 0; i < d.gammaTable.size(); ++i) {
        d.gammaTable[i] = static_cast<uint16_t>(i * i / 3);
    }
    for (int id = 0; id < kColorSpaceCount; ++id) {
        for (int slot = 0; slot < kColorSlotCount; ++slot) {
            for (int level = 0; level < kLevelCount; ++level) {
                ColorSpaceEntry& e = d.entry(id, slot, level);
                e.reading.x = 0.15 + 0.05 * slot + 0.0001 * id;
                e.reading.y = 0.06 + 0.07 * slot + 0.0002 * level;
                e.reading.lv = 100.0 - 10.5 * level - slot;
                e.reading.duv = 0.0001 * (slot - 3);
                e.r = 255 - 3 * level - id;
                e.g = -12 + slot;
                e.b = 40 * id - level;
            }
        }
    }
    d.colorSpaceMask = multiLevel ? 0x05 : 0x1F;
    d.levelCount = multiLevel ? 8 : 1;
    d.priority = multiLevel ? 1 : 0;
    static const char* const kTemperatures[kWhiteRowCount] = {"3200", "5400", "6500", "7000", "9300", "10000",
                                                              "11000"};
    for (size_t r = 0; r < d.gainTexts.size(); ++r) {
        d.targetGains[r] = {static_cast<uint8_t>(250 - r), static_cast<uint8_t>(240 - r), static_cast<uint8_t>(200 + r)};
        d.gainTexts[r] = {"0.2000(0.3100)", "0.4700(0.3200)", " 100.0", kTemperatures[r], " 99.8", "0.0012",
                          Format("%3d", d.targetGains[r][0]), Format("%3d", d.targetGains[r][1]),
                          Format("%3d", d.targetGains[r][2])};
    }
    for (size_t t = 0; t < d.lut3d.size(); ++t) {
        for (size_t i = 0; i < d.lut3d[t].size(); ++i) {
            d.lut3d[t][i] = static_cast<uint8_t>((i * 7 + t * 31) & 0xFF);
        }
    }
    d.gammaPresent = true;
    d.uniformityPresent = true;
    d.colorSpacePresent = true;
    return d;
}

}  // namespace halvo::test
