#include "caldata/calibration_data.h"

#include <algorithm>

namespace halvo {

CalibrationData::CalibrationData() {
    panelGammaCode.fill(255);
    uniformityTexts.fill(" ");
}

void CalibrationData::resetForLoad() {
    fileVersion = 0.0f;
    bitDepth = 0;
    uniformityTexts.fill(" ");
    uniformity.fill(0);
    panelGammaCode.fill(255);
    gammaTable.fill(0);
    clearColorSpaces();
    colorSpaceMask = 0;
    levelCount = 0;
    priority = 0;
    for (Rgb8& gains : targetGains) {
        gains.fill(0);
    }
    for (GainRowTexts& row : gainTexts) {
        row.fill(std::string());
    }
    for (Lut3D& table : lut3d) {
        table.fill(0);
    }
    gammaPresent = false;
    uniformityPresent = false;
    colorSpacePresent = false;
}

void CalibrationData::clearColorSpaces() {
    for (auto& space : colorSpaces) {
        for (auto& slot : space) {
            slot.fill(ColorSpaceEntry());
        }
    }
}

std::vector<int> CalibratedLevels(int levelCount) {
    const int B = std::max(levelCount, 1);
    const int s = static_cast<int>(8.0 / B + 0.5);
    std::vector<int> levels;
    for (int k = 0; k < B && k * s < kLevelStorage; ++k) {
        levels.push_back(k * s);
    }
    return levels;
}

// The single-level file form carries all five colour spaces whatever was calibrated, and loading
// it marks them all; a space whose white was never found has no gains, and replaying it would
// turn that colour space's white off.
bool HoldsColourSpaceCalibration(const CalibrationData& d, int space) {
    const ColorSpaceEntry& white = d.entry(space, kSlotWhite, 0);
    return white.r != 0 || white.g != 0 || white.b != 0;
}

bool IsValidColorSpace(int id) { return id >= 0 && id < kColorSpaceCount; }
bool IsValidColorSlot(int slot) { return slot >= 0 && slot < kColorSlotCount; }
bool IsValidLevel(int level) { return level >= 0 && level < kLevelCount; }

}  // namespace halvo
