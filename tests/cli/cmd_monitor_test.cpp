// halvo-cli ports, identify and eeprom against the simulated monitor, scripted ports and a
// halvo-sim process over a pseudo-terminal.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "support/capture.h"
#include "support/halvo_sim_process.h"
#include "support/recording_endpoint.h"

namespace halvo {
namespace {

using test::RunCliCaptured;

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "halvo_cli_" + name;
}

TEST(CliIdentify, PrintsTheSimulatedMonitor) {
    const auto r = RunCliCaptured({"identify", "--simulate", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"port\":\"SIM-MONITOR\",\"versionText\":\"TXM-600-HD-S V1.02\",\"recognisedModel\":true,"
              "\"modelTxm400\":false,\"modelTxm600HdS\":true,\"modelInfo\":144,\"calibrationId\":\"VRL000001\","
              "\"backlight\":100,\"capability\":16,\"supported\":true}\n");
    const auto text = RunCliCaptured({"identify", "--simulate"});
    EXPECT_NE(text.out.find("Version text      TXM-600-HD-S V1.02\n"), std::string::npos);
    EXPECT_NE(text.out.find("Supported         yes\n"), std::string::npos);
}

TEST(CliIdentify, WritesTheStationLogAndEchoesIt) {
    const std::string logFile = TempPath("identify.log");
    const auto r = RunCliCaptured({"identify", "--simulate", "--log", logFile, "-v"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("SYS:Monitor = TXM-600-HD-S V1.02\n"), std::string::npos);
    std::string saved;
    ASSERT_TRUE(ReadWholeFile(logFile, saved, nullptr));
    EXPECT_EQ(saved,
              "SYS:Change Monitor's Serial Mode\r\nSYS:Monitor = TXM-600-HD-S V1.02\r\n"
              "SYS:Calibration ID=VRL000001\r\nSYS:Draw target marker\r\n");
    std::remove(logFile.c_str());
}

TEST(CliIdentify, FailsWithAMessageWhenThePortIsMissingOrTheMonitorSilent) {
    const auto missing = RunCliCaptured({"identify", "--monitor", "ttyHALVO-MISSING"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("cannot open monitor port ttyHALVO-MISSING"), std::string::npos) << missing.err;
    EXPECT_TRUE(missing.out.empty());

    test::ScopedEndpoint silent("TEST-SILENT");
    const auto quiet = RunCliCaptured({"identify", "--monitor", "TEST-SILENT"});
    EXPECT_EQ(quiet.exitCode, 1);
    EXPECT_NE(quiet.err.find("did not answer"), std::string::npos) << quiet.err;
    // It still sent the whole sequence (real time: about three seconds of waits).
    EXPECT_EQ(silent->writes.size(), 7u);

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"identify"}, {"identify", "--simulate", "--monitor", "x"}, {"identify", "--simulate", "extra"}}) {
        EXPECT_EQ(RunCliCaptured(args).exitCode, 2);
    }
}

TEST(CliEeprom, ReadsAndWritesImagesAndRefusesWrongSizes) {
    const std::string image = TempPath("eeprom.bin");
    const auto read = RunCliCaptured({"eeprom", "read", "--simulate", "--out", image});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_NE(read.out.find("calibration ID \"VRL000001      \""), std::string::npos) << read.out;
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(image, bytes, nullptr));
    EXPECT_EQ(bytes.size(), 1485u);

    const auto write = RunCliCaptured({"eeprom", "write", "--simulate", "--in", image});
    EXPECT_EQ(write.exitCode, 0) << write.err;

    const std::string shortImage = TempPath("short.bin");
    ASSERT_TRUE(WriteFileAtomically(shortImage, std::string(100, 'x'), nullptr));
    const auto refused = RunCliCaptured({"eeprom", "write", "--simulate", "--in", shortImage});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("holds 100 bytes"), std::string::npos) << refused.err;

    EXPECT_EQ(RunCliCaptured({"eeprom", "read", "--simulate"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"eeprom", "copy", "--simulate", "--out", image}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"eeprom", "write", "--simulate", "--in", TempPath("absent.bin")}).exitCode, 1);
    std::remove(image.c_str());
    std::remove(shortImage.c_str());
}

TEST(CliPorts, ListsExtraPorts) {
    ::setenv("HALVO_EXTRA_PORTS", "/tmp/halvo-port-x", 1);
    const auto r = RunCliCaptured({"ports"});
    ::unsetenv("HALVO_EXTRA_PORTS");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("/tmp/halvo-port-x\n"), std::string::npos);
}

// halvo-sim as its own process, identified over a real pseudo-terminal in real time, strict: the
// identification sends nothing the monitor refuses.
TEST(EndToEnd, IdentifiesHalvoSimOverAPseudoTerminal) {
    test::HalvoSimProcess sim({"--model", "TXM-400 V3.00", "--info", "0x08", "--strict"});
    const std::string path = sim.path("monitor");
    ASSERT_FALSE(path.empty());
    const auto r = RunCliCaptured({"identify", "--monitor", path, "--json"});
    EXPECT_TRUE(sim.stop()) << sim.stderrText();
    EXPECT_EQ(sim.stderrText(), "halvo-sim: 0 protocol violations\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"versionText\":\"TXM-400 V3.00\",\"recognisedModel\":true,\"modelTxm400\":true"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"modelInfo\":8"), std::string::npos);
}

// A frame no monitor knows, then a gamma curve change followed at once by another command: each
// reported as it comes, counted at the end, and the exit status says so.
TEST(EndToEnd, StrictHalvoSimReportsEachFrameItsMonitorRefused) {
    test::HalvoSimProcess sim({"--strict"});
    const std::string path = sim.path("monitor");
    ASSERT_FALSE(path.empty());
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    const uint8_t unknown[] = {0xF5, 0x88, 0x00, 0xFE, 0x16, 0x00};
    const uint8_t curveThenPattern[] = {0xF5, 0x88, 0x00, 0xFE, 0x0A, 0x0E,  // SetGamma 14
                                        0xF7, 0x88, 0x00, 0xFE, 0x00, 0x00, 0x00, 0x00};
    ASSERT_EQ(::write(fd, unknown, sizeof unknown), static_cast<ssize_t>(sizeof unknown));
    ::usleep(200 * 1000);
    ASSERT_EQ(::write(fd, curveThenPattern, sizeof curveThenPattern), static_cast<ssize_t>(sizeof curveThenPattern));
    ::usleep(300 * 1000);
    ::close(fd);
    EXPECT_FALSE(sim.stop());
    EXPECT_EQ(sim.exitStatus(), 1);
    EXPECT_NE(sim.stderrText().find(" ms: unknown command code 0x16 of class 0x88: F5 88 00 FE 16 00\n"),
              std::string::npos)
        << sim.stderrText();
    EXPECT_NE(sim.stderrText().find(" ms after SetGamma, which takes 2000 ms: F7 88 00 FE 00 00 00 00\n"),
              std::string::npos)
        << sim.stderrText();
    EXPECT_NE(sim.stderrText().find("halvo-sim: 2 protocol violations\n"), std::string::npos) << sim.stderrText();
}

}  // namespace
}  // namespace halvo
