#pragma once

// The colour-space block that carries a 16 x 16 x 16 table to the monitor: 64 data packets of 192
// table bytes each, then a final packet that makes the monitor store the table.
//
//   offset 0  F0 88 00 FE 19        the colour-space block frame
//          5  colour space 0..4
//          6  packet index 0..63    (0xFF in the final packet)
//          7  checksum: the 192 data bytes added, modulo 256   (0xFF in the final packet)
//          8  bitwise complement of the checksum               (0xFF in the final packet)
//          9  192 table bytes, from index * 192                (all 0xFF in the final packet)

#include <array>
#include <cstdint>

#include "caldata/calibration_data.h"
#include "monitor/monitor_protocol.h"

namespace halvo {

inline constexpr int kLutPacketCount = 64;
inline constexpr size_t kLutPacketBytes = 192;
inline constexpr uint8_t kLutFinalIndex = 0xFF;

uint8_t LutChecksum(const uint8_t* data, size_t count);

// The 196 bytes after the header: data packet `index` of a table, or the final packet.
std::array<uint8_t, 196> LutPacketPayload(int space, int index, const Lut3D& lut);
std::array<uint8_t, 196> LutFinalPayload(int space);

Bytes BuildLutPacket(int space, int index, const Lut3D& lut);
Bytes BuildLutFinalPacket(int space);

}  // namespace halvo
