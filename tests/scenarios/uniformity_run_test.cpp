// Whole uniformity runs against the simulated monitor on the virtual clock: every method from
// the nine readings to the saved correction, with the non-uniformity before and after as the
// verification computes it; the wire traffic of a position; the table method's refusal; a walk
// resumed after the link was lost.

#include <cstdio>

#include "caldata/log_import.h"
#include "common/file_io.h"

#include "common/text_format.h"
#include "scenarios/uniformity_fixture.h"

namespace halvo {
namespace {

using UniformityRun = test::UniformityFixture;

struct MethodCase {
    const char* name;
    const char* version;
    uint8_t info;
    UniformityMethod method;
    double beforeAtLeast;  // the panel as it leaves the factory
    double afterBelow;     // what the method achieves on it
    int presses;           // one per position
};

void Figures(const char* name, const std::array<double, 10>& before, double beforePercent,
             const std::array<double, 10>& after, double afterPercent) {
    std::printf("[ figures  ] %-12s before %5.2f %% after %5.2f %%  (T-L..B-R before", name, beforePercent,
                afterPercent);
    for (size_t c = 1; c <= 9; ++c) {
        std::printf(" %.1f", before[c]);
    }
    std::printf(" / after");
    for (size_t c = 1; c <= 9; ++c) {
        std::printf(" %.1f", after[c]);
    }
    std::printf(")\n");
}

class EveryMethod : public UniformityRun, public ::testing::WithParamInterface<MethodCase> {};

TEST_P(EveryMethod, CorrectsThePanelAndTheCorrectionSurvivesAPowerCycle) {
    const MethodCase& m = GetParam();
    connectAs(m.version, m.info);
    const std::array<double, 10> before = measureNine();
    const double beforePercent = percent(before);
    EXPECT_GE(beforePercent, m.beforeAtLeast);

    ASSERT_TRUE(walkToTheEnd()) << station->log().text();
    EXPECT_EQ(walk().method, m.method);
    EXPECT_EQ(presses, m.presses);
    EXPECT_FALSE(station->calib().running);
    EXPECT_EQ(station->calib().startButtonText, "Calibrate");
    EXPECT_EQ(station->task().positionIndex, 0);
    EXPECT_EQ(sim->monitor().markerCode(), 0) << "the marker is back at the centre";

    sim->monitor().powerCycle();  // the run saved the correction itself
    const std::array<double, 10> after = measureNine();
    const double afterPercent = percent(after);
    Figures(m.name, before, beforePercent, after, afterPercent);
    EXPECT_LT(afterPercent, m.afterBelow);
    EXPECT_LT(afterPercent, beforePercent);
    if (m.method == UniformityMethod::Shape) {
        // Left top more than 5 below the right middle and the right top: both ramps.
        EXPECT_EQ(count("CAL: U8_3\n"), 1);
    }
}

// Non-uniformity by the verification's formula: relative to the peak for "TXM" models, half
// the spread relative to the mid value for the others (so the same panel reads about half).
INSTANTIATE_TEST_SUITE_P(
    Methods, EveryMethod,
    ::testing::Values(MethodCase{"GammaCurve", "TXM-600-HD-S V1.02", 0x90, UniformityMethod::GammaCurve, 8.0, 5.0, 9},
                      MethodCase{"Linear", "TXM-600 V1.00", 0x80, UniformityMethod::Linear, 8.0, 5.0, 9},
                      MethodCase{"Gradient", "TXM-600 V1.00", 0x00, UniformityMethod::Gradient, 8.0, 5.0, 18},
                      MethodCase{"GradientTxm400", "TXM-400 V2.01", 0x00, UniformityMethod::Gradient, 8.0, 5.0, 18},
                      MethodCase{"Shape", "TXM-600 V1.00", 0x08, UniformityMethod::Shape, 8.0, 5.0, 18},
                      MethodCase{"Table", "VM-170 V1.05", 0x00, UniformityMethod::Table, 4.0, 5.0, 9},
                      MethodCase{"GammaCurveOtherModel", "VM-170 V1.05", 0x94, UniformityMethod::GammaCurve, 4.0, 2.5,
                                 9}),
    [](const ::testing::TestParamInfo<MethodCase>& p) { return std::string(p.param.name); });

// The monitor's frames other than the keep-alive pings and the queries, in hex.
std::vector<sim::SimMonitor::ReceivedFrame> Commands(const sim::SimMonitor& monitor) {
    std::vector<sim::SimMonitor::ReceivedFrame> out;
    for (const auto& f : monitor.receivedFrames()) {
        if (f.bytes.size() >= 2 && f.bytes[1] != 0x9B && f.bytes[1] != 0x89) {
            out.push_back(f);
        }
    }
    return out;
}

TEST_F(UniformityRun, FirstPositionOfTheTableMethodOnTheWireInTheLogAndOnThePage) {
    connectAs("VM-170 V1.05", 0x00);
    sim->monitor().recordFrames(true);
    const size_t logStart = station->log().text().size();
    ASSERT_TRUE(press());
    const auto frames = Commands(sim->monitor());
    std::vector<std::string> hex;
    for (const auto& f : frames) {
        hex.push_back(HexBytes(f.bytes));
    }
    const std::vector<std::string> expected = {
        "F5 88 00 FE 11 01",                  // calibration execution
        "F5 88 00 FE 05 00",                  // the first marker, at the centre
        "F7 88 00 FE 00 FF FF FF",            // full white
        "FA 88 00 FE 13 00 00 00 00 00 00",   // the table packet, correction off
        "F5 88 00 FE 05 0A",                  // marker off for the reading
        "F5 88 00 FE 0C 01",                  // CSC&Gamma bypassed
        "F5 88 00 FE 0A 0E",                  // gamma 2.2
        "F5 88 00 FE 05 01",                  // the marker at the next place, Left Middle
    };
    ASSERT_EQ(hex, expected);
    // The waits, give or take the frames' time on the wire at 9600 baud.
    constexpr double kWireMs = 12.0;
    EXPECT_NEAR(static_cast<double>(frames[3].atMs - frames[2].atMs), 1000.0, kWireMs);
    EXPECT_NEAR(static_cast<double>(frames[4].atMs - frames[3].atMs), 1000.0, kWireMs);
    EXPECT_NEAR(static_cast<double>(frames[6].atMs - frames[5].atMs), 4000.0, kWireMs);

    const std::string log = station->log().text().substr(logStart);
    const std::string reading = Format("Lv:%6.2lf", walk().uniformityLv[5]);
    const size_t at = log.find(reading);
    ASSERT_NE(at, std::string::npos) << log;
    EXPECT_EQ(log.substr(0, log.rfind('\n', at) + 1),
              "CAL: Calibration execution(1)\n"
              "CAL: Draw target marker\n"
              "CAL: Draw pattern(255,255,255)\n"
              "CAL: Send Uniformity = 0,0, 0, (0,0,0,0,0)\n"
              "CAL: Draw target marker\n"
              "CAL: Set CSC&Gamma(1)\n"
              "CAL: Set monitor gamma(14)\n");
    EXPECT_NE(log.find("CAL: Draw target marker\nCAL: Left Middle\n"
                       "CAL: Move the probe to the indicated location, and then click the Calibrate button \n",
                       at),
              std::string::npos);

    // The Center column of the page's row shows the reading; the walk waits for the next press.
    EXPECT_EQ(page().uniformityList.rows[0].cells[4], Format("%6.2lf", walk().uniformityLv[5]));
    EXPECT_EQ(page().uniformityList.rows[0].cells[0], " ");
    EXPECT_TRUE(walk().awaitingOperator());
    EXPECT_EQ(station->engine().uniformityResumeCount, 1);
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_EQ(page().startButtonText, "Calibrate");
    EXPECT_TRUE(page().running);
    EXPECT_EQ(sim->monitor().markerCode(), 1);
    // Progress shows the position's steps against the run's total: 24 more than the checked
    // whites on a monitor with the extended uniformity capability.
    EXPECT_EQ(station->task().progressTotal, 7 + 24);
    EXPECT_EQ(page().statusText, "  9%");
}

TEST_F(UniformityRun, TheLastPositionSendsOnePacketCompletesOnceAndSavesOnce) {
    connectAs("TXM-600 V1.00", 0x80);  // linear
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(press());
    }
    const int packets = count("Send Uniformity =  ");
    sim->monitor().recordFrames(true);
    ASSERT_TRUE(press());
    EXPECT_EQ(walk().completedRuns, 1);
    run(60000);  // no completion notice counts down to a second save
    EXPECT_EQ(count("Send Uniformity =  "), packets + 1);
    EXPECT_EQ(count("Panel Uniformity correction is Completed."), 1);
    EXPECT_EQ(count("Save eeprom"), 1);
    EXPECT_FALSE(ui.notices.completionOpen);
    EXPECT_NE(station->log().text().find("CAL: Save eeprom\nCAL: Draw target marker\n"
                                         "CAL: Move the probe to the indicated location, and then click the "
                                         "Calibration button \n"),
              std::string::npos);
    int saves = 0;
    std::string packet;
    for (const auto& f : Commands(sim->monitor())) {
        const std::string hex = HexBytes(f.bytes);
        saves += hex == "F5 88 00 FE 04 FF" ? 1 : 0;
        if (hex.rfind("FE 88 00 FE 13", 0) == 0) {
            packet = hex;
        }
    }
    EXPECT_EQ(saves, 1);
    const UniformityParams p = LinearParams(walk().uniformityLv);
    std::string expected = "FE 88 00 FE 13 80";
    for (size_t k = 0; k < 9; ++k) {
        expected += Format(" %02X", p[k]);
    }
    EXPECT_EQ(packet, expected + " 00");
    EXPECT_EQ(sim->monitor().savedCalibration().uniformity, sim->monitor().calibration().uniformity);

