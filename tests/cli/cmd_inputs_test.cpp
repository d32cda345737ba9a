// halvo-cli adc, input-source and aging on the simulated station.

#include <gtest/gtest.h>

#include <filesystem>

#include "common/file_io.h"
#include "support/capture.h"
#include "support/working_directory.h"

namespace halvo {
namespace {

using test::RunCliCaptured;

class CliInputs : public test::InScratchDirectory {};

TEST_F(CliInputs, AdcSwitchesToTheAnalogueInputAndRunsTheMonitorsCalibration) {
    const auto r = RunCliCaptured({"adc", "--simulate", "--source", "YPbPr", "--log", "adc.log"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("ADC Calibration has complited"), std::string::npos);
    std::string log;
    ASSERT_TRUE(ReadWholeFile("adc.log", log, nullptr));
    // The simulated monitor starts on the digital input, so the source is changed and checked again.
    const size_t change = log.find("CAL: Change the input source to YPbPr!");
    const size_t set = log.find("CAL: Set InputSouce(8)");
    const size_t start = log.find("CAL: Start Auto Color Calibration");
    ASSERT_NE(change, std::string::npos) << log;
    ASSERT_NE(set, std::string::npos);
    ASSERT_NE(start, std::string::npos);
    EXPECT_LT(change, set);
    EXPECT_LT(set, start);
    EXPECT_NE(log.find("CAL: Draw custom pattern(0)"), std::string::npos);
}

TEST_F(CliInputs, InputSourceAndBadArguments) {
    auto r = RunCliCaptured({"input-source", "--simulate", "--source", "RGB", "--log", "src.log"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    std::string log;
    ASSERT_TRUE(ReadWholeFile("src.log", log, nullptr));
    const size_t play = log.find("CAL: Play monitor");
    ASSERT_NE(play, std::string::npos) << log;
    const size_t set = log.find("CAL: Set InputSouce(10)");
    ASSERT_NE(set, std::string::npos);
    EXPECT_GT(set, play);
    EXPECT_EQ(log.find("CAL: Set InputSouce(10)"), log.rfind("CAL: Set InputSouce"));

    // Digital cannot be ADC-calibrated; unknown names and missing values are usage errors.
    EXPECT_EQ(RunCliCaptured({"adc", "--simulate", "--source", "Digital"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"input-source", "--simulate", "--source", "HDMI"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"input-source", "--simulate"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"aging", "--simulate", "--time", "0", "--period", "1", "--out", "a.txt"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"aging", "--simulate", "--time", "5", "--period", "x", "--out", "a.txt"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"aging", "--simulate", "--time", "5", "--period", "1"}).exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists("a.txt"));
}

TEST_F(CliInputs, AgingWritesOneRecordAtTheStartAndOnePerPeriod) {
    const auto r = RunCliCaptured({"aging", "--simulate", "--time", "3", "--period", "1", "--out", "aging.txt"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    std::string text;
    ASSERT_TRUE(ReadWholeFile("aging.txt", text, nullptr));
    // 180 ticks, a record at the start and after every 60 further cycles: four records.
    EXPECT_NE(r.out.find("4 aging records"), std::string::npos) << r.out;
    EXPECT_EQ(text.rfind("Time:0  [x:0.", 0), 0u) << text;
    EXPECT_NE(text.find("\r\nTime:3  [x:0."), std::string::npos) << text;
    EXPECT_EQ(text.find("Time:4"), std::string::npos);
}

TEST_F(CliInputs, CopyWritesASavedCalibrationIntoTheMonitor) {
    auto r = RunCliCaptured({"calibrate", "--simulate", "--gamma", "--color-space", "EBU", "--targets", "2"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    r = RunCliCaptured({"copy", "--simulate", "VRL000001.cal", "--log", "copy.log"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("Copied            gamma table, colour spaces EBU at 1 level(s), white gains"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.err.find("Calibration data is copied successfully."), std::string::npos);
    std::string log;
    ASSERT_TRUE(ReadWholeFile("copy.log", log, nullptr));
    EXPECT_NE(log.find("SYS:Copying data to a monitor now. Please wait until it completes."), std::string::npos);
    EXPECT_NE(log.find("SYS:Set ColorSpace White(2,"), std::string::npos);

    // Data the copy's checks refuse: the table's first entry is not 0.
    std::string cal;
    ASSERT_TRUE(ReadWholeFile("VRL000001.cal", cal, nullptr));
    const size_t table = cal.find("\nM,0,0\r");
    ASSERT_NE(table, std::string::npos) << "the gamma table's first line";
    cal.replace(table, 6, "\nM,0,1");
    ASSERT_TRUE(WriteFileAtomically("bad.cal", cal, nullptr));
    r = RunCliCaptured({"copy", "--simulate", "bad.cal"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Invalid gamma table."), std::string::npos) << r.err;

    EXPECT_EQ(RunCliCaptured({"copy", "--simulate", "missing.cal"}).exitCode, 1);
    EXPECT_EQ(RunCliCaptured({"copy", "--simulate"}).exitCode, 2);
}

}  // namespace
}  // namespace halvo
