#include "monitor/monitor_protocol.h"

#include <array>

#include "common/text_format.h"

namespace halvo {
namespace {

// Template entries: a literal byte, or a placeholder filled when the frame is built.
enum Entry : int { ZERO = -1, CODE = -2, B0 = -3, B1 = -4, B2 = -5, B3 = -6, END = -100 };

// The ten templates, bytes in wire order, up to 19 entries and an end marker.
constexpr int kTemplates[10][20] = {
    /* 0 */ {0xF3, 0xEE, ZERO, 0x00, END},
    /* 1 */ {0xF3, 0xEE, ZERO, 0x01, END},
    /* 2 */ {0xF5, 0x88, ZERO, 0xFE, CODE, B0, END},
    /* 3 */ {0xF7, 0x88, ZERO, 0xFE, CODE, B0, B1, B2, END},
    /* 4 */ {0xF4, 0x89, ZERO, 0xFE, CODE, END},
    /* 5 */ {0xF6, 0x88, ZERO, 0xFE, CODE, B0, B1, END},
    /* 6 */ {0xFC, 0x88, ZERO, 0xFE, CODE, B0, END},
    /* 7 */ {0xF1, 0x9B, END},
    /* 8 */ {0x05, 0x82, ZERO, 0xEE, 0xEE, END},
    /* 9 */ {0xF8, 0x88, ZERO, 0xFE, CODE, B0, B1, B2, B3, END},
};

using C = MonitorCommand;

// value, name, template, code
constexpr MonitorCommandInfo kCommands[] = {
    {C::ChangeSerialMode, "ChangeSerialMode", 8, 0x00},
    {C::Pause, "Pause", 1, 0x00},
    {C::Play, "Play", 0, 0x00},
    {C::DrawPattern, "DrawPattern", 3, 0x00},
    {C::DrawCustomPattern, "DrawCustomPattern", 2, 0x08},
    {C::SetColorTemperature, "SetColorTemperature", 5, 0x01},
    {C::SetGamma, "SetGamma", 2, 0x0A},
    {C::SetRgbGainAlt, "SetRgbGainAlt", 3, 0x02},
    {C::SetRgbGain, "SetRgbGain", 3, 0x03},
    {C::GetColorTemperature, "GetColorTemperature", 4, 0x01},
    {C::GetGamma, "GetGamma", 4, 0x0A},
    {C::GetRgbGain, "GetRgbGain", 4, 0x03},
    {C::SaveEeprom, "SaveEeprom", 2, 0x04},
    {C::DrawTargetMarker, "DrawTargetMarker", 2, 0x05},
    {C::SetCalibrationId, "SetCalibrationId", 6, 0x06},
    {C::GetCalibrationId, "GetCalibrationId", 4, 0x06},
    {C::GetVersion, "GetVersion", 4, 0x07},
    {C::KeepAlive, "KeepAlive", 7, 0x00},
    {C::SetBacklight, "SetBacklight", 2, 0x09},
    {C::GetBacklight, "GetBacklight", 4, 0x09},
    {C::WriteDefaultPanelGamma, "WriteDefaultPanelGamma", 9, 0x0B},
    {C::SetCscGamma, "SetCscGamma", 2, 0x0C},
    {C::SetInputSource, "SetInputSource", 2, 0x0E},
    {C::GetInputSource, "GetInputSource", 4, 0x0E},
    {C::StartAutoColorCalibration, "StartAutoColorCalibration", 2, 0x0F},
    {C::GetMonitorStatus, "GetMonitorStatus", 4, 0x10},
    {C::CalibrationExecution, "CalibrationExecution", 2, 0x11},
    {C::GetPatternStatus, "GetPatternStatus", 4, 0x12},
    {C::DrawGammaPattern, "DrawGammaPattern", 5, 0x14},
    {C::SetColorSpaceWhite, "SetColorSpaceWhite", 9, 0x15},
    {C::GetColorSpaceInputLuminance, "GetColorSpaceInputLuminance", 4, 0x16},
    {C::GetColorSpaceOffset, "GetColorSpaceOffset", 4, 0x17},
    {C::GetColorSpaceOutputLuminance, "GetColorSpaceOutputLuminance", 4, 0x18},
    {C::SetColorSpace, "SetColorSpace", 2, 0x21},
    {C::SetNativeColorSpace, "SetNativeColorSpace", 2, 0x22},
    {C::GetModelInfo, "GetModelInfo", 4, 0x23},
    {C::DrawPatternOL, "DrawPatternOL", 3, 0x24},
};

unsigned ByteOf(uint32_t value, int index) {
    return (value >> (8 * index)) & 0xFFu;
}

Bytes WithHeader(std::initializer_list<uint8_t> header, const uint8_t* data, size_t n) {
    Bytes frame(header);
    frame.insert(frame.end(), data, data + n);
    return frame;
}

}  // namespace

const MonitorCommandInfo* FindMonitorCommand(int value) {
    for (const MonitorCommandInfo& info : kCommands) {
        if (static_cast<int>(info.command) == value) {
            return &info;
        }
    }
    return nullptr;
}

std::optional<Bytes> BuildMonitorFrame(MonitorCommand command, uint32_t argument) {
    const MonitorCommandInfo* info = FindMonitorCommand(static_cast<int>(command));
    if (info == nullptr) {
        return std::nullopt;
    }
    Bytes frame;
    for (const int entry : kTemplates[info->templateIndex]) {
        switch (entry) {
            case END: return frame;
            case ZERO: frame.push_back(0x00); break;
            case CODE: frame.push_back(info->code); break;
            case B0: frame.push_back(static_cast<uint8_t>(ByteOf(argument, 0))); break;
            case B1: frame.push_back(static_cast<uint8_t>(ByteOf(argument, 1))); break;
            case B2: frame.push_back(static_cast<uint8_t>(ByteOf(argument, 2))); break;
            case B3: frame.push_back(static_cast<uint8_t>(ByteOf(argument, 3))); break;
            default: frame.push_back(static_cast<uint8_t>(entry)); break;
        }
    }
    return frame;
}

bool IsSilentCommand(MonitorCommand command) {
    const MonitorCommandInfo* info = FindMonitorCommand(static_cast<int>(command));
    return info == nullptr || info->templateIndex == 4 || command == C::KeepAlive;
}

std::string MonitorCommandText(MonitorCommand command, uint32_t a) {
    const unsigned b0 = ByteOf(a, 0), b1 = ByteOf(a, 1), b2 = ByteOf(a, 2), b3 = ByteOf(a, 3);
    const unsigned low14 = a & 0x3FFFu;
    switch (command) {
        case C::ChangeSerialMode: return "Change Monitor's Serial Mode";
        case C::Pause: return "Pause";
        case C::Play: return "Play monitor";
        case C::DrawPattern: return Format("Draw pattern(%d,%d,%d)", b0, b1, b2);
        case C::DrawCustomPattern: return Format("Draw custom pattern(%d)", b0);
        case C::SetColorTemperature: return Format("Set color temperature(%d)", low14);
        case C::SetGamma: return Format("Set monitor gamma(%d)", b0);
        case C::SetRgbGainAlt:
        case C::SetRgbGain: return Format("RGB gain(%d,%d,%d)", b0, b1, b2);
        case C::GetColorTemperature: return "Get color temperature";
        case C::GetGamma: return "Get monitor gamma";
        case C::GetRgbGain: return "Get RGB gain";
        case C::SaveEeprom: return "Save eeprom";
        case C::DrawTargetMarker: return "Draw target marker";
        case C::SetCalibrationId: return "Set monitor calibration ID";
        case C::GetCalibrationId: return "Get monitor calibration ID";
        case C::GetVersion: return "Get monitor version";
        case C::KeepAlive: return "";
        case C::SetBacklight: return Format("Set backlight(%d)", b0);
        case C::GetBacklight: return "Get backlight";
        case C::WriteDefaultPanelGamma: return Format("Write default panel gamma(%d, %d) CS:%d", low14, b2, b3);
        case C::SetCscGamma: return Format("Set CSC&Gamma(%d)", b0);
        case C::SetInputSource: return Format("Set InputSouce(%d)", b0);
        case C::GetInputSource: return "Get InputSouce";
        case C::StartAutoColorCalibration: return "Start Auto Color Calibration";
        case C::GetMonitorStatus: return "Get Monitor Status";
        case C::CalibrationExecution: return Format("Calibration execution(%d)", b0);
        case C::GetPatternStatus: return "Get pattern Status";
        case C::DrawGammaPattern: return Format("Draw Gamma pattern(%d)", low14);
        case C::SetColorSpaceWhite: return Format("Set ColorSpace White(%d,%d,%d,%d)", b0, b1, b2, b3);
        case C::GetColorSpaceInputLuminance: return "Get ColorSpace Input Luminance";
        case C::GetColorSpaceOffset: return "Get ColorSpace Offset";
        case C::GetColorSpaceOutputLuminance: return "Get ColorSpace Output Luminance";
        case C::SetColorSpace: return Format("Set monitor ColorSpace(%d)", b0);
        case C::SetNativeColorSpace: return Format("Set Native ColorSpace(%d)", b0);
        case C::GetModelInfo: return "Get Monitor Model Infomation";
        case C::DrawPatternOL: return Format("Draw pattern OL(%d,%d,%d)", b0, b1, b2);
    }
    return {};
}

Bytes BuildRgbOffsetFrame(int red, int green, int blue) {
    Bytes frame = {0xFA, 0x88, 0x00, 0xFE, 0x20};
    for (const int offset : {red, green, blue}) {
        const auto word = static_cast<uint16_t>(static_cast<uint32_t>(2 * offset) & 0xFFFFu);
        frame.push_back(static_cast<uint8_t>(word & 0xFF));
        frame.push_back(static_cast<uint8_t>(word >> 8));
    }
    return frame;
}

Bytes BuildCalibrationIdFrame(const std::string& id) {
    Bytes frame = {0xFD, 0x88, 0x00, 0xFE, 0x06};
    for (size_t i = 0; i < id.size() && i < 9; ++i) {
        frame.push_back(static_cast<uint8_t>(id[i]));
    }
    frame.resize(15, 0x00);
    return frame;
}

Bytes ExtendedQueryFrame() {
    return {0xF4, 0x8B, 0x00, 0xFE, 0xF5};
}

Bytes BuildUniformityShortFrame(const uint8_t (&data)[6]) {
    return WithHeader({0xFA, 0x88, 0x00, 0xFE, 0x13}, data, 6);
}

Bytes BuildUniformityLongFrame(const uint8_t (&data)[11]) {
    return WithHeader({0xFE, 0x88, 0x00, 0xFE, 0x13}, data, 11);
}

Bytes BuildGammaTableFrame(const uint8_t (&data)[9]) {
    return WithHeader({0xFD, 0x88, 0x00, 0xFE, 0x0D}, data, 9);
}

Bytes BuildColorSpaceBlockFrame(const uint8_t (&data)[196]) {
    return WithHeader({0xF0, 0x88, 0x00, 0xFE, 0x19}, data, 196);
}

Bytes BuildEepromReadFrame(uint16_t address) {
    return {0xF7, 0x1B, 0x00, 0xA0, 0x00, 0x21, static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address & 0xFF)};
}

