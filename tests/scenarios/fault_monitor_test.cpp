// The monitor's cable pulled at every stage: identification, each calibration procedure, the
// table uploads, the EEPROM read and write, and a copy. Each time the station has to end what
// it was doing within a bounded time, say why, keep what the monitor had stored, and work again
// once the cable is back.

#include <functional>
#include <string>

#include "scenarios/fault_fixture.h"
#include "scenarios/uniformity_fixture.h"

namespace halvo {
namespace {

constexpr const char* kMonitorDown = "SYS:Monitor is not connected.\nSYS:Calibration execution(0)\n";
// After an upload the white-point search is the first to ask the monitor something.
constexpr const char* kNoGainAnswer = "CAL: No RGB gain answer from the monitor; the gains last known are used.\n";

// From the pull to the failure notice: six empty polls take the link down, and the longest
// blocking step in between (a colour-space patch with its waits) adds a few seconds.
constexpr int64_t kNoticeBoundMs = 60 * 1000;

class MonitorFaults : public test::FaultFixture {
protected:
    sim::SerialFaults& cable() { return sim->monitor().faults(); }

    // Starts the chosen run, lets it work for intoMs once it has reached `state`, pulls the
    // cable (after the monitor has heard `bytes` more, when given) and runs until a notice
    // opens. The station time from the pull to the notice.
    int64_t pullDuring(int32_t state, int64_t intoMs, long bytes = 0) {
        eepromBefore = sim->monitor().eeprom();
        page().onAutoCalibration();
        EXPECT_TRUE(scheduler.runUntil([&] { return station->task().CalibrationState == state; }, 3600 * 1000))
            << "never reached task " << state;
        run(intoMs);
        EXPECT_EQ(station->task().CalibrationState, state);
        cable().unplugAfterBytes = bytes;
        const int64_t pulledAt = scheduler.nowMs();
        scheduler.runUntil([&] { return ui.notices.failureOpen || ui.notices.completionOpen; }, 10 * kNoticeBoundMs);
        return scheduler.nowMs() - pulledAt;
    }

    // The run ended as a failure that says why, and the monitor's stored calibration is
    // untouched.
    void expectFailed(int64_t noticeAfterMs, const std::string& reason) {
        EXPECT_LT(noticeAfterMs, kNoticeBoundMs);
        EXPECT_TRUE(ui.notices.failureOpen);
        EXPECT_FALSE(ui.notices.completionOpen);
        EXPECT_TRUE(logHas(reason)) << station->log().text();
        EXPECT_TRUE(logHas("SYS:Calibration execution(0)\nSYS:Calibration failed\n"));
        EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
        EXPECT_TRUE(page().controlsEnabled);
        EXPECT_EQ(sim->monitor().eeprom(), eepromBefore);
    }

    // With the cable back, a run completes.
    void goOn() {
        station->onFailureOk();
        cable().unplugged = false;
        run(3000);
        EXPECT_TRUE(station->links().monitorAlive());
        ui.notices = NoticeState();
        // With gamma: a run given up during gamma leaves the monitor's processing bypassed,
        // which only the gamma procedure itself turns back on.
        choose(true, 0, {4});
        calibrate();
        EXPECT_TRUE(ui.notices.completionOpen) << station->log().text();
    }

