// Every run leaves one record when it ends, with how it ended: calibrations completed, stopped
// and failed, the verification that follows a calibration, a copy, the EEPROM copies and aging.

#include <string>

#include "common/file_io.h"
#include "scenarios/fault_fixture.h"
#include "support/recording_sink.h"

namespace halvo {
namespace {

using results::RunKind;
using results::RunOutcome;

class RunRecords : public test::FaultFixture {
protected:
    void SetUp() override {
        FaultFixture::SetUp();
        station->resultsSink = &sink;
        station->setup().serialNumber.text = "SN-4711";
        station->setup().testedBy.text = "Ines";
    }
    void TearDown() override {
        if (station) {
            station->resultsSink = nullptr;
        }
        FaultFixture::TearDown();
    }
    const results::RunRecord& only(RunKind kind) {
        EXPECT_EQ(sink.records.size(), 1u);
        if (sink.records.empty()) {
            static const results::RunRecord none;
            return none;
        }
        EXPECT_EQ(sink.records.back().kind, kind);
        return sink.records.back();
    }
    test::RecordingSink sink;
};

TEST_F(RunRecords, ACompletedCalibrationKeepsItsCalFileByteForByteAndWhoDidItOnWhat) {
    choose(false, 1, {2});
    const int64_t took = calibrate();
    ASSERT_TRUE(ui.notices.completionOpen);
    const results::RunRecord& r = only(RunKind::Calibration);
    EXPECT_EQ(r.outcome, RunOutcome::Completed);
    EXPECT_TRUE(r.passed);
    EXPECT_TRUE(r.reason.empty());
    EXPECT_EQ(r.runId.size(), 36u);
    EXPECT_EQ(r.serialNumber, "SN-4711");
    EXPECT_EQ(r.operatorName, "Ines");
    EXPECT_EQ(r.model, "TXM-600-HD-S");
    EXPECT_EQ(r.firmware, station->identity().versionText);
    EXPECT_EQ(r.calibrationId, station->calibrationId);
    EXPECT_EQ(r.instrument, "CA-210");
    EXPECT_NEAR(static_cast<double>(r.stationMs), static_cast<double>(took), 2000.0);
    EXPECT_LE(r.startedAt, r.endedAt);
    ASSERT_TRUE(r.logText);
    EXPECT_NE(r.logText->find("CAL: "), std::string::npos);
    EXPECT_EQ(r.logText->find("Tintara- V"), std::string::npos) << "the connect is not part of the run";
    // The record's .cal is the file the operator saves.
    const std::string path = directory + "/saved.cal";
    ASSERT_TRUE(page().saveFile(path));
    std::string saved;
    ASSERT_TRUE(ReadWholeFile(path, saved, nullptr));
    ASSERT_TRUE(r.calText);
    EXPECT_TRUE(*r.calText == saved) << "the record's .cal differs from the saved file";
    // Accepting the notice stores the data in the EEPROM; that is no run of its own.
    station->onCompletionOk();
    run(5000);
    EXPECT_EQ(sink.records.size(), 1u);
}

TEST_F(RunRecords, AStoppedCalibrationSaysSo) {
    choose(true, 1, {2, 4});
    page().onAutoCalibration();
    run(60000);
    ASSERT_NE(station->task().CalibrationState, kTaskIdle);
    page().onAutoCalibration();
    run(1000);
    const results::RunRecord& r = only(RunKind::Calibration);
    EXPECT_EQ(r.outcome, RunOutcome::Stopped);
    EXPECT_EQ(r.reason, "Calibration stopped by user.");
    EXPECT_FALSE(r.passed);
}

TEST_F(RunRecords, AFailedCalibrationGivesTheReasonTheLogGives) {
    choose(false, 1, {2, 4});
    page().onAutoCalibration();
    ASSERT_TRUE(scheduler.runUntil([&] { return station->task().CalibrationState == kTaskWhitePoint; }, 60000));
    run(10000);
    sim->ca().faults().silent = true;
    scheduler.runUntil([&] { return ui.notices.failureOpen; }, 600000);
    const results::RunRecord& r = only(RunKind::Calibration);
    EXPECT_EQ(r.outcome, RunOutcome::Failed);
    EXPECT_EQ(r.reason, "Colorimeter is not connected.");
    ASSERT_TRUE(r.logText);
    EXPECT_NE(r.logText->find("SYS:Calibration failed\r\n"), std::string::npos);
}

TEST_F(RunRecords, AnAdcRunWithoutSignalIsFailed) {
    sim->monitor().inputs().setSignal(10, false);
    page().onSourceChosen(1);
    run(2000);
    page().onAutoCalibration();
    run(30000);
    const results::RunRecord& r = only(RunKind::Calibration);
    EXPECT_EQ(r.outcome, RunOutcome::Failed);
    EXPECT_EQ(r.reason, "Fail: No input Signal!!");
}

TEST_F(RunRecords, TheVerificationAfterACalibrationFollowsItWithEveryJudgedItem) {
    choose(false, 1, {0, 1, 2, 3, 4, 5, 6});
    station->setup().measurementAfterCalibration.checked = true;
    page().onAutoCalibration();
    ASSERT_TRUE(scheduler.runUntil([&] { return station->measure().running; }, 6 * 3600 * 1000));
    ASSERT_TRUE(scheduler.runUntil([&] { return !station->measure().running; }, 3600 * 1000));
    run(100);
    ASSERT_EQ(sink.records.size(), 2u);
    const results::RunRecord& calibration = sink.records[0];
    const results::RunRecord& verification = sink.records[1];
    EXPECT_EQ(calibration.kind, RunKind::Calibration);
    EXPECT_EQ(verification.kind, RunKind::Verification);
    EXPECT_EQ(verification.outcome, RunOutcome::Completed);
    EXPECT_EQ(verification.parentRunId, calibration.runId);
    EXPECT_FALSE(verification.calText);
    const ReportBook book = BuildReportFor(station->reportSources());
    ASSERT_EQ(verification.items.size(), book.verdicts.size());
    bool outOfRange = false;
    for (size_t i = 0; i < book.verdicts.size(); ++i) {
        EXPECT_EQ(verification.items[i].value, book.verdicts[i].value);
        EXPECT_EQ(verification.items[i].verdict, VerdictText(book.verdicts[i].verdict));
        outOfRange = outOfRange || book.verdicts[i].verdict == Verdict::OutOfRange;
    }
    EXPECT_EQ(verification.items[0].limit, "100cd/\u33A1\u00B120%  (80~120)");
    EXPECT_EQ(verification.passed, !outOfRange);
    ASSERT_TRUE(verification.whiteDuv);
    EXPECT_LT(*verification.whiteDuv, 0.003);
}

TEST_F(RunRecords, AVerificationStoppedOrNeverStartedIsToldApart) {
    CMeasure& measure = station->measure();
    for (int k = 0; k < 4; ++k) {
        measure.kindBoxes[static_cast<size_t>(k)].checked = false;
    }
    EXPECT_FALSE(station->startOrStopMeasurement());
    run(2000);
    EXPECT_TRUE(sink.records.empty()) << "nothing was measured: no run";

    measure.kindBoxes[0].checked = true;
    ASSERT_TRUE(station->startOrStopMeasurement());
    run(20000);
    EXPECT_FALSE(station->startOrStopMeasurement());
    run(1000);
    const results::RunRecord& r = only(RunKind::Verification);
    EXPECT_EQ(r.outcome, RunOutcome::Stopped);
    EXPECT_EQ(r.reason, "Measure stopped by user.");
}

TEST_F(RunRecords, ACopyIsRecordedWithTheDataCopiedAndADisconnectFailsIt) {
    choose(false, 1, {2});
    calibrate();
    station->onCompletionCancel();
    const std::string path = directory + "/copied.cal";
    ASSERT_TRUE(page().saveFile(path));
    std::string saved;
    ASSERT_TRUE(ReadWholeFile(path, saved, nullptr));
    ASSERT_TRUE(page().loadFile(path));
    run(100);
    page().gammaField.text = "2.2";  // no gamma was measured; the copy wants a panel gamma
    ASSERT_TRUE(page().saveFile(path));
    ASSERT_TRUE(ReadWholeFile(path, saved, nullptr));
    sink.records.clear();
    ui.yesAnswer = true;
    page().copyToMonitor();
    ui.yesAnswer = false;
    run(100);
    ASSERT_TRUE(station->engine().upload().running()) << (ui.messages.empty() ? "" : ui.messages.back());
    ASSERT_TRUE(scheduler.runUntil([&] { return !station->engine().upload().running(); }, 3600 * 1000));
    run(100);
    {
        const results::RunRecord& r = only(RunKind::Copy);
        EXPECT_EQ(r.outcome, RunOutcome::Completed);
        ASSERT_TRUE(r.calText);
        EXPECT_TRUE(*r.calText == saved) << "the data copied is the data recorded";
    }
    sink.records.clear();
    ui.yesAnswer = true;
    page().copyToMonitor();
    ui.yesAnswer = false;
    run(8000);
    ASSERT_TRUE(station->engine().upload().running());
    station->onConnectClicked(false);
    const results::RunRecord& r = only(RunKind::Copy);
    EXPECT_EQ(r.outcome, RunOutcome::Failed);
    EXPECT_EQ(r.reason, "Copying stopped: the monitor was disconnected. Copy the data again.");
}

TEST_F(RunRecords, EepromCopiesAreRecordedWithTheirOutcome) {
    station->handleOperatorCommand(7, 1);
    {
        const results::RunRecord& r = only(RunKind::EepromRead);
        EXPECT_EQ(r.outcome, RunOutcome::Completed);
        EXPECT_GT(r.stationMs, 0);
    }
    sink.records.clear();
    station->handleOperatorCommand(7, 3);
    EXPECT_EQ(only(RunKind::EepromWrite).outcome, RunOutcome::Completed);
}

TEST_F(RunRecords, AgingEndsCompletedOnTimeOrStoppedByTheOperator) {
    station->setup().agingTime.text = "1";
    station->setup().measurePeriod.text = "1";
    station->setup().onAgingStart();
    run(10);
    scheduler.runUntil([&] { return station->task().CalibrationState == kTaskIdle; }, 3600 * 1000);
    EXPECT_EQ(only(RunKind::Aging).outcome, RunOutcome::Completed);
    sink.records.clear();
    station->setup().onAgingStart();
    run(20000);
    station->setup().onAgingStart();
    run(1000);
    const results::RunRecord& r = only(RunKind::Aging);
    EXPECT_EQ(r.outcome, RunOutcome::Stopped);
    EXPECT_EQ(r.reason, "Aging stopped by the operator.");
}

TEST_F(RunRecords, ARunCutShortByADisconnectOrTheStationClosingIsStillRecorded) {
    choose(false, 1, {2, 4});
    page().onAutoCalibration();
    run(30000);
    station->onConnectClicked(false);
    EXPECT_EQ(only(RunKind::Calibration).outcome, RunOutcome::Stopped);
    EXPECT_EQ(sink.records.back().reason, "The station was disconnected during the run.");
    sink.records.clear();
    connect();
    run(2000);
    choose(true, 1, {2, 4});
    page().onAutoCalibration();
    run(30000);
    station.reset();
    EXPECT_EQ(only(RunKind::Calibration).reason, "The station was closed during the run.");
}

}  // namespace
}  // namespace halvo
