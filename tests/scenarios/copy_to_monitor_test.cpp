// Copying a calibration into a monitor: the data a run produced, saved as .cal, loaded again and
// written into a monitor that has been reset to its factory state; and the commands the copy
// sends for each kind of data.

#include <cmath>
#include <string>

#include "calibration/colour_space_search.h"
#include "common/text_format.h"
#include "scenarios/calibration_fixture.h"

namespace halvo {
namespace {

constexpr const char* kCopied = "Calibration data is copied successfully.\n Please restart monitor.";

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

double U(const sim::Xyz& c) {
    return 4 * c.X / (c.X + 15 * c.Y + 3 * c.Z);
}
double Vp(const sim::Xyz& c) {
    return 9 * c.Y / (c.X + 15 * c.Y + 3 * c.Z);
}

// What the monitor shows, straight from the simulated panel (no instrument noise): every colour
// of the calibrated colour spaces at full level, full white in every preset, and a mid grey.
struct Picture {
    std::vector<sim::Xyz> patches;
    size_t seventhPreset = 0;  // the 11000 K white
};

class CopyToMonitor : public test::CalibrationFixture {
protected:
    sim::Xyz show(MonitorCommand c, uint32_t argument) {
        station->sender().sendMonitorCommand(c, argument, 0);
        waitForMonitor(50);
        return sim->lightAtProbe();
    }

    Picture picture(unsigned spaces) {
        Picture p;
        for (int n = 0; n < kColorSpaceCount; ++n) {
            if ((spaces & (1u << n)) == 0) {
                continue;
            }
            show(MonitorCommand::SetColorSpace, static_cast<uint32_t>(n + 1));
            for (int slot = kSlotWhite; slot < kColorSlotCount; ++slot) {
                p.patches.push_back(show(MonitorCommand::DrawPattern, ColourPattern(slot, 0)));
            }
        }
        show(MonitorCommand::SetColorSpace, 0);
        p.seventhPreset = p.patches.size() + kWhiteRowCount - 1;
        for (const WhitePointTarget& t : station->whiteTargets) {
            show(MonitorCommand::SetColorTemperature, static_cast<uint32_t>(t.temperature));
            p.patches.push_back(show(MonitorCommand::DrawPattern, 0xFFFFFF));
        }
        show(MonitorCommand::SetColorTemperature, 6500);
        p.patches.push_back(show(MonitorCommand::DrawPattern, 0x808080));
        return p;
    }

    // The largest difference in u', v' and relative luminance between two pictures, without the
    // seventh preset when asked.
    static double Difference(const Picture& a, const Picture& b, bool seventh = true) {
        double worst = 0.0;
        for (size_t i = 0; i < a.patches.size() && i < b.patches.size(); ++i) {
            if (!seventh && i == a.seventhPreset) {
                continue;
            }
            const sim::Xyz& x = a.patches[i];
            const sim::Xyz& y = b.patches[i];
            worst = std::max({worst, std::fabs(U(x) - U(y)), std::fabs(Vp(x) - Vp(y)),
                              std::fabs(x.Y - y.Y) / std::max(x.Y, 1e-9)});
        }
        return worst;
    }

    // Loads a file into the page, answers "Yes" and runs the copy to its end. False when the
    // copy did not start or did not end with its message.
    bool copy(const std::string& path) {
        if (!page().loadFile(path)) {
            return false;
        }
        run(100);
        return copyLoaded();
    }
    bool copyLoaded() {
        ui.yesAnswer = true;
        ui.messages.clear();
        page().copyToMonitor();
        ui.yesAnswer = false;
        run(100);
        if (!station->engine().upload().running()) {
            for (const std::string& m : ui.messages) {
                ADD_FAILURE() << "not copied: " << m;
            }
            return false;
        }
        copyStart = scheduler.nowMs();
        scheduler.runUntil([&] { return !station->engine().upload().running(); }, 3 * 3600 * 1000);
        copyMs = scheduler.nowMs() - copyStart;
        return !ui.messages.empty() && ui.messages.back() == kCopied;
    }

