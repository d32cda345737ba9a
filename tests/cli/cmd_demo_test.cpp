// halvo-cli demo end to end on the virtual clock: the verification of the uncalibrated simulated
// monitor, the full calibration, the verification after it, the files it leaves and the
// before/after table.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <regex>

#include "common/file_io.h"
#include "support/capture.h"
#include "support/zip_reader.h"

namespace halvo {
namespace {

using test::RunCliCaptured;

class CliDemo : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        dir_ = ::testing::TempDir() + "halvo_cli_demo_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(dir_);
    }
    std::string read(const std::string& name) {
        std::string text;
        std::string error;
        EXPECT_TRUE(ReadWholeFile(dir_ + "/" + name, text, &error)) << error;
        return text;
    }
    static size_t count(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
            ++n;
        }
        return n;
    }
    std::filesystem::path previous_;
    std::string dir_;
};

TEST_F(CliDemo, TheFullRunLeavesItsFilesAndTheCalibratedMonitorPasses) {
    const auto r = RunCliCaptured({"demo", "--out", "out", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    const std::string& json = r.out;
    EXPECT_EQ(json.rfind("{\"calibrationId\":\"VRL000001\",\"passed\":true,", 0), 0u) << json;
    // The uncalibrated monitor fails its whites and most colour spaces; afterwards nothing fails.
    const std::smatch before = [&] {
        std::smatch m;
        std::regex_search(json, m, std::regex("\"outOfRangeBefore\":([0-9]+),\"outOfRangeAfter\":([0-9]+)"));
        return m;
    }();
    ASSERT_EQ(before.size(), 3u) << json;
    EXPECT_GE(std::stoi(before[1]), 20);
    EXPECT_EQ(before[2], "0");
    EXPECT_EQ(count(json, "\"verdict\":\"OR\""), 0u);
    EXPECT_EQ(count(json, "\"beforeVerdict\":\"OR\""), static_cast<size_t>(std::stoi(before[1])));
    // Every test of the report is there in both runs: six colour spaces of primaries, seven gammas.
    EXPECT_EQ(count(json, "\"test\":\"Primary Colors\""), 42u);
    EXPECT_EQ(count(json, "\"test\":\"Gamma\""), 7u);
    EXPECT_EQ(count(json, "\"beforeVerdict\":"), count(json, "\"verdict\":"));
    EXPECT_NE(json.find("{\"test\":\"Luminance of White\",\"item\":\"6500K\",\"quantity\":\"Lv\",\"before\":\""),
              std::string::npos);
    // A full run is about half an hour of station time.
    std::smatch station;
    ASSERT_TRUE(std::regex_search(json, station, std::regex("\"stationSeconds\":([0-9.]+)")));
    EXPECT_GT(std::stod(station[1]), 20 * 60.0);
    EXPECT_LT(std::stod(station[1]), 60 * 60.0);

    // The calibration data holds the gamma table and the five colour spaces' tables.
    const std::string cal = read("out/VRL000001.cal");
    for (const char* space : {"_BT_709_", "_SMPTE_C_", "_EBU_", "_NTSC_", "_D_CINEMA_"}) {
        EXPECT_NE(cal.find(space), std::string::npos) << space;
    }
    // The workbook: the summary sheet and one sheet per colour space, with chart pictures when
    // the build paints them.
    const auto zip = test::ReadZip(read("out/VRL000001Verify.xlsx"));
    ASSERT_TRUE(zip.has_value());
    const std::string& workbook = zip->at("xl/workbook.xml");
    for (const char* sheet : {"Measure", "Native", "BT.709", "EBU", "D-Cinema"}) {
        EXPECT_NE(workbook.find(std::string("name=\"") + sheet + "\""), std::string::npos) << sheet << workbook;
    }
    const std::string& strings = zip->at("xl/sharedStrings.xml");
    EXPECT_NE(strings.find("TXM-600-HD-S V1.02 (SIMULATED)"), std::string::npos);
    EXPECT_NE(strings.find("halvo-cli demo"), std::string::npos);
    const std::string text = read("out/VRL000001Verify.txt");
    EXPECT_EQ(text.rfind("\r\n\tMonitor ID : VRL000001\r\n", 0), 0u) << text.substr(0, 80);
    EXPECT_NE(text.find("ColorSpace : EBU"), std::string::npos);
    // The report of the first verification is a different one: the whites were off then.
    EXPECT_NE(read("out/VRL000001VerifyBefore.txt"), text);
    const std::string log = read("out/VRL000001Log.txt");
    EXPECT_EQ(count(log, "CAL: Start Colorspace Calibration"), 5u);
    EXPECT_LT(log.find("Start Gamma Calibration"), log.find("Start Colorspace Calibration"));
    EXPECT_NE(log.find("CAL: panel gamma = "), std::string::npos);
    EXPECT_NE(log.find("\r\n"), std::string::npos);
}

TEST_F(CliDemo, TheTableShowsBeforeAndAfterAndTheTimes) {
    const auto r = RunCliCaptured({"demo", "--out", "."});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("Verification of VRL000001 before and after its calibration"), std::string::npos) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("\nLuminance of White   6500K        Lv           [0-9.]+ OR +[0-9.]+ OK\n")))
        << r.out;
    EXPECT_NE(r.out.find("out of range, the monitor passes.\n"), std::string::npos);
    EXPECT_TRUE(std::regex_search(r.out, std::regex("\nStation time  [0-9]+\\.[0-9] min \\(verification [0-9.]+, "
                                                    "calibration [0-9.]+, verification [0-9.]+\\)\nWall time     [0-9.]+ s\n")))
        << r.out;
    EXPECT_NE(r.out.find("Files in " + std::filesystem::canonical(dir_).string() + "\n  VRL000001.cal\n"), std::string::npos);
    // Progress on stderr, the table alone on stdout.
    EXPECT_NE(r.err.find("Verifying the uncalibrated monitor"), std::string::npos);
    EXPECT_EQ(r.out.find("Verifying"), std::string::npos);
}

