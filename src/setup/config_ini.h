#pragma once

// Config.ini: the Setup page's settings as 22 text lines in the working directory.
//
//   1  ">%d" with the program version (major x 100 + minor); the key of the whole file
//   2  monitor port            12 aging time (minutes)       18 measurement wait (ms)
//   3  reserved, kept as read  13 sensor deviation x         19 measurement delay (ms)
//   4  instrument              14 sensor deviation y         20 white priority level
//   5  instrument port         15 sensor deviation Y         21 measurement after calibration "%d"
//   6  baud rate               16 start calibration after    22 colour space step
//   7  data bits                  aging "%d"
//   8  parity                  17 audio alarm "%d"
//   9  stop bits
//  10  pattern
//  11  measure period (minutes)
//
// Lists are stored by their visible text. Written with CR LF line ends; read with LF or CR LF.
// This layer only splits and joins lines; what a line means is the page's business.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace halvo {

inline constexpr int kConfigLineCount = 22;

// A settings file is a few hundred bytes. Anything much larger is not ours, and is treated like
// any other foreign file rather than read into the page.
inline constexpr size_t kMaxConfigBytes = 64 * 1024;

inline constexpr const char* kConfigFileName = "Config.ini";

enum ConfigLine : int {
    kMonitorPortLine = 2,
    kReservedLine,
    kInstrumentLine,
    kInstrumentPortLine,
    kBaudRateLine,
    kDataBitsLine,
    kParityLine,
    kStopBitsLine,
    kPatternLine,
    kMeasurePeriodLine,
    kAgingTimeLine,
    kDeviationXLine,
    kDeviationYLine,
    kDeviationLvLine,
    kStartCalibrationAfterAgingLine,
    kAudioAlarmLine,
    kMeasurementWaitLine,
    kMeasurementDelayLine,
    kWhitePriorityLevelLine,
    kMeasurementAfterCalibrationLine,
    kColorSpaceStepLine,
};

// Lines 2-22 by their line number; the version line is not kept here.
struct ConfigLines {
    std::array<std::string, kConfigLineCount + 1> text;

    std::string& operator[](ConfigLine line) { return text[static_cast<size_t>(line)]; }
    const std::string& operator[](ConfigLine line) const { return text[static_cast<size_t>(line)]; }
    bool operator==(const ConfigLines&) const = default;
};

// The stored lines when the content is a settings file of this version: at least 22 lines (a
// missing break after the last is accepted; lines past 22 are ignored), the first ">" followed
// by exactly the version number. nullopt for anything else, which the page answers with its
// defaults.
std::optional<ConfigLines> ParseConfigIni(std::string_view content, int version);

// The 22 lines with CR LF ends. A value holding a line feed would shift every later line, so
// line feeds are dropped from the values.
std::string FormatConfigIni(int version, const ConfigLines& lines);

}  // namespace halvo
