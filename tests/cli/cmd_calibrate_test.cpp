// halvo-cli calibrate on the simulated station: files, summary, exit codes.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "support/capture.h"
#include "support/working_directory.h"

namespace halvo {
namespace {

using test::RunCliCaptured;

class CliCalibrate : public test::InScratchDirectory {};

TEST_F(CliCalibrate, RunsGammaAndWhitesAndSavesTheDataAndTheLog) {
    const auto r = RunCliCaptured({"calibrate", "--simulate", "--gamma", "--gamma-step", "16", "--targets", "2,4",
                                   "--out", "out"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("Calibration completed."), std::string::npos);
    EXPECT_NE(r.out.find("Measured gamma    2."), std::string::npos);
    EXPECT_NE(r.out.find("6500K "), std::string::npos);
    EXPECT_NE(r.out.find("9300K "), std::string::npos);
    EXPECT_EQ(r.out.find("3200K "), std::string::npos);
    EXPECT_NE(r.out.find("Station time"), std::string::npos);
    std::string cal;
    ASSERT_TRUE(ReadWholeFile(dir_ + "/out/VRL000001.cal", cal, nullptr));
    EXPECT_EQ(cal.rfind("-Calibaration Data-\r\n", 0), 0u);
    EXPECT_NE(cal.find("\r\nM,255,"), std::string::npos);
    std::string log;
    ASSERT_TRUE(ReadWholeFile(dir_ + "/out/VRL000001Log.txt", log, nullptr));
    EXPECT_NE(log.find("CAL: Start Gamma Calibration\r\n"), std::string::npos);
    EXPECT_NE(log.find("Save eeprom"), std::string::npos);
}

// The fast run writes the .cal in the prescribed run's form (line for line the same fields), and
// its log and summary say which run it was.
TEST_F(CliCalibrate, TheFastRunSaysSoAndWritesTheSameForm) {
    const auto prescribed = RunCliCaptured({"calibrate", "--simulate", "--gamma", "--gamma-step", "16", "--targets",
                                            "2,4", "--no-store", "--json", "--out", "slow", "--results-db",
                                            dir_ + "/runs.db"});
    const auto fast = RunCliCaptured({"calibrate", "--simulate", "--fast", "--gamma", "--gamma-step", "16",
                                      "--targets", "2,4", "--no-store", "--json", "--out", "fast", "--results-db",
                                      dir_ + "/runs.db"});
    ASSERT_EQ(prescribed.exitCode, 0) << prescribed.err;
    ASSERT_EQ(fast.exitCode, 0) << fast.err;
    EXPECT_NE(prescribed.out.find("\"mode\":\"prescribed\""), std::string::npos) << prescribed.out;
    EXPECT_NE(fast.out.find("\"mode\":\"fast\""), std::string::npos) << fast.out;
    std::string slowCal, fastCal, fastLog, slowLog;
    ASSERT_TRUE(ReadWholeFile(dir_ + "/slow/VRL000001.cal", slowCal, nullptr));
    ASSERT_TRUE(ReadWholeFile(dir_ + "/fast/VRL000001.cal", fastCal, nullptr));
    ASSERT_TRUE(ReadWholeFile(dir_ + "/fast/VRL000001Log.txt", fastLog, nullptr));
    ASSERT_TRUE(ReadWholeFile(dir_ + "/slow/VRL000001Log.txt", slowLog, nullptr));
    EXPECT_NE(fastLog.find("CAL: Fast calibration: readings taken once settled"), std::string::npos);
    EXPECT_EQ(slowLog.find("Fast"), std::string::npos);
    // Field counts line by line; the values themselves differ by the instrument's noise.
    const auto counts = [](const std::string& text) {
        std::vector<int> out(1, 0);
        for (char ch : text) {
            if (ch == '\n') {
                out.push_back(0);
            } else if (ch == ',') {
                ++out.back();
            }
        }
        return out;
    };
    EXPECT_EQ(counts(fastCal), counts(slowCal));
    // The results database records the mode of each.
    const auto runs = RunCliCaptured({"results", "list", "--json", "--results-db", dir_ + "/runs.db"});
    ASSERT_EQ(runs.exitCode, 0) << runs.err;
    EXPECT_NE(runs.out.find("\"mode\":\"fast\""), std::string::npos) << runs.out;
    EXPECT_NE(runs.out.find("\"mode\":\"prescribed\""), std::string::npos) << runs.out;
}

TEST_F(CliCalibrate, JsonReportsEveryWhiteAndAFailureExitsOne) {
    const auto r = RunCliCaptured({"calibrate", "--simulate", "--targets", "0", "--no-store", "--json", "--out", "out"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"completed\":true"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"label\":\"3200K\""), std::string::npos);
    EXPECT_EQ(r.out.find("measuredGamma"), std::string::npos);
    // --no-store leaves the monitor unsaved by its own path, and says so.
    EXPECT_NE(r.out.find("\"storedInMonitor\":false"), std::string::npos) << r.out;
    std::string log;
    ASSERT_TRUE(ReadWholeFile(dir_ + "/out/VRL000001Log.txt", log, nullptr));
    EXPECT_NE(log.find("SYS:The calibration was not stored in the monitor's EEPROM"), std::string::npos) << log;
    EXPECT_EQ(log.find("Save eeprom"), std::string::npos);

    const auto none = RunCliCaptured({"calibrate", "--simulate", "--targets", "none", "--out", "out"});
    EXPECT_EQ(none.exitCode, 1);
}

TEST_F(CliCalibrate, CalibratesColourSpacesAtTheChosenLevels) {
    const auto r = RunCliCaptured({"calibrate", "--simulate", "--color-space", "BT.709,D-Cinema", "--levels", "2",
                                   "--color-priority", "--targets", "2", "--json", "--out", "out"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("\"colorSpace\":\"BT.709\",\"level\":187,\"color\":\"Magenta\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"colorSpace\":\"D-Cinema\",\"level\":255,\"color\":\"White\""), std::string::npos);
    EXPECT_EQ(r.out.find("\"colorSpace\":\"EBU\""), std::string::npos);
    // The colour spaces leave six white points; only the one asked for is calibrated.
    EXPECT_NE(r.out.find("\"label\":\"6500K\""), std::string::npos);
    EXPECT_EQ(r.out.find("\"label\":\"11000K\""), std::string::npos) << r.out;
    std::string cal;
    ASSERT_TRUE(ReadWholeFile(dir_ + "/out/VRL000001.cal", cal, nullptr));
    EXPECT_NE(cal.find("\r\n_SPACE3_\r\nS,0,0,0,"), std::string::npos);
    EXPECT_NE(cal.find("\r\nS,4,6,4,"), std::string::npos);
    EXPECT_EQ(cal.find("\r\nS,1,"), std::string::npos);
}

TEST_F(CliCalibrate, TheSecondPanelCalibratesToAPassingVerification) {
    const auto r = RunCliCaptured({"calibrate", "--simulate", "--panel", "cool-lcd", "--gamma", "--color-space",
                                   "BT.709,SMPTE-C,EBU,NTSC,D-Cinema", "--targets", "all", "--out", "out", "--verify",
                                   "--report", "out/cool.txt", "--color-spaces",
                                   "Native,BT.709,SMPTE-C,EBU,NTSC,D-Cinema"});
    EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(r.out.find(" OR"), std::string::npos) << r.out;
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/out/cool.txt"));
    // Named in the help with every other panel.
    const auto help = RunCliCaptured({"calibrate", "--help"});
    for (const char* name : {"wide-lcd", "cool-lcd", "cool-lcd-slow", "cool-lcd-crosstalk"}) {
        EXPECT_NE(help.out.find(std::string(name) + " "), std::string::npos) << name;
    }
}

TEST_F(CliCalibrate, RefusesBadChoices) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"calibrate"},
             {"calibrate", "--simulate", "--gamma-step", "48"},
             {"calibrate", "--simulate", "--target-gamma", "2.4"},
             {"calibrate", "--simulate", "--targets", "7"},
             {"calibrate", "--simulate", "--targets", "a,b"},
             {"calibrate", "--simulate", "--color-space", "Rec.2020"},
             {"calibrate", "--simulate", "--color-space", "BT.709", "--levels", "5"},
             {"calibrate", "--simulate", "--levels", "2"},
             {"calibrate", "--simulate", "--panel", "oled"},
             {"calibrate", "--simulate", "--panel", "cool-lcd:crosstalk=2"},
         }) {
        EXPECT_EQ(RunCliCaptured(args).exitCode, 2) << testing::PrintToString(args);
    }
}

}  // namespace
}  // namespace halvo
