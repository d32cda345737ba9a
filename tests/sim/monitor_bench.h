#pragma once

// The simulated monitor on its own, driven frame by frame as a careful sender would: each frame
// is followed by at least 50 ms and by as long as the monitor is busy with it. A bench ends by
// comparing what the monitor refused with what the test expects (nothing, unless it breaks
// the protocol on purpose).

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "monitor/monitor_protocol.h"
#include "sim/sim_station.h"
#include "support/wire_check.h"

namespace halvo::sim {

struct MonitorBench {
    MonitorBench() : station(clock) {}
    ~MonitorBench() { test::ExpectViolations(monitor(), expectedViolations); }
    MonitorBench(const MonitorBench&) = delete;
    MonitorBench& operator=(const MonitorBench&) = delete;

    void send(const Bytes& frame) {
        monitor().receive(frame.data(), frame.size());
        const auto ready = static_cast<int64_t>(std::ceil(monitor().checker().readyAtMs()));
        clock.sleep(std::max<int64_t>(50, ready - clock.nowMs()));
    }
    void send(MonitorCommand c, uint32_t arg) { send(*BuildMonitorFrame(c, arg)); }
    Bytes read() {
        uint8_t buffer[256];
        size_t n = 0;
        monitor().transmit(buffer, sizeof buffer, n);
        return Bytes(buffer, buffer + n);
    }
    SimMonitor& monitor() { return station.monitor(); }

    VirtualScheduler clock;
    SimStation station;
    std::vector<std::string> expectedViolations;
};

}  // namespace halvo::sim
