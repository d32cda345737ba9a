// The prescribed run's wire traffic, frame for frame and millisecond for millisecond, against a
// recording made before the fast run existed: a calibration (gamma, BT.709, the 6500 K white,
// the panel-gamma check, the EEPROM save) and the verification after it, on both panels. Any
// change the fast run makes to the shared steps shows here as the first frame that differs.
//
// HALVO_RECORD_WIRE=<folder> writes the recordings instead of comparing (only ever from a tree
// whose prescribed run is known to be right).

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "scenarios/fast_run_fixture.h"

namespace halvo::test {
namespace {

class PrescribedWire : public NativeVerificationFixture {};

std::string FrameLines(const std::vector<sim::SimMonitor::ReceivedFrame>& frames, int64_t origin) {
    std::string out;
    for (const auto& f : frames) {
        out += std::to_string(f.atMs - origin);
        out += ' ';
        for (uint8_t b : f.bytes) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", b);
            out += hex;
        }
        out += '\n';
    }
    return out;
}

std::string Recording(const std::string& panel) {
    return std::string(HALVO_SCENARIO_DATA_DIR) + "/prescribed_wire_" + panel + ".txt";
}

TEST_P(PrescribedWire, CalibrationAndVerificationSendTheRecordedFrames) {
    ready();
    chooseRun(true, 1u, 1, false, {2});
    page().gammaStep.selected = 0;  // 16 grey levels
    sim->monitor().clearReceivedFrames();
    sim->monitor().recordFrames(true);
    const int64_t origin = scheduler.nowMs();
    ASSERT_TRUE(calibrateAndStore());
    verifyNative();
    sim->monitor().recordFrames(false);
    const std::string got = FrameLines(sim->monitor().receivedFrames(), origin);

    if (const char* folder = std::getenv("HALVO_RECORD_WIRE")) {
        std::ofstream(std::string(folder) + "/prescribed_wire_" + GetParam() + ".txt", std::ios::binary) << got;
        GTEST_SKIP() << "recorded";
    }
    std::ifstream in(Recording(GetParam()), std::ios::binary);
    ASSERT_TRUE(in) << Recording(GetParam());
    std::stringstream want;
    want << in.rdbuf();
    std::istringstream a(want.str()), b(got);
    std::string wantLine, gotLine;
    int line = 0;
    while (true) {
        const bool moreWant = static_cast<bool>(std::getline(a, wantLine));
        const bool moreGot = static_cast<bool>(std::getline(b, gotLine));
        ++line;
        if (!moreWant && !moreGot) {
            break;
        }
        ASSERT_EQ(moreWant ? wantLine : "<end>", moreGot ? gotLine : "<end>") << "frame " << line;
    }
    EXPECT_GT(line, 300);
}

INSTANTIATE_TEST_SUITE_P(Panels, PrescribedWire, ::testing::Values("wide-lcd", "cool-lcd"), PanelTestName);

}  // namespace
}  // namespace halvo::test
