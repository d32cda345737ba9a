#pragma once

// The checks before calibration data is copied into a monitor, and the progress range the copy
// fills: S steps (8, 71 with a gamma table, plus 75 per colour space less one, plus 6 per space
// and level with several levels) and E closing steps (7, or 6 with colour spaces).

#include <string>

#include "caldata/calibration_data.h"

namespace halvo {

struct CopyCheckInput {
    bool gammaPresent = false;
    const GammaToLvTable* gammaTable = nullptr;
    std::string gammaText;      // the "Gamma" field: measured panel gamma
    std::string backlightText;  // the "Back light" field
    bool colorSpacePresent = false;
    int levelCount = 1;    // entries of the level list with "Level" checked, else 1
    int colorSpaces = 0;   // checked target boxes
    uint8_t colorSpaceMask = 0;             // the target boxes, bit n for ColorSpaceId n
    const CalibrationData* data = nullptr;  // the set whose colour-space results are copied
};

struct CopyCheckResult {
    // Empty when the data may be copied; else the message that refuses it.
    std::string error;
    float measuredGamma = 0.0f;
    int backlight = 255;  // 255: not set
    int steps = 0;        // S
    int closingSteps = 0; // E
    int progressMaximum() const { return steps + closingSteps; }
};

inline constexpr int kGammaNeverWritten = 0xCCCC;  // fill value of a table that was never written

// A measured panel gamma a monitor may be given.
inline bool IsPanelGamma(double gamma) {
    return gamma >= 0.5 && gamma <= 3.5;
}

CopyCheckResult CheckCopy(const CopyCheckInput& in);

}  // namespace halvo
