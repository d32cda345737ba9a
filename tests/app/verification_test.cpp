// The Measure page's verification run on the simulated station: starts and refusals, the steps
// of each kind, colour spaces, uniformity by the operator and by the jig, stop.

#include <algorithm>

#include "app/station_fixture.h"
#include "common/file_io.h"
#include "common/station_settings.h"
#include "reports/report_export.h"
#include "support/recording_sink.h"

namespace halvo {
namespace {

class Verification : public test::StationFixture {
protected:
    void ready() {
        init();
        connect();
        station->onContinuouslyToggled(false);
        run(1000);
    }
    CMeasure& page() { return station->measure(); }
    // Only the kinds given checked.
    void choose(bool gamma, bool color, bool temperature, bool uniformity) {
        page().onKindToggled(kKindGamma, gamma);
        page().onKindToggled(kKindColor, color);
        page().onKindToggled(kKindTemperature, temperature);
        page().onKindToggled(kKindUniformity, uniformity);
    }
    void chooseSpaces(std::initializer_list<int> spaces) {
        page().onColorSpaceToggled(true);
        for (int cs = 0; cs < kMeasureSpaceCount; ++cs) {
            page().onColorSpaceBoxToggled(cs, std::find(spaces.begin(), spaces.end(), cs) != spaces.end());
        }
    }
    // Runs until the run is over (or hands over to the operator); false when it did not end.
    bool finish(int64_t maxMs = 3600000) {
        return scheduler.runUntil(
            [this] { return station->task().CalibrationState == kTaskIdle; }, maxMs);
    }
    std::vector<std::string> framesExceptPolls() {
        std::vector<std::string> out;
        for (const std::string& f : monitorFrames()) {
            if (f != "F1 9B" && f.rfind("F4 89", 0) != 0) {
                out.push_back(f);
            }
        }
        return out;
    }
    const ColorSpaceResults& results(int cs) { return station->measurementResults.spaces[static_cast<size_t>(cs)]; }
    bool logHas(const std::string& text) { return station->log().text().find(text) != std::string::npos; }
    // A monitor of the first model (not the TXM-600-HD-S): no JUDD-OFFSET preset.
    void firstModel() { sim->monitor().config().versionText = "TXM-300 V2.10"; }
};

TEST_F(Verification, ADefaultRunMeasuresGammaColoursAndTemperatures) {
    firstModel();
    ready();
    ASSERT_TRUE(station->startOrStopMeasurement());
    EXPECT_EQ(station->task().progressTotal, 26);
    EXPECT_EQ(station->task().CalibrationState, 1);
    EXPECT_EQ(page().startButtonText, "Stop");
    EXPECT_FALSE(page().usable(MeasureControl::Kinds));
    ASSERT_TRUE(finish());
    EXPECT_FALSE(page().running);
    EXPECT_EQ(page().startButtonText, "Measure");
    EXPECT_TRUE(page().usable(MeasureControl::Save));
    EXPECT_EQ(page().progressText, "100%");

    const ColorSpaceResults& r = results(0);
    for (int k = 0; k <= 10; ++k) {
        EXPECT_GT(r.gamma[static_cast<size_t>(k)].lv, 0.0) << k;
    }
    EXPECT_LT(r.gamma[0].lv, r.gamma[5].lv);
    EXPECT_LT(r.gamma[5].lv, r.gamma[10].lv);
    EXPECT_GT(r.gammaValue, 1.5);
    for (int slot = 1; slot <= 8; ++slot) {
        EXPECT_GT(r.colors[static_cast<size_t>(slot)].lv, 0.0) << slot;
    }
    EXPECT_GT(r.colors[3].x, 0.6);  // red
    EXPECT_GT(r.colors[4].y, 0.6);  // green
    EXPECT_LT(r.colors[5].y, 0.1);  // blue
    for (int t = 0; t < 5; ++t) {
        EXPECT_GT(r.temperatures[static_cast<size_t>(t)].lv, 0.0) << t;
    }
    EXPECT_LT(r.temperatures[0].cct, r.temperatures[4].cct);
    EXPECT_EQ(page().resultTexts[0][kResultGamma].rfind("\u0433= ", 0), 0u);
    EXPECT_EQ(page().resultTexts[0][9].rfind("x:0.", 0), 0u);
    EXPECT_EQ(page().chart[0].gamma.size(), 11u);
    EXPECT_EQ(page().chart[0].chroma.size(), 14u);
    EXPECT_EQ(page().resultList.rows.size(), 14u);
    EXPECT_TRUE(logHas("MES: Draw pattern(255,255,255)\n"));
    EXPECT_TRUE(logHas("MES: Set color temperature(11000)\n"));
    EXPECT_TRUE(logHas("SYS:Calibration execution(0)\n") || logHas("MES: Calibration execution(0)\n"));
}

}  // namespace
}  // namespace halvo
namespace halvo {
namespace {

TEST_F(Verification, TheProgressTotalFollowsTheChosenKindsAndColourSpaces) {
    firstModel();
    ready();
    struct Case {
        const char* what;
        std::function<void()> choose;
        int total;
    };
    const std::vector<Case> cases = {
        {"three colour spaces", [&] { chooseSpaces({0, 2, 3}); }, 3 * (12 + 9 + 4) + 3 * 2},
        {"gamma and uniformity", [&] {
             page().onColorSpaceToggled(false);
             choose(true, false, false, true);
         }, 12},
        {"uniformity alone", [&] { choose(false, false, false, true); }, 1},
        {"colour temperature alone", [&] { choose(false, false, true, false); }, 5},
    };
    for (const Case& c : cases) {
        c.choose();
        ASSERT_TRUE(station->startOrStopMeasurement()) << c.what;
        EXPECT_EQ(station->task().progressTotal, c.total) << c.what;
        station->onClearLog();
        EXPECT_FALSE(station->startOrStopMeasurement()) << c.what;
        EXPECT_EQ(station->log().text(), "SYS:Calibration execution(0)\nSYS:Measure stopped by user.\n") << c.what;
        EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
        EXPECT_EQ(page().startButtonText, "Measure");
        run(500);
    }
}

TEST_F(Verification, TheSecondModelAddsItsRepeatedBt709Run) {
    ready();  // the simulated monitor is a TXM-600-HD-S
    chooseSpaces({1, 4});
    choose(true, true, true, false);
    ASSERT_TRUE(station->startOrStopMeasurement());
    EXPECT_EQ(station->task().progressTotal, 2 * (12 + 9 + 4) + 3 * 1 + 12);
}

TEST_F(Verification, RefusedStartsSayWhyAndLeaveTheStationPolling) {
    init();
    station->onClearLog();
    EXPECT_FALSE(station->startOrStopMeasurement());
    EXPECT_EQ(station->log().text(), "SYS:Monitor&Colormeter is not connected.\n");

    connect();
    station->onContinuouslyToggled(false);
    run(1000);
    const auto refused = [&](const std::function<void()>& setUp, const std::string& log) {
        setUp();
        station->onClearLog();
        EXPECT_FALSE(station->startOrStopMeasurement()) << log;
        const std::string text = station->log().text();
        EXPECT_NE(text.find(log), std::string::npos) << text;
        EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
        EXPECT_FALSE(page().running);
        EXPECT_TRUE(page().usable(MeasureControl::Kinds));
        EXPECT_TRUE(station->window().continuouslyEnabled);
        // The idle poll goes on.
        const size_t before = sim->monitor().framesHandled();
        run(2000);
        EXPECT_GT(sim->monitor().framesHandled(), before) << log;
    };
    refused([&] { choose(false, false, false, false); }, "Not checked any measurement taget.\n");
    refused([&] { chooseSpaces({0, 1}); },
            "Only color space is checked!!\nSYS:Color space measurement should do with Gamma, Color, Color "
            "Temperature or Uniformity.\n");
    refused([&] {
        choose(true, false, false, false);
        chooseSpaces({});
    }, "SYS:Check the color spcae target first.\n");
    refused([&] {
        page().onColorSpaceToggled(false);
        station->handleOperatorCommand(1, 2);  // "Position": the marker moves to "Left Middle"
    }, "Not checked the uniformity.\n");
    EXPECT_EQ(station->task().positionIndex, 1);
    EXPECT_EQ(station->window().probePosition, 2);
}

TEST_F(Verification, AnUnsupportedModelIsRefusedWithAMessage) {
    sim->monitor().config().capability = 0x75;
    ready();
    EXPECT_FALSE(station->startOrStopMeasurement());
    EXPECT_EQ(ui.messages, std::vector<std::string>{"This program dosen't support this monitor model"});
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
}

TEST_F(Verification, StopWorksEvenWhenTheMonitorStoppedAnswering) {
    ready();
    ASSERT_TRUE(station->startOrStopMeasurement());
    run(20000);
    EXPECT_EQ(station->task().CalibrationState, 1);
    sim->monitor().faults().silent = true;
    run(30000);
    EXPECT_FALSE(station->links().monitorAlive());
    sim->monitor().recordFrames(true);
    EXPECT_FALSE(station->startOrStopMeasurement());
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_FALSE(page().running);
    EXPECT_TRUE(logHas("Measure stopped by user.\n"));
    EXPECT_EQ(framesExceptPolls(), std::vector<std::string>{"F5 88 00 FE 11 00"});
}

TEST_F(Verification, TheGammaRunDrawsElevenGreyLevelsAndFitsTheUpperSix) {
    firstModel();
    ready();
    choose(true, false, false, false);
    sim->monitor().recordFrames(true);
    ASSERT_TRUE(station->startOrStopMeasurement());
    ASSERT_TRUE(finish());
    std::vector<std::string> patterns;
    for (const std::string& f : framesExceptPolls()) {
        if (f.rfind("F7 88 00 FE 00", 0) == 0) {
            patterns.push_back(f.substr(15));
        }
    }
    EXPECT_EQ(patterns, (std::vector<std::string>{"00 00 00", "1A 1A 1A", "33 33 33", "4D 4D 4D", "66 66 66",
                                                  "80 80 80", "99 99 99", "B3 B3 B3", "CC CC CC", "E6 E6 E6",
                                                  "FF FF FF"}));
    // The monitor's 6500 K preset, set before black; the Pause and the marker at the centre
    // come first, the execution mode is left at the end.
    const std::vector<std::string> frames = framesExceptPolls();
    ASSERT_GE(frames.size(), 4u);
    EXPECT_EQ(frames[0], "F3 EE 00 01");
    EXPECT_EQ(frames[1], "F5 88 00 FE 05 00");
    EXPECT_EQ(frames[2], "F6 88 00 FE 01 64 19");
    EXPECT_EQ(frames.back(), "F5 88 00 FE 11 00");
    const std::vector<ChartPoint>& points = page().chart[0].gamma;
    ASSERT_EQ(points.size(), 11u);
    EXPECT_EQ(points[1].level, 26);
    EXPECT_EQ(points[10].level, 255);
    const double g = results(0).gammaValue;
    EXPECT_DOUBLE_EQ(g, fitChartGamma(points).g);
    EXPECT_EQ(page().resultTexts[0][kResultGamma], FormatGammaResult(g));
    EXPECT_EQ(page().resultList.rows.size(), 1u);
}

TEST_F(Verification, TheColourPatchesComeInOrderAndTheSecondWhiteCounts) {
    firstModel();
    ready();
    choose(false, true, false, false);
    sim->monitor().recordFrames(true);
    std::vector<ColorReading> readings;
    station->readingObserver = [&] {
        if (station->task().CalibrationState == 2 && station->task().stepCounter > 0) {
            readings.push_back(station->currentReading);
        }
    };
    ASSERT_TRUE(station->startOrStopMeasurement());
    ASSERT_TRUE(finish());
    std::vector<std::string> patterns;
    for (const std::string& f : framesExceptPolls()) {
        if (f.rfind("F7 88 00 FE 00", 0) == 0) {
            patterns.push_back(f.substr(15));
        }
    }
    EXPECT_EQ(patterns, (std::vector<std::string>{"00 00 00", "FF FF FF", "FF FF FF", "FF 00 00", "00 FF 00",
                                                  "00 00 FF", "FF FF 00", "FF 00 FF", "00 FF FF"}));
    ASSERT_EQ(readings.size(), 9u);
    EXPECT_DOUBLE_EQ(results(0).colors[kResultWhite].lv, readings[2].lv);
    EXPECT_DOUBLE_EQ(results(0).colors[kResultBlack].lv, readings[0].lv);
    EXPECT_EQ(page().chart[0].chroma.size(), 9u);
    EXPECT_TRUE(page().chart[0].colorPoints);
    EXPECT_EQ(page().chartKind(), kChartXy);
}

TEST_F(Verification, EachKindWalksTheColourSpacesOfTheList) {
    firstModel();
    ready();
    chooseSpaces({1, 4});
    choose(true, true, true, false);
    sim->monitor().recordFrames(true);
    ASSERT_TRUE(station->startOrStopMeasurement());
    ASSERT_TRUE(finish());
    std::vector<std::string> spaces;
    for (const std::string& f : framesExceptPolls()) {
        if (f.rfind("F5 88 00 FE 21", 0) == 0) {
            spaces.push_back(f.substr(15));
        }
    }
    EXPECT_EQ(spaces, (std::vector<std::string>{"01", "04", "01", "04", "01", "04"}));
    EXPECT_FALSE(logHas("Set color temperature(11000)"));
    for (const int cs : {1, 4}) {
        EXPECT_GT(results(cs).gammaValue, 0.0) << cs;
        EXPECT_GT(results(cs).colors[8].lv, 0.0) << cs;
        EXPECT_GT(results(cs).temperatures[3].lv, 0.0) << cs;
        EXPECT_LT(results(cs).temperatures[4].lv, 0.0) << cs;
        EXPECT_NE(page().resultTexts[static_cast<size_t>(cs)][kResultBlack], " ") << cs;
    }
    EXPECT_LT(results(0).gammaValue, 0.0);
    EXPECT_EQ(page().resultTexts[0][kResultBlack], " ");
    // The list of a colour space has no "11000k" row in colour-space mode.
    page().onColorSpaceSelected(4);
    EXPECT_EQ(page().resultList.rows.size(), 13u);
    EXPECT_EQ(page().resultList.rows.back().cells[0], "9300k");
}

TEST_F(Verification, TheSecondModelsRepeatedBt709RunIsKeptApart) {
    ready();
    chooseSpaces({1});
    choose(true, false, false, false);
    ASSERT_TRUE(station->startOrStopMeasurement());
    EXPECT_EQ(station->task().progressTotal, 24);
    ASSERT_TRUE(finish());
    const ColorSpaceResults& r = results(1);
    EXPECT_GT(r.gammaValue, 0.0);
    EXPECT_GT(r.repeatedGammaValue, 0.0);
    EXPECT_GT(r.repeatedGamma[10].lv, 0.0);
    EXPECT_TRUE(logHas("MES: Set color temperature(7000)\n"));
    // The first run's gamma stands in the list; the chart holds the first run alone.
    EXPECT_EQ(page().resultTexts[1][kResultGamma], FormatGammaResult(r.gammaValue));
    EXPECT_EQ(page().chart[1].gamma.size(), 11u);
    EXPECT_FALSE(page().resultsFrozen);
}

}  // namespace
}  // namespace halvo
namespace halvo {
namespace {

TEST_F(Verification, UniformityByTheOperatorMeasuresOnePositionPerPress) {
    firstModel();
    ready();
    choose(false, false, false, true);
    for (int position = 0; position < kPositionCount; ++position) {
        ASSERT_TRUE(station->startOrStopMeasurement()) << position;
        EXPECT_EQ(station->task().progressTotal, 1);
        ASSERT_TRUE(finish(60000)) << position;
        EXPECT_GT(page().uniformityLv[static_cast<size_t>(position)], 0.0) << position;
        if (position < 8) {
            // Between positions only "Measure" and "Position" are offered.
            EXPECT_TRUE(page().running);
            EXPECT_TRUE(page().usable(MeasureControl::Position));
            EXPECT_TRUE(page().usable(MeasureControl::Start));
            EXPECT_FALSE(page().usable(MeasureControl::Kinds));
            EXPECT_EQ(station->task().positionIndex, position + 1);
            EXPECT_EQ(sim->monitor().markerCode(), position + 1);
            EXPECT_TRUE(logHas(std::string("SYS:") + PositionName(position + 1) +
                               "\nSYS:Move the probe to the indicated location, and then click the Measure button\n"));
        }
    }
    EXPECT_FALSE(page().running);
    EXPECT_TRUE(page().usable(MeasureControl::Kinds));
    EXPECT_EQ(station->task().positionIndex, 0);
    // The probe followed the marker: the corners are darker than the centre.
    const auto& lv = page().uniformityLv;
    EXPECT_LT(lv[2], lv[0]);
    const double percent = UniformityPercentage(lv, 9, true);  // a TXM monitor: relative to the peak
    EXPECT_DOUBLE_EQ(page().uniformityPercent, percent);
    EXPECT_DOUBLE_EQ(station->measurementResults.uniformityPercent, percent);
    EXPECT_GT(percent, 5.0);
    EXPECT_EQ(page().resultTexts[0][kResultUniformity], FormatUniformityPercent(percent));
    // Every position's reading stayed in the report values.
    for (int p = 0; p < kPositionCount; ++p) {
        EXPECT_DOUBLE_EQ(results(0).positions[static_cast<size_t>(p)].lv, lv[static_cast<size_t>(p)]) << p;
    }
}

TEST_F(Verification, AfterTheOtherKindsUniformityWaitsForTheOperator) {
    firstModel();
    ready();
    choose(true, false, false, true);
    ASSERT_TRUE(station->startOrStopMeasurement());
    ASSERT_TRUE(finish());
    EXPECT_TRUE(logHas("MES: Start the uniformity measurement\n"
                       "MES: Move the probe to the indicated location, and then click the Measure button \n"));
    EXPECT_TRUE(station->measurement().uniformityPending());
    EXPECT_TRUE(page().usable(MeasureControl::Position));
    const double gamma = results(0).gammaValue;
    ASSERT_GT(gamma, 0.0);
    run(60000);  // the operator takes his time; the station only polls
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);

