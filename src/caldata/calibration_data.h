#pragma once

// The calibration result set: what the procedures fill, the .cal file stores and the upload
// sends. Plain values, copied whole. The page that holds it (Ccalib) keeps the texts and flags
// in step with its controls; the file code sees only this record.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "colorimetry/color_reading.h"

namespace halvo {

// Colour spaces, in the order of the tables, the file and the target boxes.
enum ColorSpaceId : int { kBt709 = 0, kSmpteC = 1, kEbu = 2, kNtsc = 3, kDCinema = 4 };
// Colour slots of a colour space, in the order of the tables and the target list.
enum ColorSlot : int {
    kSlotWhite = 0,
    kSlotRed = 1,
    kSlotGreen = 2,
    kSlotBlue = 3,
    kSlotYellow = 4,
    kSlotCyan = 5,
    kSlotMagenta = 6,
};

inline constexpr int kColorSpaceCount = 5;
inline constexpr int kColorSlotCount = 7;   // slots in use
inline constexpr int kColorSlotStorage = 8;  // slots the table has room for
inline constexpr int kLevelCount = 8;        // levels in use: drive 255, 238, ... 136
inline constexpr int kLevelStorage = 16;     // level indexes the table has room for (drive (15 - P) * 17)
inline constexpr int kWhiteRowCount = 7;     // colour-temperature targets
inline constexpr int kGainColumnCount = 9;   // white-balance list columns 1..9
inline constexpr int kUniformityCellCount = 9;
inline constexpr int kUniformitySettingCount = 10;
inline constexpr int kPanelGammaSlots = 6;
inline constexpr int kGammaTableSize = 256;
inline constexpr int kLut3DEntries = 4096;  // 16 x 16 x 16 grid points of three bytes

// 8-bit drive level of a level index: 0 = 255, 1 = 238, ... 7 = 136.
inline constexpr int LevelDrive(int level) { return 255 - 17 * level; }

struct ColorSpaceEntry {
    ColorReading reading;  // the file carries x, y, lv and duv
    int32_t r = 0;         // monitor register values found for the patch
    int32_t g = 0;
    int32_t b = 0;
};

// Indexed [ColorSpaceId][ColorSlot][level].
using ColorSpaceTable =
    std::array<std::array<std::array<ColorSpaceEntry, kLevelStorage>, kColorSlotStorage>, kColorSpaceCount>;
// Luminance x 100 (cd/m2) at each 8-bit input code.
using GammaToLvTable = std::array<uint16_t, kGammaTableSize>;
// Three bytes per grid point, in the order the colour-space calibration stores them.
using Lut3D = std::array<uint8_t, kLut3DEntries * 3>;
using UniformitySettings = std::array<uint8_t, kUniformitySettingCount>;
using Rgb8 = std::array<uint8_t, 3>;
using TargetGains = std::array<Rgb8, kWhiteRowCount>;
using GainRowTexts = std::array<std::string, kGainColumnCount>;

struct CalibrationData {
    std::string calibrationId;
    // Version the set is written with (the "X" line); the station's own version number.
    float version = 0.0f;
    // The "X" value of the last file loaded; 0 until one is read.
    float fileVersion = 0.0f;
    // 1 = "10 Bit", 0 = "8 Bit".
    uint8_t bitDepth = 0;

    // Texts of the page's "Gamma", "T(K)" and "Back light" fields.
    std::string gammaText;
    std::string temperatureText;
    std::string backlightText;
    // The uniformity row, "T-L" first, "B-R" last.
    std::array<std::string, kUniformityCellCount> uniformityTexts;
    UniformitySettings uniformity{};

    double targetGamma = 2.2;
    std::array<uint8_t, kPanelGammaSlots> panelGammaCode{};
    GammaToLvTable gammaTable{};
    ColorSpaceTable colorSpaces{};
    uint8_t colorSpaceMask = 0;  // bit n: ColorSpaceId n is a target
    int levelCount = 0;
    uint8_t priority = 0;  // "Color Priority" pressed in ("White Priority")

    TargetGains targetGains{};
    // White-balance list columns 1..9 of each colour-temperature row ("Target u'(x)" .. "B").
    std::array<GainRowTexts, kWhiteRowCount> gainTexts;

    std::array<Lut3D, kColorSpaceCount> lut3d{};

    bool gammaPresent = false;
    bool uniformityPresent = false;
    bool colorSpacePresent = false;

    // What a copy to a monitor sends, as its checks found them: the measured panel gamma and the
    // back light (255 = not set).
    float measuredGamma = 0.0f;
    int backlightValue = 255;

    CalibrationData();

    ColorSpaceEntry& entry(int space, int slot, int level) {
        return colorSpaces[static_cast<size_t>(space)][static_cast<size_t>(slot)][static_cast<size_t>(level)];
    }
    const ColorSpaceEntry& entry(int space, int slot, int level) const {
        return colorSpaces[static_cast<size_t>(space)][static_cast<size_t>(slot)][static_cast<size_t>(level)];
    }

    // The state a load starts from: tables, gains and settings zeroed, panel gamma codes 255,
    // flags cleared, the uniformity row blank. Texts of the page fields, the target gamma and
    // the station's own version are not part of it.
    void resetForLoad();
    // Colour-space results zeroed (page "Clear", the start of a calibration).
    void clearColorSpaces();
};

// The level indexes a colour-space calibration of this many levels visits, which a copy
// replays: 0, s, 2s, ... with s = trunc(8 / count + 0.5); level 0 alone for a count below 2.
std::vector<int> CalibratedLevels(int levelCount);

// Whether a colour space of the set was calibrated (its white has gains); the copy leaves the
// others as the monitor has them.
bool HoldsColourSpaceCalibration(const CalibrationData& d, int space);

bool IsValidColorSpace(int id);
bool IsValidColorSlot(int slot);
bool IsValidLevel(int level);

}  // namespace halvo
