// halvo-cli with the K-10: its matrix list, measuring with a chosen matrix, and the list read from
// a halvo-sim process over a pseudo-terminal.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "common/file_io.h"
#include "support/capture.h"
#include "support/halvo_sim_process.h"
#include "support/working_directory.h"

namespace halvo {
namespace {

using test::RunCliCaptured;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// Config.ini is read and written in the working directory: each case runs in its own.
class CliK10 : public test::InScratchDirectory {};

TEST_F(CliK10, ListsTheSimulatedMatrices) {
    const auto r = RunCliCaptured({"k10-matrices", "--simulate"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 97u);
    EXPECT_EQ(lines[0], "0 : Factory Cal File");
    EXPECT_EQ(lines[1], "1 : Vorla WG-LCD");
    EXPECT_EQ(lines[96], "96 : Blank");
    const auto json = RunCliCaptured({"k10-matrices", "--simulate", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(json.out.rfind("{\"port\":\"SIM-K10\",\"model\":\"K-10-A\",\"serialNumber\":\"210400123\","
                             "\"matrices\":[\"0 : Factory Cal File\",\"1 : Vorla WG-LCD\",",
                             0),
              0u)
        << json.out;

    EXPECT_EQ(RunCliCaptured({"k10-matrices"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"k10-matrices", "--simulate", "--port", "x"}).exitCode, 2);
    const auto missing = RunCliCaptured({"k10-matrices", "--port", "ttyHALVO-NONE"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("cannot open the K-10 on ttyHALVO-NONE"), std::string::npos) << missing.err;
}

TEST_F(CliK10, MeasuresWithTheChosenMatrix) {
    const auto r = RunCliCaptured(
        {"measure", "--simulate", "--instrument", "K-10", "--matrix", "1", "--count", "2", "--json", "--log", "k10.log"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Lines(r.out).size(), 2u);
    std::string log;
    ASSERT_TRUE(ReadWholeFile("k10.log", log, nullptr));
    EXPECT_NE(log.find("SYS:Open K10 Serial num(210400123)\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("SYS:0\r\n"), std::string::npos);  // the prepare step, before the choice

    const auto blank = RunCliCaptured({"measure", "--simulate", "--instrument", "K-10", "--matrix", "7"});
    EXPECT_EQ(blank.exitCode, 0) << blank.err;
    EXPECT_NE(blank.err.find("7 : Blank holds no correction"), std::string::npos) << blank.err;

    const auto reserved = RunCliCaptured({"measure", "--simulate", "--instrument", "K-10", "--matrix", "95"});
    EXPECT_EQ(reserved.exitCode, 1);
    EXPECT_NE(reserved.err.find("Please select matrix num 0 to 93."), std::string::npos) << reserved.err;
    EXPECT_TRUE(reserved.out.empty());
    EXPECT_EQ(RunCliCaptured({"measure", "--simulate", "--instrument", "CA-210", "--matrix", "1"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"measure", "--simulate", "--instrument", "K-10", "--matrix", "100"}).exitCode, 2);
}

// halvo-sim as its own process; the K-10's list read over a real pseudo-terminal in real time.
TEST(K10EndToEnd, ReadsTheListFromHalvoSimOverAPseudoTerminal) {
    test::HalvoSimProcess sim;
    const std::string path = sim.path("k10");
    ASSERT_FALSE(path.empty());
    const auto r = RunCliCaptured({"k10-matrices", "--port", path});
    EXPECT_TRUE(sim.stop());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 97u);
    EXPECT_EQ(lines[4], "4 : OLED");
    EXPECT_EQ(lines[5], "5 : Blank");
}

}  // namespace
}  // namespace halvo
