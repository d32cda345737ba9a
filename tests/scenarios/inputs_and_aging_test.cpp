// The analogue-input calibration, the input-source choice and panel aging on the simulated
// station.

#include "common/file_io.h"
#include "common/text_format.h"
#include "scenarios/calibration_fixture.h"

namespace halvo {
namespace {

using InputsAndAging = test::CalibrationFixture;

std::vector<std::string> SourceFrames(const sim::SimMonitor& monitor) {
    std::vector<std::string> out;
    for (const auto& f : monitor.receivedFrames()) {
        const std::string hex = HexBytes(f.bytes);
        if (hex.rfind("F5 88 00 FE 0E", 0) == 0) {
            out.push_back(hex.substr(15));
        }
    }
    return out;
}

TEST_F(InputsAndAging, TheAdcCalibrationMovesToTheAnalogueInputAndLetsTheMonitorCalibrate) {
    sim::MonitorInputs& inputs = sim->monitor().inputs();
    ASSERT_EQ(inputs.source(), 11);
    page().onSourceChosen(2);  // YPbPr: the page also selects that input (old series: code 7)
    run(2000);
    sim->monitor().recordFrames(true);
    page().onAutoCalibration();
    run(30000);
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_EQ(inputs.source(), 8);
    EXPECT_EQ(inputs.adcRuns(), 1);
    EXPECT_TRUE(inputs.adcCalibrated(8, scheduler.nowMs()));
    const std::string log = station->log().text();
    EXPECT_NE(log.find("CAL: Check input source\nCAL: Change the input source to YPbPr!\nCAL: Set InputSouce(8)\n"),
              std::string::npos);
    EXPECT_NE(log.find("CAL: Draw custom pattern(0)\nCAL: Start Auto Color Calibration\n"), std::string::npos);
    EXPECT_NE(log.find("SYS:ADC Calibration has complited\n"), std::string::npos);
    EXPECT_EQ(page().statusText, "100%");
    EXPECT_EQ(page().startButtonText, "Calibrate");
    // No CalibrationExecution for this path.
    EXPECT_EQ(log.find("Calibration execution(1)"), std::string::npos);
}

TEST_F(InputsAndAging, AnInputAlreadyRightGoesStraightOnAndNoPatternSkipsTheWait) {
    sim::MonitorInputs& inputs = sim->monitor().inputs();
    inputs.selectSource(10);
    inputs.patternAvailable = false;
    page().onSourceChosen(1);  // RGB
    run(2000);
    page().onAutoCalibration();
    run(30000);
    const std::string log = station->log().text();
    EXPECT_EQ(log.find("Changed the input source to RGB!"), std::string::npos);
    EXPECT_EQ(log.find("Draw custom pattern(0)"), std::string::npos);
    EXPECT_EQ(inputs.adcRuns(), 1);
    EXPECT_TRUE(inputs.adcCalibrated(10, scheduler.nowMs()));
}

TEST_F(InputsAndAging, WithoutASignalTheAdcCalibrationStops) {
    sim::MonitorInputs& inputs = sim->monitor().inputs();
    inputs.setSignal(10, false);
    page().onSourceChosen(1);
    run(2000);
    page().onAutoCalibration();
    run(30000);
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_EQ(inputs.adcRuns(), 0);
    EXPECT_NE(station->log().text().find("SYS:Fail: No input Signal!!\n"), std::string::npos);
    EXPECT_FALSE(ui.notices.failureOpen);
    EXPECT_TRUE(page().controlsEnabled);
}

TEST_F(InputsAndAging, TheInputSourceFollowsThePageAndTheModelSeries) {
    struct Case {
        const char* model;
        int pageSource;
        const char* code;
    };
    const Case cases[] = {{"TXM-600-HD-S V1.02", 0, "0B"}, {"TXM-600-HD-S V1.02", 2, "07"},
                          {"KVT-170 V2.0", 0, "0F"},       {"ZRQ-24 V1.1", 2, "08"},
                          {"KVT-170 V2.0", 1, "0A"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        sim->monitor().config().versionText = c.model;
        station->onConnectClicked(false);
        connect();
        run(3000);
        page().onSourceChosen(c.pageSource);
        sim->monitor().recordFrames(true);
        sim->monitor().clearReceivedFrames();
        run(2000);
        EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
        const std::vector<std::string> sent = SourceFrames(sim->monitor());
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.back(), c.code);
    }
}

TEST_F(InputsAndAging, AgingLogsARecordEveryPeriodAndEndsOnTime) {
    station->setup().agingTime.text = "1";
    station->setup().measurePeriod.text = "1";
    station->setup().onAgingStart();
    run(10);
    EXPECT_EQ(station->task().CalibrationState, kTaskAging);
    EXPECT_EQ(station->setup().agingButtonText, "Stop");
    scheduler.runUntil([&] { return station->task().CalibrationState == kTaskIdle; }, 3600 * 1000);
    const auto& records = station->agingLines;
    // One at once, one after sixty further cycles, when the sixty ticks are up.
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].rfind("Time:0  [x:0.", 0), 0u) << records[0];
    EXPECT_EQ(records[1].rfind("Time:1  [x:", 0), 0u);
    EXPECT_NE(station->log().text().find("AGN: Start Aging\n"), std::string::npos);
    EXPECT_NE(station->log().text().find("AGN: " + records[1] + "\n"), std::string::npos);
    EXPECT_EQ(station->setup().agingButtonText, "Start");
    EXPECT_EQ(station->setup().agingProgress.position, 60);
    EXPECT_EQ(station->setup().agingProgress.maximum, 60);

