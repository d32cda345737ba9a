#pragma once

// The simulated monitor's strictness: every frame it receives is held against its wire
// vocabulary (monitor_frame_rules.h) and against what the monitor is ready for at that moment.
// A frame that breaks a rule is not acted on, and the violation is kept with the frame and the
// reason, so a test (or halvo-sim --strict) can show what the station did wrong.
//
// The rules beyond the single frame:
// - Busy times. After some frames the monitor needs time before it takes the next one (a mode
//   change, an EEPROM write, a table packet; the times in monitor_frame_rules.cpp). A frame
//   whose first byte arrives sooner is lost, as bytes are that reach a busy monitor's buffer;
//   the monitor stays busy with the frame before.
// - Calibration data (gamma table, colour-space blocks, uniformity packets) are taken only
//   while the monitor is open for them: in calibration mode ("Calibration execution(1)" until
//   0), or in a data load, which "Save eeprom" with 0 opens (a gamma calibration and the copy of
//   a stored calibration begin with it) and a save with bit 7 set or "Calibration
//   execution(0)" closes.
// - Gamma table packets: only with the processing bypassed (CSC&Gamma 1) and 4000 ms after it
//   was bypassed; numbered 0, 4, 8, ... in order (a new table may start at 0 at any time); the
//   table rises strictly from one packet to the next.
// - Colour-space blocks: only for the slot selected with "Set Native ColorSpace" (space + 1);
//   numbered 0..63 in order; the final block only after all 64 were taken; the monitor then
//   saves the table to its EEPROM and takes nothing for 8000 ms.
// - Bytes that start no frame, and a frame whose rest never comes, are violations too.
//
// Times are those at which a frame's first byte arrives, so a station that waits the
// prescribed time after writing a frame meets them exactly on an idle line. Over a
// pseudo-terminal in real time the arrival times jitter with the reader's polling; a
// tolerance lets such frames through.

#include <bitset>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "monitor/monitor_protocol.h"
#include "sim/monitor_frame_rules.h"

namespace halvo::sim {

struct ProtocolViolation {
    int64_t atMs = 0;  // when the frame's first byte arrived
    Bytes frame;
    std::string reason;
    bool dropped = false;  // lost to a busy monitor, rather than refused for what it says

    // "12345 ms: <reason>: F5 88 00 FE 0A 0E", long frames shortened.
    std::string text() const;
};

class ProtocolChecker {
public:
    static constexpr size_t kKeptViolations = 200;

    // A complete frame whose first byte arrived at startMs: true when the monitor takes it.
    bool take(const Bytes& frame, double startMs);
    // Bytes that made no frame: stray bytes, or the start of a frame whose rest never came.
    void discarded(const Bytes& bytes, double startMs, const char* why);
    // Switched off and on: modes, numbering and busy times are forgotten; violations stay.
    void powerCycle();

    // The first kKeptViolations violations, and how many there were in all.
    const std::vector<ProtocolViolation>& violations() const { return violations_; }
    size_t violationCount() const { return count_; }
    std::vector<std::string> reasons() const;
    void clearViolations();

    // Called with every violation as it happens.
    std::function<void(const ProtocolViolation&)> onViolation;
    void setTimingToleranceMs(int ms) { toleranceMs_ = ms; }

    bool calibrationMode() const { return calibrationMode_; }
    // When the monitor takes the next frame (the end of the busy time of the last one).
    double readyAtMs() const { return busyWith_ != nullptr ? busyFromMs_ + busyMs_ : 0.0; }

private:
    std::string busy(const FrameRule& rule, double at) const;
    std::string precondition(const FrameRule& rule, const Bytes& f, double at) const;
    void follow(const FrameRule& rule, const Bytes& f);
    void number(const FrameRule& rule, const Bytes& f);
    void taken(const FrameRule& rule, const Bytes& f, double at);
    void record(const Bytes& f, double at, std::string reason, bool dropped);
    bool openForData() const { return calibrationMode_ || dataLoad_; }

    int toleranceMs_ = 0;
    bool calibrationMode_ = false;
    bool dataLoad_ = false;
    bool bypassed_ = false;
    double bypassedAtMs_ = 0;
    int nativeSlot_ = 0;
    // The gamma table: the first index and last entry of the last packet received.
    int gammaLastIndex_ = -1;
    int gammaLastEntry_ = 0;
    // The colour-space table in transfer: space, last index received, blocks taken.
    int tableSpace_ = -1;
    int tableLastIndex_ = -1;
    std::bitset<64> tableTaken_;
    // The frame the monitor is busy with.
    const char* busyWith_ = nullptr;
    double busyFromMs_ = 0;
    int busyMs_ = 0;

    std::vector<ProtocolViolation> violations_;
    size_t count_ = 0;
};

// "<program>: the simulated monitor refused N frames:" and the first of them, one a line;
// nothing when there were none.
void ReportProtocolViolations(const ProtocolChecker& checker, std::FILE* to, const char* program);

}  // namespace halvo::sim
