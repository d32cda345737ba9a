// halvo-cli calibrate --uniformity: the simulated operator's walk for the methods the simulated
// monitor's model selects, the report and files, the refusals, and the prompt a real station's
// operator answers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "common/file_io.h"
#include "sim/sim_station.h"
#include "support/capture.h"
#include "support/wire_check.h"
#include "support/working_directory.h"

namespace halvo {
namespace {

using test::RunCliCaptured;

class CliUniformity : public test::InScratchDirectory {};

double NumberAfter(const std::string& text, const std::string& key) {
    const size_t at = text.find(key);
    return at == std::string::npos ? -1.0 : std::strtod(text.c_str() + at + key.size(), nullptr);
}

TEST_F(CliUniformity, WalksTheGradientMethodAndSavesTheRowAndSettings) {
    const auto r = RunCliCaptured({"calibrate", "--simulate", "--uniformity", "--sim-model", "TXM-600 V1.00",
                                   "--sim-info", "0", "--out", "out"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("Calibration completed.\n"), std::string::npos);
    EXPECT_NE(r.out.find("Uniformity method gradient\n"), std::string::npos);
    EXPECT_NE(r.out.find("  measured before "), std::string::npos);
    EXPECT_NE(r.out.find("  panel after "), std::string::npos);
    std::string cal;
    ASSERT_TRUE(ReadWholeFile(dir_ + "/out/VRL000001.cal", cal, nullptr));
    const size_t u = cal.find("\r\nU,");
    ASSERT_NE(u, std::string::npos);
    EXPECT_NE(cal.substr(u + 4, 6), " ") << "the row holds the readings";
    // Ten settings on a ten-bit ("TXM") model, the enable bit set in the first.
    const size_t v = cal.find("\r\nV,");
    ASSERT_NE(v, std::string::npos);
    EXPECT_GE(std::atoi(cal.c_str() + v + 4), 128);
    EXPECT_EQ(std::count(cal.begin() + static_cast<long>(v) + 2, cal.begin() + static_cast<long>(cal.find("\r\n", v + 2)),
                         ','),
              10);
    std::string log;
    ASSERT_TRUE(ReadWholeFile(dir_ + "/out/VRL000001Log.txt", log, nullptr));
    EXPECT_NE(log.find("CAL: Panel Uniformity correction is Completed.\r\n"), std::string::npos);
    EXPECT_NE(log.find("CAL: Right Bottom\r\n"), std::string::npos);
}

TEST_F(CliUniformity, JsonReportsTheFiguresBeforeAndAfter) {
    const auto r = RunCliCaptured({"calibrate", "--simulate", "--uniformity", "--json", "--out", "out"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"uniformity\":{\"method\":\"gamma-curve\",\"before\":["), std::string::npos) << r.out;
    EXPECT_GT(NumberAfter(r.out, "\"beforePercent\":"), 8.0);
    const double after = NumberAfter(r.out, "\"afterPercent\":");
    EXPECT_GE(after, 0.0);
    EXPECT_LT(after, 5.0);
}

TEST_F(CliUniformity, RefusesChoicesThatDoNotGoWithIt) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"calibrate", "--simulate", "--uniformity", "--gamma"},
             {"calibrate", "--simulate", "--uniformity", "--no-store"},
             {"calibrate", "--simulate", "--uniformity", "--sim-info", "256"},
             {"calibrate", "--simulate", "--uniformity", "--sim-info", "0x1G"},
             {"calibrate", "--simulate", "--uniformity", "--sim-model", ""},
         }) {
        EXPECT_EQ(RunCliCaptured(args).exitCode, 2) << testing::PrintToString(args);
    }
}

// A real station: the simulated devices on the wall clock behind in-process ports. The operator
// closes the input at the first prompt (a full walk takes minutes of real time).
TEST_F(CliUniformity, WithARealMonitorEachPositionWaitsForEnter) {
    RealTimeScheduler clock;
    sim::SimStation station(clock);
    test::WireCheck wire(station.monitor());
    station.install();
    char* outBuf = nullptr;
    char* errBuf = nullptr;
    size_t outLen = 0;
    size_t errLen = 0;
    std::FILE* out = open_memstream(&outBuf, &outLen);
    std::FILE* err = open_memstream(&errBuf, &errLen);
    char nothing[1] = {0};
    std::FILE* in = fmemopen(nothing, 0, "r");
    ASSERT_NE(in, nullptr);
    const int code = cli::RunCli({"halvo-cli", "calibrate", "--uniformity", "--monitor", sim::kSimMonitorPort,
                                  "--instrument", "CA-210", "--port", sim::kSimCaPort, "--out", "out"},
                                 {out, err, in});
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
    const std::string errText(errBuf, errLen);
    std::free(outBuf);
    std::free(errBuf);
    EXPECT_EQ(code, 1);
    EXPECT_NE(errText.find("Center: move the probe to the indicated location, then press Enter"), std::string::npos)
        << errText;
    EXPECT_NE(errText.find("no answer from the operator"), std::string::npos);
    EXPECT_EQ(station.monitor().calibration().uniformity, sim::MonitorUniformity()) << "nothing was started";
}

}  // namespace
}  // namespace halvo