Bytes BuildEepromWriteFrame(uint16_t address, uint8_t data) {
    return {0xF8, 0x1A, 0x00, 0xA0, 0x00, 0x03, static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address & 0xFF),
            data};
}

bool IsValidReply(const Bytes& reply) {
    return !reply.empty() && reply[0] >= 0xF0;
}

std::string ReplyText(const Bytes& reply) {
    std::string text;
    for (size_t i = 2; i < reply.size() && reply[i] != 0; ++i) {
        text.push_back(static_cast<char>(reply[i]));
    }
    return text;
}

std::optional<uint8_t> ReplyByte(const Bytes& reply, size_t offset) {
    if (offset >= reply.size()) {
        return std::nullopt;
    }
    return reply[offset];
}

std::optional<uint16_t> ReplyWord(const Bytes& reply, size_t offset) {
    if (offset + 1 >= reply.size()) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(reply[offset] | (reply[offset + 1] << 8));
}

int ColorSpaceOffsetValue(uint16_t word) {
    return ((word & 0x3FF) ^ 0x200) - 0x200;
}

std::optional<uint8_t> CapabilityFromReply(const Bytes& reply) {
    const std::optional<uint8_t> b = ReplyByte(reply, 4);
    if (!b) {
        return std::nullopt;
    }
    return static_cast<uint8_t>(*b & 0xF0);
}

bool IsSupportedCapability(uint8_t capability) {
    return capability != 0x30 && capability != 0x40 && capability != 0x70;
}

std::string HexBytes(const Bytes& bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        out += Format(i == 0 ? "%02X" : " %02X", bytes[i]);
    }
    return out;
}

}  // namespace halvo
