// The simulated monitor's frame splitter: every frame of the vocabulary, garbage, partial frames.

#include <gtest/gtest.h>

#include "monitor/monitor_protocol.h"
#include "sim/monitor_frames.h"

namespace halvo::sim {
namespace {

std::vector<std::string> Split(FrameSplitter& s, const Bytes& bytes, int64_t at = 0) {
    std::vector<std::string> out;
    for (const Bytes& f : s.push(bytes.data(), bytes.size(), at)) {
        out.push_back(HexBytes(f));
    }
    return out;
}

TEST(FrameSplitter, FindsEveryFrameOfTheVocabulary) {
    std::vector<Bytes> frames;
    for (int v = 0; v < kMonitorCommandCount; ++v) {
        if (const MonitorCommandInfo* info = FindMonitorCommand(v)) {
            frames.push_back(*BuildMonitorFrame(info->command, 0x04030201));
        }
    }
    const uint8_t u6[6] = {1, 2, 3, 4, 5, 6};
    const uint8_t u11[11] = {};
    const uint8_t g9[9] = {9, 9, 9, 9, 9, 9, 9, 9, 9};
    uint8_t cs[196] = {};
    cs[0] = 0xF5;  // payload bytes that look like a lead must not split the block
    frames.push_back(BuildRgbOffsetFrame(-5, 5, 100));
    frames.push_back(BuildCalibrationIdFrame("ABC"));
    frames.push_back(ExtendedQueryFrame());
    frames.push_back(BuildUniformityShortFrame(u6));
    frames.push_back(BuildUniformityLongFrame(u11));
    frames.push_back(BuildGammaTableFrame(g9));
    frames.push_back(BuildColorSpaceBlockFrame(cs));
    frames.push_back(BuildEepromReadFrame(100));
    frames.push_back(BuildEepromWriteFrame(100, 0xF7));

    Bytes stream;
    std::vector<std::string> expected;
    for (const Bytes& f : frames) {
        stream.insert(stream.end(), f.begin(), f.end());
        expected.push_back(HexBytes(f));
    }
    FrameSplitter whole;
    EXPECT_EQ(Split(whole, stream), expected);

    // The same stream one byte at a time.
    FrameSplitter bytewise;
    std::vector<std::string> got;
    for (uint8_t b : stream) {
        for (const std::string& f : Split(bytewise, {b})) {
            got.push_back(f);
        }
    }
    EXPECT_EQ(got, expected);
}

TEST(FrameSplitter, SkipsGarbageAndDropsAFrameThatNeverCompletes) {
    FrameSplitter s;
    EXPECT_EQ(Split(s, {0x00, 0x41, 0xEF, 0xF1, 0x9B, 0x13}), (std::vector<std::string>{"F1 9B"}));
    EXPECT_EQ(s.pendingBytes(), 0u);
    // Half a pattern frame, then silence, then a new command: the half frame is dropped.
    EXPECT_TRUE(Split(s, {0xF7, 0x88, 0x00}, 100).empty());
    EXPECT_EQ(Split(s, {0xF1, 0x9B}, 100 + FrameSplitter::kStaleGapMs + 1), (std::vector<std::string>{"F1 9B"}));
    // Within the gap the frame continues.
    EXPECT_TRUE(Split(s, {0xF5, 0x88, 0x00}, 1000).empty());
    EXPECT_EQ(Split(s, {0xFE, 0x09, 0x80}, 1010), (std::vector<std::string>{"F5 88 00 FE 09 80"}));
}

}  // namespace
}  // namespace halvo::sim
