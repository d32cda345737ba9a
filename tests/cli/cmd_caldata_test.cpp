// halvo-cli caldata: a station log made into a .cal file and shown, and refused arguments.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "caldata/calib_page.h"
#include "common/file_io.h"
#include "common/version.h"
#include "support/capture.h"

namespace halvo {
namespace {

using test::RunCliCaptured;

class CliCaldata : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "halvo_cli_caldata_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    std::string dir;
    const std::string runLog = std::string(HALVO_SOURCE_DIR_FOR_TESTS) + "/tests/caldata/data/calibration_run_log.txt";
};

TEST_F(CliCaldata, ImportsALogAndShowsTheResult) {
    const std::string cal = dir + "/run.cal";
    const auto imported = RunCliCaptured({"caldata", "import-log", runLog, "--out", cal});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(imported.out.rfind("calibration_run_log calibration data loaded sucessfully.\n> Gamma table : O", 0), 0u)
        << imported.out;
    std::string text;
    ASSERT_TRUE(ReadWholeFile(cal, text, nullptr));
    EXPECT_EQ(text.rfind("-Calibaration Data-\r\n_VERSION_\r\nX,", 0), 0u);
    EXPECT_NE(text.find("\r\n_SPACE2_\r\n"), std::string::npos);

    // The file the station wrote comes back byte for byte through the page's Load and Save,
    // its ten uniformity settings included although this station's version is below 7.3.
    struct : CommandSink {
        void postOperatorCommand(int, int) override {}
    } sink;
    QuietStationUi ui;
    StationLog log;
    Ccalib page(sink, ui, log);
    page.programVersion = kVersionMajor + kVersionMinor / 10.0;
    ASSERT_TRUE(page.loadFile(cal));
    ASSERT_TRUE(page.saveFile(dir + "/again.cal"));
    std::string again;
    ASSERT_TRUE(ReadWholeFile(dir + "/again.cal", again, nullptr));
    EXPECT_TRUE(again == text);
    EXPECT_NE(text.find("\r\nV,128,12,8,0,15,20,9,3,0,17\r\n"), std::string::npos);

    const auto shown = RunCliCaptured({"caldata", "show", cal});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_NE(shown.out.find("Bit depth          10 bit\n"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("spaces BT-709, EBU (mask 0x05)"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("  row 6           182 236 228"), std::string::npos) << shown.out;

    const auto json = RunCliCaptured({"caldata", "show", cal, "--json"});
    ASSERT_EQ(json.exitCode, 0);
    for (const char* key : {"\"bitDepth\":1", "\"colorSpaceMask\":5", "\"uniformitySettings\":[128,12,8,0,15,20,9,3,0,17]",
                            "\"present\":{\"gamma\":true,\"uniformity\":true,\"colorSpace\":true,\"colorTemperature\":true}",
                            "\"gammaTable\":{\"min\":0,\"max\":18255,\"strictlyIncreasing\":true}"}) {
        EXPECT_NE(json.out.find(key), std::string::npos) << key << " in " << json.out;
    }
}

TEST_F(CliCaldata, RefusesFilesAndArgumentsItCannotUse) {
    const std::string notCal = dir + "/notes.cal";
    ASSERT_TRUE(WriteFileAtomically(notCal, "notes\r\n", nullptr));
    const auto bad = RunCliCaptured({"caldata", "show", notCal});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("The file format is not correct."), std::string::npos) << bad.err;
    EXPECT_EQ(RunCliCaptured({"caldata", "show", dir + "/missing.cal"}).exitCode, 1);

    const std::vector<std::vector<std::string>> usage = {
        {"caldata"},
        {"caldata", "dump", notCal},
        {"caldata", "show"},
        {"caldata", "show", notCal, notCal},
        {"caldata", "show", notCal, "--out", "x.cal"},
        {"caldata", "import-log", runLog},
        {"caldata", "import-log", runLog, "--out", "x.cal", "--json"},
        {"caldata", "import-log", notCal, "--out", "x.cal"},
        {"caldata", "show", notCal, "--verbose"},
    };
    for (const auto& args : usage) {
        const auto r = RunCliCaptured(args);
        EXPECT_EQ(r.exitCode, 2) << args.size();
        EXPECT_NE(r.err.find("usage: halvo-cli caldata"), std::string::npos);
    }
}

}  // namespace
}  // namespace halvo
