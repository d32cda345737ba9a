// The simulated monitor served over a pseudo-terminal and opened like any serial device.

#include <gtest/gtest.h>

#include "monitor/monitor_protocol.h"
#include "monitor/serial_link.h"
#include "sim/pty_server.h"
#include "sim/sim_station.h"

namespace halvo::sim {
namespace {

TEST(PtyServer, ServesTheMonitorToASerialLink) {
    RealTimeScheduler clock;
    SimStation station(clock);
    PtyServer server;
    std::string error;
    const std::string path = server.serve(station.monitorEndpoint(), &error);
    ASSERT_FALSE(path.empty()) << error;

    SerialLink link;
    link.setMonitorSettings(path);
    ASSERT_TRUE(link.open()) << link.lastError();
    link.write(*BuildMonitorFrame(MonitorCommand::GetVersion, 0));
    Bytes answer;
    for (int i = 0; i < 500 && answer.size() < 20; ++i) {
        server.pump(2);
        const Bytes chunk = link.readChunk();
        answer.insert(answer.end(), chunk.begin(), chunk.end());
    }
    EXPECT_EQ(ReplyText(answer), "TXM-600-HD-S V1.02");

    // The line survives the station closing and reopening it.
    link.close();
    ASSERT_TRUE(link.open()) << link.lastError();
    link.write(*BuildMonitorFrame(MonitorCommand::KeepAlive, 0));
    answer.clear();
    for (int i = 0; i < 500 && answer.size() < 2; ++i) {
        server.pump(2);
        const Bytes chunk = link.readChunk();
        answer.insert(answer.end(), chunk.begin(), chunk.end());
    }
    EXPECT_EQ(HexBytes(answer), "F1 9B");
}

}  // namespace
}  // namespace halvo::sim
