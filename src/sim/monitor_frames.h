#pragma once

// Splitting the byte stream the monitor receives into frames. The length of a frame follows
// from its first bytes: mostly 1 + (lead - 0xF0), with the exceptions of the frames built
// outside the command table. Bytes that start no known frame are skipped one at a time, and a
// frame left incomplete for longer than a gap is dropped, so one garbled byte never swallows
// the next command. What is skipped or dropped is reported, so the monitor can count it against
// the sender.

#include <cstdint>
#include <functional>
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

    struct Frame {
        Bytes bytes;
        double startMs;  // when its first byte began to arrive
    };

    // Appends bytes that arrived at atMs and returns the frames they complete.
    std::vector<Bytes> push(const uint8_t* data, size_t length, int64_t atMs);
    // The same for bytes whose first began to arrive at startMs, each taking byteMs on the line;
    // the last arrived at atMs.
    std::vector<Frame> push(const uint8_t* data, size_t length, double startMs, double byteMs, int64_t atMs);
    // Forgets a frame in progress (the line was purged).
    void clear();
    size_t pendingBytes() const { return pending_.size(); }

    // Told of bytes that made no frame, with when the first of them began to arrive.
    std::function<void(const Bytes& bytes, double startMs, const char* why)> discarded;

private:
    void discard(size_t from, size_t to, const char* why);

    Bytes pending_;
    std::vector<double> pendingStartMs_;  // per pending byte
    int64_t lastByteAtMs_ = 0;
};

}  // namespace halvo::sim