    ui.savePath = directory + "/aging.txt";
    station->handleOperatorCommand(10, 2);
    std::string saved;
    ASSERT_TRUE(ReadWholeFile(directory + "/aging.txt", saved, nullptr));
    EXPECT_EQ(saved, records[0] + "\r\n" + records[1] + "\r\n");
}

TEST_F(InputsAndAging, ALongAgingKeepsItsLatestThousandLines) {
    // Longer than the table holds: a day at one record a minute is 1440 records.
    station->setup().agingTime.text = "1440";
    station->setup().measurePeriod.text = "1";
    station->setup().onAgingStart();
    ASSERT_TRUE(scheduler.runUntil([&] { return !station->agingLines.empty(); }, 60000)) << "the first record";
    ASSERT_EQ(station->agingLines.size(), 1u);
    Aging& aging = station->engine().aging();
    for (int record = 1; record < 1440; ++record) {
        aging.periodCount = 60;  // a period has passed
        aging.agingStep();
    }
    const auto& records = station->agingLines;
    ASSERT_EQ(records.size(), kAgingRecordCapacity);
    EXPECT_EQ(records.front().rfind("Time:440  [", 0), 0u) << records.front();
    EXPECT_EQ(records.back().rfind("Time:1439  [", 0), 0u) << records.back();
    EXPECT_EQ(station->task().CalibrationState, kTaskAging) << "the aging itself goes on";
    EXPECT_NE(station->log().text().find("AGN: Time:0  ["), std::string::npos) << "the log keeps them all";
}

TEST_F(InputsAndAging, AnHourOfAgingLogsTheDriftAndCanStartACalibration) {
    sim->monitor().inputs().drift = sim::DriftConfig::Realistic();
    station->setup().agingTime.text = "60";
    station->setup().measurePeriod.text = "10";
    station->setup().startCalibrationAfterAging.checked = true;
    page().gammaCheck.checked = false;
    for (size_t t = 0; t < station->whiteTargets.size(); ++t) {
        station->whiteTargets[t].chosen = t == 2;
    }
    station->setup().onAgingStart();
    scheduler.runUntil([&] { return station->task().CalibrationState == kTaskWhitePoint; }, 6 * 3600 * 1000);
    const auto& records = station->agingLines;
    ASSERT_GE(records.size(), 6u);
    double first = 0, last = 0;
    std::sscanf(records.front().c_str() + records.front().find("Lv:") + 3, "%lf", &first);
    std::sscanf(records.back().c_str() + records.back().find("Lv:") + 3, "%lf", &last);
    EXPECT_LT(last, first * 0.995);  // the panel has dimmed a little
    EXPECT_EQ(station->window().selectedTab, kTabCalibration);
    scheduler.runUntil([&] { return ui.notices.completionOpen; }, 3600 * 1000);
    EXPECT_TRUE(ui.notices.completionOpen);
}

}  // namespace
}  // namespace halvo
