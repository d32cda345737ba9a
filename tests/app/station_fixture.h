#pragma once

// A whole station on the virtual clock: the controller, the simulated monitor and CA-210, and a
// scripted operator-facing side.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "app/halvo_dlg.h"
#include "sim/sim_station.h"
#include "support/wire_check.h"

namespace halvo::test {

class StationFixture : public ::testing::Test {
protected:
    void SetUp() override {
        directory = ::testing::TempDir() + "halvo_station_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(directory);
        std::filesystem::create_directories(directory);
        sim = std::make_unique<sim::SimStation>(scheduler);
        sim->install();
        CHalvoDlg::Options options;
        options.workingDirectory = directory;
        options.versionMajor = 9;
        options.versionMinor = 9;
        options.enumeratePorts = [this] { return ports; };
        station = std::make_unique<CHalvoDlg>(scheduler, ui, options);
    }
    void TearDown() override {
        station.reset();
        if (sim) {
            ExpectViolations(sim->monitor(), expectedViolations);
        }
        sim.reset();
        std::filesystem::remove_all(directory);
    }

    // Window initialisation with the simulated ports chosen.
    void init() {
        ASSERT_TRUE(station->initDialog());
        station->setup().monitorPort.selectText(sim::kSimMonitorPort);
        station->setup().instrumentPort.selectText(sim::kSimCaPort);
        scheduler.runFor(0);  // the commands the initialisation posted
    }
    // Connect and run through the identification into the measurement cycle.
    void connect() {
        station->onConnectClicked(true);
        ASSERT_TRUE(scheduler.runUntil([this] { return !scheduler.isArmed(kTimerIdentify); }, 10000));
    }
    void run(int64_t ms) { scheduler.runFor(ms); }
    // After a frame the test sent the monitor itself: a blocking wait, as the station's own waits
    // are, for at least ms and for as long as the monitor is busy with the frame.
    void waitForMonitor(int64_t ms) {
        const auto ready = static_cast<int64_t>(std::ceil(sim->monitor().checker().readyAtMs()));
        scheduler.sleep(std::max(ms, ready - scheduler.nowMs()));
    }

    // Frames the monitor received since recording started, as hex strings.
    std::vector<std::string> monitorFrames() {
        std::vector<std::string> out;
        for (const auto& f : sim->monitor().receivedFrames()) {
            out.push_back(HexBytes(f.bytes));
        }
        return out;
    }

    // What the simulated monitor is to have refused by the end of the test, reason by reason.
    std::vector<std::string> expectedViolations;

    VirtualScheduler scheduler;
    QuietStationUi ui;
    std::unique_ptr<sim::SimStation> sim;
    std::unique_ptr<CHalvoDlg> station;
    std::string directory;
    std::vector<std::string> ports = {"ttyS0", sim::kSimMonitorPort, sim::kSimCaPort};
};

}  // namespace halvo::test