    std::array<uint8_t, sim::SimMonitor::kEepromSize> eepromBefore{};
};

TEST_F(MonitorFaults, PulledDuringGammaFailsTheRun) {
    choose(true, 0, {4});
    expectFailed(pullDuring(kTaskGamma, 20000), kMonitorDown);
    goOn();
}

TEST_F(MonitorFaults, TheOperatorCanStopARunWhoseMonitorIsGoneBeforeTheStationNotices) {
    choose(true, 0, {4});
    page().onAutoCalibration();
    run(20000);
    cable().unplugged = true;
    run(1000);
    page().onAutoCalibration();
    run(10);
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_TRUE(logHas("SYS:Calibration execution(0)\nSYS:Calibration stopped by user.\n"));
    run(20000);
    EXPECT_FALSE(ui.notices.failureOpen) << "a stopped run is not failed afterwards";
    goOn();
}

TEST_F(MonitorFaults, PulledDuringTheGammaTableUploadFailsAtTheNextReading) {
    choose(true, 0, {4});
    const auto tableBefore = sim->monitor().calibration().gammaTable;
    expectFailed(pullDuring(kTaskGammaUpload, 0, 14 * 8), kNoGainAnswer);
    // The first packets got through before the pull, the rest did not.
    const auto& table = sim->monitor().calibration().gammaTable;
    EXPECT_NE(table, tableBefore);
    EXPECT_NE(table, page().data.gammaTable);
    goOn();
}

TEST_F(MonitorFaults, PulledDuringTheWhitePointSearchFailsTheRun) {
    choose(false, 1, {0, 1, 2});
    expectFailed(pullDuring(kTaskWhitePoint, 30000), kMonitorDown);
    goOn();
}

TEST_F(MonitorFaults, PulledDuringAColourSpaceFailsTheRun) {
    chooseColourSpaces(1u, {4});
    expectFailed(pullDuring(kTaskColorSpace, 20000), kMonitorDown);
    goOn();
}

TEST_F(MonitorFaults, PulledDuringTheColourSpaceTableUploadFailsAtTheNextReading) {
    chooseColourSpaces(1u, {4});
    expectFailed(pullDuring(kTaskColorSpaceUpload, 0, 200), kNoGainAnswer);
    // The block the cable was pulled in reached the monitor without its last byte.
    expectedViolations = {"frame cut short: the line was purged before its rest came"};
    goOn();
}

TEST_F(MonitorFaults, AVanishedAdapterFailsTheRunAndReconnectingBringsItBack) {
    choose(true, 0, {4});
    eepromBefore = sim->monitor().eeprom();
    page().onAutoCalibration();
    run(20000);
    ASSERT_EQ(station->task().CalibrationState, kTaskGamma);
    cable().vanished = true;  // reads fail, as from a USB adapter that was pulled out
    const int64_t at = scheduler.nowMs();
    scheduler.runUntil([&] { return ui.notices.failureOpen; }, 10 * kNoticeBoundMs);
    expectFailed(scheduler.nowMs() - at, kMonitorDown);
    // Plugged in again, the operator connects anew.
    cable().vanished = false;
    station->onFailureOk();
    station->onConnectClicked(false);
    run(1000);
    connect();
    goOn();
}

TEST_F(MonitorFaults, AWhiteSearchThatRunsItsGainsDownToNothingFails) {
    // A monitor whose picture processing was left bypassed (by a service tool, say): the white
    // gains no longer change the light, and the search drives them to zero.
    station->sender().sendMonitorCommand(MonitorCommand::SetCscGamma, 1, 0);
    waitForMonitor(100);
    run(3000);
    const auto eeprom = sim->monitor().eeprom();
    const Rgb8 stored = page().data.targetGains[4];
    choose(false, 1, {4});
    calibrate();
    EXPECT_TRUE(ui.notices.failureOpen);
    EXPECT_FALSE(ui.notices.completionOpen);
    EXPECT_TRUE(logHas("CAL: RGB gain(0,0,0)\nCAL: Fail to search the color temperature!!\n"));
    EXPECT_EQ(page().data.targetGains[4], stored);
    EXPECT_EQ(sim->monitor().eeprom(), eeprom);
    goOn();
}

TEST_F(MonitorFaults, WithoutAMonitorTheIdentificationEndsAndSaysSo) {
    // A fresh station: the fixture's connection is undone and made again without the monitor.
    station->onConnectClicked(false);
    run(1000);
    station->onClearLog();
    cable().unplugged = true;
    const int64_t start = scheduler.nowMs();
    station->onConnectClicked(true);
    ASSERT_TRUE(scheduler.runUntil([&] { return !scheduler.isArmed(kTimerIdentify); }, 10000));
    EXPECT_LT(scheduler.nowMs() - start, 5000);
    EXPECT_TRUE(logHas("SYS:The monitor did not answer. Check its cable and port, then connect again.\n"))
        << station->log().text();
    EXPECT_FALSE(logHas("Monitor = "));
    run(10000);
    EXPECT_FALSE(station->links().monitorAlive());
    EXPECT_TRUE(station->links().instrumentAlive());

    // Back: connecting again identifies it, and a run completes.
    cable().unplugged = false;
    station->onConnectClicked(false);
    run(1000);
    station->onClearLog();
    connect();
    EXPECT_TRUE(logHas("SYS:Monitor = TXM-600-HD-S V1.02\n"));
    EXPECT_FALSE(logHas("did not answer"));
    run(2000);
    choose(false, 1, {4});
    calibrate();
    EXPECT_TRUE(ui.notices.completionOpen);
}

TEST_F(MonitorFaults, PulledHalfwayThroughTheIdentificationLeavesTheRunRefused) {
    station->onConnectClicked(false);
    run(1000);
    cable().unplugAfterBytes = 12;  // the serial-mode change and the version query get through
    station->onConnectClicked(true);
    ASSERT_TRUE(scheduler.runUntil([&] { return !scheduler.isArmed(kTimerIdentify); }, 10000));
    run(10000);
    EXPECT_FALSE(station->links().monitorAlive());
    station->onClearLog();
    choose(false, 1, {4});
    page().onAutoCalibration();
    run(1000);
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_FALSE(ui.notices.failureOpen);
    EXPECT_EQ(station->log().text(), "SYS:Monitor is not connected.\n");
}

TEST_F(MonitorFaults, PulledDuringAnEepromReadKeepsTheImageReadBefore) {
    station->handleOperatorCommand(7, 1);
    ASSERT_TRUE(station->eepromImage.present);
    const EepromImage before = station->eepromImage;
    sim->monitor().eeprom()[40] ^= 0xFF;  // what a second read would bring if it finished

    ui.messages.clear();
    cable().unplugAfterBytes = 8 * 200;
    const int64_t start = scheduler.nowMs();
    station->handleOperatorCommand(7, 1);
    EXPECT_LT(scheduler.nowMs() - start, 30000);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].rfind("The monitor stopped answering while the EEPROM was read (address ", 0), 0u);
    EXPECT_EQ(ui.lastSound, Sound::Error);
    EXPECT_EQ(station->eepromImage.bytes, before.bytes);

