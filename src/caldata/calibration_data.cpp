#include "caldata/calibration_data.h"

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

bool IsValidColorSpace(int id) { return id >= 0 && id < kColorSpaceCount; }
bool IsValidColorSlot(int slot) { return slot >= 0 && slot < kColorSlotCount; }
bool IsValidLevel(int level) { return level >= 0 && level < kLevelCount; }

}  // namespace halvo
