// The monitor's frames, their logged texts and the reply rules.

#include <gtest/gtest.h>

#include "monitor/monitor_protocol.h"
#include "monitor/monitor_sender.h"
#include "support/recording_endpoint.h"

namespace halvo {
namespace {

using C = MonitorCommand;

TEST(MonitorProtocol, EveryCommandBuildsItsTemplateAndText) {
    // B0..B3 = 1, 2, 3, 4; the low 14 bits are 513.
    const uint32_t arg = 0x04030201;
    struct Row {
        C command;
        const char* frame;
        const char* text;  // nullptr: not logged
    };
    const Row rows[] = {
        {C::ChangeSerialMode, "05 82 00 EE EE", "Change Monitor's Serial Mode"},
        {C::Pause, "F3 EE 00 01", "Pause"},
        {C::Play, "F3 EE 00 00", "Play monitor"},
        {C::DrawPattern, "F7 88 00 FE 00 01 02 03", "Draw pattern(1,2,3)"},
        {C::DrawCustomPattern, "F5 88 00 FE 08 01", "Draw custom pattern(1)"},
        {C::SetColorTemperature, "F6 88 00 FE 01 01 02", "Set color temperature(513)"},
        {C::SetGamma, "F5 88 00 FE 0A 01", "Set monitor gamma(1)"},
        {C::SetRgbGainAlt, "F7 88 00 FE 02 01 02 03", "RGB gain(1,2,3)"},
        {C::SetRgbGain, "F7 88 00 FE 03 01 02 03", "RGB gain(1,2,3)"},
        {C::GetColorTemperature, "F4 89 00 FE 01", nullptr},
        {C::GetGamma, "F4 89 00 FE 0A", nullptr},
        {C::GetRgbGain, "F4 89 00 FE 03", nullptr},
        {C::SaveEeprom, "F5 88 00 FE 04 01", "Save eeprom"},
        {C::DrawTargetMarker, "F5 88 00 FE 05 01", "Draw target marker"},
        {C::SetCalibrationId, "FC 88 00 FE 06 01", "Set monitor calibration ID"},
        {C::GetCalibrationId, "F4 89 00 FE 06", nullptr},
        {C::GetVersion, "F4 89 00 FE 07", nullptr},
        {C::KeepAlive, "F1 9B", nullptr},
        {C::SetBacklight, "F5 88 00 FE 09 01", "Set backlight(1)"},
        {C::GetBacklight, "F4 89 00 FE 09", nullptr},
        {C::WriteDefaultPanelGamma, "F8 88 00 FE 0B 01 02 03 04", "Write default panel gamma(513, 3) CS:4"},
        {C::SetCscGamma, "F5 88 00 FE 0C 01", "Set CSC&Gamma(1)"},
        {C::SetInputSource, "F5 88 00 FE 0E 01", "Set InputSouce(1)"},
        {C::GetInputSource, "F4 89 00 FE 0E", nullptr},
        {C::StartAutoColorCalibration, "F5 88 00 FE 0F 01", "Start Auto Color Calibration"},
        {C::GetMonitorStatus, "F4 89 00 FE 10", nullptr},
        {C::CalibrationExecution, "F5 88 00 FE 11 01", "Calibration execution(1)"},
        {C::GetPatternStatus, "F4 89 00 FE 12", nullptr},
        {C::DrawGammaPattern, "F6 88 00 FE 14 01 02", "Draw Gamma pattern(513)"},
        {C::SetColorSpaceWhite, "F8 88 00 FE 15 01 02 03 04", "Set ColorSpace White(1,2,3,4)"},
        {C::GetColorSpaceInputLuminance, "F4 89 00 FE 16", nullptr},
        {C::GetColorSpaceOffset, "F4 89 00 FE 17", nullptr},
        {C::GetColorSpaceOutputLuminance, "F4 89 00 FE 18", nullptr},
        {C::SetColorSpace, "F5 88 00 FE 21 01", "Set monitor ColorSpace(1)"},
        {C::SetNativeColorSpace, "F5 88 00 FE 22 01", "Set Native ColorSpace(1)"},
        {C::GetModelInfo, "F4 89 00 FE 23", nullptr},
        {C::DrawPatternOL, "F7 88 00 FE 24 01 02 03", "Draw pattern OL(1,2,3)"},
    };
    ASSERT_EQ(std::size(rows), 37u);  // 40 values less the three that are not commands

    test::ScopedEndpoint port("TEST-MONITOR");
    SerialLink link;
    link.setMonitorSettings(port.name());
    ASSERT_TRUE(link.open());
    StationLog log;
    VirtualScheduler scheduler;
    TaskState task;
    task.CalibrationState = 11;
    MonitorSender sender(link, log, scheduler, task);

    std::string expectedLog;
    for (const Row& row : rows) {
        SCOPED_TRACE(FindMonitorCommand(static_cast<int>(row.command))->name);
        EXPECT_EQ(HexBytes(*BuildMonitorFrame(row.command, arg)), row.frame);
        EXPECT_EQ(IsSilentCommand(row.command), row.text == nullptr);
        port->writes.clear();
        const int64_t before = scheduler.nowMs();
        EXPECT_TRUE(sender.sendMonitorCommand(row.command, arg, 20));
        EXPECT_EQ(scheduler.nowMs() - before, 20);  // the caller's delay, longer than any frame's line time
        ASSERT_EQ(port->writes.size(), 1u);          // one write per frame
        EXPECT_EQ(HexBytes(port->writes[0]), row.frame);
        if (row.text) {
            EXPECT_EQ(MonitorCommandText(row.command, arg), row.text);
            expectedLog += std::string("CAL: ") + row.text + "\n";
        }
    }
    EXPECT_EQ(log.text(), expectedLog);
}

TEST(MonitorProtocol, ValuesThatAreNotCommandsAreRejected) {
    for (int value : {22, 29, 35, 40, -1}) {
        EXPECT_EQ(FindMonitorCommand(value), nullptr) << value;
        EXPECT_FALSE(BuildMonitorFrame(static_cast<C>(value), 0).has_value()) << value;
    }
    test::ScopedEndpoint port("TEST-MONITOR");
    SerialLink link;
    link.setMonitorSettings(port.name());
    ASSERT_TRUE(link.open());
    StationLog log;
    VirtualScheduler scheduler;
    TaskState task;
    MonitorSender sender(link, log, scheduler, task);
    EXPECT_FALSE(sender.sendMonitorCommand(static_cast<C>(29), 5, 1000));
    EXPECT_TRUE(port->written.empty());
    EXPECT_EQ(scheduler.nowMs(), 0);
    EXPECT_TRUE(log.text().empty());
}

TEST(MonitorProtocol, DocumentedFrames) {
    EXPECT_EQ(HexBytes(*BuildMonitorFrame(C::DrawPattern, 0xFFFFFF)), "F7 88 00 FE 00 FF FF FF");
    EXPECT_EQ(MonitorCommandText(C::DrawPattern, 0xFFFFFF), "Draw pattern(255,255,255)");
    EXPECT_EQ(HexBytes(*BuildMonitorFrame(C::SetColorTemperature, 6500)), "F6 88 00 FE 01 64 19");
    EXPECT_EQ(MonitorCommandText(C::SetColorTemperature, 6500 | 0x8000), "Set color temperature(6500)");
    EXPECT_EQ(HexBytes(*BuildMonitorFrame(C::GetVersion, 0)), "F4 89 00 FE 07");
    EXPECT_EQ(HexBytes(*BuildMonitorFrame(C::KeepAlive, 0xDEADBEEF)), "F1 9B");
    EXPECT_EQ(HexBytes(*BuildMonitorFrame(C::ChangeSerialMode, 0x12345678)), "05 82 00 EE EE");
    EXPECT_EQ(HexBytes(BuildRgbOffsetFrame(10, 20, 30)), "FA 88 00 FE 20 14 00 28 00 3C 00");
    EXPECT_EQ(HexBytes(BuildRgbOffsetFrame(-1, 0, -256)), "FA 88 00 FE 20 FE FF 00 00 00 FE");
    EXPECT_EQ(HexBytes(BuildCalibrationIdFrame("AB")), "FD 88 00 FE 06 41 42 00 00 00 00 00 00 00 00");
    EXPECT_EQ(HexBytes(BuildCalibrationIdFrame("123456789XYZ")), "FD 88 00 FE 06 31 32 33 34 35 36 37 38 39 00");
    EXPECT_EQ(HexBytes(ExtendedQueryFrame()), "F4 8B 00 FE F5");
    EXPECT_EQ(HexBytes(BuildEepromReadFrame(6655)), "F7 1B 00 A0 00 21 19 FF");
    EXPECT_EQ(HexBytes(BuildEepromWriteFrame(32, 0xAB)), "F8 1A 00 A0 00 03 00 20 AB");
    const uint8_t gamma[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(HexBytes(BuildGammaTableFrame(gamma)), "FD 88 00 FE 0D 01 02 03 04 05 06 07 08 09");
    const uint8_t u6[6] = {};
    const uint8_t u11[11] = {};
    uint8_t cs[196] = {};
    EXPECT_EQ(BuildUniformityShortFrame(u6).size(), 11u);
    EXPECT_EQ(BuildUniformityLongFrame(u11).size(), 16u);
    EXPECT_EQ(BuildColorSpaceBlockFrame(cs).size(), 201u);
    EXPECT_EQ(BuildColorSpaceBlockFrame(cs)[0], 0xF0);
}

TEST(MonitorProtocol, SenderLogsOffsetsAsGivenAndTheIdChange) {
    test::ScopedEndpoint port("TEST-MONITOR");
    SerialLink link;
    link.setMonitorSettings(port.name());
    ASSERT_TRUE(link.open());
    StationLog log;
    VirtualScheduler scheduler;
    TaskState task;
    MonitorSender sender(link, log, scheduler, task);
    sender.sendRgbOffset(-3, 0, 7, 20);
    sender.sendCalibrationId("CAL123");
    EXPECT_EQ(log.text(), "SYS:RGB Offset(-3,0,7)\nSYS:Changed Monitor ID\n");
    EXPECT_EQ(scheduler.nowMs(), 520);
}

// The line carries ten bits a byte at 9600 baud: a 201-byte block is on it for 210 ms. A frame
// written while the one before is still on its way would queue behind it and shorten every wait
// after it, so it leaves only once the line is free; on an idle line the wait counts from the
// write, as before.
TEST(MonitorProtocol, AFrameLeavesOnlyOnceTheLineCarriedTheOneBefore) {
    struct TimedEndpoint : PortEndpoint {
        const Scheduler* clock = nullptr;
        std::vector<int64_t> writtenAtMs;
        void receive(const uint8_t*, size_t) override { writtenAtMs.push_back(clock->nowMs()); }
        bool transmit(uint8_t*, size_t, size_t& count) override {
            count = 0;
            return true;
        }
    };
    VirtualScheduler scheduler;
    auto port = std::make_shared<TimedEndpoint>();
    port->clock = &scheduler;
    PortRegistry::instance().add("TEST-TIMED-MONITOR", port);
    {
        SerialLink link;
        link.setMonitorSettings("TEST-TIMED-MONITOR");
        ASSERT_TRUE(link.open());
        StationLog log;
        TaskState task;
        MonitorSender sender(link, log, scheduler, task);
        const uint8_t data[196] = {};
        const Bytes block = BuildColorSpaceBlockFrame(data);
        sender.sendFrame(block, "", 100);
        sender.sendFrame(block, "", 0);
        sender.sendMonitorCommand(MonitorCommand::KeepAlive, 0, 0);
        sender.sendMonitorCommand(MonitorCommand::SaveEeprom, 0, 1000);
        sender.sendMonitorCommand(MonitorCommand::DrawPattern, 0, 0);
        EXPECT_EQ(port->writtenAtMs, (std::vector<int64_t>{0, 210, 420, 423, 1423}));
    }
    PortRegistry::instance().remove("TEST-TIMED-MONITOR");
}

TEST(MonitorReplies, ReadValuesAtTheirOffsetsOnlyWhenPresent) {
    EXPECT_FALSE(IsValidReply({}));
    EXPECT_FALSE(IsValidReply({0xEF, 0x00, 0x41}));
    EXPECT_TRUE(IsValidReply({0xF0}));
    EXPECT_EQ(ReplyText({0xF3, 0x00, 0x41, 0x42, 0x43}), "ABC");
    EXPECT_EQ(ReplyText({0xF3, 0x00}), "");
    EXPECT_EQ(ReplyText({0xF5, 0x89, 'T', 'X', 0, 'Z'}), "TX");
    EXPECT_EQ(ReplyByte({0xF4, 0x89, 1, 2, 0x90}, 4), 0x90);
    EXPECT_FALSE(ReplyByte({0xF4, 0x89, 1, 2}, 4).has_value());
    EXPECT_EQ(ReplyWord({0xF3, 0x89, 0x34, 0x12}, 2), 0x1234);
    EXPECT_FALSE(ReplyWord({0xF3, 0x89, 0x34}, 2).has_value());
    EXPECT_EQ(CapabilityFromReply({0xF4, 0x8B, 0x00, 0xFE, 0x75}), 0x70);
    EXPECT_FALSE(IsSupportedCapability(0x70));
    EXPECT_FALSE(IsSupportedCapability(0x30));
    EXPECT_FALSE(IsSupportedCapability(0x40));
    EXPECT_TRUE(IsSupportedCapability(0x10));
    EXPECT_TRUE(IsSupportedCapability(0x00));
    // Offsets are 10-bit two's complement, sign-extended to 16 bits or sent bare.
    EXPECT_EQ(ColorSpaceOffsetValue(0xFFFF), -1);
    EXPECT_EQ(ColorSpaceOffsetValue(0xFE00), -512);
    EXPECT_EQ(ColorSpaceOffsetValue(0x01FF), 511);
    EXPECT_EQ(ColorSpaceOffsetValue(0x0005), 5);
    EXPECT_EQ(ColorSpaceOffsetValue(0x03FF), -1);
    EXPECT_EQ(ColorSpaceOffsetValue(0x0200), -512);
    EXPECT_EQ(ColorSpaceOffsetValue(0x03EC), -20);
    EXPECT_EQ(ColorSpaceOffsetValue(0x0000), 0);
}

}  // namespace
}  // namespace halvo
