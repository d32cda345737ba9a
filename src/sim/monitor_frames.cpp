#include "sim/monitor_frames.h"

namespace halvo::sim {
namespace {

// A frame of the 0x88 class with code byte `code` at offset 4.
bool Is88(const uint8_t* d, size_t n, uint8_t code) {
    return n >= 5 && d[1] == 0x88 && d[2] == 0x00 && d[3] == 0xFE && d[4] == code;
}

}  // namespace

std::optional<size_t> FrameLength(const uint8_t* d, size_t n) {
    if (n == 0) {
        return std::nullopt;
    }
    const uint8_t lead = d[0];
    if (lead == 0x05) {
        if (n < 2) {
            return std::nullopt;
        }
        return d[1] == 0x82 ? 5 : 0;  // ChangeSerialMode
    }
    if (lead < 0xF0) {
        return 0;
    }
    // Leads whose length is not 1 + (lead - 0xF0) share their first byte with ordinary frames:
    // look at the header to tell.
    if (lead == 0xF0 || lead == 0xFC || lead == 0xFD || lead == 0xFE) {
        if (n < 5) {
            return std::nullopt;
        }
        if (lead == 0xF0) {
            return Is88(d, n, 0x19) ? 201 : 0;  // colour-space block
        }
        if (lead == 0xFC) {
            return Is88(d, n, 0x06) ? 6 : 13;  // short calibration ID (template 6)
        }
        if (lead == 0xFD) {
            return Is88(d, n, 0x06) ? 15 : 14;  // full calibration ID, else the gamma table
        }
        return Is88(d, n, 0x13) ? 16 : 15;  // long uniformity frame
    }
    return 1 + (lead - 0xF0);
}

std::vector<Bytes> FrameSplitter::push(const uint8_t* data, size_t length, int64_t atMs) {
    std::vector<Bytes> out;
    for (Frame& f : push(data, length, static_cast<double>(atMs), 0.0, atMs)) {
        out.push_back(std::move(f.bytes));
    }
    return out;
}

void FrameSplitter::discard(size_t from, size_t to, const char* why) {
    if (from < to && discarded) {
        discarded(Bytes(pending_.begin() + static_cast<long>(from), pending_.begin() + static_cast<long>(to)),
                  pendingStartMs_[from], why);
    }
}

void FrameSplitter::clear() {
    discard(0, pending_.size(), "frame cut short: the line was purged before its rest came");
    pending_.clear();
    pendingStartMs_.clear();
}

std::vector<FrameSplitter::Frame> FrameSplitter::push(const uint8_t* data, size_t length, double startMs,
                                                       double byteMs, int64_t atMs) {
    if (!pending_.empty() && atMs - lastByteAtMs_ > kStaleGapMs) {
        discard(0, pending_.size(), "frame cut short: its rest never came");
        pending_.clear();
        pendingStartMs_.clear();
    }
    lastByteAtMs_ = atMs;
    pending_.insert(pending_.end(), data, data + length);
    for (size_t i = 0; i < length; ++i) {
        pendingStartMs_.push_back(startMs + byteMs * static_cast<double>(i));
    }
    std::vector<Frame> frames;
    size_t start = 0;
    size_t strayFrom = 0;
    while (start < pending_.size()) {
        const std::optional<size_t> len = FrameLength(pending_.data() + start, pending_.size() - start);
        if (!len) {
            break;
        }
        if (*len == 0) {
            ++start;  // not the start of a frame
            continue;
        }
        discard(strayFrom, start, "bytes that start no frame");
        if (pending_.size() - start < *len) {
            strayFrom = start;
            break;
        }
        frames.push_back({Bytes(pending_.begin() + static_cast<long>(start),
                                pending_.begin() + static_cast<long>(start + *len)),
                          pendingStartMs_[start]});
        start += *len;
        strayFrom = start;
    }
    discard(strayFrom, start, "bytes that start no frame");
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(start));
    pendingStartMs_.erase(pendingStartMs_.begin(), pendingStartMs_.begin() + static_cast<long>(start));
    return frames;
}

}  // namespace halvo::sim
