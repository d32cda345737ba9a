#pragma once

// The monitor's wire vocabulary: the command templates, the frames built outside the table,
// the EEPROM frames and the reply rules. Pure functions over bytes; no I/O, no clock.
//
// Wire format. An ordinary frame is a lead byte (0xF0 plus the number of bytes that follow it
// for most templates), a class byte (0x88 settings and actions, 0x89 queries), 0x00, 0xFE, the
// command code, then the argument bytes least significant first. No checksum, no terminator.
// Answers come in the same framing: valid when their first byte is 0xF0 or more; values sit at
// fixed offsets from the first byte, 16-bit values least significant byte first.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace halvo {

using Bytes = std::vector<uint8_t>;

enum class MonitorCommand : int {
    ChangeSerialMode = 0,
    Pause = 1,
    Play = 2,
    DrawPattern = 3,
    DrawCustomPattern = 4,
    SetColorTemperature = 5,
    SetGamma = 6,
    SetRgbGainAlt = 7,
    SetRgbGain = 8,
    GetColorTemperature = 9,
    GetGamma = 10,
    GetRgbGain = 11,
    SaveEeprom = 12,
    DrawTargetMarker = 13,
    SetCalibrationId = 14,
    GetCalibrationId = 15,
    GetVersion = 16,
    KeepAlive = 17,
    SetBacklight = 18,
    GetBacklight = 19,
    WriteDefaultPanelGamma = 20,
    SetCscGamma = 21,
    SetInputSource = 23,
    GetInputSource = 24,
    StartAutoColorCalibration = 25,
    GetMonitorStatus = 26,
    CalibrationExecution = 27,
    GetPatternStatus = 28,
    DrawGammaPattern = 30,
    SetColorSpaceWhite = 31,
    GetColorSpaceInputLuminance = 32,
    GetColorSpaceOffset = 33,
    GetColorSpaceOutputLuminance = 34,
    SetColorSpace = 36,
    SetNativeColorSpace = 37,
    GetModelInfo = 38,
    DrawPatternOL = 39,
};

inline constexpr int kMonitorCommandCount = 40;  // values 0..39; 22, 29 and 35 are not commands

// The row of a command in the table: name as in the code, template index and code byte.
struct MonitorCommandInfo {
    MonitorCommand command;
    const char* name;
    int templateIndex;
    uint8_t code;
};

// The table row of a command value, or nullptr for values that are not commands.
const MonitorCommandInfo* FindMonitorCommand(int value);

// The frame of a command with its 32-bit argument; nullopt for values that are not commands.
std::optional<Bytes> BuildMonitorFrame(MonitorCommand command, uint32_t argument);

// True for the commands that are not logged when sent: queries (template 4) and KeepAlive.
bool IsSilentCommand(MonitorCommand command);
// The text logged when a command is sent, filled from the argument ("Draw pattern(255,255,255)").
// For silent commands the text that describes them, which is not logged.
std::string MonitorCommandText(MonitorCommand command, uint32_t argument);

// FA 88 00 FE 20, then 2 x offset for red, green, blue as 16-bit two's complement, low byte
// first (11 bytes).
Bytes BuildRgbOffsetFrame(int red, int green, int blue);
// FD 88 00 FE 06, the ID's characters (at most 9, the low byte of each), zero filler (15 bytes).
Bytes BuildCalibrationIdFrame(const std::string& id);
// F4 8B 00 FE F5: the capability query of the identification.
Bytes ExtendedQueryFrame();
// Header + payload frames whose payload the owning procedure defines.
Bytes BuildUniformityShortFrame(const uint8_t (&data)[6]);   // FA 88 00 FE 13 + 6 (11 bytes)
Bytes BuildUniformityLongFrame(const uint8_t (&data)[11]);   // FE 88 00 FE 13 + 11 (16 bytes)
Bytes BuildGammaTableFrame(const uint8_t (&data)[9]);        // FD 88 00 FE 0D + 9 (14 bytes)
Bytes BuildColorSpaceBlockFrame(const uint8_t (&data)[196]); // F0 88 00 FE 19 + 196 (201 bytes)

// EEPROM: read one byte F7 1B 00 A0 00 21 AH AL (the answer's second byte is the data);
// write one byte F8 1A 00 A0 00 03 AH AL D (no answer).
Bytes BuildEepromReadFrame(uint16_t address);
Bytes BuildEepromWriteFrame(uint16_t address, uint8_t data);

// Reply rules.
bool IsValidReply(const Bytes& reply);
// ASCII text from offset 2 to the end of what was read (up to a NUL, as a C string would end).
std::string ReplyText(const Bytes& reply);
std::optional<uint8_t> ReplyByte(const Bytes& reply, size_t offset);
std::optional<uint16_t> ReplyWord(const Bytes& reply, size_t offset);
// A colour-space offset word: a 10-bit two's-complement value (-512..511). Some firmware sends it
// bare (-1 as 0x03FF), some sign-extended to 16 bits (-1 as 0xFFFF); only the low ten bits count.
int ColorSpaceOffsetValue(uint16_t word);

// Capability value of the extended query's answer: the upper four bits of offset 4.
std::optional<uint8_t> CapabilityFromReply(const Bytes& reply);
// Capability values of models the station cannot verify.
bool IsSupportedCapability(uint8_t capability);

// Text of bytes for logs and tests: "F7 88 00 FE 00 FF FF FF".
std::string HexBytes(const Bytes& bytes);

}  // namespace halvo