    // The data set and the .cal: the row as the page shows it, the settings as the packet's log
    // line gives them.
    const UniformitySettings settings = {0x80, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8]};
    EXPECT_EQ(page().data.uniformity, settings);
    const std::string path = directory + "/u.cal";
    ASSERT_TRUE(page().saveFile(path));
    std::string cal;
    ASSERT_TRUE(ReadWholeFile(path, cal, nullptr));
    const auto& row = page().uniformityList.rows[0].cells;
    std::string u = "\r\nU";
    for (const std::string& cell : row) {
        u += "," + cell;
    }
    EXPECT_NE(cal.find(u + "\r\n"), std::string::npos) << cal.substr(0, 400);
    EXPECT_NE(cal.find(Format("\r\nV,128,%d,%d,%d,%d,%d,%d,%d,%d,%d\r\n", p[0], p[1], p[2], p[3], p[4], p[5],
                              p[6], p[7], p[8])),
              std::string::npos);
    EXPECT_EQ(row[4], Format("%6.2lf", walk().uniformityLv[5]));

    // The station's log gives the same row and settings back to a log import.
    const CalFileLoad imported = ImportLog(station->log().text(), "u");
    EXPECT_EQ(imported.data.uniformity, settings);
    EXPECT_EQ(std::vector<std::string>(imported.data.uniformityTexts.begin(), imported.data.uniformityTexts.end()), row);
}