    ASSERT_TRUE(station->startOrStopMeasurement());
    EXPECT_EQ(station->task().CalibrationState, 4);
    ASSERT_TRUE(finish(60000));
    EXPECT_GT(page().uniformityLv[0], 0.0);
    EXPECT_EQ(station->task().positionIndex, 1);
    // Measuring uniformity kept what the run measured before.
    EXPECT_DOUBLE_EQ(results(0).gammaValue, gamma);
    EXPECT_NE(page().resultTexts[0][kResultGamma], " ");
    // "Clear" during the uniformity positions keeps the report values too.
    station->task().CalibrationState = 4;
    station->handleOperatorCommand(1, 4);
    EXPECT_DOUBLE_EQ(results(0).gammaValue, gamma);
    station->task().CalibrationState = kTaskIdle;
    station->handleOperatorCommand(1, 4);
    EXPECT_LT(results(0).gammaValue, 0.0);
}

TEST_F(Verification, AutoJigWaitsUntilTheJigReportsTheProbeInPlace) {
    firstModel();
    ready();
    station->attachJig([this] { return sim->jigReady(); });
    ASSERT_TRUE(page().usable(MeasureControl::AutoJig));
    choose(false, false, false, true);
    page().onAutoJigToggled(true);
    sim->holdJig(true);
    ASSERT_TRUE(station->startOrStopMeasurement());
    EXPECT_EQ(station->task().progressTotal, 9);
    run(120000);
    EXPECT_EQ(station->task().CalibrationState, 4);
    EXPECT_EQ(page().uniformityLv, (std::array<double, kPositionCount>{}));

    sim->holdJig(false);
    ASSERT_TRUE(finish(300000));
    for (double lv : page().uniformityLv) {
        EXPECT_GT(lv, 0.0);
    }
    EXPECT_FALSE(page().running);
    EXPECT_EQ(station->task().positionIndex, 0);
    // Each position was measured only after the jig had carried the probe there.
    EXPECT_LT(page().uniformityLv[2], page().uniformityLv[0]);
}

TEST_F(Verification, MeasurementAfterCalibrationStartsTheVerification) {
    ready();
    station->setup().measurementAfterCalibration.checked = true;
    station->task().CalibrationState = kTaskWhitePoint;  // the last procedure hands over
    station->calibrationCompleted();
    EXPECT_EQ(station->window().selectedTab, kTabMeasure);
    EXPECT_EQ(station->task().CalibrationState, 1);
    EXPECT_TRUE(page().running);
    EXPECT_TRUE(logHas("Save eeprom\n"));
    EXPECT_FALSE(station->notices().completionOpen);
}

TEST_F(Verification, AnUncalibratedMonitorFailsWhereItShould) {
    ready();
    chooseSpaces({0, 1, 5});
    ASSERT_TRUE(station->startOrStopMeasurement());
    ASSERT_TRUE(finish());
    ReportSources sources{page(), station->measurementResults, {}, "", station->calib().whiteList, "", nullptr};
    const ReportBook book = BuildReportFor(sources);
    const auto verdict = [&](const std::string& test, const std::string& item, const std::string& quantity) {
        for (const VerdictLine& v : book.verdicts) {
            if (v.test == test && v.item == item && v.quantity == quantity) {
                return v.verdict;
            }
        }
        ADD_FAILURE() << test << " " << item << " " << quantity;
        return Verdict::NotMeasured;
    };
    // The factory presets are far brighter than 100 cd/m2 and a few thousandths off their whites.
    for (const char* white : {"3200K", "6500K", "JUDD-OFFSET", "9300K"}) {
        EXPECT_EQ(verdict("Luminance of White", white, "Lv"), Verdict::OutOfRange) << white;
    }
    EXPECT_EQ(verdict("Color Temperature", "6500K", "\u0394u'"), Verdict::OutOfRange);
    EXPECT_EQ(verdict("Color Temperature", "6500K", "\u0394v'"), Verdict::OutOfRange);
    // The wide-gamut panel shows its native primaries in BT.709 too.
    EXPECT_EQ(verdict("Primary Colors", "BT-709", "\u0394u' r"), Verdict::OutOfRange);
    EXPECT_EQ(verdict("Primary Colors", "BT-709", "gamut(%)"), Verdict::OutOfRange);
    EXPECT_EQ(verdict("Gamma", "D-CINEMA", "Black~White"), Verdict::OutOfRange);
    // What it passes or was not asked.
    EXPECT_EQ(verdict("Luminance of Black", "", "Black Level"), Verdict::Ok);
    EXPECT_EQ(verdict("Primary Colors", "Native", "gamut(%)"), Verdict::Ok);
    EXPECT_EQ(verdict("Primary Colors", "NTSC", "gamut(%)"), Verdict::NotMeasured);
    EXPECT_EQ(verdict("Gamma", "EBU", "Black~White"), Verdict::NotMeasured);
    EXPECT_EQ(verdict("Uniformity", "", ""), Verdict::NotMeasured);
    EXPECT_TRUE(book.anyOutOfRange());
    EXPECT_EQ(book.sheets.size(), 4u);
}

}  // namespace
}  // namespace halvo
namespace halvo {
namespace {

TEST_F(Verification, SaveAsWritesTheChosenFormAndSaysWhenItCannot) {
    firstModel();
    ready();
    chooseSpaces({1, 4});
    choose(true, false, false, false);
    ASSERT_TRUE(station->startOrStopMeasurement());
    ASSERT_TRUE(finish());
    page().onColorSpaceSelected(4);

    ui.savePath = directory + "/report.xls";
    station->handleOperatorCommand(1, 3);
    EXPECT_TRUE(std::filesystem::exists(directory + "/report.xlsx"));
    EXPECT_TRUE(ui.messages.empty());
    // Afterwards the page shows the first colour space again.
    EXPECT_EQ(page().displayedColorSpace(), 0);

    ui.savePath = directory + "/report.txt";
    station->handleOperatorCommand(1, 3);
    std::string text;
    std::string error;
    ASSERT_TRUE(ReadWholeFile(directory + "/report.txt", text, &error));
    EXPECT_NE(text.find("ColorSpace : BT.709\r\nGamma\t\u0433= "), std::string::npos) << text;
    EXPECT_NE(text.find("ColorSpace : NTSC\r\n"), std::string::npos);

    // A cancelled dialog writes nothing and says nothing; a failed write says why.
    ui.savePath.reset();
    station->handleOperatorCommand(1, 3);
    EXPECT_TRUE(ui.messages.empty());
    ui.savePath = directory + "/missing/report.txt";
    station->handleOperatorCommand(1, 3);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.lastSound, Sound::Error);
    EXPECT_FALSE(std::filesystem::exists(directory + "/missing"));
}

TEST_F(Verification, AReconnectToTheNextMonitorStartsItsReportWithNothingMeasured) {
    firstModel();
    ready();
    choose(true, false, false, false);
    ASSERT_TRUE(station->startOrStopMeasurement());
    ASSERT_TRUE(finish());
    ASSERT_GT(results(0).gammaValue, 1.5);

    station->onConnectClicked(false);
    connect();
    station->onCalIdEnter("NEXT00002");
    EXPECT_EQ(results(0).gammaValue, kNotMeasured);
    for (const ColorReading& g : results(0).gamma) {
        EXPECT_EQ(g.lv, kNotMeasured);
    }
    ui.savePath = directory + "/next.txt";
    station->handleOperatorCommand(1, 3);
    std::string text;
    ASSERT_TRUE(ReadWholeFile(directory + "/next.txt", text, nullptr));
    EXPECT_NE(text.find("NEXT00002"), std::string::npos);
    EXPECT_NE(text.find("ColorSpace : Native\r\nGamma\t \r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\u0433="), std::string::npos) << "no gamma of the last monitor";
}

}  // namespace
}  // namespace halvo

