// The serial adapter pulled out and plugged in again, with the simulated monitor served over a
// pseudo-terminal like a real device. The station opens it by a stable name (as it would a
// /dev/serial/by-id link), which points at whichever terminal the adapter got.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "monitor/monitor_protocol.h"
#include "monitor/serial_link.h"
#include "sim/pty_server.h"
#include "sim/sim_station.h"
#include "support/wire_check.h"

namespace halvo::sim {
namespace {

namespace fs = std::filesystem;

// What comes back for a frame within about a second of real time.
Bytes Exchange(PtyServer& server, SerialLink& link, const Bytes& frame, size_t expected) {
    link.write(frame);
    Bytes answer;
    for (int i = 0; i < 500 && answer.size() < expected; ++i) {
        server.pump(2);
        const Bytes chunk = link.readChunk();
        answer.insert(answer.end(), chunk.begin(), chunk.end());
    }
    return answer;
}

TEST(PulledAdapter, ReadsFailWritesReturnAndTheSameNameWorksOnceItIsBack) {
    RealTimeScheduler clock;
    SimStation station(clock);
    test::WireCheck wire(station.monitor());
    const std::string name = ::testing::TempDir() + "halvo-by-id-monitor";
    fs::remove(name);
    std::string error;
    auto server = std::make_unique<PtyServer>();
    const std::string first = server->serve(station.monitorEndpoint(), &error);
    ASSERT_FALSE(first.empty()) << error;
    fs::create_symlink(first, name);

    SerialLink link;
    link.setMonitorSettings(name);
    ASSERT_TRUE(link.open()) << link.lastError();
    const Bytes keepAlive = *BuildMonitorFrame(MonitorCommand::KeepAlive, 0);
    EXPECT_EQ(HexBytes(Exchange(*server, link, keepAlive, 2)), "F1 9B");

    ASSERT_TRUE(server->unplug(first));
    EXPECT_FALSE(server->unplug(first));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(Exchange(*server, link, keepAlive, 2).empty());
    link.readFailed = 0;
    EXPECT_TRUE(link.readChunk().empty());
    EXPECT_EQ(link.readFailed, 1) << "a read of a vanished device fails, it does not just find nothing";
    for (int i = 0; i < 50; ++i) {
        link.write(keepAlive);  // never blocks on a terminal nobody holds
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    link.close();
    EXPECT_FALSE(link.open()) << "the device is gone";
    EXPECT_FALSE(link.lastError().empty());

    // Plugged in again: the terminal may get another number; the stable name follows it.
    const std::string second = server->serve(station.monitorEndpoint(), &error);
    ASSERT_FALSE(second.empty()) << error;
    fs::remove(name);
    fs::create_symlink(second, name);
    ASSERT_TRUE(link.open()) << link.lastError();
    EXPECT_EQ(HexBytes(Exchange(*server, link, keepAlive, 2)), "F1 9B");
    const Bytes version = Exchange(*server, link, *BuildMonitorFrame(MonitorCommand::GetVersion, 0), 20);
    EXPECT_EQ(ReplyText(version), "TXM-600-HD-S V1.02");
    link.close();
    fs::remove(name);
}

}  // namespace
}  // namespace halvo::sim