    // A loaded set with nothing but the white gains: the page's boxes cleared.
    void loadBareData() {
        page().data.targetGamma = 2.2;
        page().gammaCheck.checked = false;
        page().uniformityCheck.checked = false;
        page().colorSpaceCheck.checked = false;
        page().gammaField.text = "2.2";
        page().backlightText = "";
    }

    int64_t copyStart = 0;
    int64_t copyMs = 0;
};

TEST_F(CopyToMonitor, ACalibrationSavedAndCopiedIntoAFactoryMonitorShowsTheSamePicture) {
    choose(true, 1, {0, 1, 2, 3, 4, 5, 6});
    page().onColorSpaceToggled(true);
    for (int n = 0; n < kColorSpaceCount; ++n) {
        page().onTargetBoxToggled(n, n == kBt709 || n == kEbu);
    }
    page().setStepCount(2);
    page().onLevelToggled(true);
    run(100);
    ASSERT_GT(calibrate(), 0);
    ASSERT_TRUE(ui.notices.completionOpen);
    run(17000);  // the countdown stores the calibration
    sim->monitor().powerCycle();
    const unsigned spaces = 1u << kBt709 | 1u << kEbu;
    const Picture calibrated = picture(spaces);
    const std::string path = directory + "/copied.cal";
    ASSERT_TRUE(page().saveFile(path));

    sim->monitor().factoryReset();
    sim->monitor().powerCycle();
    const Picture factory = picture(spaces);
    ASSERT_GT(Difference(calibrated, factory), 0.01) << "the reset must undo the calibration";

    station->onClearLog();
    ASSERT_TRUE(copy(path));
    const std::string log = station->log().text();
    EXPECT_EQ(Count(log, "Send Colorspace Data to monitor. Please wait!!"), 2u);
    EXPECT_EQ(Count(log, "Save the colorspace Data to EEProm. Please wait a moment!!"), 2u);
    EXPECT_EQ(Count(log, "Set ColorSpace White(0,"), 1u);
    EXPECT_EQ(Count(log, "Set ColorSpace White(2,"), 1u);
    EXPECT_EQ(Count(log, "No ColorSpace"), 0u) << "every read-back answered";
    EXPECT_TRUE(station->calib().controlsEnabled);
    RecordProperty("copy_station_seconds", static_cast<int>(copyMs / 1000));

    sim->monitor().powerCycle();  // "Please restart monitor."
    const Picture copied = picture(spaces);
    // The table is worked out again from the monitor's own read-backs; on the same panel they
    // match what the run read. With colour spaces the copy leaves the seventh preset as the
    // monitor has it.
    EXPECT_LT(Difference(calibrated, copied, false), 1e-6);
}

TEST_F(CopyToMonitor, WithNothingCheckedOnlyTheBasicsGainsAndTheEndAreSent) {
    loadBareData();
    page().onTargetGammaChosen(true);
    station->onClearLog();
    ASSERT_TRUE(copyLoaded());
    const std::string log = station->log().text();
    // Phase 0: no backlight value, so no backlight command.
    EXPECT_EQ(Count(log, "Set backlight("), 0u);
    // Nothing of uniformity, gamma table or colour spaces.
    EXPECT_EQ(Count(log, "Send Uniformity"), 0u);
    EXPECT_EQ(Count(log, "Set CSC&Gamma(1)"), 0u);
    EXPECT_EQ(Count(log, "Set Native ColorSpace"), 0u);
    EXPECT_EQ(Count(log, "CS["), 0u);
    // Phase 4 still writes the default panel gamma and the gamma curve of 2.35.
    EXPECT_EQ(Count(log, "Set CSC&Gamma(0)"), 1u);
    EXPECT_EQ(Count(log, "Write default panel gamma(220, 8) CS:15"), 1u);
    EXPECT_EQ(Count(log, "Set monitor gamma(16)"), 1u);
    // Phase 7: seven presets; phase 8 writes no codes.
    EXPECT_EQ(Count(log, "RGB gain("), 7u);
    EXPECT_EQ(Count(log, "CS:0"), 0u);
    // Phase 9.
    EXPECT_EQ(Count(log, "Set color temperature(6500)"), 2u) << "the 6500 K preset's gains and the end";
    EXPECT_EQ(Count(log, "Play monitor"), 1u);
    EXPECT_EQ(page().statusText, "100%");
    EXPECT_TRUE(scheduler.isArmed(kTimerTrigger)) << "measuring resumes";
}

TEST_F(CopyToMonitor, GammaOnlySendsTheTableAndTheCurveOf22) {
    loadBareData();
    page().gammaCheck.checked = true;
    for (size_t i = 0; i < page().data.gammaTable.size(); ++i) {
        page().data.gammaTable[i] = static_cast<uint16_t>(i * 40);
    }
    page().onTargetGammaChosen(false);
    station->onClearLog();
    ASSERT_TRUE(copyLoaded());
    const std::string log = station->log().text();
    EXPECT_EQ(Count(log, "Set CSC&Gamma(1)"), 1u);
    EXPECT_EQ(Count(log, "Set monitor gamma(14)"), 1u);
    EXPECT_EQ(Count(log, "Gamma to Lv "), 64u);
    EXPECT_EQ(sim->monitor().calibration().gammaTable[255], 255 * 40);
}

TEST_F(CopyToMonitor, WithColourSpacesSixPresetsAreWrittenAndHighPanelGammaCodesSkipped) {
    loadBareData();
    page().colorSpaceCheck.checked = true;
    page().onColorSpaceToggled(true);
    // All five boxes, as a single-level file loads them, but only NTSC was calibrated.
    for (int n = 0; n < kColorSpaceCount; ++n) {
        page().onTargetBoxToggled(n, true);
    }
    page().onLevelToggled(false);
    for (int slot = 0; slot < kColorSlotCount; ++slot) {
        ColorSpaceEntry& e = page().data.entry(kNtsc, slot, 0);
        e.r = slot == kSlotWhite ? 120 : 3;
        e.g = slot == kSlotWhite ? 118 : -2;
        e.b = slot == kSlotWhite ? 121 : 1;
    }
    page().data.panelGammaCode = {8, 3, 17, 16, 255, 4};
    station->onClearLog();
    ASSERT_TRUE(copyLoaded());
    const std::string log = station->log().text();
    // The replay is of NTSC alone; the spaces without white gains are not turned off.
    EXPECT_NE(log.find("BT.709 holds no calibration; the monitor keeps its own."), std::string::npos);
    EXPECT_NE(log.find("D-Cinema holds no calibration; the monitor keeps its own."), std::string::npos);
    for (int n : {1, 2, 3, 5}) {
        EXPECT_EQ(Count(log, Format("Set Native ColorSpace(%d)", n)), 0u) << n;
    }
    EXPECT_EQ(Count(log, "Set Native ColorSpace(4)"), 1u);
    EXPECT_EQ(Count(log, "Set ColorSpace White("), 1u);
    EXPECT_EQ(Count(log, "Set ColorSpace White(3,120,118,121)"), 1u);
    EXPECT_EQ(Count(log, "RGB Offset(3,-2,1)"), 6u) << "each colour after white with its offsets";
    EXPECT_EQ(Count(log, "CS[3]["), 64u);
    // Phase 7 writes six presets (one more gain is white's in the replay).
    EXPECT_EQ(Count(log, "RGB gain("), 6u + 1u);
    EXPECT_NE(log.find("CS:0\n"), std::string::npos);
    EXPECT_NE(log.find("CS:1\n"), std::string::npos);
    EXPECT_EQ(log.find("CS:2\n"), std::string::npos) << "code 17 skipped";
    EXPECT_NE(log.find("CS:3\n"), std::string::npos) << "code 16 written";
    EXPECT_EQ(log.find("CS:4\n"), std::string::npos);
    EXPECT_NE(log.find("CS:5\n"), std::string::npos);
    EXPECT_TRUE(sim->monitor().colorSpaces().table(kNtsc).has_value());
}

TEST_F(CopyToMonitor, ATableThatDoesNotFitStopsTheCopyBeforeItIsSent) {
    loadBareData();
    page().colorSpaceCheck.checked = true;
    page().onColorSpaceToggled(true);
    for (int n = 0; n < kColorSpaceCount; ++n) {
        page().onTargetBoxToggled(n, n == kNtsc);
    }
    page().onLevelToggled(false);
    page().data.entry(kNtsc, kSlotWhite, 0).r = 255;
    page().data.entry(kNtsc, kSlotWhite, 0).g = 255;
    page().data.entry(kNtsc, kSlotWhite, 0).b = 255;
    station->onClearLog();
    ui.yesAnswer = true;
    page().copyToMonitor();
    ui.yesAnswer = false;
    // Once green has been read back, the read-backs are made into ones no table can hold.
    ASSERT_TRUE(scheduler.runUntil(
        [&] { return station->log().text().find("Draw pattern(255,255,0)") != std::string::npos; }, 600000));
    ColourSpaceCalibration& cs = station->engine().colourSpace();
    cs.colourOffsets[kNtsc][kSlotGreen][0] = {-500, 0, 0};
    cs.inputLuminance[0] = 900;
    scheduler.runUntil([&] { return !station->engine().upload().running(); }, 3600000);
    const std::string log = station->log().text();
    EXPECT_NE(log.find("Overflow the Max value of color space data!!"), std::string::npos) << log;
    EXPECT_NE(log.find("The colour-space table of NTSC does not fit the monitor; copying stopped."), std::string::npos);
    EXPECT_EQ(Count(log, "CS[3]["), 0u) << "nothing of the table was sent";
    EXPECT_EQ(ui.messages.back(), "The colour-space data cannot be copied: its table does not fit the monitor.");
    EXPECT_TRUE(page().controlsEnabled);
    EXPECT_TRUE(scheduler.isArmed(kTimerTrigger)) << "measuring resumes";
    EXPECT_FALSE(ui.notices.failureOpen) << "a copy is not a calibration run";
}

TEST_F(CopyToMonitor, UniformityIsSentOnlyFromDataOfALaterVersionAndInTheModelsPacket) {
    loadBareData();
    page().uniformityCheck.checked = true;
    page().data.uniformityPresent = true;
    page().data.uniformity = {0x85, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    page().data.fileVersion = 7.3f;
    station->onClearLog();
    ASSERT_TRUE(copyLoaded());
    EXPECT_EQ(Count(station->log().text(), "Send Uniformity"), 0u) << "data of 7.3 is not sent";

    page().data.fileVersion = 8.0f;
    station->onClearLog();
    sim->monitor().recordFrames(true);
    ASSERT_TRUE(copyLoaded());
    EXPECT_GT(Count(station->log().text(), "Send Uniformity"), 0u);
    bool tenValue = false;
    for (const auto& f : sim->monitor().receivedFrames()) {
        tenValue = tenValue || (f.bytes.size() == 16 && f.bytes[0] == 0xFE && f.bytes[4] == 0x13);
    }
    EXPECT_TRUE(tenValue) << "the simulated TXM model takes the ten-value packet";
}

TEST_F(CopyToMonitor, ADisconnectStopsTheCopyAndTheControlsComeBack) {
    loadBareData();
    page().gammaCheck.checked = true;
    for (size_t i = 0; i < page().data.gammaTable.size(); ++i) {
        page().data.gammaTable[i] = static_cast<uint16_t>(i * 40);
    }
    ui.yesAnswer = true;
    page().copyToMonitor();
    ui.yesAnswer = false;
    run(8000);
    ASSERT_TRUE(station->engine().upload().running());
    EXPECT_FALSE(page().controlsEnabled) << "nothing else talks to the monitor during a copy";
    EXPECT_FALSE(station->measure().startButtonEnabled);
    station->onConnectClicked(false);
    EXPECT_FALSE(station->engine().upload().running());
    EXPECT_FALSE(scheduler.isArmed(kTimerSequence));
    EXPECT_NE(station->log().text().find("Copying stopped: the monitor was disconnected. Copy the data again."),
              std::string::npos);
    run(60000);
    for (const std::string& m : ui.messages) {
        EXPECT_NE(m, kCopied);
    }
    // Connected again, the copy can be made from the start.
    connect();
    run(2000);
    EXPECT_TRUE(copyLoaded());
}

}  // namespace
}  // namespace halvo
