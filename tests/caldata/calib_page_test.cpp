// The Calibration page: its controls' rules, the events it sends, and its files (load, save,
// targets, copy checks) through the dialogs.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "caldata/calib_page.h"
#include "common/file_io.h"
#include "sample_data.h"

namespace halvo {
namespace {

using Events = std::vector<std::pair<int, int>>;

struct RecordingSink : CommandSink {
    Events posted;
    void postOperatorCommand(int group, int item) override { posted.emplace_back(group, item); }
};

class CalibPage : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "halvo_calib_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        page.programVersion = 9.9;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    void write(const std::string& name, const std::string& content) const {
        ASSERT_TRUE(WriteFileAtomically(path(name), content, nullptr));
    }
    std::string read(const std::string& name) const {
        std::string content;
        EXPECT_TRUE(ReadWholeFile(path(name), content, nullptr)) << name;
        return content;
    }
    Events take() { return std::exchange(sink.posted, {}); }

    std::string dir;
    RecordingSink sink;
    QuietStationUi ui;
    StationLog log;
    Ccalib page{sink, ui, log};
};

TEST_F(CalibPage, StartsAsTheStationBuildsIt) {
    EXPECT_TRUE(page.gammaCheck.checked);
    EXPECT_EQ(page.gammaStep.text(), "32");
    EXPECT_FALSE(page.gamma235());
    EXPECT_EQ(page.source, 0);
    EXPECT_EQ(page.statusText, "Ready..");
    ASSERT_EQ(page.whiteList.rows.size(), 7u);
    EXPECT_EQ(page.whiteList.rows[0].cells[0], "3200K");
    EXPECT_EQ(page.whiteList.rows[6].cells[0], "11000K");
    for (const TableRow& row : page.whiteList.rows) {
        EXPECT_TRUE(row.checked);
        EXPECT_EQ(row.cells.size(), kWhiteListColumns.size());
    }
    EXPECT_EQ(page.colorSpaceList.items, std::vector<std::string>{"Native"});
    EXPECT_FALSE(page.colorSpaceList.enabled);
    EXPECT_TRUE(page.levelList.items.empty());
    for (const CheckControl& box : page.targetBoxes) {
        EXPECT_TRUE(box.checked);
    }
    EXPECT_EQ(page.colorPriorityText, "Color Priority ");
    const std::vector<std::string>& white = page.colorTargetList.rows[kSlotWhite].cells;
    EXPECT_EQ(white[0], "White");
    EXPECT_EQ(white[1], "0.3127");
    EXPECT_EQ(white[2], "0.3290");
    EXPECT_EQ(white[3], " 100.0");
    EXPECT_EQ(white[4], "");
    EXPECT_EQ(page.colorTargetList.rows[kSlotMagenta].cells[0], "Magenta");
    EXPECT_FALSE(page.gainFields[0].enabled);
    EXPECT_TRUE(take().empty());
}

TEST_F(CalibPage, ColorSpaceBoxNeedsTenBitAndSetsUpItsLists) {
    page.onColorSpaceToggled(true);
    EXPECT_FALSE(page.colorSpaceCheck.checked);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"This model does not support the color space."});
    EXPECT_TRUE(take().empty());

    page.tenBit = true;
    page.setStepCount(3);
    page.onColorSpaceToggled(true);
    EXPECT_TRUE(page.colorSpaceCheck.checked);
    EXPECT_EQ(page.whiteList.rows.size(), 6u) << "the seventh row leaves the list";
    EXPECT_EQ(page.colorSpaceList.items,
              (std::vector<std::string>{"BT.709", "SMPTE-C", "EBU", "NTSC", "D-Cinema"}));
    EXPECT_EQ(page.colorSpaceList.selected, 0);
    EXPECT_EQ(page.levelList.items, (std::vector<std::string>{"255", "204", "153"}));
    EXPECT_EQ(page.levelList.selected, 0);
    EXPECT_FALSE(page.levelList.enabled) << "until Level is checked";
    page.onLevelToggled(true);
    EXPECT_TRUE(page.levelList.enabled);
    EXPECT_TRUE(page.colorPriority.enabled);
    EXPECT_EQ(take(), (Events{{8, 2}}));

    page.onLevelSelected(2);
    EXPECT_EQ(page.selectedLevelIndex(), 6);
    page.onColorSpaceSelected(3);
    EXPECT_EQ(page.selectedColorSpace(), kNtsc);
    EXPECT_EQ(take(), (Events{{8, 1}, {8, 1}}));

    page.onColorSpaceToggled(false);
    EXPECT_EQ(page.colorSpaceList.items, std::vector<std::string>{"Native"});
    EXPECT_TRUE(page.levelList.items.empty());
    EXPECT_FALSE(page.levelCheck.enabled);
    EXPECT_FALSE(page.targetBoxes[0].enabled);
    EXPECT_EQ(take(), (Events{{8, 2}}));
}

