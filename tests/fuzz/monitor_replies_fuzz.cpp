// Arbitrary bytes as the monitor's answers to a whole identification, and to the reply readers.

#include <cstdint>
#include <cstring>

#include "monitor/identification.h"
#include "monitor/monitor_protocol.h"
#include "support/recording_endpoint.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace halvo;
    static test::ScopedEndpoint* port = new test::ScopedEndpoint("FUZZ-MONITOR");
    // One endpoint serves the whole fuzzing session: what an earlier input wrote must not pile up.
    (*port)->chunks.clear();
    (*port)->written.clear();
    (*port)->writes.clear();
    // The input, cut into up to seven answers at 0xFF 0xFF separators.
    std::vector<uint8_t> current;
    for (size_t i = 0; i < size; ++i) {
        if (i + 1 < size && data[i] == 0xFF && data[i + 1] == 0xFF) {
            (*port)->answer(current);
            current.clear();
            ++i;
        } else {
            current.push_back(data[i]);
        }
    }
    (*port)->answer(current);

    VirtualScheduler scheduler;
    StationLog log;
    TaskState task;
    SerialLink link;
    link.setMonitorSettings("FUZZ-MONITOR");
    if (!link.open()) {
        return 0;
    }
    MonitorSender sender(link, log, scheduler, task);
    MonitorIdentification identification(sender, log);
    int32_t step = 0;
    for (int i = 0; i < 8; ++i) {
        if (!identification.step(step, 0)) {
            break;
        }
    }
    const Bytes whole(data, data + size);
    (void)ReplyText(whole);
    (void)ReplyWord(whole, 2);
    (void)CapabilityFromReply(whole);
    if (identification.identity().versionText.size() > MonitorIdentification::kMaxVersionLength) {
        __builtin_trap();
    }
    return 0;
}