TEST_F(UniformityRun, TheTableMethodRefusesALuminanceOutsideItsWindow) {
    connectAs("VM-170 V1.05", 0x00);
    struct Case {
        const char* offset;
        const char* message;
    } cases[] = {
        {"300", "Back light level is too high. Please decress the Back Light level."},
        {"-100", "Back light level is too low. Please incress the Back Light level."},
    };
    for (const Case& c : cases) {
        station->setup().deviationLv.text = c.offset;
        ui.messages.clear();
        ASSERT_TRUE(press());
        EXPECT_EQ(ui.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(walk().abandonedRuns, &c == cases ? 1 : 2);
        EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
        EXPECT_EQ(station->task().positionIndex, 0);
        EXPECT_EQ(station->engine().uniformityResumeCount, 0);
        EXPECT_FALSE(station->engine().uniformityRunning);
        EXPECT_FALSE(page().running);
        EXPECT_EQ(walk().uniformityLv, CellLuminance{}) << "nothing stored";
        EXPECT_EQ(page().uniformityList.rows[0].cells[4], " ");
        // Stopped as the Stop button would: out of calibration mode, the controls back.
        EXPECT_EQ(count("Calibration execution(0)"), &c == cases ? 1 : 2);
        EXPECT_EQ(page().startButtonText, "Calibrate");
        EXPECT_TRUE(page().controlsEnabled);
    }
    // Back in the window the next press starts over at the centre and the run completes. The
    // readings, now either side of 256 cd/m2, are kept whole: reduced to a byte, the right
    // middle would wrap below the left and the right-minus-left difference of some 11 would read
    // as one of about -245.
    station->setup().deviationLv.text = "60";
    presses = 0;
    ASSERT_TRUE(walkToTheEnd());
    EXPECT_EQ(presses, 9);
    ASSERT_LT(walk().uniformityLv[4], 256.0);
    ASSERT_GT(walk().uniformityLv[6], 256.0);
    EXPECT_EQ(walk().table.h,
              static_cast<int>(walk().uniformityLv[6]) - static_cast<int>(walk().uniformityLv[4]));
    EXPECT_GT(walk().table.h, 0);
    EXPECT_LT(walk().table.h, 20);
    EXPECT_GT(walk().table.c, 0);
}

TEST_F(UniformityRun, OverlayWhiteAndTheGammaCurveOfTheTarget) {
    connectAs("TXM-600 V1.00", 0x01);  // info bit value 1: the overlay form of the pattern
    page().data.targetGamma = 2.35;
    ASSERT_TRUE(press());
    EXPECT_EQ(count("CAL: Draw pattern OL(255,255,255)\n"), 1);
    EXPECT_EQ(count("Draw pattern(255,255,255)"), 0);
    EXPECT_EQ(count("CAL: Set monitor gamma(16)\n"), 1);
    // The gradient method switches the monitor into measuring mode at the first place only.
    ASSERT_TRUE(press());
    EXPECT_EQ(count("Set CSC&Gamma(1)"), 1);
}

TEST_F(UniformityRun, AWalkResumesWhereTheLinkWasLost) {
    connectAs("TXM-600 V1.00", 0x00);  // gradient
    const auto reconnect = [&] {
        station->onConnectClicked(false);
        run(1000);
        connect();
        run(2000);
        EXPECT_EQ(station->task().positionIndex, 0);
        EXPECT_EQ(sim->monitor().markerCode(), 0) << "identification drew the centre";
    };
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(press());
    }
    ASSERT_EQ(station->engine().uniformityResumeCount, 4);
    reconnect();
    // The walk goes on at Right Top: the first press shows the place again, the next measures it.
    ASSERT_TRUE(press());
    EXPECT_EQ(sim->monitor().markerCode(), 4);
    EXPECT_EQ(walk().uniformityLv[3], 0.0);
    EXPECT_EQ(station->engine().uniformityResumeCount, 4);
    ASSERT_TRUE(press());
    EXPECT_EQ(station->task().progressTotal, 4);
    EXPECT_GT(walk().uniformityLv[3], 0.0) << "Right Top measured";
    EXPECT_EQ(walk().uniformityLv[6], 0.0);
    EXPECT_EQ(station->engine().uniformityResumeCount, 5);
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(press());
    }
    ASSERT_EQ(station->engine().uniformityResumeCount, 13);
    reconnect();
    ASSERT_TRUE(press());
    EXPECT_EQ(station->task().progressTotal, 30) << "a resumed refinement position";
    ASSERT_TRUE(walkToTheEnd());
    EXPECT_EQ(presses, 18 + 2);
    sim->monitor().powerCycle();
    const auto after = measureNine();
    EXPECT_LT(percent(after), 5.0) << station->log().text();
}