TEST_F(CalibPage, TargetBoxesAndPriorityToggle) {
    page.tenBit = true;
    page.onColorSpaceToggled(true);
    for (int i = 0; i < kColorSpaceCount; ++i) {
        page.onTargetBoxToggled(i, false);
    }
    EXPECT_FALSE(page.colorTargetList.enabled);
    EXPECT_EQ(page.colorSpaceList.items, std::vector<std::string>{"Native"});
    page.onTargetBoxToggled(kEbu, true);
    EXPECT_TRUE(page.colorTargetList.enabled);
    EXPECT_EQ(page.colorSpaceList.items.size(), 5u);
    EXPECT_EQ(page.data.colorSpaceMask, 1 << kEbu) << "the boxes rebuild the mask";
    page.collectIntoData();
    EXPECT_EQ(page.data.colorSpaceMask, 1 << kEbu);

    // Checking "Color Space" again chooses all five spaces, whatever the boxes held before.
    page.onColorSpaceToggled(false);
    page.onColorSpaceToggled(true);
    for (const CheckControl& box : page.targetBoxes) {
        EXPECT_TRUE(box.checked);
    }
    EXPECT_EQ(page.data.colorSpaceMask, 31);
    EXPECT_EQ(page.colorSpaceList.items.size(), 5u);
    EXPECT_TRUE(page.colorTargetList.enabled);
    page.collectIntoData();
    EXPECT_EQ(page.data.colorSpaceMask, 31);

    page.onColorPriorityToggled(true);
    EXPECT_EQ(page.colorPriorityText, "White Priority");
    page.onColorPriorityToggled(false);
    EXPECT_EQ(page.colorPriorityText, "Color Priority ");
}

TEST_F(CalibPage, ManualGainSpinsWrapAndShow255AtEitherEnd) {
    page.whiteList.rows[2].cells[7] = "255";
    page.whiteList.rows[2].cells[9] = "  0";
    page.onGainSpin(0, 1);
    EXPECT_TRUE(take().empty()) << "no row selected";
    page.onWhiteRowSelected(2);
    EXPECT_TRUE(page.gainFields[0].enabled);
    EXPECT_EQ(page.gainFields[0].text, "255");
    EXPECT_EQ(page.gainFields[2].text, "0");
    EXPECT_EQ(page.gainFields[1].text, "") << "an empty column stays empty";

    page.onGainSpin(0, 1);
    EXPECT_EQ(page.gainFields[0].text, "255");
    EXPECT_EQ(page.gainSpins[0].value, 0);
    page.onGainSpin(0, 1);
    EXPECT_EQ(page.gainFields[0].text, "1");
    EXPECT_EQ(page.whiteList.rows[2].cells[7], "  1");
    page.onGainSpin(2, -1);
    EXPECT_EQ(page.gainFields[2].text, "255");
    EXPECT_EQ(page.gainSpins[2].value, 255);
    page.onGainEnter(1, "300");
    EXPECT_EQ(page.gainFields[1].text, "255");
    EXPECT_EQ(page.manualGain(1), 255);
    page.onGainEnter(1, "x");
    EXPECT_EQ(page.gainFields[1].text, "255");
    EXPECT_EQ(take(), (Events{{2, 4}, {2, 4}, {2, 4}, {2, 4}}));
}

