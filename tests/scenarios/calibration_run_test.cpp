// Whole calibration runs against the simulated monitor on the virtual clock: gamma measurement
// and upload, the white-point search, stop, failure, completion and the EEPROM.

#include <algorithm>
#include <cmath>
#include <string>

#include "common/text_format.h"
#include "scenarios/calibration_fixture.h"

namespace halvo {
namespace {

using CalibrationRun = test::CalibrationFixture;

// The verification's white tolerances, and the simulated CA-210's noise on top of what the search
// left: |du'|, |dv'| <= 0.001 and luminance within 2 % of the target.
constexpr double kWhiteChromaTolerance = 0.001;
constexpr double kWhiteLuminanceTolerance = 0.02;
constexpr double kGammaTolerance = 0.02;

std::vector<std::string> Frames(const sim::SimMonitor& monitor, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& f : monitor.receivedFrames()) {
        const std::string hex = HexBytes(f.bytes);
        if (hex.rfind(prefix, 0) == 0) {
            out.push_back(hex);
        }
    }
    return out;
}

TEST_F(CalibrationRun, AnUncalibratedMonitorMissesTheGammaAndTheWhites) {
    EXPECT_GT(std::fabs(measureGamma() - 2.2), kGammaTolerance);
    int off = 0;
    for (size_t t = 0; t < station->whiteTargets.size(); ++t) {
        const ColorReading w = measureWhite(t);
        const ColorReading& target = station->whiteTargets[t].target;
        off += std::max(std::fabs(w.u - target.u), std::fabs(w.vp - target.vp)) > kWhiteChromaTolerance ? 1 : 0;
    }
    EXPECT_EQ(off, 7);
}

TEST_F(CalibrationRun, GammaAndSevenWhitesMeetTheTolerancesAndSurviveAPowerCycle) {
    choose(true, 1, {0, 1, 2, 3, 4, 5, 6});
    const int64_t stationMs = calibrate();
    ASSERT_TRUE(ui.notices.completionOpen);
    EXPECT_EQ(station->task().progressTotal, 7 + 32 + 2);
    EXPECT_EQ(page().statusText, "100%");
    EXPECT_LT(stationMs, 10 * 60 * 1000);
    // The countdown stores the work in the monitor's EEPROM by itself.
    run(17000);
    EXPECT_FALSE(ui.notices.completionOpen);
    sim->monitor().powerCycle();

    EXPECT_NEAR(measureGamma(), 2.2, kGammaTolerance);
    const auto& wp = station->engine().whitePoint();
    for (size_t t = 0; t < 7; ++t) {
        SCOPED_TRACE(station->whiteTargets[t].label);
        EXPECT_GT(wp.iterations[t], 0);
        const ColorReading w = measureWhite(t);
        const ColorReading& target = station->whiteTargets[t].target;
        EXPECT_NEAR(w.u, target.u, kWhiteChromaTolerance);
        EXPECT_NEAR(w.vp, target.vp, kWhiteChromaTolerance);
        EXPECT_NEAR(w.lv, target.lv, kWhiteLuminanceTolerance * target.lv);
        // The gains found are in the data set and in the list.
        const Rgb8& g = page().data.targetGains[t];
        EXPECT_EQ(page().whiteList.rows[t].cells[7], Format("%3d", g[0]));
        EXPECT_EQ(sim->monitor().presetGains(station->whiteTargets[t].temperature),
                  (sim::RgbGains{g[0], g[1], g[2]}));
    }
    // The data set holds the uploaded table and gamma.
    EXPECT_EQ(page().data.gammaTable, sim->monitor().calibration().gammaTable);
    EXPECT_EQ(page().gammaField.text, Format("%4.2lf", station->engine().gamma().measuredGamma));
}

TEST_F(CalibrationRun, WithoutSavingTheMonitorForgetsItsCalibration) {
    choose(true, 0, {2});
    calibrate();
    ASSERT_TRUE(ui.notices.completionOpen);
    station->leaveCalibrationUnstored();
    sim->monitor().powerCycle();
    EXPECT_GT(std::fabs(measureGamma() - 2.2), kGammaTolerance);
}

TEST_F(CalibrationRun, GammaDrawsEveryLevelAndUploadsTheTableWithItsWaits) {
    choose(true, 0, {});  // N = 16, no white points
    station->whiteTargets[kJuddOffsetRow].chosen = false;
    sim->monitor().recordFrames(true);
    calibrate();
    ASSERT_TRUE(ui.notices.completionOpen);
    std::vector<std::string> levels;
    for (const std::string& f : Frames(sim->monitor(), "F7 88 00 FE 00")) {
        levels.push_back(f.substr(15, 2));
    }
    // The first level twice (its first reading stands in for black), then every level to 255;
    // then the white point's full white.
    ASSERT_EQ(levels.size(), 18u);
    EXPECT_EQ(levels[0], "0F");
    EXPECT_EQ(levels[1], "0F");
    EXPECT_EQ(levels[2], "1F");
    EXPECT_EQ(levels[16], "FF");

    const auto& frames = sim->monitor().receivedFrames();
    std::vector<int64_t> packetTimes;
    for (const auto& f : frames) {
        if (f.bytes.size() == 14 && f.bytes[0] == 0xFD && f.bytes[4] == 0x0D) {
            packetTimes.push_back(f.atMs);
            EXPECT_EQ(f.bytes[5], 4 * (packetTimes.size() - 1));
        }
    }
    ASSERT_EQ(packetTimes.size(), 64u);
    for (size_t k = 1; k < packetTimes.size(); ++k) {
        EXPECT_EQ(packetTimes[k] - packetTimes[k - 1], 80);
    }
    EXPECT_EQ(sim->monitor().calibration().gammaTable, page().data.gammaTable);
    // Then processing back on, the 2.2 curve, and the default panel gamma with code 8 for all.
    const auto gamma100 = static_cast<int>(station->engine().gamma().measuredGamma * 100);
    const std::string log = station->log().text();
    EXPECT_NE(log.find("CAL: Gamma to Lv 252 = ("), std::string::npos);
    EXPECT_NE(log.find(Format("CAL: Set CSC&Gamma(0)\nCAL: Set monitor gamma(14)\nCAL: Write default panel gamma(%d, 8) CS:15\n",
                              gamma100)),
              std::string::npos)
        << log.substr(log.size() - 600);
    EXPECT_EQ(sim->monitor().calibration().defaultPanelGammaCode, 8);
    EXPECT_EQ(station->task().progressTotal, 16 + 2);
}

TEST_F(CalibrationRun, TenBitLevelsForTheLongestRun) {
    choose(true, 6, {});  // N = 1024: 10-bit gamma patterns
    station->whiteTargets[kJuddOffsetRow].chosen = false;
    sim->monitor().recordFrames(true);
    calibrate(20 * 3600 * 1000);
    ASSERT_TRUE(ui.notices.completionOpen);
    const std::vector<std::string> drawn = Frames(sim->monitor(), "F6 88 00 FE 14");
    ASSERT_EQ(drawn.size(), 1025u);
    EXPECT_EQ(drawn.front(), "F6 88 00 FE 14 00 00");
    EXPECT_EQ(drawn.back(), "F6 88 00 FE 14 FF 03");
    EXPECT_NEAR(station->engine().gamma().measuredGamma, 2.4, 0.1);  // the raw panel
}

TEST_F(CalibrationRun, AWhiteTheBacklightCannotReachIsLoweredTwoCandelasAtATime) {
    choose(false, 1, {4});
    // An operator asks 230 cd/m2 of the 9300 K row: blue runs out first, then red, and the
    // search lowers the target until the panel can make it.
    page().whiteList.rows[4].cells[3] = " 230.0";
    calibrate();
    ASSERT_TRUE(ui.notices.completionOpen);
    const auto& wp = station->engine().whitePoint();
    EXPECT_GT(wp.luminanceOffset, 0);
    const double lowered = 230.0 - wp.luminanceOffset;
    const ColorReading& result = wp.whitePointResults[4];
    EXPECT_NEAR(result.lv, lowered, kWhiteLuminanceTolerance * lowered);
    EXPECT_NEAR(result.u, station->whiteTargets[4].target.u, kWhiteChromaTolerance);
    EXPECT_NEAR(result.vp, station->whiteTargets[4].target.vp, kWhiteChromaTolerance);
}

TEST_F(CalibrationRun, ASearchThatCannotConvergeFailsTheRun) {
    choose(false, 1, {0});
    // Twice the light the panel has: every gain runs to 255 and stays there.
    page().whiteList.rows[0].cells[3] = " 400.0";
    sim->monitor().recordFrames(true);
    calibrate();
    EXPECT_TRUE(ui.notices.failureOpen);
    EXPECT_FALSE(ui.notices.completionOpen);
    const std::string log = station->log().text();
    EXPECT_NE(log.find("CAL: Fail to search the color temperature!!\n"), std::string::npos);
    EXPECT_NE(log.find("SYS:Calibration execution(0)\nSYS:Calibration failed\n"), std::string::npos);
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_EQ(page().statusText, "Ready..");
}

TEST_F(CalibrationRun, AWhiteBelowTheBlackLevelIsAFailureNotBlackGains) {
    choose(false, 1, {2});
    // Less than the closed panel leaks: no gains give it, and nothing is the closest they come.
    page().whiteList.rows[2].cells[3] = "   0.0";
    calibrate();
    EXPECT_TRUE(ui.notices.failureOpen);
    EXPECT_FALSE(ui.notices.completionOpen);
    EXPECT_NE(station->log().text().find("CAL: Fail to search the color temperature!!\n"), std::string::npos);
    EXPECT_EQ(page().data.targetGains[2], (Rgb8{0, 0, 0})) << "nothing stored as the preset's gains";
}

TEST_F(CalibrationRun, TheOperatorStopsARunWithTheSameButton) {
    choose(true, 1, {0, 1});
    page().onAutoCalibration();
    run(60000);
    ASSERT_EQ(station->task().CalibrationState, kTaskGamma);
    EXPECT_EQ(page().startButtonText, "Stop");
    EXPECT_TRUE(page().startButtonEnabled);
    EXPECT_FALSE(page().controlsEnabled);
    page().onAutoCalibration();
    run(10);
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_EQ(page().startButtonText, "Calibrate");
    EXPECT_EQ(page().statusText, "Ready..");
    EXPECT_NE(station->log().text().find("SYS:Calibration execution(0)\nSYS:Calibration stopped by user.\n"),
              std::string::npos);
    int readings = 0;
    station->readingObserver = [&] { ++readings; };
    station->onContinuouslyToggled(true);
    run(5000);
    EXPECT_GT(readings, 0);  // the idle cycle resumed
}

TEST_F(CalibrationRun, NothingCheckedStartsNothing) {
    choose(false, 1, {});
    station->onClearLog();
    calibrate(60000);
    EXPECT_FALSE(ui.notices.completionOpen);
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_NE(station->log().text().find("CAL: Not checked any calibration taget.\n"), std::string::npos);
    EXPECT_EQ(station->log().text().find("Calibration execution(1)"), std::string::npos);
}

TEST_F(CalibrationRun, OneWhiteOnlyEndsOnTheJuddOffsetPresetAndPlays) {
    choose(false, 1, {4});
    sim->monitor().recordFrames(true);
    calibrate();
    ASSERT_TRUE(ui.notices.completionOpen);
    EXPECT_EQ(station->task().progressTotal, 1);
    const std::string log = station->log().text();
    EXPECT_EQ(log.find("Start Gamma Calibration"), std::string::npos);
    // The task is over before these go out: they are logged on the system channel.
    EXPECT_NE(log.find("SYS:Set color temperature(7000)\nSYS:Play monitor\n"), std::string::npos);
    EXPECT_EQ(sim->monitor().shownPreset(), 7000);
}

TEST_F(CalibrationRun, TheGainReadBackFillsTheList) {
    station->handleOperatorCommand(2, 3);
    run(20000);
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    for (size_t t = 0; t < 7; ++t) {
        const sim::RgbGains g = sim->monitor().presetGains(station->whiteTargets[t].temperature);
        EXPECT_EQ(page().whiteList.rows[t].cells[7], Format("%3d", g.r)) << t;
        EXPECT_EQ(page().whiteList.rows[t].cells[9], Format("%3d", g.b)) << t;
    }
}

}  // namespace
}  // namespace halvo