TEST_F(UniformityRun, AResumePastLeftTopWithoutItsReferenceMeasuresItFirst) {
    connectAs("TXM-600 V1.00", 0x00);
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(press());
    }
    ASSERT_EQ(station->engine().uniformityResumeCount, 12);
    walk().refinement.start(walk().uniformityParams, false, false);  // the reference forgotten
    ASSERT_TRUE(press());
    EXPECT_EQ(station->engine().uniformityResumeCount, 9) << "back to Left Top";
    EXPECT_EQ(sim->monitor().markerCode(), UniformityMarkerCode(9));
    ASSERT_TRUE(press());
    EXPECT_TRUE(walk().refinement.hasReference());
    EXPECT_EQ(station->engine().uniformityResumeCount, 10);
}

TEST_F(UniformityRun, StopDuringAPositionEndsTheWalk) {
    connectAs("TXM-600 V1.00", 0x80);
    ASSERT_TRUE(press());
    page().onAutoCalibration();  // resumes Left Middle ...
    run(1000);
    ASSERT_EQ(station->task().CalibrationState, kTaskModelDependent);
    page().onAutoCalibration();  // ... and stops it while it is measured
    run(100);
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_EQ(station->engine().uniformityResumeCount, 0);
    EXPECT_FALSE(walk().awaitingOperator());
    EXPECT_EQ(count("Calibration stopped by user."), 1);
    // The next press is a new run from the centre.
    const int whites = count("Draw pattern(255,255,255)");
    presses = 0;
    ASSERT_TRUE(walkToTheEnd());
    EXPECT_EQ(presses, 9);
    EXPECT_EQ(count("Draw pattern(255,255,255)"), whites + 1);
}

TEST_F(UniformityRun, AutomaticModeWalksTheRefinementPassWithoutPresses) {
    connectAs("TXM-600 V1.00", 0x00);
    station->measure().autoJigChecked = true;
    station->jigReady = true;
    ASSERT_TRUE(walkToTheEnd());
    EXPECT_EQ(presses, 10) << "nine places and Left Top; the rest follow one another";
}

}  // namespace
}  // namespace halvo
