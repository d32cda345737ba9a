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
    if (!pending_.empty() && atMs - lastByteAtMs_ > kStaleGapMs) {
        pending_.clear();  // the rest of that frame never came
    }
    lastByteAtMs_ = atMs;
    pending_.insert(pending_.end(), data, data + length);
    std::vector<Bytes> frames;
    size_t start = 0;
    while (start < pending_.size()) {
        const std::optional<size_t> len = FrameLength(pending_.data() + start, pending_.size() - start);
        if (!len) {
            break;
        }
        if (*len == 0) {
            ++start;  // not the start of a frame
            continue;
        }
        if (pending_.size() - start < *len) {
            break;
        }
        frames.emplace_back(pending_.begin() + static_cast<long>(start),
                            pending_.begin() + static_cast<long>(start + *len));
        start += *len;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(start));
    return frames;
}

}  // namespace halvo::sim