TEST_F(CalibPage, BacklightSourceMarksAndButtons) {
    page.backlight = 99;
    page.onBacklightSpin(5);
    EXPECT_EQ(page.backlightText, "100");
    page.onBacklightEnter("-3");
    EXPECT_EQ(page.backlightText, "0");
    page.onSourceChosen(2);
    page.onSourceChosen(3);
    page.onWhiteRowChecked(1, false);
    page.onWhiteRowChecked(1, true);
    page.onWhiteRowChecked(4, false);
    page.onWhiteBalanceSave();
    page.onWhiteBalanceLoad();
    page.onColorSpaceClear();
    EXPECT_EQ(take(), (Events{{2, 5}, {2, 5}, {2, 6}, {5, 1}, {5, 129}, {5, 4}, {4, 0x6F}, {2, 3}, {2, 7}}));

    page.whiteList.rows[0].cells[5] = " 99.1";
    page.uniformityList.rows[0].cells[4] = "200.00";
    page.onWhiteBalanceClear();
    EXPECT_EQ(page.whiteList.rows[0].cells[5], " ");
    EXPECT_EQ(page.whiteList.rows[0].cells[1].substr(0, 6), "0.2440") << "targets stay";
    EXPECT_EQ(page.uniformityList.rows[0].cells[4], " ");
}

TEST_F(CalibPage, AutoCalibrationTakesThePageChoicesUnlessItStopsARun) {
    page.tenBit = true;
    page.setStepCount(4);
    page.onColorSpaceToggled(true);
    page.onLevelToggled(true);
    page.onTargetBoxToggled(kNtsc, false);
    page.data.entry(kBt709, kSlotRed, 2).r = 17;
    page.data.panelGammaCode[3] = 4;
    take();
    page.running = true;
    page.onAutoCalibration();
    EXPECT_EQ(page.data.entry(kBt709, kSlotRed, 2).r, 17) << "stopping keeps the results";
    page.running = false;
    page.onAutoCalibration();
    EXPECT_EQ(page.data.levelCount, 4);
    EXPECT_EQ(page.data.colorSpaceMask, 0x17);
    EXPECT_TRUE(page.data.colorSpacePresent);
    EXPECT_EQ(page.data.panelGammaCode[3], 255);
    EXPECT_EQ(page.data.entry(kBt709, kSlotRed, 2).r, 0);
    EXPECT_EQ(take(), (Events{{2, 2}, {2, 2}}));
}

// ---- Files ----

TEST_F(CalibPage, TenBitFilesComeBackByteForByte) {
    for (const bool multi : {true, false}) {
        SCOPED_TRACE(multi ? "multi-level" : "single-level");
        const std::string original = WriteCalFile(test::SampleData(multi));
        write("first.cal", original);
        ASSERT_TRUE(page.loadFile(path("first.cal")));
        ASSERT_TRUE(page.saveFile(path("second.cal")));
        EXPECT_TRUE(read("second.cal") == original) << "the saved file differs from the loaded one";
    }
}

TEST_F(CalibPage, EightBitFileDiffersOnlyInTheThirdUniformitySetting) {
    CalibrationData d = test::SampleData(false);
    d.bitDepth = 0;
    const std::string original = WriteCalFile(d);
    write("eight.cal", original);
    ASSERT_TRUE(page.loadFile(path("eight.cal")));
    EXPECT_FALSE(page.colorSpaceCheck.checked);
    EXPECT_EQ(ui.messages[0], "This model does not support the color space.");
    ASSERT_TRUE(page.saveFile(path("again.cal")));
    std::string expected = original;
    expected.replace(expected.find("V,130,141,152"), 13, "V,130,141,0");
    EXPECT_TRUE(read("again.cal") == expected);
}

