// halvo-cli measure with the library-driven instruments on the simulated station, and their
// options.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/capture.h"
#include "support/working_directory.h"

namespace halvo {
namespace {

using test::RunCliCaptured;

class CliMeasureLibrary : public test::InScratchDirectory {
protected:
    static int lines(const std::string& text) {
        int n = 0;
        for (char c : text) {
            n += c == '\n' ? 1 : 0;
        }
        return n;
    }
};

TEST_F(CliMeasureLibrary, EachInstrumentMeasuresTheSimulatedPanel) {
    const std::vector<std::vector<std::string>> commands = {
        {"measure", "--simulate", "--instrument", "CS-200", "--speed", "5", "--duration", "2", "--count", "2"},
        {"measure", "--simulate", "--instrument", "i1 Display", "--count", "2", "--continuous"},
        {"measure", "--simulate", "--instrument", "Spyder4", "--calibration", "3", "--count", "2", "-v"},
    };
    for (const auto& command : commands) {
        const auto r = RunCliCaptured(command);
        ASSERT_EQ(r.exitCode, 0) << command[3] << ": " << r.err;
        EXPECT_EQ(lines(r.out), 2) << r.out;
        EXPECT_NE(r.out.find("  2  x 0.3"), std::string::npos) << r.out;
    }
    // The Spyder4's start-up shows in the verbose log.
    const auto spyder = RunCliCaptured(commands[2]);
    EXPECT_NE(spyder.err.find("SN=40719284"), std::string::npos) << spyder.err;
    EXPECT_NE(spyder.err.find("DC_Shutdown"), std::string::npos) << spyder.err;
}

// The meter takes up to a minute on a manual time; the command waits as long as it does.
TEST_F(CliMeasureLibrary, ACs200OnALongManualTimeIsWaitedFor) {
    for (const char* seconds : {"12", "60"}) {
        const auto r = RunCliCaptured({"measure", "--simulate", "--instrument", "CS-200", "--speed", "5", "--duration",
                                       seconds, "--count", "2"});
        ASSERT_EQ(r.exitCode, 0) << seconds << ": " << r.err;
        EXPECT_EQ(lines(r.out), 2) << r.out;
    }
}

TEST_F(CliMeasureLibrary, RefusesOptionValuesOutsideTheLists) {
    EXPECT_EQ(RunCliCaptured({"measure", "--simulate", "--instrument", "CS-200", "--speed", "7"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"measure", "--simulate", "--instrument", "CS-200", "--speed", "FAST"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"measure", "--simulate", "--instrument", "CS-200", "--duration", "0"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"measure", "--simulate", "--instrument", "Spyder4", "--calibration", "-1"}).exitCode, 2);
    const auto r = RunCliCaptured({"measure", "--simulate", "--instrument", "Spyder4", "--calibration", "6"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("the Spyder4 has no \"Cal File\" entry 6"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace halvo