// What a command prints, and its exit status.
std::pair<int, std::string> RunCommand(const std::string& command) {
    std::string output;
    std::FILE* out = popen((command + " 2>&1").c_str(), "r");
    if (out == nullptr) {
        return {-1, ""};
    }
    char buf[1024];
    while (std::fgets(buf, sizeof buf, out) != nullptr) {
        output += buf;
    }
    return {pclose(out), output};
}

TEST_F(CliDemo, TheCertificateShowsTheVerdictTheIdsAndEveryItemAndArgyllReadsTheReadings) {
    const auto r = RunCliCaptured({"demo", "--out", "out", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    // The certificate's text is text: poppler finds it.
    const auto [status, pdf] = RunCommand("pdftotext -layout out/VRL000001Certificate.pdf -");
    ASSERT_EQ(status, 0) << "pdftotext (poppler-utils, installed by make deps): " << pdf;
    EXPECT_EQ(count(pdf, "\f"), 2u) << "two pages";
    // The diagrams are embedded without loss; a JPEG-compressed one blurs the locus and gamut edges.
    EXPECT_EQ(read("out/VRL000001Certificate.pdf").find("/DCTDecode"), std::string::npos);
    // The verdict comes first on the page.
    const size_t verdict = pdf.find("PASS");
    ASSERT_NE(verdict, std::string::npos) << pdf;
    EXPECT_LT(verdict, pdf.find("Calibration ID"));
    EXPECT_NE(pdf.find("All 62 measured items within their limits."), std::string::npos);
    EXPECT_TRUE(std::regex_search(pdf, std::regex("Before calibration: [0-9]+ of 62 measured items out of range.")));
    for (const char* id : {"VRL000001", "TXM-600-HD-S", "V1.02", "SIMULATED", "halvo-cli demo", "CA-210"}) {
        EXPECT_NE(pdf.find(id), std::string::npos) << id;
    }
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    EXPECT_NE(pdf.find(host), std::string::npos) << "the station's name";
    for (const char* space : {"BT.709", "SMPTE-C", "EBU", "NTSC", "D-Cinema"}) {
        EXPECT_TRUE(std::regex_search(pdf, std::regex(std::string("\n *") + space + " +19 +[0-9]+\\.[0-9]{2} +[0-9]+\\.[0-9]{2}")))
            << space << " CIEDE2000 mean and max";
    }
    // Every item of the JSON's table is a row of the certificate: item, quantity, the value and
    // verdict before and after.
    const std::regex item(R"re(\{"test":"([^"]*)","item":"([^"]*)","quantity":"([^"]*)","before":"([^"]*)","beforeVerdict":"([^"]*)","after":"([^"]*)","verdict":"([^"]*)"\})re");
    size_t items = 0;
    for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), item); it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        const auto cell = [](const std::string& value, const std::string& mark) {
            return mark == "N/A" ? std::string("N/A") : value + " " + mark;
        };
        const std::string row = m[2].str() + " +" + std::regex_replace(m[3].str(), std::regex(R"([()'~|])"), "\\$&") +
                                " .*" + cell(m[4], m[5]) + " +" + cell(m[6], m[7]);
        EXPECT_TRUE(std::regex_search(pdf, std::regex(row))) << m[1] << " / " << row;
        EXPECT_NE(pdf.find(m[1].str()), std::string::npos);
        ++items;
    }
    EXPECT_EQ(items, 63u) << "62 measured, and the uniformity not";

    // ArgyllCMS reads every colour space's readings against its targets, all patches matched.
    for (const char* space : {"BT709", "SMPTE-C", "EBU", "NTSC", "D-Cinema"}) {
        const std::string base = std::string("out/VRL000001Verify_") + space;
        const auto [rc, text] = RunCommand("colverify -v -k -n " + base + "_target.ti3 " + base + ".ti3");
        EXPECT_EQ(rc, 0) << "colverify (argyll, installed by make deps): " << text;
        EXPECT_NE(text.find("No of test patches = 19"), std::string::npos) << text;
        EXPECT_NE(text.find("Total errors (CIEDE2000):"), std::string::npos) << text;
    }
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/out/VRL000001Verify_Native.ti3"));
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/out/VRL000001Verify_Native_target.ti3"));
}

TEST_F(CliDemo, RefusesWhatItCannotDo) {
    EXPECT_EQ(RunCliCaptured({"demo", "extra"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"demo", "--seed", "x"}).exitCode, 2);
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(dir_ + "/plain", "not a folder", &error)) << error;
    const auto r = RunCliCaptured({"demo", "--out", "plain"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("plain is not a directory"), std::string::npos) << r.err;
    EXPECT_EQ(read("plain"), "not a folder");
}

}  // namespace
}  // namespace halvo
