// Arbitrary bytes into the simulated monitor's firmware: frames are split, handled and answered
// without crashing, whatever arrives and however it is cut.

#include <cstdint>

#include "sim/sim_station.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace halvo;
    VirtualScheduler clock;
    sim::SimStation station(clock);
    sim::SimMonitor& monitor = station.monitor();
    // The first byte sets the size of the pieces the rest arrives in, and with its upper bits the
    // model (and so the uniformity engine).
    const size_t piece = size > 0 ? 1 + data[0] % 32 : 1;
    if (size > 0 && data[0] >= 32) {
        monitor.config().modelInfo = data[0];
        monitor.config().versionText = (data[0] & 0x40) != 0 ? "VM-170 V1.05" : "TXM-600 V1.00";
    }
    uint8_t out[128];
    for (size_t i = 1; i < size; i += piece) {
        const size_t n = std::min(piece, size - i);
        monitor.receive(data + i, n);
        clock.sleep(static_cast<int64_t>(data[i] % 80));
        size_t count = 0;
        monitor.transmit(out, sizeof out, count);
    }
    const sim::Xyz light = station.lightAtProbe();
    if (!(light.Y >= 0.0)) {
        __builtin_trap();
    }
    return 0;
}
