#pragma once

// CA-210 / CA-310 colour analysers: short ASCII commands, each ended by a single line feed, and
// one reply form.
//
//   "COM,1\n"  remote operation (after connecting, and again after a run of bad replies)
//   "MDS,0\n"  measurement mode 0: x, y, Lv
//   "MES\n"    one measurement
//
// Reply: "OK0<status>,P1 <x>;<y>;<Lv>" (then a carriage return). Accepted only with "O", "K" at
// bytes 0 and 1 and "," at byte 4. x and y come scaled by 1000 or by 10000: when either exceeds
// 1000 both are divided by 10000, else by 1000. Lv is in cd/m2 as sent.

#include <optional>
#include <string>

#include "monitor/monitor_protocol.h"

namespace halvo {

inline constexpr const char* kCaRemoteCommand = "COM,1\n";
inline constexpr const char* kCaModeCommand = "MDS,0\n";
inline constexpr const char* kCaMeasureCommand = "MES\n";

struct CaReading {
    int status = 0;
    double x = 0.0;
    double y = 0.0;
    double lv = 0.0;
};

// The reply as text: the bytes read, ended there.
std::string CaReplyText(const Bytes& reply);

// A measurement from an accepted reply, scaled; nullopt for a malformed one, also when the
// numbers do not all parse: a reading made of the last reply's leftovers is no reading.
std::optional<CaReading> ParseCaReply(const Bytes& reply);

}  // namespace halvo
