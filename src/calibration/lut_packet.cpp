#include "calibration/lut_packet.h"

#include <algorithm>

namespace halvo {

uint8_t LutChecksum(const uint8_t* data, size_t count) {
    unsigned sum = 0;
    for (size_t i = 0; i < count; ++i) {
        sum += data[i];
    }
    return static_cast<uint8_t>(sum & 0xFF);
}

std::array<uint8_t, 196> LutPacketPayload(int space, int index, const Lut3D& lut) {
    std::array<uint8_t, 196> p{};
    const size_t first = static_cast<size_t>(std::clamp(index, 0, kLutPacketCount - 1)) * kLutPacketBytes;
    std::copy_n(lut.begin() + static_cast<long>(first), kLutPacketBytes, p.begin() + 4);
    const uint8_t sum = LutChecksum(p.data() + 4, kLutPacketBytes);
    p[0] = static_cast<uint8_t>(space);
    p[1] = static_cast<uint8_t>(index);
    p[2] = sum;
    p[3] = static_cast<uint8_t>(~sum);
    return p;
}

std::array<uint8_t, 196> LutFinalPayload(int space) {
    std::array<uint8_t, 196> p;
    p.fill(0xFF);
    p[0] = static_cast<uint8_t>(space);
    return p;
}

namespace {

Bytes Frame(const std::array<uint8_t, 196>& payload) {
    uint8_t data[196];
    std::copy(payload.begin(), payload.end(), data);
    return BuildColorSpaceBlockFrame(data);
}

}  // namespace

Bytes BuildLutPacket(int space, int index, const Lut3D& lut) {
    return Frame(LutPacketPayload(space, index, lut));
}

Bytes BuildLutFinalPacket(int space) {
    return Frame(LutFinalPayload(space));
}

}  // namespace halvo
