// The simulated monitor's colour spaces: calibrating a slot, its read-backs, table uploads, and
// that a table computed from the read-backs shows what the offsets showed.

#include <gtest/gtest.h>

#include <cmath>

#include "calibration/colour_space_table.h"
#include "calibration/lut_packet.h"
#include "monitor/monitor_protocol.h"
#include "sim/monitor_bench.h"
#include "sim/sim_station.h"

namespace halvo::sim {
namespace {

// What a colour's chromaticity may move when a table stands in for the offsets themselves: its
// bytes hold a quarter of an offset, and a negative one loses up to 5 of 1023 to the truncation.
constexpr double kTableQuantisation = 0.0015;

// A monitor in calibration mode, as the colour-space calibration and the copy keep it.
struct Fixture : MonitorBench {
    Fixture() { send(MonitorCommand::CalibrationExecution, 1); }
    Bytes query(MonitorCommand c) {
        read();
        send(c, 0);
        return read();
    }
    // The table's blocks go to the slot selected for it.
    void upload(int space, const Lut3D& lut) {
        send(MonitorCommand::SetNativeColorSpace, static_cast<uint32_t>(space + 1));
        for (int i = 0; i < kLutPacketCount; ++i) {
            send(BuildLutPacket(space, i, lut));
        }
        send(BuildLutFinalPacket(space));
    }
    Xyz light() { return station.lightAtProbe(); }
};

double U(const Xyz& c) {
    return 4 * c.X / (c.X + 15 * c.Y + 3 * c.Z);
}
double Vp(const Xyz& c) {
    return 9 * c.Y / (c.X + 15 * c.Y + 3 * c.Z);
}

uint32_t Gains(int r, int g, int b) {
    return static_cast<uint32_t>(r | g << 8 | b << 16);
}

TEST(MonitorColorSpace, ASlotBeingCalibratedTakesWhiteGainsAndOffsetsAndReportsThem) {
    Fixture f;
    f.send(MonitorCommand::DrawPattern, 0x0000FF);
    const Xyz nativeRed = f.light();
    const RgbGains preset = f.monitor().presetGains(6500);

    f.send(MonitorCommand::SetNativeColorSpace, 1);
    f.send(MonitorCommand::SetRgbGainAlt, Gains(255, 255, 255));
    EXPECT_EQ(f.monitor().presetGains(6500), preset);  // the slot's white, not the preset's
    f.send(MonitorCommand::DrawPattern, 0xFFFFFF);
    EXPECT_EQ(HexBytes(f.query(MonitorCommand::GetColorSpaceInputLuminance)), "F3 89 C0 03");  // 960
    f.send(MonitorCommand::DrawPattern, 0xCCCCCC);
    EXPECT_EQ(HexBytes(f.query(MonitorCommand::GetColorSpaceInputLuminance)), "F3 89 00 03");  // 768
    // Dimmer white, out of balance: the input stage takes part of it.
    f.send(MonitorCommand::SetRgbGainAlt, Gains(180, 200, 150));
    f.send(MonitorCommand::DrawPattern, 0xFFFFFF);
    const std::optional<uint16_t> I = ReplyWord(f.query(MonitorCommand::GetColorSpaceInputLuminance), 2);
    ASSERT_TRUE(I);
    EXPECT_LT(*I, 960);
    EXPECT_GT(*I, 896);

    // Offsets act on the drawn colour and come back in the 10-bit domain, two's complement.
    f.send(MonitorCommand::SetRgbGainAlt, Gains(255, 255, 255));
    f.send(MonitorCommand::DrawPattern, 0x0000FF);
    f.send(BuildRgbOffsetFrame(-10, 20, 0));
    EXPECT_LT(U(f.light()), U(nativeRed) - 0.02);  // green added to red
    const Bytes reply = f.query(MonitorCommand::GetColorSpaceOffset);
    EXPECT_EQ(HexBytes(reply), "F7 89 EC FF 28 00 00 00");
    EXPECT_EQ(ColorSpaceOffsetValue(*ReplyWord(reply, 2)), -20);
    EXPECT_EQ(ColorSpaceOffsetValue(*ReplyWord(reply, 4)), 40);
    // A model that sends the ten bits bare.
    f.monitor().config().offsetWords = OffsetWordForm::Bare10Bit;
    const Bytes bare = f.query(MonitorCommand::GetColorSpaceOffset);
    EXPECT_EQ(HexBytes(bare), "F7 89 EC 03 28 00 00 00");
    EXPECT_EQ(ColorSpaceOffsetValue(*ReplyWord(bare, 2)), -20);
    f.monitor().config().offsetWords = OffsetWordForm::SignExtended;

    // Showing a slot ends its calibration: no offsets, the slot's stored white (none uploaded).
    f.send(MonitorCommand::SetColorSpace, 0);
    EXPECT_EQ(f.monitor().colorSpaces().calibratingSlot(), 0);
    EXPECT_NEAR(U(f.light()), U(nativeRed), 1e-12);
}

TEST(MonitorColorSpace, ATableFromTheReadBacksShowsWhatTheOffsetsShowed) {
    Fixture f;
    const uint32_t white = Gains(190, 205, 170);
    f.send(MonitorCommand::SetNativeColorSpace, 2);
    f.send(MonitorCommand::SetRgbGainAlt, white);
    f.send(MonitorCommand::DrawPattern, 0xFFFFFF);
    ColourSpaceTableInput in;
    in.space = 1;
    in.inputLuminance[0] = static_cast<int16_t>(*ReplyWord(f.query(MonitorCommand::GetColorSpaceInputLuminance), 2));
    // Red with some green and blue, and magenta with some green, as a search would leave them;
    // at level 204 the same offsets four fifths as large, as a search at that level would find.
    struct Case {
        int slot;
        uint32_t pattern;
        int r, g, b;
    };
    const Case cases[] = {{kSlotRed, 0x0000FF, -30, 40, 15}, {kSlotMagenta, 0xFF00FF, -20, 35, -25}};
    Xyz full[2];
    Xyz lower[2];
    for (size_t k = 0; k < 2; ++k) {
        const Case& c = cases[k];
        f.send(MonitorCommand::DrawPattern, c.pattern);
        f.send(BuildRgbOffsetFrame(c.r, c.g, c.b));
        full[k] = f.light();
        const Bytes reply = f.query(MonitorCommand::GetColorSpaceOffset);
        for (size_t ch = 0; ch < 3; ++ch) {
            in.offsets[static_cast<size_t>(c.slot)][0][ch] = ColorSpaceOffsetValue(*ReplyWord(reply, 2 + 2 * ch));
        }
        f.send(MonitorCommand::DrawPattern, c.pattern & 0xCCCCCC);
        f.send(BuildRgbOffsetFrame(c.r * 4 / 5, c.g * 4 / 5, c.b * 4 / 5));
        lower[k] = f.light();
    }
    const ColourSpaceTableResult table = ComputeColourSpaceTable(in);
    ASSERT_FALSE(table.overflow);
    f.send(MonitorCommand::SetColorSpaceWhite, 1u | white << 8);
    f.upload(1, table.lut);
    ASSERT_TRUE(f.monitor().colorSpaces().table(1).has_value());

    f.send(MonitorCommand::SetColorSpace, 2);
    for (size_t k = 0; k < 2; ++k) {
        SCOPED_TRACE(cases[k].slot);
        f.send(MonitorCommand::DrawPattern, cases[k].pattern);
        EXPECT_NEAR(U(f.light()), U(full[k]), kTableQuantisation);
        EXPECT_NEAR(Vp(f.light()), Vp(full[k]), kTableQuantisation);
        EXPECT_NEAR(f.light().Y, full[k].Y, 0.01 * full[k].Y);
        f.send(MonitorCommand::DrawPattern, cases[k].pattern & 0xCCCCCC);
        EXPECT_NEAR(U(f.light()), U(lower[k]), kTableQuantisation);
        EXPECT_NEAR(Vp(f.light()), Vp(lower[k]), kTableQuantisation);
    }
}

TEST(MonitorColorSpace, OnlyCompleteCheckedTablesAreStoredAndTheyOutliveAPowerCycle) {
    Fixture f;
    Lut3D lut{};
    lut[LutIndex(15, 0, 0, 1)] = 20;
    // One packet with a wrong checksum: rejected, and the final packet stores nothing.
    f.send(MonitorCommand::SetNativeColorSpace, 1);
    for (int i = 0; i < kLutPacketCount; ++i) {
        Bytes packet = BuildLutPacket(0, i, lut);
        if (i == 7) {
            packet[8] ^= 0x01;  // the complement no longer matches
        }
        f.send(packet);
    }
    f.send(BuildLutFinalPacket(0));
    f.expectedViolations = {"colour-space block 7 complement 0xFE does not complement 0x00",
                            "final colour-space block after 63 of the 64 blocks of colour space 0"};
    EXPECT_FALSE(f.monitor().colorSpaces().table(0).has_value());

    f.send(MonitorCommand::SetColorSpaceWhite, 4u | Gains(200, 210, 220) << 8);
    f.upload(4, lut);
    ASSERT_TRUE(f.monitor().colorSpaces().table(4).has_value());
    EXPECT_EQ((*f.monitor().colorSpaces().table(4))[LutIndex(15, 0, 0, 1)], 20);
    // Storing the table wrote the colour spaces' whites into the EEPROM as well.
    f.monitor().powerCycle();
    EXPECT_TRUE(f.monitor().colorSpaces().table(4).has_value());
    EXPECT_EQ(f.monitor().calibration().colorSpaces.white[4], (std::array<int, 3>{200, 210, 220}));
    f.monitor().factoryReset();
    EXPECT_FALSE(f.monitor().colorSpaces().table(4).has_value());
    EXPECT_NE(f.monitor().calibration().colorSpaces.white[4], (std::array<int, 3>{200, 210, 220}));
}

TEST(MonitorColorSpace, ACalibrationStartsWithNoPresetSelectedForAdjustment) {
    Fixture f;
    f.send(MonitorCommand::SetColorTemperature, 6500 | 0x8000);
    const RgbGains before = f.monitor().presetGains(6500);
    f.send(MonitorCommand::CalibrationExecution, 1);
    f.send(MonitorCommand::SetRgbGainAlt, Gains(255, 255, 255));
    EXPECT_EQ(f.monitor().presetGains(6500), before);
    f.send(MonitorCommand::SetColorTemperature, 6500 | 0x8000);
    f.send(MonitorCommand::SetRgbGainAlt, Gains(255, 255, 255));
    EXPECT_EQ(f.monitor().presetGains(6500), (RgbGains{255, 255, 255}));
}

}  // namespace
}  // namespace halvo::sim
