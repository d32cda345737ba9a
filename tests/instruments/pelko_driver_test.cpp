// The PELKO driver against the stand-in core on the simulated station, on the virtual clock:
// the device search, connecting to a chosen device, the exposure set-up, the three-stage
// measurement, breaking it off, a lost device and a missing library.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "instruments/pelko/pelko_core_library.h"
#include "instruments/pelko/pelko_driver.h"
#include "instruments/pelko/pelko_search.h"
#include "instruments/vendor_library.h"
#include "radiometric/recording_core.h"
#include "sim/sim_station.h"
#include "support/wire_check.h"

namespace halvo {
namespace {

class PelkoDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        UsePelkoCore(nullptr);  // load the stand-in afresh
        VendorLibrary::SetStandInDirectory(HALVO_STANDIN_DIR);
        sim = std::make_unique<sim::SimStation>(scheduler);
        sim->install();
        monitorLink.setMonitorSettings(sim::kSimMonitorPort);
        ASSERT_TRUE(monitorLink.open());
    }
    void TearDown() override {
        driver.reset();
        UsePelkoCore(nullptr);
        VendorLibrary::SetStandInDirectory("");
        test::ExpectViolations(sim->monitor(), {});
        sim.reset();
    }

    // Searches with devices plugged in; the log it wrote.
    std::string search(int devices) {
        sim->setDeviceCount("pelko", devices);
        log.clear();
        SearchPelkoDevices(log, kChannelSys, found);
        return log.text();
    }
    bool connect(int entry) {
        InstrumentSettings settings;
        settings.pelkoDeviceCount = found.pelkoDeviceCount;
        settings.pelkoDeviceIndex = found.deviceFor(entry);
        driver = std::make_unique<PelkoDriver>(context);
        return driver->connect(settings);
    }
    void show(uint32_t rgb) { sender.sendMonitorCommand(MonitorCommand::DrawPattern, rgb, 100); }
    // Trigger ticks as the dispatcher runs them, until the fetch; the time the measurement took.
    int64_t triggerUntilFetched() {
        const int64_t start = scheduler.nowMs();
        for (int tick = 0; tick < 200; ++tick) {
            const InstrumentDriver::Trigger t = driver->trigger();
            if (!t.rearm) {
                return scheduler.nowMs() - start;
            }
            scheduler.sleep(t.delayMs);
        }
        ADD_FAILURE() << "no result after 200 ticks";
        return -1;
    }

    VirtualScheduler scheduler;
    std::unique_ptr<sim::SimStation> sim;
    StationLog log;
    TaskState task;
    SerialLink monitorLink;
    SerialLink link;
    MonitorSender sender{monitorLink, log, scheduler, task};
    ColorimetricRecord record;
    InstrumentContext context{link, log, scheduler, sender, record};
    PelkoSearch found;
    std::unique_ptr<PelkoDriver> driver;
};

TEST_F(PelkoDriverTest, TheSearchListsEveryDeviceAttached) {
    EXPECT_EQ(search(0), "SYS:Searching PELKO device...\nSYS:No matching PELKO device found!\n");
    EXPECT_EQ(found.pelkoDeviceCount, 0);
    EXPECT_FALSE(found.listed);

    EXPECT_EQ(search(1),
              "SYS:Searching PELKO device...\nSYS:Find Device[Serial Number:2106, 1001]\n"
              "SYS:Completed serching device\n");
    EXPECT_EQ(found.entries, (std::vector<std::string>{"2106, 1001"}));

    EXPECT_EQ(search(2),
              "SYS:Searching PELKO device...\nSYS:Find Device[Serial Number:2106, 1001]\n"
              "SYS:Find Device[Serial Number:2106, 1002]\nSYS:Completed serching device\n");
    EXPECT_EQ(found.pelkoDeviceCount, 2);
    EXPECT_EQ(found.entries, (std::vector<std::string>{"2106, 1001", "2106, 1002"}));

    // None found after some were: the count goes, so nothing can be opened from the old list.
    search(0);
    EXPECT_EQ(found.pelkoDeviceCount, 0);
    log.clear();
    EXPECT_FALSE(connect(0));
    EXPECT_EQ(log.text(), "SYS:No PELKO device!!\n");
    EXPECT_FALSE(link.isOpen);
}

TEST_F(PelkoDriverTest, AnEntryWithoutIdentificationDoesNotShiftTheOthers) {
    test::RecordingCore core;
    core.devices = 3;
    core.fail(2, 1);  // device 0 does not tell its identification
    UsePelkoCore(core.lookup());
    SearchPelkoDevices(log, kChannelSys, found);
    EXPECT_NE(log.text().find("SYS:Could not found Serial number!\n"), std::string::npos);
    ASSERT_EQ(found.entries.size(), 2u);
    EXPECT_EQ(found.deviceFor(0), 1);
    EXPECT_EQ(found.deviceFor(1), 2);
}

