#pragma once

// The calibration data file (.cal): line-oriented 8-bit text with CR LF line ends.
//
//   -Calibaration Data-            header; a reader only needs the leading "-"
//   _VERSION_ / X,%1.2f            version the file was written with
//   _BIT_ / P,%d / I,%s            bit depth flag (1 = 10 bit), calibration ID
//   _PANEL_ / A,%s / B,%s / D,%s   texts of the "Gamma", "T(K)" and "Back light" fields
//   _UNI_ / U,<9 texts> / V,...    uniformity row; settings (ten bytes at 10 bit, else three)
//   _GAMMA_ / T,%1.2f / O,<6 x %d> target gamma; panel gamma code of slot 0, six times
//   M,%d,%d x 256                  gamma table
//   _SPACE_ + C lines x 35         one level: every space and slot, level 0
//   _SPACE2_/_SPACE3_ + S lines    several levels (3: white priority): 56 per enabled space
//   _GAIN_ / G,row,<9 texts> x 7   white-balance list columns 1..9
//   _3D_LUT_, then per table: 41 "=", its name, 4096 lines "%3d\t%3d\t%3d\t"
//   (empty line) / _END_
//
// Reading starts from the reset state (CalibrationData::resetForLoad) and takes every line by
// its tag; lines it does not know are skipped. Lines whose indexes lie outside the tables or
// whose values cannot be stored are skipped with a warning, never written outside a table.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "caldata/calibration_data.h"

namespace halvo {

inline constexpr const char* kCalFileHeader = "-Calibaration Data-";
inline constexpr const char* kLut3DSeparator = "=========================================";
extern const std::array<const char*, kColorSpaceCount> kLut3DNames;  // "_BT_709_" ...

// The whole file, CR LF line ends.
std::string WriteCalFile(const CalibrationData& data);

// What a load produced: the data set and what it asks of the page beyond the set itself.
struct CalFileLoad {
    // False when the first line does not start with "-" (nothing else was read).
    bool formatOk = true;
    CalibrationData data;

    // Page fields the file set ("A", "B", "D"); unset ones keep their text.
    std::optional<std::string> gammaText;
    std::optional<std::string> temperatureText;
    std::optional<std::string> backlightText;
    // Columns of the white-balance list each row got, bit c for column c + 1; the measured
    // columns ("T(K)" .. "B") of other rows are blanked, their target columns kept.
    std::array<uint16_t, kWhiteRowCount> gainColumnsSet{};
    bool targetGammaRead = false;

    // The "Color Space" box is to be checked; refused when the bit depth flag was 0 at that
    // point (the data stays stored).
    bool colorSpaceRequested = false;
    bool colorSpaceRefused = false;
    bool levelChecked = false;
    bool priorityChecked = false;
    // Colour-space lines were read (the page tells the controller, event 8/1).
    bool colorSpaceLinesRead = false;

    std::vector<std::string> warnings;
    int ignoredLines = 0;
};

// Reads a .cal file. defaultId is the calibration ID until an "I" line gives one (the page
// passes the first nine characters of the file's name).
CalFileLoad ReadCalFile(std::string_view text, const std::string& defaultId);

// True for a path the page imports as a station log rather than reading as a .cal file: the
// file's name holds ".txt" after its first character.
bool IsLogPath(const std::string& path);

}  // namespace halvo
