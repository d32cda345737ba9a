// Operator commands, link checks, notices and the completion countdown.

#include "app/station_fixture.h"
#include "common/file_io.h"

namespace halvo {
namespace {

using Commands = test::StationFixture;

TEST_F(Commands, PatternAndEepromSaveCommandsSendTheirFrames) {
    init();
    connect();
    station->onContinuouslyToggled(false);
    run(2000);
    sim->monitor().recordFrames(true);
    station->handleOperatorCommand(3, 2);
    station->handleOperatorCommand(4, 255);
    station->handleOperatorCommand(3, 7);
    std::vector<std::string> frames;
    for (const std::string& f : monitorFrames()) {
        if (f != "F1 9B") {
            frames.push_back(f);
        }
    }
    EXPECT_EQ(frames, (std::vector<std::string>{"F5 88 00 FE 05 0A", "F5 88 00 FE 08 03", "F5 88 00 FE 04 FF",
                                                "F5 88 00 FE 0C 01"}));
    EXPECT_NE(station->log().text().find("SYS:Draw target marker\nSYS:Draw custom pattern(3)\n"), std::string::npos);
    EXPECT_NE(station->log().text().find("SYS:Save eeprom\n"), std::string::npos);
    EXPECT_TRUE(sim->monitor().processingBypassed());
}

TEST_F(Commands, PostedCommandsRunInOrderAfterTheCurrentStep) {
    init();
    connect();
    station->onContinuouslyToggled(false);
    run(2000);
    sim->monitor().recordFrames(true);
    station->postOperatorCommand(3, 7);
    station->postOperatorCommand(3, 6);
    EXPECT_TRUE(monitorFrames().empty());
    run(10);
    std::vector<std::string> frames;
    for (const std::string& f : monitorFrames()) {
        if (f != "F1 9B") {
            frames.push_back(f);
        }
    }
    EXPECT_EQ(frames, (std::vector<std::string>{"F5 88 00 FE 0C 01", "F5 88 00 FE 0C 00"}));
    EXPECT_FALSE(sim->monitor().processingBypassed());
}

TEST_F(Commands, CommandsNeedingLinksAreRefusedWithTheRightMessage) {
    init();
    station->onClearLog();
    station->handleOperatorCommand(3, 4);
    EXPECT_EQ(station->log().text(), "SYS:Monitor is not connected.\n");
    EXPECT_EQ(ui.lastSound, Sound::Error);
    EXPECT_FALSE(ui.soundLooping);
    station->onClearLog();
    station->handleOperatorCommand(10, 1);
    EXPECT_EQ(station->log().text(), "SYS:Monitor&Colormeter is not connected.\n");

    connect();
    run(3000);
    sim->ca().faults().silent = true;
    station->onContinuouslyToggled(true);
    run(8000);
    station->onClearLog();
    EXPECT_FALSE(station->checkLinks());
    EXPECT_EQ(station->log().text(), "SYS:Colorimeter is not connected.\n");
}

TEST_F(Commands, TheCalibrationIdIsSentInFullFormWhenTheMonitorIsAlive) {
    init();
    connect();
    run(2000);
    sim->monitor().recordFrames(true);
    station->onCalIdEnter("NEWID123456");
    EXPECT_EQ(station->window().calId, "NEWID1234");
    EXPECT_EQ(station->calibrationId, "NEWID1234");
    bool sent = false;
    for (const std::string& f : monitorFrames()) {
        sent = sent || f == "FD 88 00 FE 06 4E 45 57 49 44 31 32 33 34 00";
    }
    EXPECT_TRUE(sent);
    EXPECT_NE(station->log().text().find("Changed Monitor ID\n"), std::string::npos);
    run(100);
    EXPECT_EQ(sim->monitor().calibrationId(), "NEWID1234");
}

TEST_F(Commands, EepromCopyReadsConfirmsAndWrites) {
    init();
    connect();
    station->onContinuouslyToggled(false);
    run(2000);
    // Writing before anything was read would wipe the monitor's colour data: refused.
    station->handleOperatorCommand(7, 2);
    EXPECT_FALSE(station->notices().warningOpen);
    EXPECT_EQ(ui.messages.back(), "Read color data from EEPROM first.");

    station->handleOperatorCommand(7, 1);
    EXPECT_TRUE(station->eepromImage.present);
    EXPECT_EQ(station->setup().colorDataCopy.maximum, 1485);
    EXPECT_EQ(station->setup().colorDataCopy.position, 1485);

    station->handleOperatorCommand(7, 2);
    EXPECT_TRUE(station->notices().warningOpen);
    EXPECT_EQ(station->notices().warningSource, "VRL000001      ");
    EXPECT_EQ(station->notices().warningTarget, "VRL000001");
    EXPECT_TRUE(ui.notices.warningOpen);

    sim->monitor().eeprom()[100] ^= 0xFF;
    sim->monitor().recordFrames(true);
    station->onWarningOk();
    EXPECT_FALSE(station->notices().warningOpen);
    run(40000);
    EXPECT_EQ(sim->monitor().eeprom()[100], station->eepromImage.bytes[100 - 32]);
    EXPECT_NE(station->log().text().find("SYS:Write color data to EEPROM\n"), std::string::npos);
}

TEST_F(Commands, CompletionCountsDownFifteenSecondsThenSavesToEeprom) {
    init();
    connect();
    station->onContinuouslyToggled(false);
    run(2000);
    station->setup().audioAlarm.checked = true;
    sim->monitor().recordFrames(true);
    station->calibrationCompleted();
    EXPECT_TRUE(ui.notices.completionOpen);
    EXPECT_EQ(ui.lastSound, Sound::Success);
    EXPECT_TRUE(ui.soundLooping);
    run(1000);
    EXPECT_EQ(ui.notices.countdownText, "15 Sec");
    run(15000);
    EXPECT_EQ(ui.notices.countdownText, "0 Sec");
    EXPECT_FALSE(ui.notices.completionOpen);
    bool saved = false;
    for (const std::string& f : monitorFrames()) {
        saved = saved || f == "F5 88 00 FE 04 FF";
    }
    EXPECT_TRUE(saved);
    EXPECT_GE(ui.soundsStopped, 1);
}

int SaveFrames(const std::vector<std::string>& frames) {
    int n = 0;
    for (const std::string& f : frames) {
        n += f == "F5 88 00 FE 04 FF" ? 1 : 0;
    }
    return n;
}

class Completion : public Commands {
protected:
    // Connected and idle, the monitor's frames recorded from here, and a calibration completed.
    void completeACalibration(bool audioAlarm = false) {
        init();
        connect();
        station->onContinuouslyToggled(false);
        run(2000);
        station->setup().audioAlarm.checked = audioAlarm;
        sim->monitor().recordFrames(true);
        station->calibrationCompleted();
    }
};

TEST_F(Completion, OkSavesAtOnceAndCancelOnlySilencesTheNotice) {
    completeACalibration(true);
    run(3000);
    const int stopped = ui.soundsStopped;
    station->onCompletionCancel();
    EXPECT_FALSE(ui.notices.completionOpen);
    EXPECT_GT(ui.soundsStopped, stopped);
    EXPECT_TRUE(scheduler.isArmed(kTimerCountdown)) << "Cancel leaves the countdown running";
    run(11000);
    EXPECT_EQ(SaveFrames(monitorFrames()), 0);
    run(2000);
    EXPECT_EQ(SaveFrames(monitorFrames()), 1) << "the countdown stores the calibration by itself";

    station->calibrationCompleted();
    run(2000);
    station->onCompletionOk();
    run(100);
    EXPECT_EQ(SaveFrames(monitorFrames()), 2);
    EXPECT_FALSE(scheduler.isArmed(kTimerCountdown));
    run(20000);
    EXPECT_EQ(SaveFrames(monitorFrames()), 2) << "stored once";
}

TEST_F(Completion, AnOkRefusedWhileTheMonitorIsDownLeavesTheCountdownToStoreTheCalibration) {
    completeACalibration();
    sim->monitor().faults().silent = true;
    run(3000);
    ASSERT_FALSE(station->links().monitorAlive());
    station->onClearLog();
    station->onCompletionOk();
    run(10);
    EXPECT_EQ(station->log().text(), "SYS:Monitor is not connected.\n");
    EXPECT_TRUE(scheduler.isArmed(kTimerCountdown));
    sim->monitor().faults().silent = false;
    run(14000);
    EXPECT_TRUE(station->links().monitorAlive());
    EXPECT_EQ(SaveFrames(monitorFrames()), 1);
}

TEST_F(Completion, ADisconnectDuringTheCountdownSaysTheCalibrationWasNotStored) {
    completeACalibration();
    run(5000);
    station->onConnectClicked(false);
    EXPECT_FALSE(scheduler.isArmed(kTimerCountdown));
    EXPECT_FALSE(ui.notices.completionOpen);
    EXPECT_NE(station->log().text().find("SYS:The calibration was not stored in the monitor's EEPROM; the monitor loses it when switched "
                                           "off.\n"), std::string::npos);
    run(20000);
    // Nothing more: neither the save nor a ping loop over the closed links.
    EXPECT_FALSE(scheduler.isArmed(kTimerTrigger));
    EXPECT_EQ(SaveFrames(monitorFrames()), 0);
}

TEST_F(Commands, AReconnectForgetsThePresetAndTheAgingOfTheLastConnection) {
    init();
    connect();
    run(2000);
    Ccalib& page = station->calib();
    page.onWhiteRowSelected(2);
    station->handleOperatorCommand(2, 4);
    station->setup().agingTime.text = "60";
    station->setup().measurePeriod.text = "1";
    station->setup().onAgingStart();
    run(3000);
    ASSERT_EQ(station->task().CalibrationState, kTaskAging);
    ASSERT_EQ(station->setup().agingButtonText, "Stop");

    station->onConnectClicked(false);
    EXPECT_EQ(station->setup().agingButtonText, "Start");
    connect();
    run(2000);
    station->onClearLog();
    station->handleOperatorCommand(2, 4);
    EXPECT_NE(station->log().text().find("Set color temperature(6500)\n"), std::string::npos)
        << "another monitor may have another preset selected";
    station->setup().onAgingStart();
    run(100);
    EXPECT_EQ(station->task().CalibrationState, kTaskAging) << "Start starts";
    EXPECT_EQ(station->setup().agingButtonText, "Stop");
}

TEST_F(Commands, FailureReturnsTheMonitorToNormalAndTheStationToIdle) {
    init();
    connect();
    run(2000);
    station->task().CalibrationState = kTaskGamma;
    station->calib().running = true;
    sim->monitor().recordFrames(true);
    station->calibrationFailed();
    EXPECT_TRUE(ui.notices.failureOpen);
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_FALSE(station->calib().running);
    EXPECT_EQ(station->calib().statusText, "Ready..");
    EXPECT_NE(station->log().text().find("SYS:Calibration execution(0)\nSYS:Calibration failed\n"),
              std::string::npos);
    station->onFailureOk();
    EXPECT_FALSE(ui.notices.failureOpen);
}

TEST_F(Commands, ATaskWithoutAProcedureIsReportedAndTheCycleGoesOn) {
    init();
    connect();
    run(3000);
    station->task().CalibrationState = 99;  // a code no procedure answers to
    run(3000);
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_NE(station->log().text().find("SYS:Unknown task 99.\n"), std::string::npos) << station->log().text();
    int readings = 0;
    station->readingObserver = [&] { ++readings; };
    run(3000);
    EXPECT_GT(readings, 0);
}

TEST_F(Commands, CommandsNoPageSendsAreNamedUnknown) {
    init();
    station->onClearLog();
    station->handleOperatorCommand(6, 1);
    station->handleOperatorCommand(2, 99);
    station->handleOperatorCommand(8, 5);
    station->handleOperatorCommand(1, 9);
    EXPECT_EQ(station->log().text(),
              "SYS:Unknown command (6, 1).\nSYS:Unknown command (2, 99).\nSYS:Unknown command (8, 5).\n"
              "SYS:Unknown command (1, 9).\n");
}

TEST_F(Commands, SavingTheLogWritesCrLfLinesUnderTheChosenName) {
    init();
    connect();
    run(1000);
    ui.savePath = directory + "/station.log";
    station->onSaveLog();
    std::string saved;
    ASSERT_TRUE(ReadWholeFile(directory + "/station.log", saved, nullptr));
    EXPECT_EQ(saved.rfind("SYS:Tintara- V9.9\r\nSYS:Change Monitor's Serial Mode\r\n", 0), 0u);
}

}  // namespace
}  // namespace halvo
