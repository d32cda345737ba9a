#include "calibration/uniformity_packets.h"

#include <algorithm>

#include "common/text_format.h"

namespace halvo {

namespace {

constexpr int kPacketWaitMs = 1000;

size_t Row(int index, size_t rows) {
    return static_cast<size_t>(std::clamp(index, 0, static_cast<int>(rows) - 1));
}

}  // namespace

Bytes UniformityTablePacket(int c, int b, bool enabled) {
    const VerticalTableRow& v = kVerticalTable[Row(b, kVerticalTable.size())];
    const HorizontalTableRow& h = kHorizontalTable[Row(c, kHorizontalTable.size())];
    const uint8_t data[6] = {static_cast<uint8_t>(enabled ? 0xFF : 0x00), static_cast<uint8_t>(v.value1),
                             static_cast<uint8_t>(h.value1),                static_cast<uint8_t>(h.value2),
                             static_cast<uint8_t>(v.value2),                static_cast<uint8_t>(v.value3)};
    return BuildUniformityShortFrame(data);
}

Bytes UniformityTenValuePacket(const UniformityParams& p, bool enabled) {
    const auto p9 = static_cast<uint8_t>(p[9] & 0x7F);
    uint8_t data[11];
    data[0] = static_cast<uint8_t>((enabled ? 0x80 : 0x00) + p9);
    for (size_t k = 0; k < 9; ++k) {
        data[1 + k] = p[k];
    }
    data[10] = p9;
    return BuildUniformityLongFrame(data);
}

std::string UniformityTableLog(int c, int b, const Bytes& packet) {
    return Format("Send Uniformity = %d,%d, %d, (%d,%d,%d,%d,%d)", c, b, static_cast<int8_t>(packet[5]), packet[6],
                  packet[7], packet[8], packet[9], packet[10]);
}

std::string UniformityTenValueLog(const Bytes& packet) {
    return Format("Send Uniformity =  %d, (%d,%d,%d,%d,%d,%d,%d,%d,%d,%d)", packet[5], packet[6], packet[7],
                  packet[8], packet[9], packet[10], packet[11], packet[12], packet[13], packet[14], packet[15]);
}

std::string UniformityStoredLog(const UniformityParams& p, bool enabled) {
    return Format("Send Uniformity1 =  %d, (%d,%d,%d,%d,%d,%d,%d,%d,%d,%d)", (enabled ? 0x80 : 0) + (p[9] & 0x7F),
                  p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9] & 0x7F);
}

UniformitySettings SettingsOfTablePacket(int c, int b, const Bytes& packet) {
    UniformitySettings s{};
    s[0] = static_cast<uint8_t>(c);
    s[1] = static_cast<uint8_t>(b);
    std::copy(packet.begin() + 5, packet.begin() + 11, s.begin() + 2);
    return s;
}

UniformitySettings SettingsOfTenValuePacket(const Bytes& packet) {
    UniformitySettings s{};
    std::copy(packet.begin() + 5, packet.begin() + 15, s.begin());
    return s;
}

void SendUniformityTable(MonitorSender& sender, int c, int b, bool enabled) {
    const Bytes packet = UniformityTablePacket(c, b, enabled);
    sender.sendFrame(packet, UniformityTableLog(c, b, packet), kPacketWaitMs);
}

void SendUniformityTenValue(MonitorSender& sender, const UniformityParams& p, bool enabled) {
    const Bytes packet = UniformityTenValuePacket(p, enabled);
    sender.sendFrame(packet, UniformityTenValueLog(packet), 0);
    sender.sendFrame({}, UniformityStoredLog(p, enabled), kPacketWaitMs);
}

void SendStoredUniformity(MonitorSender& sender, const UniformitySettings& settings, bool tenValue) {
    if (!tenValue) {
        SendUniformityTable(sender, settings[0], settings[1], true);
        return;
    }
    UniformityParams p{};
    std::copy(settings.begin() + 1, settings.end(), p.begin());
    p[9] = static_cast<uint8_t>(settings[0] & 0x7F);
    SendUniformityTenValue(sender, p, true);
}

}  // namespace halvo