namespace halvo {
namespace {

// Keeps what it was asked to lay out instead of drawing it.
class RecordingCertificateWriter : public CertificateWriter {
public:
    bool writePdf(const Certificate& c, const std::string& path, std::string* error) override {
        certificates.push_back(c);
        paths.push_back(path);
        return WriteFileAtomically(path, "%PDF-1.4\n", error);
    }
    std::vector<Certificate> certificates;
    std::vector<std::string> paths;
};

// A first-model monitor verified in BT.709 for gamma and colours.
class CertificateVerification : public Verification {
protected:
    bool verified() {
        firstModel();
        ready();
        chooseSpaces({1});
        choose(true, true, false, false);
        return station->startOrStopMeasurement() && finish();
    }
};

TEST_F(CertificateVerification, SaveAsOffersTheCertificateAndSaysWhenNoneCanBeDrawn) {
    ASSERT_TRUE(verified());
    EXPECT_NE(std::string(kReportFilter).find("|Save Certificate (*.pdf)|*.pdf||"), std::string::npos);

    ui.savePath = directory + "/VRL1.pdf";
    station->handleOperatorCommand(1, 3);
    ASSERT_EQ(ui.messages.size(), 1u) << "a build without the window cannot draw it";
    EXPECT_EQ(ui.messages.back(), "This station cannot draw certificates (it was built without the window).");
    EXPECT_FALSE(std::filesystem::exists(directory + "/VRL1.pdf"));

    RecordingCertificateWriter writer;
    station->certificateWriter = &writer;
    station->stationName = "Bay 3";
    station->setup().serialNumber.text = "SN4711";
    station->handleOperatorCommand(1, 3);
    ASSERT_EQ(writer.certificates.size(), 1u);
    EXPECT_EQ(writer.paths[0], directory + "/VRL1.pdf");
    const Certificate& c = writer.certificates[0];
    EXPECT_EQ(c.model, "TXM-300");
    EXPECT_EQ(c.firmware, "V2.10");
    EXPECT_EQ(c.serialNumber, "SN4711");
    EXPECT_EQ(c.stationName, "Bay 3");
    EXPECT_EQ(c.instrument, station->window().instrumentName);
    EXPECT_FALSE(c.hasBefore) << "no calibration preceded this verification";
    ASSERT_EQ(c.patches.size(), 1u);
    EXPECT_EQ(c.patches[0].colorSpace, 1);
    EXPECT_GT(c.patches[0].meanDeltaE2000, 0.0);
    ui.savePath.reset();
}

TEST_F(CertificateVerification, TheCertificateAndTheRunRecordNameOneStationAndTheInstrumentsSerial) {
    test::RecordingSink sink;
    station->resultsSink = &sink;
    station->stationName = "Bay 3";
    ASSERT_TRUE(verified());
    run(100);  // the run's end is recorded once the step that ended it has returned
    ASSERT_EQ(sink.records.size(), 1u);
    EXPECT_EQ(sink.records[0].station, "Bay 3");
    EXPECT_EQ(station->certificateSources().stationName, "Bay 3");
    EXPECT_EQ(sink.records[0].instrumentSerial, "") << "the CA-210 tells no serial";
    EXPECT_EQ(station->certificateSources().instrumentSerial, "");

    // Without a setting both carry the host name.
    station->stationName.clear();
    EXPECT_EQ(station->certificateSources().stationName, HostName());

    // A PELKO names itself by its device serial, on the certificate as in the record.
    auto& setup = station->setup();
    setup.instrument.selected = static_cast<int>(InstrumentKind::Pelko);
    setup.pelkoDevices.items = {"PK-104233"};
    setup.pelkoDevices.selected = 0;
    EXPECT_EQ(station->instrumentSerial(), "PK-104233");
    EXPECT_EQ(station->certificateSources().instrumentSerial, "PK-104233");
    station->resultsSink = nullptr;
}

TEST_F(CertificateVerification, ACalibrationStartedFromAVerificationPutsThatOneBesideTheNext) {
    ASSERT_TRUE(verified());
    RecordingCertificateWriter writer;
    station->certificateWriter = &writer;

    // The operator calibrates; its last procedure hands over to the verification.
    station->calib().onGammaToggled(true);
    station->handleOperatorCommand(2, 2);
    ASSERT_TRUE(station->calib().running) << station->log().text();
    station->setup().measurementAfterCalibration.checked = true;
    station->task().CalibrationState = kTaskWhitePoint;
    station->calibrationCompleted();
    ASSERT_TRUE(page().running);
    ASSERT_TRUE(finish());

    ui.savePath = directory + "/after.pdf";
    station->handleOperatorCommand(1, 3);
    ASSERT_EQ(writer.certificates.size(), 1u) << (ui.messages.empty() ? "" : ui.messages.back());
    const Certificate& c = writer.certificates[0];
    EXPECT_TRUE(c.hasBefore);
    EXPECT_EQ(c.measuredBefore, c.measuredItems);
    size_t paired = 0;
    for (const CertificateItem& it : c.items) {
        paired += it.inBefore && it.beforeVerdict != Verdict::NotMeasured ? 1 : 0;
    }
    EXPECT_EQ(static_cast<int>(paired), c.measuredItems);

    // Another monitor: what the first one was before its calibration says nothing about it.
    station->calibrationId = "OTHER0001";
    station->handleOperatorCommand(1, 3);
    ASSERT_EQ(writer.certificates.size(), 2u);
    EXPECT_FALSE(writer.certificates[1].hasBefore);
    ui.savePath.reset();
}

}  // namespace
}  // namespace halvo
