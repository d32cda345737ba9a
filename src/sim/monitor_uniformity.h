#pragma once

// The simulated monitor's uniformity correction: the last uniformity packet it received, and the
// dimming it applies over the screen. The correction acts at the panel, after the picture
// processing, so it holds with CSC&Gamma bypassed too; it never brightens beyond the panel's
// full drive. Which engine a monitor has follows from its model as the station chooses the
// method: "TXM" models with (info & 0x90) = 0x90 the gamma-curve engine, else with info bit 7 the
// linear engine, info = 8 the shape engine, otherwise the gradient engine; other models the
// gamma-curve engine when (info & 0x90) = 0x90, else the table engine.
//
// Meanings of the parameters (cells 1..9 row by row from the top left):
// - Table packet (enable, V1, H1, H2, V2, V3), values in steps of 0.5 % of full light: the right
//   column is dimmed by H1 steps and the centre column by H2 - H1 (when positive); the top,
//   middle and bottom rows by V1, V2 and V3 steps on top of that.
// - Ten-value packet, linear engine: cell i is dimmed by P(i-1) / 6.4 cd/m2 of its own full
//   white at the backlight in force.
// - Ten-value packet, gamma-curve engine: cell i is dimmed to (w / 1023)^2.2 of its light, where
//   w = 1023 - P(i-1) k 480 / (2^17 2.2), k = 270 with info bit value 4, else 300.
// - Ten-value packet, gradient and shape engines: the ramps of the gradient fit. Column k runs
//   from 0 at the centre of the left probe places to 1920 at the right ones, line j from 0 at
//   the top places to 1080 at the bottom ones; the dimming there, in 1/1023 of full light, is
//   H(k) + V(j) + 4 P0 + 3 P9 + the local trims, with H(k) = (4096 s k - a k (k - 1)) / 1024^2
//   and V(j) = (4096 d j - i j (j - 1)) / 1024^2 (the running sums of the ramp terms). s = P1 and
//   d = P3 are signed bytes, a = P2 unsigned when s >= 1 and signed otherwise, i = P4 unsigned.
//   The trims are signed bytes on tents that peak at one cell's centre and vanish at its
//   neighbours' centres: P5 dims the centre (10 per step), P6 brightens the bottom centre (10),
//   P7 the right middle (4), P8 dims the bottom right (10).
// A packet with the enable bit clear (the all-zero one) leaves the panel as it is.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "monitor/monitor_protocol.h"
#include "sim/panel_model.h"

namespace halvo::sim {

enum class UniformityEngine { Table, Linear, GammaCurve, Gradient, Shape };
UniformityEngine UniformityEngineOf(const std::string& versionText, uint8_t modelInfo);

struct MonitorUniformity {
    enum Kind : uint8_t { kNone = 0, kTablePacket = 1, kTenValuePacket = 2 };
    uint8_t kind = kNone;
    // The packet from byte 5 on: 6 bytes of the table packet, 11 of the ten-value packet.
    std::array<uint8_t, 11> payload{};
    bool operator==(const MonitorUniformity&) const = default;

    bool enabled() const;
};

// A uniformity frame (FA 88 00 FE 13 + 6 or FE 88 00 FE 13 + 11) as the firmware takes it.
void ReceiveUniformityPacket(MonitorUniformity& u, const Bytes& frame);

// Light share 0..1 the correction leaves at a screen position (0..1 from the top left).
double UniformityGain(const MonitorUniformity& u, UniformityEngine engine, uint8_t modelInfo, const PanelModel& panel,
                      int backlight, double px, double py);

// EEPROM addresses 1000 (kind) and 1001..1011 (payload); see monitor_calibration.h.
inline constexpr size_t kUniformityEepromAt = 1000;
void SaveUniformity(const MonitorUniformity& u, std::span<uint8_t> eeprom);
void LoadUniformity(std::span<const uint8_t> eeprom, MonitorUniformity& u);

}  // namespace halvo::sim
