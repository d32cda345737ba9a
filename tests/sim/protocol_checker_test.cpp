// The simulated monitor's protocol checker: what it takes, what it refuses and why, and that a
// frame reaching a busy monitor is lost. Frames are written out by hand from the wire
// vocabulary, not built with the station's builders, so a shared misreading cannot pass here.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/monitor_bench.h"
#include "sim/protocol_checker.h"

namespace halvo::sim {
namespace {

Bytes Hex(const std::string& text) {
    Bytes out;
    for (size_t at = 0; at + 1 < text.size(); at += 3) {
        out.push_back(static_cast<uint8_t>(std::stoi(text.substr(at, 2), nullptr, 16)));
    }
    return out;
}

// A gamma table packet for entries first..first + 3.
Bytes GammaPacket(int first, int e0, int e1, int e2, int e3) {
    Bytes f = {0xFD, 0x88, 0x00, 0xFE, 0x0D, static_cast<uint8_t>(first)};
    for (int e : {e0, e1, e2, e3}) {
        f.push_back(static_cast<uint8_t>(e & 0xFF));
        f.push_back(static_cast<uint8_t>(e >> 8));
    }
    return f;
}

// A colour-space block of 192 bytes of `fill`, with its checksum and complement.
Bytes Block(int space, int index, uint8_t fill = 3) {
    Bytes f = {0xF0, 0x88, 0x00, 0xFE, 0x19, static_cast<uint8_t>(space), static_cast<uint8_t>(index)};
    const auto sum = static_cast<uint8_t>(fill * 192);
    f.push_back(sum);
    f.push_back(static_cast<uint8_t>(~sum));
    f.insert(f.end(), 192, fill);
    return f;
}

Bytes FinalBlock(int space) {
    Bytes f = {0xF0, 0x88, 0x00, 0xFE, 0x19, static_cast<uint8_t>(space)};
    f.insert(f.end(), 195, 0xFF);
    return f;
}

// A checker fed frames at chosen times; each test states the violations it expects.
struct Wire {
    bool at(double ms, const std::string& hex) { return checker.take(Hex(hex), ms); }
    bool at(double ms, const Bytes& frame) { return checker.take(frame, ms); }
    ProtocolChecker checker;
};

TEST(ProtocolChecker, TakesEveryFrameOfTheVocabularyInItsForm) {
    Wire w;
    const char* frames[] = {
        "05 82 00 EE EE",                    // serial mode
        "F1 9B",                             // keep-alive
        "F3 EE 00 00", "F3 EE 00 01",        // play, pause
        "F7 88 00 FE 00 FF FF FF",           // DrawPattern 255, 255, 255
        "F6 88 00 FE 01 64 99",              // SetColorTemperature 6500 | 0x8000
        "F5 88 00 FE 08 03",                 // DrawCustomPattern 3
        "F5 88 00 FE 0A 10",                 // SetGamma 16
        "F5 88 00 FE 05 0A",                 // DrawTargetMarker: remove
        "F5 88 00 FE 09 64",                 // SetBacklight 100
        "F6 88 00 FE 14 FF 03",              // DrawGammaPattern 1023
        "F8 88 00 FE 0B DC 00 08 0F",        // WriteDefaultPanelGamma 2.20, code 8, default
        "F8 88 00 FE 15 04 C8 D2 DC",        // SetColorSpaceWhite D-Cinema
        "FA 88 00 FE 20 14 00 28 00 3C 00",  // RGB offset 10, 20, 30
        "FA 88 00 FE 20 EC FF 00 00 FE 01",  // RGB offset -10, 0, 255
        "FC 88 00 FE 06 41",                 // calibration ID, short form
        "FD 88 00 FE 06 56 52 4C 31 00 00 00 00 00 00",  // calibration ID "VRL1", full form
        "F4 89 00 FE 07", "F4 89 00 FE 17",  // queries
        "F4 8B 00 FE F5",                    // extended query
        "F7 1B 00 A0 00 21 00 20",           // EEPROM read of address 32
        "F8 1A 00 A0 00 03 19 FF 7E",        // EEPROM write of address 6655
    };
    double t = 0;
    for (const char* f : frames) {
        t += 10000;
        EXPECT_TRUE(w.at(t, f)) << f;
    }
    EXPECT_EQ(w.checker.reasons(), std::vector<std::string>{});
}

TEST(ProtocolChecker, RefusesUnknownCodesWrongLengthsAndStrayFrames) {
    Wire w;
    EXPECT_FALSE(w.at(0, "F5 88 00 FE 16 00"));            // 0x16 is a query, not a setting
    EXPECT_FALSE(w.at(1000, "F7 88 00 FE 0A 0E 00 00"));   // SetGamma in the template of three bytes
    EXPECT_FALSE(w.at(2000, "F4 89 00 FE 03 00"));         // a query with an argument
    EXPECT_FALSE(w.at(3000, "F3 12 34 56"));
    EXPECT_FALSE(w.at(4000, "F7 1B 00 A0 00 21 00"));      // an EEPROM read one byte short
    w.checker.discarded(Hex("00 42"), 5000, "bytes that start no frame");
    EXPECT_EQ(w.checker.reasons(), (std::vector<std::string>{
                                       "unknown command code 0x16 of class 0x88",
                                       "command code 0x0A of class 0x88 in 8 bytes (lead 0xF7), the command has 6",
                                       "command code 0x03 of class 0x89 in 6 bytes (lead 0xF4), the command has 5",
                                       "4 bytes that make no frame of the monitor",
                                       "EEPROM read of 7 bytes, the frame has 8",
                                       "bytes that start no frame",
                                   }));
    ASSERT_EQ(w.checker.violations().size(), 6u);
    EXPECT_EQ(w.checker.violations()[1].text(), "1000 ms: " + w.checker.reasons()[1] + ": F7 88 00 FE 0A 0E 00 00");
}

TEST(ProtocolChecker, RefusesArgumentsOutsideWhatTheMonitorKnows) {
    const std::pair<const char*, const char*> cases[] = {
        {"F5 88 00 FE 0A 0F", "SetGamma argument 15 is not a gamma curve (14, 16, 19)"},
        {"F5 88 00 FE 09 65", "SetBacklight argument 101 is beyond the backlight range (0..100)"},
        {"F5 88 00 FE 05 12", "DrawTargetMarker argument 18 is beyond the marker codes (0..17)"},
        {"F5 88 00 FE 0C 02", "SetCscGamma argument 2 is not off or on (0, 1)"},
        {"F5 88 00 FE 0E 09", "SetInputSource argument 9 is not an input (7, 8, 10, 11, 15)"},
        {"F5 88 00 FE 22 06", "SetNativeColorSpace argument 6 is beyond the colour-space slots (0..5)"},
        {"F5 88 00 FE 04 05", "SaveEeprom argument 5 is neither 0 nor a save (bit 7 set)"},
        {"F6 88 00 FE 01 64 59", "SetColorTemperature argument 0x5964 has bit 14 set"},
        {"F6 88 00 FE 14 00 04", "DrawGammaPattern level 1024 is beyond 10 bits"},
        {"F8 88 00 FE 0B 00 00 08 0F", "WriteDefaultPanelGamma gamma x 100 = 0 is no panel gamma (50..350)"},
        {"F8 88 00 FE 0B DC 00 11 0F", "WriteDefaultPanelGamma code 17 is beyond 16"},
        {"F8 88 00 FE 0B DC 00 08 07", "WriteDefaultPanelGamma colour space 7 is neither 0..5 nor 15"},
        {"F8 88 00 FE 15 05 FF FF FF", "SetColorSpaceWhite argument 5 is beyond the colour spaces (0..4)"},
        {"FA 88 00 FE 20 15 00 00 00 00 00", "RGB offset value 21 is not twice an offset of -255..255"},
        {"FA 88 00 FE 20 00 02 00 00 00 00", "RGB offset value 512 is not twice an offset of -255..255"},
        {"F7 1B 00 A0 00 21 02 40", "EEPROM address 576 is outside the colour data"},
        {"F8 1A 00 A0 00 03 00 1F 00", "EEPROM address 31 is outside the colour data"},
        // Uniformity: the enable byte, the rows of the tables, P9 twice.
        {"FA 88 00 FE 13 80 00 00 00 00 00", "uniformity table packet enable byte 0x80 is neither 00 nor FF"},
        {"FA 88 00 FE 13 FF 03 07 0B 05 00", "uniformity table packet (3, 5, 0) is no row of the vertical table"},
        {"FA 88 00 FE 13 FF 06 07 0C 05 00", "uniformity table packet (7, 12) is no row of the horizontal table"},
        {"FA 88 00 FE 13 00 06 07 0B 05 00", "uniformity table packet switched off carries values"},
        {"FE 88 00 FE 13 85 00 12 17 13 4A 00 00 00 00 04",
         "uniformity ten-value packet P9 0x04 and byte 5 0x85 disagree"},
        {"FE 88 00 FE 13 00 00 12 00 00 00 00 00 00 00 00", "uniformity ten-value packet switched off carries values"},
        // Gamma table: first index, entry 0, the rise inside the packet.
        {"FD 88 00 FE 0D 02 00 00 01 00 02 00 03 00", "gamma table packet starts at entry 2, not at a multiple of 4"},
        {"FD 88 00 FE 0D 00 05 00 06 00 07 00 08 00", "gamma table entry 0 is 5, not 0"},
        {"FD 88 00 FE 0D 04 00 01 01 00 02 01 03 01", "gamma table entry 5 (1) does not rise above entry 4 (256)"},
    };
    for (const auto& [frame, reason] : cases) {
        Wire w;
        w.at(0, "F5 88 00 FE 11 01");  // calibration mode, where the packets among these belong
        EXPECT_FALSE(w.at(1000, frame)) << frame;
        EXPECT_EQ(w.checker.reasons(), std::vector<std::string>{reason}) << frame;
    }
}

TEST(ProtocolChecker, CalibrationDataOnlyInCalibrationModeOrADataLoad) {
    const Bytes uniformity = Hex("FE 88 00 FE 13 80 00 12 17 13 4A 00 00 00 00 00");
    Wire w;
    EXPECT_FALSE(w.at(0, uniformity));
    EXPECT_TRUE(w.at(2000, "F5 88 00 FE 11 01"));  // Calibration execution(1)
    EXPECT_TRUE(w.at(3000, uniformity));
    EXPECT_TRUE(w.at(5000, "F5 88 00 FE 11 00"));  // Calibration execution(0)
    EXPECT_FALSE(w.at(6000, uniformity));
    // The copy's data load: "Save eeprom" 0 opens it, the closing save ends it.
    EXPECT_TRUE(w.at(7000, "F5 88 00 FE 04 00"));
    EXPECT_TRUE(w.at(9000, uniformity));
    EXPECT_TRUE(w.at(11000, "F5 88 00 FE 04 FF"));
    EXPECT_FALSE(w.at(13000, uniformity));
    // Gamma tables need the processing bypassed as well, and settled for 4000 ms; blocks need
    // their slot selected.
    EXPECT_FALSE(w.at(14000, GammaPacket(0, 0, 1, 2, 3)));
    EXPECT_TRUE(w.at(15000, "F5 88 00 FE 11 01"));
    EXPECT_FALSE(w.at(16000, GammaPacket(0, 0, 1, 2, 3)));
    EXPECT_TRUE(w.at(17000, "F5 88 00 FE 0C 01"));
    EXPECT_FALSE(w.at(19500, GammaPacket(0, 0, 1, 2, 3)));
    EXPECT_TRUE(w.at(21000, GammaPacket(0, 0, 1, 2, 3)));
    EXPECT_FALSE(w.at(22000, Block(2, 0)));
    EXPECT_TRUE(w.at(23000, "F5 88 00 FE 22 03"));  // Set Native ColorSpace(3): colour space 2
    EXPECT_TRUE(w.at(28000, Block(2, 0)));
    EXPECT_EQ(w.checker.reasons(), (std::vector<std::string>{
                                       "uniformity ten-value packet outside calibration mode",
                                       "uniformity ten-value packet outside calibration mode",
                                       "uniformity ten-value packet outside calibration mode",
                                       "gamma table packet outside calibration mode",
                                       "gamma table packet with the picture processing on (CSC&Gamma 0)",
                                       "gamma table packet 2500 ms after the processing was bypassed, which takes "
                                       "4000 ms",
                                       "colour-space block for colour space 2 with slot 0 selected for calibration",
                                   }));
}

// In calibration mode with the processing bypassed long enough for a gamma table.
void ReadyForTables(Wire& w) {
    ASSERT_TRUE(w.at(0, "F5 88 00 FE 11 01"));
    ASSERT_TRUE(w.at(100, "F5 88 00 FE 0C 01"));
    ASSERT_TRUE(w.at(100000, "F5 88 00 FE 22 01"));
}

TEST(ProtocolChecker, GammaPacketsComeInOrderAndTheTableRises) {
    Wire w;
    ReadyForTables(w);
    double t = 200000;
    EXPECT_TRUE(w.at(t += 80, GammaPacket(0, 0, 10, 20, 30)));
    EXPECT_TRUE(w.at(t += 80, GammaPacket(4, 40, 50, 60, 70)));
    EXPECT_FALSE(w.at(t += 80, GammaPacket(12, 120, 130, 140, 150)));  // 8..11 skipped
    EXPECT_TRUE(w.at(t += 80, GammaPacket(16, 160, 170, 180, 190)));   // judged against 12..15
    EXPECT_FALSE(w.at(t += 80, GammaPacket(20, 190, 200, 210, 220)));  // falls back to 190
    EXPECT_TRUE(w.at(t += 80, GammaPacket(0, 0, 1, 2, 3)));            // a new table
    EXPECT_EQ(w.checker.reasons(), (std::vector<std::string>{
                                       "gamma table packet for entries 12.. after entries 4..",
                                       "gamma table entry 20 (190) does not rise above entry 19 (190)",
                                   }));
}

TEST(ProtocolChecker, ColourBlocksComeInOrderWithTheirChecksumsAndCloseOnlyAWholeTable) {
    Wire w;
    ReadyForTables(w);
    double t = 200000;
    Bytes badSum = Block(0, 1);
    badSum[7] ^= 0x10;
    badSum[8] ^= 0x10;
    Bytes badComplement = Block(0, 1);
    badComplement[8] = 0x00;
    EXPECT_TRUE(w.at(t += 300, Block(0, 0)));
    EXPECT_FALSE(w.at(t += 300, badSum));
    EXPECT_FALSE(w.at(t += 300, badComplement));
    EXPECT_FALSE(w.at(t += 300, Block(0, 3)));  // 2 is missing
    for (int i = 4; i < 64; ++i) {
        EXPECT_TRUE(w.at(t += 300, Block(0, i))) << i;
    }
    EXPECT_FALSE(w.at(t += 300, FinalBlock(0)));  // 1, 2 and 3 never taken
    EXPECT_FALSE(w.at(t += 300, Block(5, 0)));
    EXPECT_EQ(w.checker.reasons(), (std::vector<std::string>{
                                       "colour-space block 1 checksum 0x50, the data sum to 0x40",
                                       "colour-space block 1 complement 0x00 does not complement 0x40",
                                       "colour-space block 3 of colour space 0 where block 2 was due",
                                       "final colour-space block after 61 of the 64 blocks of colour space 0",
                                       "colour-space block for colour space 5 (0..4)",
                                   }));
    // The whole table closes, and the monitor saves it for 8000 ms.
    for (int i = 0; i < 64; ++i) {
        ASSERT_TRUE(w.at(t += 300, Block(0, i))) << i;
    }
    EXPECT_TRUE(w.at(t += 300, FinalBlock(0)));
    EXPECT_DOUBLE_EQ(w.checker.readyAtMs(), t + 8000);
    EXPECT_FALSE(w.at(t + 7999, "F5 88 00 FE 22 02"));
    ASSERT_EQ(w.checker.reasons().size(), 6u);
    EXPECT_EQ(w.checker.reasons().back(), "SetNativeColorSpace 7999 ms after colour-space block, which takes 8000 ms");
    EXPECT_TRUE(w.at(t + 8000, "F5 88 00 FE 22 02"));
}

TEST(ProtocolChecker, AFrameThatReachesABusyMonitorIsLostAndTheMonitorStaysBusy) {
    Wire w;
    EXPECT_TRUE(w.at(0, "F5 88 00 FE 0C 01"));      // SetCscGamma: 2000 ms
    EXPECT_FALSE(w.at(1500, "F5 88 00 FE 0A 0E"));  // SetGamma too soon: lost...
    EXPECT_FALSE(w.at(1999, "F1 9B"));              // ...and the bypass still counts
    EXPECT_TRUE(w.at(2000, "F5 88 00 FE 0A 0E"));
    EXPECT_TRUE(w.at(4000, "F8 1A 00 A0 00 03 00 20 01"));   // an EEPROM byte takes 20 ms
    EXPECT_FALSE(w.at(4019, "F8 1A 00 A0 00 03 00 21 02"));
    EXPECT_TRUE(w.at(4020, "F8 1A 00 A0 00 03 00 21 02"));
    EXPECT_EQ(w.checker.reasons(), (std::vector<std::string>{
                                       "SetGamma 1500 ms after SetCscGamma, which takes 2000 ms",
                                       "KeepAlive 1999 ms after SetCscGamma, which takes 2000 ms",
                                       "EEPROM write 19 ms after EEPROM write, which takes 20 ms",
                                   }));
    ASSERT_EQ(w.checker.violations().size(), 3u);
    EXPECT_TRUE(w.checker.violations()[0].dropped);

    // Over a pseudo-terminal arrival times jitter: a tolerance lets a frame that is a little
    // early through.
    Wire lenient;
    lenient.checker.setTimingToleranceMs(20);
    EXPECT_TRUE(lenient.at(0, "F5 88 00 FE 21 01"));
    EXPECT_TRUE(lenient.at(1985, "F1 9B"));
    EXPECT_TRUE(lenient.at(2000, "F5 88 00 FE 21 02"));
    EXPECT_FALSE(lenient.at(3900, "F1 9B"));
}

TEST(ProtocolChecker, KeepsTheFirstViolationsAndCountsThemAll) {
    Wire w;
    std::vector<std::string> told;
    w.checker.onViolation = [&](const ProtocolViolation& v) { told.push_back(v.reason); };
    for (size_t i = 0; i < ProtocolChecker::kKeptViolations + 5; ++i) {
        w.at(static_cast<double>(i), "F5 88 00 FE 16 00");
    }
    EXPECT_EQ(w.checker.violations().size(), ProtocolChecker::kKeptViolations);
    EXPECT_EQ(w.checker.violationCount(), ProtocolChecker::kKeptViolations + 5);
    EXPECT_EQ(told.size(), ProtocolChecker::kKeptViolations + 5);
    const std::string longFrame = ProtocolViolation{7, Block(9, 0), "x", false}.text();
    EXPECT_EQ(longFrame, "7 ms: x: F0 88 00 FE 19 09 00 40 BF 03 03 03 03 03 03 03 ... (201 bytes)");
    w.checker.clearViolations();
    EXPECT_EQ(w.checker.violationCount(), 0u);
}

// Through the monitor itself: a lost frame leaves no trace in what it shows or holds, and bytes
// that make no frame are counted against the sender.
TEST(ProtocolChecker, TheMonitorActsOnlyOnWhatItTook) {
    MonitorBench b;
    b.send(Hex("F5 88 00 FE 11 01"));
    b.send(Hex("F5 88 00 FE 0C 01"));
    b.clock.sleep(4000);
    const uint16_t before = b.monitor().calibration().gammaTable[5];
    const auto raw = [&](const Bytes& f) { b.monitor().receive(f.data(), f.size()); };
    raw(GammaPacket(0, 0, 3, 6, 9));
    b.clock.sleep(40);
    raw(GammaPacket(4, 12, 15, 18, 21));  // 40 ms after the one before: lost
    b.clock.sleep(40);
    raw(GammaPacket(8, 24, 27, 30, 33));  // 80 ms: taken, and in order after the lost one
    b.clock.sleep(200);
    EXPECT_EQ(b.monitor().calibration().gammaTable[3], 9);
    EXPECT_EQ(b.monitor().calibration().gammaTable[5], before);
    EXPECT_EQ(b.monitor().calibration().gammaTable[9], 27);

    raw(Hex("00 42 F5 88 00 FE 0A 10"));  // two stray bytes, then SetGamma 16
    b.clock.sleep(2000);
    EXPECT_EQ(b.monitor().gammaCode(), 16);
    raw(Hex("F7 88 00"));  // the rest of this pattern never comes
    b.clock.sleep(100);
    b.send(Hex("F1 9B"));
    b.expectedViolations = {"gamma table packet 40 ms after gamma table packet, which takes 80 ms",
                            "bytes that start no frame", "frame cut short: its rest never came"};
}

}  // namespace
}  // namespace halvo::sim