    cable().unplugged = false;
    run(2000);
    ui.messages.clear();
    station->handleOperatorCommand(7, 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_NE(station->eepromImage.bytes, before.bytes);
}

TEST_F(MonitorFaults, PulledDuringAnEepromWriteIsReportedAndAWriteAfterwardsLands) {
    station->handleOperatorCommand(7, 1);
    ASSERT_TRUE(station->eepromImage.present);
    station->eepromImage.bytes[0] ^= 0x5A;  // the image differs from the monitor's, as another monitor's would
    station->eepromImage.bytes[kEepromImageSize - 1] ^= 0x5A;
    const auto stored = sim->monitor().eeprom();

    ui.messages.clear();
    cable().unplugAfterBytes = 9 * 300;
    station->handleOperatorCommand(7, 3);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              "The monitor did not answer after the EEPROM was written (address 564). Write the data again "
              "once it answers.");
    EXPECT_EQ(ui.lastSound, Sound::Error);
    EXPECT_TRUE(logHas("SYS:The monitor did not answer after the EEPROM was written (address 564)."));
    // Only the bytes before the pull reached it; the last area is still the monitor's own.
    EXPECT_EQ(sim->monitor().eeprom()[6655], stored[6655]);

    cable().unplugged = false;
    run(2000);
    ui.messages.clear();
    station->handleOperatorCommand(7, 3);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages[0];
    EXPECT_EQ(sim->monitor().eeprom()[32], station->eepromImage.bytes[0]);
    EXPECT_EQ(sim->monitor().eeprom()[6655], station->eepromImage.bytes[kEepromImageSize - 1]);
}

TEST_F(MonitorFaults, PulledDuringACopyIsNotReportedAsCopied) {
    choose(false, 1, {4});
    calibrate();
    ASSERT_TRUE(ui.notices.completionOpen);
    station->onCompletionOk();
    run(2000);
    ui.messages.clear();
    cable().unplugAfterBytes = 60;
    const int64_t start = scheduler.nowMs();
    // The Copy button, answered "Yes"; the white-only run measured no gamma, so the field gets
    // the one a file would bring.
    page().gammaField.text = "2.20";
    const auto copy = [&] {
        ui.yesAnswer = true;
        page().copyToMonitor();
        ui.yesAnswer = false;
        ASSERT_EQ(ui.messages, std::vector<std::string>{"All color data will be changed. Do you want to copy?"});
        ui.messages.clear();
    };
    copy();
    ASSERT_TRUE(scheduler.runUntil([&] { return !ui.messages.empty(); }, 20 * 60 * 1000));
    EXPECT_LT(scheduler.nowMs() - start, 10 * 60 * 1000);
    EXPECT_EQ(ui.messages.back(),
              "The monitor stopped answering during the copy; it may not hold the calibration data. Check the "
              "cable and copy again.");
    EXPECT_EQ(ui.lastSound, Sound::Error);
    EXPECT_FALSE(scheduler.isArmed(kTimerSequence));
    EXPECT_TRUE(page().controlsEnabled);
    EXPECT_EQ(page().statusText, "Ready..");

    cable().unplugged = false;
    run(3000);
    ui.messages.clear();
    copy();
    ASSERT_TRUE(scheduler.runUntil([&] { return !ui.messages.empty(); }, 20 * 60 * 1000));
    EXPECT_EQ(ui.messages.back(), "Calibration data is copied successfully.\n Please restart monitor.");
}

using UniformityFaults = test::UniformityFixture;

TEST_F(UniformityFaults, PulledBetweenPlacesRefusesThePressAndTheWalkResumesThere) {
    // The walk waits for the operator between places, with no task running: the pull shows at
    // the next press, which names the monitor and starts nothing.
    connectAs("TXM-600 V1.00", 0x80);
    ASSERT_TRUE(press());
    ASSERT_TRUE(press());
    ASSERT_TRUE(walk().awaitingOperator());
    const int resume = station->engine().uniformityResumeCount;
    const auto eeprom = sim->monitor().eeprom();
    sim->monitor().faults().unplugged = true;
    run(10000);
    EXPECT_FALSE(station->links().monitorAlive());
    station->onClearLog();
    page().onAutoCalibration();
    run(5000);
    EXPECT_EQ(station->log().text(), "SYS:Monitor is not connected.\n");
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_EQ(station->engine().uniformityResumeCount, resume) << "the places measured are kept";
    EXPECT_EQ(sim->monitor().eeprom(), eeprom);

    sim->monitor().faults().unplugged = false;
    run(3000);
    ASSERT_TRUE(walkToTheEnd());
    EXPECT_EQ(walk().completedRuns, 1);
    EXPECT_EQ(presses, 9) << "no place is measured twice";
}

}  // namespace
}  // namespace halvo
