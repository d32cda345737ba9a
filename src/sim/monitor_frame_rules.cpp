#include "sim/monitor_frame_rules.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "common/text_format.h"

namespace halvo::sim {
namespace {

int Word(const Bytes& f, size_t at) {
    return f[at] | f[at + 1] << 8;
}

std::string None(const Bytes&) {
    return {};
}

std::string ByteIn(const Bytes& f, const char* name, std::initializer_list<int> allowed, const char* meaning) {
    if (std::find(allowed.begin(), allowed.end(), f[5]) != allowed.end()) {
        return {};
    }
    return Format("%s argument %d is not %s", name, f[5], meaning);
}

std::string ByteUpTo(const Bytes& f, const char* name, int highest, const char* meaning) {
    if (f[5] <= highest) {
        return {};
    }
    return Format("%s argument %d is beyond %s (0..%d)", name, f[5], meaning, highest);
}

std::string CustomPattern(const Bytes& f) { return ByteUpTo(f, "DrawCustomPattern", 4, "the patterns"); }
std::string GammaCurve(const Bytes& f) { return ByteIn(f, "SetGamma", {14, 16, 19}, "a gamma curve (14, 16, 19)"); }
std::string MarkerCode(const Bytes& f) { return ByteUpTo(f, "DrawTargetMarker", 17, "the marker codes"); }
std::string Backlight(const Bytes& f) { return ByteUpTo(f, "SetBacklight", 100, "the backlight range"); }
std::string Bypass(const Bytes& f) { return ByteIn(f, "SetCscGamma", {0, 1}, "off or on (0, 1)"); }
std::string Execution(const Bytes& f) { return ByteIn(f, "CalibrationExecution", {0, 1}, "off or on (0, 1)"); }
std::string AdcStart(const Bytes& f) { return ByteIn(f, "StartAutoColorCalibration", {1}, "a start (1)"); }
std::string ShownSpace(const Bytes& f) { return ByteUpTo(f, "SetColorSpace", 5, "the colour-space slots"); }
std::string NativeSpace(const Bytes& f) { return ByteUpTo(f, "SetNativeColorSpace", 5, "the colour-space slots"); }
std::string InputSource(const Bytes& f) {
    return ByteIn(f, "SetInputSource", {7, 8, 10, 11, 15}, "an input (7, 8, 10, 11, 15)");
}

// 0 opens a data load (the gamma calibration and the copy begin with it); closing saves carry
// the high bit (255, or the operator's n | 0x80).
std::string SaveArgument(const Bytes& f) {
    if (f[5] == 0 || (f[5] & 0x80) != 0) {
        return {};
    }
    return Format("SaveEeprom argument %d is neither 0 nor a save (bit 7 set)", f[5]);
}

std::string ColourTemperature(const Bytes& f) {
    if ((f[6] & 0x40) == 0) {
        return {};
    }
    return Format("SetColorTemperature argument 0x%04X has bit 14 set", Word(f, 5));
}

std::string GammaLevel(const Bytes& f) {
    if (Word(f, 5) <= 1023) {
        return {};
    }
    return Format("DrawGammaPattern level %d is beyond 10 bits", Word(f, 5));
}

// Gamma x 100 in the low 14 bits (a gamma the station would copy, 0.5..3.5), the correction
// code 0..16, the colour space 0..5 or 15 for the default.
std::string PanelGamma(const Bytes& f) {
    const int value = Word(f, 5);
    if ((value & 0xC000) != 0 || value < 50 || value > 350) {
        return Format("WriteDefaultPanelGamma gamma x 100 = %d is no panel gamma (50..350)", value);
    }
    if (f[7] > 16) {
        return Format("WriteDefaultPanelGamma code %d is beyond 16", f[7]);
    }
    if (f[8] > 5 && f[8] != 15) {
        return Format("WriteDefaultPanelGamma colour space %d is neither 0..5 nor 15", f[8]);
    }
    return {};
}

std::string ColourSpaceWhite(const Bytes& f) { return ByteUpTo(f, "SetColorSpaceWhite", 4, "the colour spaces"); }

// Twice the offset, the offsets being -255..255.
std::string RgbOffset(const Bytes& f) {
    for (size_t c = 0; c < 3; ++c) {
        const int v = static_cast<int16_t>(Word(f, 5 + 2 * c));
        if (v % 2 != 0 || v < -510 || v > 510) {
            return Format("RGB offset value %d is not twice an offset of -255..255", v);
        }
    }
    return {};
}

// First index 4c, four entries of a table that starts at 0 and rises strictly.
std::string GammaTable(const Bytes& f) {
    if (f[5] % 4 != 0) {
        return Format("gamma table packet starts at entry %d, not at a multiple of 4", f[5]);
    }
    if (f[5] == 0 && Word(f, 6) != 0) {
        return Format("gamma table entry 0 is %d, not 0", Word(f, 6));
    }
    for (size_t k = 1; k < 4; ++k) {
        if (Word(f, 6 + 2 * k) <= Word(f, 4 + 2 * k)) {
            return Format("gamma table entry %zu (%d) does not rise above entry %zu (%d)", f[5] + k, Word(f, 6 + 2 * k),
                          f[5] + k - 1, Word(f, 4 + 2 * k));
        }
    }
    return {};
}

std::string ColourBlock(const Bytes& f) {
    if (f[5] > 4) {
        return Format("colour-space block for colour space %d (0..4)", f[5]);
    }
    if (f[6] == 0xFF) {
        return IsFinalColourBlock(f) ? std::string() : std::string("final colour-space block is not all 0xFF");
    }
    if (f[6] > 63) {
        return Format("colour-space block index %d is beyond 63", f[6]);
    }
    unsigned sum = 0;
    for (size_t i = 9; i < f.size(); ++i) {
        sum += f[i];
    }
    if (f[7] != (sum & 0xFF)) {
        return Format("colour-space block %d checksum 0x%02X, the data sum to 0x%02X", f[6], f[7], sum & 0xFF);
    }
    if (f[8] != static_cast<uint8_t>(~f[7])) {
        return Format("colour-space block %d complement 0x%02X does not complement 0x%02X", f[6], f[8], f[7]);
    }
    return {};
}

// The rows of the monitor's two uniformity tables: vertical (first, second, third value),
// horizontal (first, second value).
constexpr std::array<std::array<uint8_t, 3>, 9> kVerticalRows = {{
    {0, 0, 0}, {3, 2, 0}, {6, 5, 0}, {11, 9, 0}, {15, 12, 0}, {20, 17, 0}, {25, 21, 0}, {30, 25, 0}, {35, 30, 0},
}};
constexpr std::array<std::array<uint8_t, 2>, 26> kHorizontalRows = {{
    {0, 0},   {5, 9},   {5, 6},   {7, 11},  {7, 8},   {7, 2},   {10, 17}, {10, 15}, {10, 12},
    {10, 10}, {16, 28}, {16, 24}, {16, 20}, {16, 16}, {20, 35}, {20, 31}, {20, 26}, {20, 20},
    {23, 38}, {23, 32}, {23, 28}, {23, 23}, {26, 42}, {26, 35}, {26, 30}, {26, 26},
}};

std::string UniformityTable(const Bytes& f) {
    if (f[5] == 0x00) {
        const bool zero = std::all_of(f.begin() + 6, f.end(), [](uint8_t b) { return b == 0; });
        return zero ? std::string() : std::string("uniformity table packet switched off carries values");
    }
    if (f[5] != 0xFF) {
        return Format("uniformity table packet enable byte 0x%02X is neither 00 nor FF", f[5]);
    }
    const std::array<uint8_t, 3> vertical{f[6], f[9], f[10]};
    const std::array<uint8_t, 2> horizontal{f[7], f[8]};
    if (std::find(kVerticalRows.begin(), kVerticalRows.end(), vertical) == kVerticalRows.end()) {
        return Format("uniformity table packet (%d, %d, %d) is no row of the vertical table", f[6], f[9], f[10]);
    }
    if (std::find(kHorizontalRows.begin(), kHorizontalRows.end(), horizontal) == kHorizontalRows.end()) {
        return Format("uniformity table packet (%d, %d) is no row of the horizontal table", f[7], f[8]);
    }
    return {};
}

// Byte 5: enable bit and P9, byte 15: P9 again.
std::string UniformityTenValue(const Bytes& f) {
    if (f[15] > 0x7F || (f[5] & 0x7F) != f[15]) {
        return Format("uniformity ten-value packet P9 0x%02X and byte 5 0x%02X disagree", f[15], f[5]);
    }
    if ((f[5] & 0x80) == 0 && std::any_of(f.begin() + 5, f.end(), [](uint8_t b) { return b != 0; })) {
        return "uniformity ten-value packet switched off carries values";
    }
    return {};
}

// The three EEPROM areas the colour data live in.
std::string EepromAddress(const Bytes& f) {
    const int a = f[6] << 8 | f[7];
    if ((a >= 32 && a <= 564) || (a >= 584 && a <= 1023) || (a >= 6144 && a <= 6655)) {
        return {};
    }
    return Format("EEPROM address %d is outside the colour data", a);
}

constexpr uint8_t kSet = 0x88;
constexpr uint8_t kQuery = 0x89;
constexpr uint8_t kExtended = 0x8B;
using K = FrameKind;

// The ordinary frames. A code may come in two forms (calibration ID, uniformity), told apart by
// the lead. Busy times are the shortest wait any procedure leaves after the frame.
constexpr FrameRule kCommands[] = {
    {"DrawPattern", K::Plain, 0xF7, kSet, 0x00, 8, None, 0},
    {"SetColorTemperature", K::Plain, 0xF6, kSet, 0x01, 7, ColourTemperature, 0},
    {"SetRgbGainAlt", K::Plain, 0xF7, kSet, 0x02, 8, None, 0},
    {"SetRgbGain", K::Plain, 0xF7, kSet, 0x03, 8, None, 0},
    {"SaveEeprom", K::SaveEeprom, 0xF5, kSet, 0x04, 6, SaveArgument, 1000},
    {"DrawTargetMarker", K::Plain, 0xF5, kSet, 0x05, 6, MarkerCode, 0},
    {"SetCalibrationId", K::Plain, 0xFC, kSet, 0x06, 6, None, 0},
    {"calibration ID (full form)", K::Plain, 0xFD, kSet, 0x06, 15, None, 0},
    {"DrawCustomPattern", K::Plain, 0xF5, kSet, 0x08, 6, CustomPattern, 0},
    {"SetBacklight", K::Plain, 0xF5, kSet, 0x09, 6, Backlight, 0},
    {"SetGamma", K::Plain, 0xF5, kSet, 0x0A, 6, GammaCurve, 2000},
    {"WriteDefaultPanelGamma", K::Plain, 0xF8, kSet, 0x0B, 9, PanelGamma, 1000},
    {"SetCscGamma", K::SetCscGamma, 0xF5, kSet, 0x0C, 6, Bypass, 2000},
    {"gamma table packet", K::GammaTable, 0xFD, kSet, 0x0D, 14, GammaTable, 80},
    {"SetInputSource", K::Plain, 0xF5, kSet, 0x0E, 6, InputSource, 0},
    {"StartAutoColorCalibration", K::Plain, 0xF5, kSet, 0x0F, 6, AdcStart, 0},
    {"CalibrationExecution", K::CalibrationExecution, 0xF5, kSet, 0x11, 6, Execution, 10},
    {"uniformity table packet", K::Uniformity, 0xFA, kSet, 0x13, 11, UniformityTable, 1000},
    {"uniformity ten-value packet", K::Uniformity, 0xFE, kSet, 0x13, 16, UniformityTenValue, 1000},
    {"DrawGammaPattern", K::Plain, 0xF6, kSet, 0x14, 7, GammaLevel, 0},
    {"SetColorSpaceWhite", K::Plain, 0xF8, kSet, 0x15, 9, ColourSpaceWhite, 1000},
    {"colour-space block", K::ColourBlock, 0xF0, kSet, 0x19, 201, ColourBlock, 100},
    {"RGB offset", K::Plain, 0xFA, kSet, 0x20, 11, RgbOffset, 0},
    {"SetColorSpace", K::Plain, 0xF5, kSet, 0x21, 6, ShownSpace, 2000},
    {"SetNativeColorSpace", K::SetNativeColorSpace, 0xF5, kSet, 0x22, 6, NativeSpace, 5000},
    {"DrawPatternOL", K::Plain, 0xF7, kSet, 0x24, 8, None, 0},
    {"GetColorTemperature", K::Plain, 0xF4, kQuery, 0x01, 5, None, 0},
    {"GetRgbGain", K::Plain, 0xF4, kQuery, 0x03, 5, None, 0},
    {"GetCalibrationId", K::Plain, 0xF4, kQuery, 0x06, 5, None, 0},
    {"GetVersion", K::Plain, 0xF4, kQuery, 0x07, 5, None, 0},
    {"GetBacklight", K::Plain, 0xF4, kQuery, 0x09, 5, None, 0},
    {"GetGamma", K::Plain, 0xF4, kQuery, 0x0A, 5, None, 0},
    {"GetInputSource", K::Plain, 0xF4, kQuery, 0x0E, 5, None, 0},
    {"GetMonitorStatus", K::Plain, 0xF4, kQuery, 0x10, 5, None, 0},
    {"GetPatternStatus", K::Plain, 0xF4, kQuery, 0x12, 5, None, 0},
    {"GetColorSpaceInputLuminance", K::Plain, 0xF4, kQuery, 0x16, 5, None, 0},
    {"GetColorSpaceOffset", K::Plain, 0xF4, kQuery, 0x17, 5, None, 0},
    {"GetColorSpaceOutputLuminance", K::Plain, 0xF4, kQuery, 0x18, 5, None, 0},
    {"GetModelInfo", K::Plain, 0xF4, kQuery, 0x23, 5, None, 0},
    {"extended query", K::Plain, 0xF4, kExtended, 0xF5, 5, None, 0},
};

// The frames outside the command classes, by their fixed first bytes.
struct FixedFrame {
    FrameRule rule;
    std::array<uint8_t, 6> prefix;
    size_t prefixLength;
};
constexpr FixedFrame kFixed[] = {
    {{"ChangeSerialMode", K::Plain, 0x05, 0, 0, 5, None, 1000}, {0x05, 0x82, 0x00, 0xEE, 0xEE}, 5},
    {{"KeepAlive", K::Plain, 0xF1, 0, 0, 2, None, 0}, {0xF1, 0x9B}, 2},
    {{"Play", K::Plain, 0xF3, 0, 0, 4, None, 0}, {0xF3, 0xEE, 0x00, 0x00}, 4},
    {{"Pause", K::Plain, 0xF3, 0, 0, 4, None, 0}, {0xF3, 0xEE, 0x00, 0x01}, 4},
    {{"EEPROM read", K::Plain, 0xF7, 0, 0, 8, EepromAddress, 0}, {0xF7, 0x1B, 0x00, 0xA0, 0x00, 0x21}, 6},
    {{"EEPROM write", K::EepromWrite, 0xF8, 0, 0, 9, EepromAddress, 20}, {0xF8, 0x1A, 0x00, 0xA0, 0x00, 0x03}, 6},
};

bool StartsWith(const Bytes& f, const FixedFrame& fixed) {
    const auto end = fixed.prefix.begin() + static_cast<long>(fixed.prefixLength);
    return f.size() >= fixed.prefixLength && std::equal(fixed.prefix.begin(), end, f.begin());
}

}  // namespace

bool IsFinalColourBlock(const Bytes& f) {
    return f.size() == 201 && std::all_of(f.begin() + 6, f.end(), [](uint8_t b) { return b == 0xFF; });
}

FrameIdentity IdentifyFrame(const Bytes& f) {
    for (const FixedFrame& fixed : kFixed) {
        if (StartsWith(f, fixed)) {
            if (f.size() != fixed.rule.length) {
                return {nullptr,
                        Format("%s of %zu bytes, the frame has %zu", fixed.rule.name, f.size(), fixed.rule.length)};
            }
            return {&fixed.rule, {}};
        }
    }
    if (f.size() < 5 || f[2] != 0x00 || f[3] != 0xFE || (f[1] != kSet && f[1] != kQuery && f[1] != kExtended)) {
        return {nullptr, Format("%zu bytes that make no frame of the monitor", f.size())};
    }
    std::string lengths;
    for (const FrameRule& rule : kCommands) {
        if (rule.cls != f[1] || rule.code != f[4]) {
            continue;
        }
        if (rule.lead == f[0] && rule.length == f.size()) {
            return {&rule, {}};
        }
        lengths += Format("%s%zu", lengths.empty() ? "" : " or ", rule.length);
    }
    if (lengths.empty()) {
        return {nullptr, Format("unknown command code 0x%02X of class 0x%02X", f[4], f[1])};
    }
    return {nullptr, Format("command code 0x%02X of class 0x%02X in %zu bytes (lead 0x%02X), the command has %s",
                            f[4], f[1], f.size(), f[0], lengths.c_str())};
}

}  // namespace halvo::sim