TEST_F(CalibPage, LoadSetsTheControlsAndTellsTheController) {
    page.tenBit = false;
    write("VRL000042_multi.cal", WriteCalFile(test::SampleData(true)));
    ui.openPath = path("VRL000042_multi.cal");
    page.onLoad();
    EXPECT_EQ(ui.messages.back(),
              "VRL000042_multi calibration data loaded sucessfully.\n> Gamma table : O \n> Unformity data : O \n"
              "> Color Space data : O \n> Color temperature data : O \n");
    EXPECT_EQ(take(), (Events{{2, 7}, {8, 1}, {8, 2}, {2, 11}}));
    EXPECT_TRUE(page.loadedData);
    EXPECT_TRUE(page.tenBit);
    EXPECT_EQ(page.calibrationId, "VRL000042");
    EXPECT_EQ(page.gammaField.text, "2.21");
    EXPECT_EQ(page.temperatureField.text, " 6504");
    EXPECT_EQ(page.backlightText, "80");
    EXPECT_EQ(page.backlight, 80);
    EXPECT_TRUE(page.gamma235());
    EXPECT_TRUE(page.uniformityCheck.checked);
    EXPECT_TRUE(page.colorSpaceCheck.checked);
    EXPECT_TRUE(page.levelCheck.checked);
    EXPECT_TRUE(page.colorPriority.checked);
    EXPECT_EQ(page.colorPriorityText, "White Priority");
    EXPECT_EQ(page.stepCount, 8);
    EXPECT_EQ(page.levelList.items.size(), 8u);
    EXPECT_TRUE(page.targetBoxes[kEbu].checked);
    EXPECT_FALSE(page.targetBoxes[kSmpteC].checked);
    ASSERT_EQ(page.whiteList.rows.size(), 6u);
    EXPECT_EQ(page.whiteList.rows[5].cells[4], "10000");
    EXPECT_EQ(page.whiteList.rows[5].cells[0], "10000K") << "labels are the page's";
    EXPECT_EQ(page.data.gainTexts[6][3], "11000") << "the seventh row stays in the set";
    EXPECT_EQ(page.colorTargetList.rows[kSlotGreen].cells[4], "0.2500");
}

TEST_F(CalibPage, FailedLoadsChangeNothing) {
    page.gammaField.text = "2.30";
    page.data.gammaTable[9] = 99;
    EXPECT_FALSE(page.loadFile(path("missing.cal")));
    write("notes.cal", "these are not calibration data\r\n");
    EXPECT_FALSE(page.loadFile(path("notes.cal")));
    write("empty.cal", "");
    EXPECT_FALSE(page.loadFile(path("empty.cal")));
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"The file format is not correct.",
                                                     "The file format is not correct."}));
    EXPECT_EQ(page.gammaField.text, "2.30");
    EXPECT_EQ(page.data.gammaTable[9], 99);
    EXPECT_FALSE(page.loadedData);
    EXPECT_TRUE(take().empty());
    ui.openPath.reset();
    page.onLoad();
    EXPECT_TRUE(take().empty());
}

TEST_F(CalibPage, TxtNamesAreImportedAsLogsCalNamesReadAsCalFiles) {
    const std::string runLog = "CAL: Start Gamma Calibration\r\nCAL: Gamma to Lv 0 = (0,5,9,14...)\r\n"
                            "CAL: Write default panel gamma(219, 8) CS:15\r\n";
    write("run.txt", runLog);
    ASSERT_TRUE(page.loadFile(path("run.txt")));
    EXPECT_EQ(page.gammaField.text, "2.19");
    EXPECT_EQ(page.data.gammaTable[3], 14);
    EXPECT_EQ(page.calibrationId, "run");
    write("data.cal", runLog);
    EXPECT_FALSE(page.loadFile(path("data.cal")));
    EXPECT_EQ(ui.messages.back(), "The file format is not correct.");
}

TEST_F(CalibPage, SaveAddsTheExtensionAndReportsFailures) {
    page.calibrationId = "VRL7";
    ui.savePath = path("VRL7");
    page.onSave();
    const std::string saved = read("VRL7.cal");
    EXPECT_EQ(saved.substr(0, 21), "-Calibaration Data-\r\n");
    EXPECT_NE(saved.find("\r\nX,9.90\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nI,VRL7\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\n_SPACE_\r\n"), std::string::npos);

    ui.savePath = path("no/such/dir/x.cal");
    page.onSave();
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_NE(ui.messages.back().find("cannot"), std::string::npos) << ui.messages.back();
}

