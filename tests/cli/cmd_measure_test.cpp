// halvo-cli measure through the station's measurement cycle on the simulated station.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/capture.h"
#include "support/halvo_sim_process.h"
#include "support/working_directory.h"

namespace halvo {
namespace {

using test::RunCliCaptured;

// Config.ini is read and written in the working directory, as by the station: run each case in
// a directory of its own.
class CliMeasure : public test::InScratchDirectory {};

TEST_F(CliMeasure, PrintsFiveReadingsOfTheSimulatedPanelAsJson) {
    const auto r = RunCliCaptured({"measure", "--simulate", "--instrument", "CA-210", "--count", "5", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    int lines = 0;
    size_t start = 0;
    while (start < r.out.size()) {
        const size_t end = r.out.find('\n', start);
        const std::string line = r.out.substr(start, end - start);
        EXPECT_EQ(line.rfind("{\"x\":0.", 0), 0u) << line;
        for (const char* key : {"\"y\":", "\"u\":", "\"vp\":", "\"lv\":", "\"cct\":", "\"duv\":"}) {
            EXPECT_NE(line.find(key), std::string::npos) << key;
        }
        ++lines;
        start = end + 1;
    }
    EXPECT_EQ(lines, 5);
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/Config.ini"));
}

// A pseudo-terminal cannot carry the CA's 7 data bits and even parity; it must open all the
// same, every time, and not only the first (halvo-sim as its own process, in real time).
TEST_F(CliMeasure, ACaOverAPseudoTerminalConnectsAgainAndAgain) {
    test::HalvoSimProcess sim;
    const std::string monitor = sim.path("monitor");
    const std::string ca = sim.path("ca");
    ASSERT_FALSE(ca.empty());
    for (int connect = 1; connect <= 2; ++connect) {
        SCOPED_TRACE(connect);
        const auto r = RunCliCaptured({"measure", "--monitor", monitor, "--instrument", "CA-210", "--port", ca,
                                       "--json", "-v"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out.rfind("{\"x\":0.", 0), 0u) << r.out;
        EXPECT_EQ(r.err.find("Cannot open colorimeter port"), std::string::npos) << r.err;
        // Said on the debug channel only: -v shows it, the log does not keep it.
        EXPECT_NE(r.err.find("DBG:" + ca + " is a pseudo-terminal: it carries 8 data bits without parity, not 7 "
                             "data bits with parity 2"),
                  std::string::npos)
            << r.err;
    }
    EXPECT_TRUE(sim.stop());
}

TEST_F(CliMeasure, ContinuousTextReadingsAndTheLog) {
    const auto r =
        RunCliCaptured({"measure", "--simulate", "--continuous", "--count", "3", "--log", "measure.log"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("  1  x 0."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  3  x 0."), std::string::npos) << r.out;
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/measure.log"));
}

TEST_F(CliMeasure, RefusesBadArgumentsAndReportsAMissingInstrument) {
    EXPECT_EQ(RunCliCaptured({"measure", "--simulate", "--instrument", "CA-999"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"measure", "--simulate", "--count", "0"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"measure"}).exitCode, 2);
    const auto missing = RunCliCaptured({"measure", "--simulate", "--instrument", "CA-210", "--port", "ttyHALVO-NONE"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("cannot open the CA-210"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace halvo
