// Arbitrary bytes as the CS-200's replies: the column and wait readers on their own, then a whole
// connect, start, read and disconnect through the driver with a library that answers the input.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "instruments/cs200/cs200_driver.h"
#include "instruments/cs200/cs200_protocol.h"

namespace {

// The input cut into replies at "||"; each read hands out the next one, unterminated when it
// fills the buffer.
std::vector<std::string> replies;
size_t next = 0;

int Open(int) { return 0; }
int Close(int) { return 0; }
int Write(int, char*, int, int count) { return count; }
int Read(int, char* buffer, int, int count) {
    if (next >= replies.size() || count <= 0) {
        return 0;
    }
    const std::string& reply = replies[next++];
    const size_t n = std::min(reply.size(), static_cast<size_t>(count));
    std::memcpy(buffer, reply.data(), n);
    return static_cast<int>(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace halvo;
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    if (const auto m = ParseCs200Data(input)) {
        if (!std::isfinite(m->lv) || !std::isfinite(m->x) || !std::isfinite(m->y)) {
            __builtin_trap();
        }
    }
    const int wait = Cs200StartWaitMs(input);
    if (wait < 0 || wait > 99 * 1000) {
        __builtin_trap();
    }

    replies.clear();
    next = 0;
    size_t start = 0;
    while (start <= input.size()) {
        const size_t cut = input.find("||", start);
        const size_t end = cut == std::string_view::npos ? input.size() : cut;
        replies.emplace_back(input.substr(start, end - start));
        start = end + 2;
    }

    VirtualScheduler scheduler;
    StationLog log;
    TaskState task;
    SerialLink monitorLink;
    SerialLink link;
    MonitorSender sender(monitorLink, log, scheduler, task);
    ColorimetricRecord record;
    InstrumentContext context{link, log, scheduler, sender, record};
    const Cs200Calls calls{Open, Close, nullptr, Write, Read};
    Cs200Driver cs(context, &calls);
    if (cs.connect(InstrumentSettings())) {
        cs.trigger();
        if (cs.waitMs() < 0) {
            __builtin_trap();
        }
        const RawReading r = cs.read();
        if (r.ok && (!std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.lv))) {
            __builtin_trap();
        }
        cs.disconnect();
    }
    return 0;
}
