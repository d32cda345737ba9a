#pragma once

// A driver of a library-driven instrument with everything it borrows from the station, on the
// virtual clock, with the simulated station installed so that the stand-in libraries measure it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "instruments/instrument.h"
#include "instruments/vendor_library.h"
#include "sim/sim_station.h"
#include "support/wire_check.h"

namespace halvo::test {

class LibraryRig : public ::testing::Test {
protected:
    void SetUp() override {
        VendorLibrary::SetStandInDirectory(HALVO_STANDIN_DIR);
        sim = std::make_unique<sim::SimStation>(clock);
        sim->install();
    }
    void TearDown() override {
        ExpectViolations(sim->monitor(), {});
        sim.reset();
        VendorLibrary::SetStandInDirectory("");
        ::unsetenv("HALVO_VENDOR_PATH");
    }
    // Only a directory without the libraries and the system's path remain.
    void hideLibraries() {
        VendorLibrary::SetStandInDirectory("");
        ::setenv("HALVO_VENDOR_PATH", "/nonexistent-halvo-vendor", 1);
    }
    bool logged(const std::string& line) const { return log.text().find(line + "\n") != std::string::npos; }

    // x, y, Y of the light the probe sees now.
    void expectedLight(double& x, double& y, double& Y) {
        const sim::Xyz light = sim->lightAtProbe();
        const double sum = light.X + light.Y + light.Z;
        x = light.X / sum;
        y = light.Y / sum;
        Y = light.Y;
    }

    VirtualScheduler clock;
    std::unique_ptr<sim::SimStation> sim;
    StationLog log;
    TaskState task;
    SerialLink monitorLink;
    SerialLink link;
    MonitorSender sender{monitorLink, log, clock, task};
    ColorimetricRecord record;
    InstrumentContext context{link, log, clock, sender, record};
};

}  // namespace halvo::test
