#pragma once

// The two uniformity packets, their log lines, and the settings the data set keeps of them.
//
// Table packet (11 bytes): FA 88 00 FE 13, enable (FF or 00), then value 1 of vertical row b,
// values 1 and 2 of horizontal row c, values 2 and 3 of vertical row b.
// Ten-value packet (16 bytes): FE 88 00 FE 13, (enabled ? 80 : 00) + P9, P0..P8, P9.
//
// The data set's UniformitySettings hold the numbers of the packet's log line, as a log import
// reads them back: the ten-value packet gives (byte 5, P0..P8) - P9 rides in byte 5 - and the
// table packet (c, b, enable, bytes 6..10).

#include <string>

#include "caldata/calibration_data.h"
#include "calibration/uniformity_methods.h"
#include "monitor/monitor_sender.h"

namespace halvo {

Bytes UniformityTablePacket(int c, int b, bool enabled);
Bytes UniformityTenValuePacket(const UniformityParams& p, bool enabled);

// "Send Uniformity = %d,%d, %d, (%d,%d,%d,%d,%d)"
std::string UniformityTableLog(int c, int b, const Bytes& packet);
// "Send Uniformity =  %d, (...)" from the packet, "Send Uniformity1 =  %d, (...)" from the copy
// the station keeps.
std::string UniformityTenValueLog(const Bytes& packet);
std::string UniformityStoredLog(const UniformityParams& p, bool enabled);

UniformitySettings SettingsOfTablePacket(int c, int b, const Bytes& packet);
UniformitySettings SettingsOfTenValuePacket(const Bytes& packet);

// Write a packet to the monitor with its log lines, then wait 1000 ms.
void SendUniformityTable(MonitorSender& sender, int c, int b, bool enabled);
void SendUniformityTenValue(MonitorSender& sender, const UniformityParams& p, bool enabled);

// Stored settings sent again, enabled (the copy to a monitor): as the ten-value packet or as
// the table packet of the rows they name.
void SendStoredUniformity(MonitorSender& sender, const UniformitySettings& settings, bool tenValue);

}  // namespace halvo