TEST_F(PelkoDriverTest, ConnectsToTheSecondDeviceAndMeasuresInThreeStages) {
    search(2);
    log.clear();
    ASSERT_TRUE(connect(1));
    EXPECT_EQ(driver->pelkoHandle, 2);  // the stand-in's handle of device index 1
    EXPECT_TRUE(link.isOpen);
    EXPECT_EQ(log.text(), "");

    sim->monitor().recordFrames(true);
    const int64_t before = scheduler.nowMs();
    EXPECT_EQ(driver->prepare(), 10);
    EXPECT_GE(scheduler.nowMs() - before, 2000);
    EXPECT_EQ(log.text(), "SYS:Draw pattern(255,255,255)\nSYS:Draw pattern(0,0,0)\n");
    ASSERT_EQ(sim->monitor().receivedFrames().size(), 2u);

    show(0xFFFFFF);
    EXPECT_EQ(driver->trigger().delayMs, 100);  // started
    EXPECT_EQ(driver->pelkoStep, PelkoDriver::kStagePoll);
    EXPECT_LT(triggerUntilFetched(), 1000);
    EXPECT_EQ(driver->pelkoStep, PelkoDriver::kStageStart);
    EXPECT_EQ(driver->waitMs(), 50);
    EXPECT_EQ(driver->pollCount(false), 1);
    const RawReading r = driver->read();
    ASSERT_TRUE(r.ok);
    const sim::Xyz truth = sim->lightAtProbe();
    EXPECT_NEAR(r.x, truth.X / (truth.X + truth.Y + truth.Z), 0.002);
    EXPECT_NEAR(r.y, truth.Y / (truth.X + truth.Y + truth.Z), 0.002);
    EXPECT_NEAR(r.lv, truth.Y, 0.02 * truth.Y);

    // The exposure set-up bounds black to the 4000 ms limit (the device's own is 5000 ms).
    show(0x000000);
    const int64_t black = triggerUntilFetched();
    EXPECT_GT(black, 4000);
    EXPECT_LT(black, 4500);

    log.clear();
    driver->disconnect();
    EXPECT_EQ(log.text(), "SYS:Close the conection to the PELKA\n");
    EXPECT_FALSE(link.isOpen);
    EXPECT_FALSE(driver->read().ok);
}

TEST_F(PelkoDriverTest, ContinuouslyBreaksOffTheRunningMeasurement) {
    search(1);
    ASSERT_TRUE(connect(0));
    show(0x000000);  // a long measurement
    driver->trigger();
    scheduler.sleep(100);
    EXPECT_TRUE(driver->trigger().rearm);
    EXPECT_EQ(driver->pelkoStep, PelkoDriver::kStagePoll);

    driver->continuouslyToggled();
    EXPECT_EQ(driver->pelkoStep, PelkoDriver::kStageStart);
    // The device is free again: the next tick starts a new measurement.
    log.clear();
    EXPECT_EQ(driver->trigger().delayMs, 100);
    EXPECT_EQ(driver->pelkoStep, PelkoDriver::kStagePoll);
    EXPECT_EQ(log.text(), "");
}

TEST_F(PelkoDriverTest, FailedStartsAndEndedMeasurementsStartAgain) {
    search(1);
    ASSERT_TRUE(connect(0));
    show(0xFFFFFF);
    sim->setFault("pelko", "measure-fails", true);
    task.CalibrationState = kTaskGamma;
    log.clear();
    const InstrumentDriver::Trigger refused = driver->trigger();
    EXPECT_TRUE(refused.rearm);
    EXPECT_EQ(refused.delayMs, 10);
    EXPECT_EQ(log.text(), "CAL: Could not start measurement!\n");
    // The run of refusals is said once, and its length when it ends.
    for (int tick = 0; tick < 999; ++tick) {
        scheduler.sleep(10);
        EXPECT_TRUE(driver->trigger().rearm);
    }
    EXPECT_EQ(log.text(), "CAL: Could not start measurement!\n");
    sim->setFault("pelko", "measure-fails", false);
    EXPECT_TRUE(driver->trigger().rearm);  // started
    EXPECT_EQ(log.text(), "CAL: Could not start measurement!\nCAL: Could not start measurement! (1000 times in a row)\n");
    EXPECT_GT(triggerUntilFetched(), 0);
    log.clear();
    sim->setFault("pelko", "measure-fails", true);
    driver->trigger();
    sim->setFault("pelko", "measure-fails", false);
    driver->trigger();
    EXPECT_EQ(log.text(), "CAL: Could not start measurement!\n") << "a single refusal needs no count";
    EXPECT_GT(triggerUntilFetched(), 0);

    // A measurement that ends without a result is not polled for ever.
    sim->setFault("pelko", "aborts", true);
    driver->trigger();
    for (int tick = 0; tick < 20 && driver->pelkoStep == PelkoDriver::kStagePoll; ++tick) {
        scheduler.sleep(100);
        EXPECT_TRUE(driver->trigger().rearm);
    }
    EXPECT_EQ(driver->pelkoLastError, PELKO_CORE_ABORTED);
    EXPECT_EQ(driver->pelkoStep, PelkoDriver::kStageStart);
    sim->setFault("pelko", "aborts", false);
    EXPECT_GT(triggerUntilFetched(), 0);
    EXPECT_TRUE(driver->read().ok);
}

