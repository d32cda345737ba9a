// The controller's side of the Calibration page: identification effects, manual gains, the
// white-point list, shown targets, loaded data and the start of a copy.

#include "app/station_fixture.h"
#include "caldata/cal_file.h"
#include "common/file_io.h"

namespace halvo {
namespace {

using CalibCommands = test::StationFixture;

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

TEST_F(CalibCommands, IdentifyingATxm600HdSRebuildsTheWhiteListForItsWhites) {
    init();
    Ccalib& page = station->calib();
    EXPECT_EQ(page.whiteList.rows[3].cells[0], "7000K");
    page.onWhiteRowChecked(1, false);
    run(0);
    page.colorSpaceTargets[kBt709][kSlotWhite].x = 0.5;
    connect();
    EXPECT_TRUE(station->alternateWhites());
    EXPECT_TRUE(page.tenBit);
    EXPECT_EQ(page.whiteList.rows[3].cells[0], "JUDD-OFFSET");
    EXPECT_EQ(page.whiteList.rows[3].cells[1], "0.1980(0.3070)");
    EXPECT_EQ(station->whiteTargets[3].temperature, 7000);
    EXPECT_FALSE(station->whiteTargets[1].chosen) << "the operator's marks stay";
    EXPECT_FALSE(page.whiteList.rows[1].checked);
    EXPECT_DOUBLE_EQ(page.colorSpaceTargets[kBt709][kSlotWhite].x, 0.3127) << "targets copied again";
}

TEST_F(CalibCommands, ManualGainsChooseThePresetOnceAndSendGainsEveryTime) {
    init();
    connect();
    run(2000);
    Ccalib& page = station->calib();
    page.onWhiteRowSelected(2);
    page.onGainEnter(0, "200");
    page.onGainEnter(1, "210");
    page.onGainEnter(2, "220");
    run(3000);
    EXPECT_EQ(Count(station->log().text(), "Set color temperature(6500)\n"), 1);
    // Posted commands read the fields when they run: all three send the last values.
    EXPECT_EQ(Count(station->log().text(), "RGB gain(200,210,220)\n"), 3);
    const sim::RgbGains gains = sim->monitor().presetGains(6500);
    EXPECT_EQ(gains.r, 200);
    EXPECT_EQ(gains.g, 210);
    EXPECT_EQ(gains.b, 220);

    page.onWhiteRowSelected(4);
    page.onGainSpin(1, 1);
    run(3000);
    EXPECT_EQ(Count(station->log().text(), "Set color temperature(9300)\n"), 1);
}

TEST_F(CalibCommands, WhitePointMarksAndListLength) {
    init();
    station->handleOperatorCommand(5, 2);
    EXPECT_FALSE(station->whiteTargets[2].chosen);
    station->handleOperatorCommand(5, 2 + 128);
    EXPECT_TRUE(station->whiteTargets[2].chosen);
    station->handleOperatorCommand(5, 127);  // no such entry: nothing

    Ccalib& page = station->calib();
    page.tenBit = true;
    // "Color Space" checked: six entries, and the posted 8/2 leaves it so (a colour-space run
    // calibrates no 11000 K).
    page.onWhiteRowChecked(6, false);
    run(0);
    page.onColorSpaceToggled(true);
    EXPECT_EQ(page.whiteList.rows.size(), 6u);
    run(0);  // the posted 8/2
    EXPECT_EQ(station->whiteEntryCount, 6);
    EXPECT_EQ(page.whiteList.rows.size(), 6u);

    // Cleared: 11000 K comes back, checked and marked.
    page.onColorSpaceToggled(false);
    run(0);
    EXPECT_EQ(station->whiteEntryCount, 7);
    ASSERT_EQ(page.whiteList.rows.size(), 7u);
    EXPECT_EQ(page.whiteList.rows[6].cells[0], "11000K");
    EXPECT_TRUE(page.whiteList.rows[6].checked);
    EXPECT_TRUE(station->whiteTargets[6].chosen);
}

TEST_F(CalibCommands, ShownColorSpaceTargetsFollowTheListsSelection) {
    init();
    Ccalib& page = station->calib();
    page.tenBit = true;
    page.setStepCount(2);
    page.onColorSpaceToggled(true);
    page.onLevelToggled(true);
    page.onColorSpaceSelected(kEbu);
    page.onLevelSelected(1);
    run(0);
    EXPECT_EQ(page.shownColorSpace, kEbu);
    EXPECT_EQ(page.shownLevel, 4) << "the second of two levels is drive 187";
    EXPECT_EQ(page.colorTargetList.rows[kSlotRed].cells[3], "  11.2");
    page.data.entry(kEbu, kSlotRed, 4).reading.x = 0.6401;
    station->handleOperatorCommand(2, 7);
    EXPECT_EQ(page.colorTargetList.rows[kSlotRed].cells[4], "0.6401");
}

TEST_F(CalibCommands, ALoadedSetChoosesTheColorSpaceStepAndShowsItsId) {
    init();
    CalibrationData d;
    d.calibrationId = "VRL77";
    d.bitDepth = 1;
    d.levelCount = 3;
    d.colorSpaceMask = 1;
    for (int level = 0; level < 3; ++level) {
        d.entry(kBt709, kSlotWhite, level).reading.x = 0.31;
        d.entry(kBt709, kSlotWhite, level).reading.y = 0.33;
    }
    const std::string file = directory + "/three.cal";
    ASSERT_TRUE(WriteFileAtomically(file, WriteCalFile(d), nullptr));
    ASSERT_TRUE(station->calib().loadFile(file));
    run(0);
    EXPECT_EQ(station->window().calId, "VRL77");
    EXPECT_EQ(station->calib().stepCount, 3);
    EXPECT_EQ(station->setup().colorSpaceStep.text(), "3");
    std::string config;
    ASSERT_TRUE(ReadWholeFile(directory + "/Config.ini", config, nullptr));
    EXPECT_EQ(config.substr(config.size() - 3), "3\r\n") << "Config.ini keeps the step";
    EXPECT_EQ(station->whiteEntryCount, 6);
}

TEST_F(CalibCommands, CopyStartsTheUploadOnlyWhereItExists) {
    init();
    station->handleOperatorCommand(2, 10);
    EXPECT_NE(station->log().text().find("SYS:Monitor is not connected.\n"), std::string::npos);

    connect();
    run(2000);

    int started = 0;
    int steps = 0;
    station->steps().sequenceStart = [&] { ++started; };
    station->steps().sequence = [&] { ++steps; };
    station->onClearLog();
    sim->monitor().recordFrames(true);
    station->handleOperatorCommand(2, 10);
    EXPECT_EQ(started, 1);
    EXPECT_NE(station->log().text().find("Draw target marker\n"), std::string::npos);
    EXPECT_NE(station->log().text().find("SYS:Copying data to a monitor now. Please wait until it completes.\n"),
              std::string::npos);
    EXPECT_FALSE(scheduler.isArmed(kTimerTrigger));
    run(999);
    EXPECT_EQ(steps, 0);
    run(1);
    EXPECT_EQ(steps, 1);
}

TEST_F(CalibCommands, PanelGammaCheckOnItsOwn) {
    init();
    connect();
    run(2000);
    station->calib().onTargetGammaChosen(true);
    station->handleOperatorCommand(2, 8);
    EXPECT_EQ(station->task().CalibrationState, kTaskPanelGamma);
    EXPECT_EQ(station->calib().gammaStepCounter, 11);
    EXPECT_NE(station->log().text().find("Set monitor gamma(16)\n"), std::string::npos);
}

}  // namespace
}  // namespace halvo
