// halvo-cli verify on the simulated station: the run, the report in both forms, the verdict table
// and the exit code, and its refusals.

#include <gtest/gtest.h>

#include <filesystem>

#include "common/file_io.h"
#include "support/capture.h"
#include "support/working_directory.h"

namespace halvo {
namespace {

using test::RunCliCaptured;

class CliVerify : public test::InScratchDirectory {
protected:
    std::string read(const std::string& name) {
        std::string text;
        std::string error;
        EXPECT_TRUE(ReadWholeFile(dir_ + "/" + name, text, &error)) << error;
        return text;
    }
};

TEST_F(CliVerify, AnUncalibratedMonitorFailsAndTheTextReportHoldsItsValues) {
    const auto r = RunCliCaptured({"verify", "--simulate", "--report", "VRL000001.txt", "--log", "verify.log"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    // The verdict table: test, item, quantity, value, verdict.
    EXPECT_NE(r.out.find("Luminance of White   3200K"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  OR\n"), std::string::npos);
    EXPECT_NE(r.out.find("Luminance of Black                Black Level"), std::string::npos);
    EXPECT_NE(r.out.find("Uniformity"), std::string::npos);
    EXPECT_NE(r.out.find("N/A\n"), std::string::npos);
    EXPECT_NE(r.out.find("report: VRL000001.txt\n"), std::string::npos);
    const std::string text = read("VRL000001.txt");
    EXPECT_EQ(text.rfind("\r\n\tMonitor ID : VRL000001\r\n\r\nMeasure data\r\n\r\nColorSpace : Native\r\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("Gamma\t\u0433= 2."), std::string::npos);
    EXPECT_NE(text.find("11000k\tx:0."), std::string::npos);
    EXPECT_NE(read("verify.log").find("MES: Calibration execution(0)"), std::string::npos);
}

TEST_F(CliVerify, ColourSpacesUniformityAndAWorkbookWithJson) {
    const auto r = RunCliCaptured({"verify", "--simulate", "--gamma", "--color", "--uniformity", "--color-spaces", "native,NTSC",
                                   "--report", "out.xls", "--json"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    // A name ending in .xls is given the format that is written.
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/out.xlsx"));
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/out.xls"));
    EXPECT_EQ(r.out.rfind("{\"report\":\"out.xlsx\",\"passed\":false,\"verdicts\":[", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("{\"test\":\"Uniformity\",\"item\":\"\",\"quantity\":\"\",\"value\":\""), std::string::npos);
    EXPECT_EQ(r.out.find("{\"test\":\"Uniformity\",\"item\":\"\",\"quantity\":\"\",\"value\":\"\""),
              std::string::npos);  // measured: the simulated operator walked the nine positions
    EXPECT_NE(r.out.find("\"item\":\"NTSC\",\"quantity\":\"gamut(%)\""), std::string::npos);
    const std::string workbook = read("out.xlsx");
    EXPECT_EQ(workbook.rfind("PK", 0), 0u);
}

TEST_F(CliVerify, CalibrateThenVerifyPassesWhatTheCalibrationCovers) {
    const auto r = RunCliCaptured({"calibrate", "--simulate", "--gamma", "--verify", "--report", "after.txt"});
    EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("Calibration completed."), std::string::npos) << r.out;
    for (const char* line : {"Luminance of White   6500K", "Color Temperature    9300K        \u0394v'",
                             "Gamma                Native       Black~White"}) {
        const size_t at = r.out.find(line);
        ASSERT_NE(at, std::string::npos) << line;
        EXPECT_EQ(r.out.substr(r.out.find('\n', at) - 2, 2), "OK") << line;
    }
    EXPECT_EQ(r.out.find("  OR\n"), std::string::npos) << r.out;
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/after.txt"));
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/VRL000001.cal"));
    // The log saved with the calibration holds the verification too.
    EXPECT_NE(read("VRL000001Log.txt").find("Measure Positon is at Center"), std::string::npos);
    EXPECT_EQ(RunCliCaptured({"calibrate", "--simulate", "--verify", "--no-store", "--report", "a.txt"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"calibrate", "--simulate", "--verify"}).exitCode, 2);
}

TEST_F(CliVerify, TheCertificateAndTheCgatsFilesGoIntoTheFoldersAsked) {
    const auto r = RunCliCaptured({"verify", "--simulate", "--gamma", "--color", "--color-spaces", "BT.709",
                                   "--report", "r.txt", "--certificate", "out/c.pdf", "--cgats", "cgats/m.ti3",
                                   "--json"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.out.find("\"deltaE2000\":[{\"colorSpace\":\"BT.709\",\"patches\":19,\"mean\":"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"certificate\":\"out/c.pdf\"}"), std::string::npos) << r.out;
    EXPECT_EQ(read("out/c.pdf").rfind("%PDF-", 0), 0u);
    EXPECT_EQ(read("cgats/m_BT709.ti3").rfind("CTI3\n", 0), 0u);
    EXPECT_NE(read("cgats/m_BT709_target.ti3").find("NUMBER_OF_SETS 19\n"), std::string::npos);
    // The text form lists the figures under the verdicts.
    const auto t = RunCliCaptured({"verify", "--simulate", "--color", "--color-spaces", "BT.709,D-Cinema",
                                   "--report", "r.txt"});
    EXPECT_TRUE(t.out.find("\u0394E2000 BT.709    mean ") != std::string::npos &&
                t.out.find("(8 patches)\n") != std::string::npos)
        << t.out;
}

TEST_F(CliVerify, RefusesBadArguments) {
    const auto usage = [](std::vector<std::string> args) {
        const auto r = RunCliCaptured(args);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        return r.err;
    };
    EXPECT_NE(usage({"verify", "--simulate"}).find("--report"), std::string::npos);
    EXPECT_NE(usage({"verify", "--simulate", "--report", "r.pdf"}).find(".xlsx or .txt"), std::string::npos);
    EXPECT_NE(usage({"verify", "--simulate", "--report", "report"}).find(".xlsx or .txt"), std::string::npos);
    EXPECT_NE(usage({"verify", "--simulate", "--color-spaces", "BT.709,Rec2020", "--report", "r.txt"})
                  .find("unknown colour space 'Rec2020'"),
              std::string::npos);
    EXPECT_NE(usage({"verify", "--report", "r.txt"}).find("--monitor"), std::string::npos);
    EXPECT_NE(usage({"verify", "--simulate", "--report", "r.txt", "--certificate", "c.txt"}).find("ending in .pdf"),
              std::string::npos);
    EXPECT_NE(usage({"verify", "--simulate", "--report", "r.txt", "--cgats", "dir/"}).find("--cgats needs a file"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/r.txt"));
}

}  // namespace
}  // namespace halvo
