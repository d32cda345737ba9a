#pragma once

// Splitting the byte stream the monitor receives into frames. The length of a frame follows
// from its first bytes: mostly 1 + (lead - 0xF0), with the exceptions of the frames built
// outside the command table. Bytes that start no known frame are skipped one at a time, and a
// frame left incomplete for longer than a gap is dropped, so one garbled byte never swallows
// the next command.

#include <cstdint>
#include <optional>
#include <vector>

#include "monitor/monitor_protocol.h"

namespace halvo::sim {

// The length of the frame that starts at data[0], nullopt when more bytes are needed to tell,
// 0 when data[0] starts no frame.
std::optional<size_t> FrameLength(const uint8_t* data, size_t available);

class FrameSplitter {
public:
    static constexpr int64_t kStaleGapMs = 50;

    // Appends bytes that arrived at atMs and returns the frames they complete.
    std::vector<Bytes> push(const uint8_t* data, size_t length, int64_t atMs);
    void clear() { pending_.clear(); }
    size_t pendingBytes() const { return pending_.size(); }

private:
    Bytes pending_;
    int64_t lastByteAtMs_ = 0;
};

}  // namespace halvo::sim
