// Arbitrary bytes as a K-10's answers to a whole session (identify, names, a matrix, measuring
// with averaging), and to the record decoders directly.

#include <cmath>
#include <cstdint>
#include <deque>
#include <vector>

#include "instruments/k10/k10_driver.h"
#include "monitor/port_endpoint.h"

namespace {

using halvo::K10Bytes;

// Answers every command (a write ending in CR) with the next piece of the input.
struct FuzzK10 : halvo::PortEndpoint {
    std::deque<K10Bytes> answers;
    K10Bytes pending;
    void receive(const uint8_t* data, size_t length) override {
        if (length > 0 && data[length - 1] == '\r' && !answers.empty()) {
            pending = answers.front();
            answers.pop_front();
        }
    }
    bool transmit(uint8_t* out, size_t capacity, size_t& count) override {
        count = std::min(capacity, pending.size());
        std::copy(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(count), out);
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(count));
        return true;
    }
    void purge() override { pending.clear(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace halvo;
    const std::span<const uint8_t> whole(data, size);
    (void)ParseK10Identity(whole);
    (void)ParseK10Names(whole);
    (void)ParseK10Measurement(whole);
    if (size > 0) {
        (void)ParseK10Matrix(whole, data[0]);
    }
    for (size_t i = 0; i + 2 < size; i += 3) {
        const double v = DecodeK10Value(data[i], data[i + 1], data[i + 2]);
        const auto back = EncodeK10Value(v);
        if (DecodeK10Value(back[0], back[1], back[2]) != v && v != 0.0) {
            __builtin_trap();  // every decoded value is representable again
        }
    }

    static auto* device = new std::shared_ptr<FuzzK10>(std::make_shared<FuzzK10>());
    static const bool registered = [] {
        PortRegistry::instance().add("FUZZ-K10", *device);
        return true;
    }();
    (void)registered;
    FuzzK10& d = **device;
    d.answers.clear();
    d.pending.clear();
    // The input, cut into answers at FF FE separators.
    K10Bytes current;
    for (size_t i = 0; i < size; ++i) {
        if (i + 1 < size && data[i] == 0xFF && data[i + 1] == 0xFE) {
            d.answers.push_back(current);
            current.clear();
            ++i;
        } else {
            current.push_back(data[i]);
        }
    }
    d.answers.push_back(current);

    VirtualScheduler clock;
    KClmtr k10(clock);
    if (k10.Connect("FUZZ-K10")) {
        if (k10.CalibrationList().size() != 97) {
            __builtin_trap();
        }
        k10.SelectMatrix(1);
        k10.setContinuousMode(true);
        for (int i = 0; i < 3; ++i) {
            const ColorimetricRecord r = k10.Measure();
            if (r.averagedCount < 0 || r.averagedCount > KClmtr::kRingSize || std::isnan(r.x)) {
                __builtin_trap();
            }
        }
        k10.Disconnect();
    }
    return 0;
}