TEST_F(CalibPage, ASaveThatFailsHalfwayLeavesThePreviousFileWhole) {
    const std::string previous = WriteCalFile(test::SampleData(true));
    write("VRL.cal", previous);
    // A disk that fills up after 64 KiB: the new file cannot be written whole.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = page.saveFile(path("VRL.cal"));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(ui.messages.size(), 1u) << "the failure is reported";
    EXPECT_TRUE(read("VRL.cal") == previous);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1)
        << "no temporary file is left behind";
}

TEST_F(CalibPage, TargetFileRoundTripThroughTheDialogs) {
    ui.savePath = path("targets");
    page.saveTargets();
    const std::string saved = read("targets.txt");
    EXPECT_EQ(saved.substr(0, 34), "-Calibaration Target Save Datas-\r\n");

    page.whiteList.rows.clear();
    page.whiteList.rows.resize(2, TableRow{std::vector<std::string>(10, "x"), false});
    ui.openPath = path("targets.txt");
    page.loadTargets();
    ASSERT_EQ(page.whiteList.rows.size(), 7u);
    EXPECT_EQ(page.whiteList.rows[3].cells[0], "7000K");
    EXPECT_EQ(page.whiteList.rows[3].cells[3], " 100.0");
    EXPECT_EQ(page.whiteList.rows[3].cells[4], "");
    for (const TableRow& row : page.whiteList.rows) {
        EXPECT_TRUE(row.checked);
    }

    write("other.txt", "-nothing here\r\n\r\n");
    ui.openPath = path("other.txt");
    page.loadTargets();
    EXPECT_EQ(page.whiteList.rows.size(), 7u) << "a file without rows leaves the list";
    EXPECT_NE(log.text().find("other.txt: no target rows"), std::string::npos);
}

TEST_F(CalibPage, CopyAsksChecksAndSetsTheProgressRange) {
    page.gammaField.text = "2.2";
    ui.yesAnswer = false;
    page.copyToMonitor();
    EXPECT_TRUE(take().empty());
    ui.yesAnswer = true;
    page.data.gammaTable[0] = 1;
    page.copyToMonitor();
    EXPECT_EQ(ui.messages.back(), "Invalid gamma table.");
    EXPECT_TRUE(take().empty());

    page.data.gammaTable[0] = 0;
    page.tenBit = true;
    page.setStepCount(3);
    page.onColorSpaceToggled(true);
    page.onLevelToggled(true);
    for (const int off : {kSmpteC, kNtsc, kDCinema}) {
        page.onTargetBoxToggled(off, false);
    }
    take();
    page.copyToMonitor();
    EXPECT_EQ(page.progressPosition, 0);
    EXPECT_EQ(page.progressMaximum, 262);
    EXPECT_EQ(page.data.backlightValue, 255);
    EXPECT_FLOAT_EQ(page.data.measuredGamma, 2.2f);
    EXPECT_EQ(page.data.levelCount, 3);
    EXPECT_EQ(page.data.colorSpaceMask, 0x05);
    EXPECT_EQ(take(), (Events{{2, 10}}));
}

TEST_F(CalibPage, ACopyReplaysTheLevelsTheFileHoldsAndNoOthers) {
    // SMPTE-C alone at three levels (0, 3 and 6), as a run without BT.709 saves it.
    CalibrationData d = test::SampleData(true);
    d.colorSpaceMask = 1u << kSmpteC;
    for (int level = 0; level < kLevelCount; ++level) {
        if (level != 0 && level != 3 && level != 6) {
            d.entry(kSmpteC, kSlotWhite, level).reading = ColorReading{};
        }
    }
    write("smpte.cal", WriteCalFile(d));
    ASSERT_TRUE(page.loadFile(path("smpte.cal")));
    EXPECT_EQ(page.levelList.items, (std::vector<std::string>{"255", "204", "153"}));
    take();
    ui.yesAnswer = true;
    page.copyToMonitor();
    EXPECT_EQ(page.data.levelCount, 3);
    EXPECT_EQ(take(), (Events{{2, 10}}));

    // Eight levels asked of a set that holds three: nothing is copied.
    page.setStepCount(8);
    ui.messages.clear();
    page.copyToMonitor();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1], "The colour-space data of SMPTE-C holds no level 238; it cannot be copied with 8 levels.");
    EXPECT_TRUE(take().empty());
}

}  // namespace
}  // namespace halvo