TEST_F(PelkoDriverTest, StatusError255LosesTheInstrumentAndTheDeviceCanBeOpenedAgain) {
    search(1);
    ASSERT_TRUE(connect(0));
    driver->trigger();
    sim->setFault("pelko", "lost", true);
    scheduler.sleep(100);
    const InstrumentDriver::Trigger t = driver->trigger();
    EXPECT_TRUE(t.rearm);
    EXPECT_EQ(t.delayMs, 100);
    EXPECT_EQ(driver->pelkoLastError, 255);
    EXPECT_FALSE(link.isOpen);
    EXPECT_EQ(driver->pollCount(true), 0);
    EXPECT_FALSE(driver->read().ok);

    sim->setFault("pelko", "lost", false);
    log.clear();
    driver->disconnect();
    EXPECT_EQ(log.text(), "");  // it was not connected any more
    // But the device was closed: it is free for the next connect.
    int32_t handle = 0;
    EXPECT_EQ(PELKO_OpenRadioEx(0, &handle), 0);
    EXPECT_EQ(PELKO_CloseRadioEx(handle), 0);
}

TEST_F(PelkoDriverTest, AMissingCoreLibraryIsReported) {
    UsePelkoCore(nullptr);
    VendorLibrary::SetStandInDirectory("/nonexistent-halvo-standins");
    search(1);
    EXPECT_NE(log.text().find("SYS:cannot load libpelko_core.so"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("SYS:No matching PELKO device found!\n"), std::string::npos);

    // Even with a count left from elsewhere, nothing opens.
    found.pelkoDeviceCount = 1;
    log.clear();
    EXPECT_FALSE(connect(0));
    EXPECT_NE(log.text().find("SYS:cannot load libpelko_core.so"), std::string::npos);
    EXPECT_NE(log.text().find("SYS:Could not open device!\n"), std::string::npos);
}

TEST_F(PelkoDriverTest, AFetchWithoutLightIsHandedOnAsAZeroReading) {
    test::RecordingCore core;
    core.xyz[0] = core.xyz[1] = core.xyz[2] = 0.0f;
    UsePelkoCore(core.lookup());
    found.pelkoDeviceCount = 1;
    ASSERT_TRUE(connect(0));
    driver->prepare();
    EXPECT_TRUE(driver->trigger().rearm);  // started
    EXPECT_FALSE(driver->trigger().rearm);  // finished at once, fetched
    // Measured again it would be black again, for ever: it is handed on, as the Spyder4's is.
    const RawReading r = driver->read();
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.x, 0.0);
    EXPECT_EQ(r.y, 0.0);
    EXPECT_EQ(r.lv, 0.0);
    EXPECT_FALSE(driver->read().ok) << "read once: nothing new was fetched";
    core.xyz[0] = -0.01f;
    core.xyz[1] = -0.02f;
    core.xyz[2] = 0.005f;
    EXPECT_TRUE(driver->trigger().rearm);
    EXPECT_FALSE(driver->trigger().rearm);
    const RawReading below = driver->read();
    EXPECT_TRUE(below.ok);
    EXPECT_EQ(below.lv, 0.0) << "no negative luminance";

    // The exposure calls go to the core directly, with the time it found.
    const auto calls = core.take();
    const std::vector<std::string> exposure = {"101(1000,&)", "102(1000,&)", "104(1000,1)", "106(1000,1000)",
                                               "115(1000,4000)"};
    EXPECT_NE(std::search(calls.begin(), calls.end(), exposure.begin(), exposure.end()), calls.end());
    driver->disconnect();
    EXPECT_EQ(core.take(), (std::vector<std::string>{"6(1000)", "4(1000)"}));
}

}  // namespace
}  // namespace halvo
