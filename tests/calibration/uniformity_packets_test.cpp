// The two uniformity packets: their bytes, their log lines, the settings the data set keeps of
// them - which a log import must read back the same - and the senders.

#include <gtest/gtest.h>

#include "caldata/log_import.h"
#include "calibration/uniformity_packets.h"
#include "support/recording_endpoint.h"

namespace halvo {
namespace {

TEST(UniformityPackets, TablePacket) {
    // Rows c = 4 (10,0,7,11) and b = 2 (10,6,5,0).
    const Bytes on = UniformityTablePacket(4, 2, true);
    EXPECT_EQ(HexBytes(on), "FA 88 00 FE 13 FF 06 07 0B 05 00");
    EXPECT_EQ(UniformityTableLog(4, 2, on), "Send Uniformity = 4,2, -1, (6,7,11,5,0)");
    EXPECT_EQ(SettingsOfTablePacket(4, 2, on), (UniformitySettings{4, 2, 255, 6, 7, 11, 5, 0, 0, 0}));
    const Bytes off = UniformityTablePacket(0, 0, false);
    EXPECT_EQ(HexBytes(off), "FA 88 00 FE 13 00 00 00 00 00 00");
    EXPECT_EQ(UniformityTableLog(0, 0, off), "Send Uniformity = 0,0, 0, (0,0,0,0,0)");
}

TEST(UniformityPackets, TenValuePacketCarriesP9InItsEnableByte) {
    // P9 is a 7-bit value: 0x85 travels as 5.
    const UniformityParams p = {3, 18, 23, 19, 74, 1, 2, 3, 4, 0x85};
    const Bytes on = UniformityTenValuePacket(p, true);
    EXPECT_EQ(HexBytes(on), "FE 88 00 FE 13 85 03 12 17 13 4A 01 02 03 04 05");
    EXPECT_EQ(UniformityTenValueLog(on), "Send Uniformity =  133, (3,18,23,19,74,1,2,3,4,5)");
    EXPECT_EQ(UniformityStoredLog(p, true), "Send Uniformity1 =  133, (3,18,23,19,74,1,2,3,4,5)");
    EXPECT_EQ(SettingsOfTenValuePacket(on), (UniformitySettings{133, 3, 18, 23, 19, 74, 1, 2, 3, 4}));
    EXPECT_EQ(HexBytes(UniformityTenValuePacket(UniformityParams{}, false)),
              "FE 88 00 FE 13 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(UniformityTenValuePacket(p, false)[5], 0x05);
}

TEST(UniformityPackets, ALogImportReadsTheSettingsBack) {
    const UniformityParams p = {3, 18, 23, 19, 74, 1, 2, 3, 4, 5};
    const Bytes ten = UniformityTenValuePacket(p, true);
    const std::string tenLog =
        "CAL: " + UniformityTenValueLog(ten) + "\nCAL: " + UniformityStoredLog(p, true) + "\n";
    EXPECT_EQ(ImportLog(tenLog, "x").data.uniformity, SettingsOfTenValuePacket(ten));

    const Bytes table = UniformityTablePacket(4, 2, true);
    EXPECT_EQ(ImportLog("CAL: " + UniformityTableLog(4, 2, table) + "\n", "x").data.uniformity,
              SettingsOfTablePacket(4, 2, table));
}

TEST(UniformityPackets, SendersWriteOneFrameLogAndWaitASecond) {
    test::ScopedEndpoint port("TEST-UNIFORMITY");
    SerialLink link;
    link.setMonitorSettings(port.name());
    ASSERT_TRUE(link.open());
    StationLog log;
    VirtualScheduler scheduler;
    TaskState task;
    task.CalibrationState = kTaskModelDependent;
    MonitorSender sender(link, log, scheduler, task);

    const UniformityParams p = {0, 18, 23, 19, 74, 0, 0, 0, 0, 5};
    const int64_t start = scheduler.nowMs();
    SendUniformityTenValue(sender, p, true);
    EXPECT_EQ(scheduler.nowMs() - start, 1000);
    ASSERT_EQ(port->writes.size(), 1u);
    EXPECT_EQ(port->writes[0], UniformityTenValuePacket(p, true));
    EXPECT_EQ(log.text(), "CAL: Send Uniformity =  133, (0,18,23,19,74,0,0,0,0,5)\n"
                          "CAL: Send Uniformity1 =  133, (0,18,23,19,74,0,0,0,0,5)\n");

    // Stored settings go out again as the packet they came from, enabled.
    SendStoredUniformity(sender, SettingsOfTenValuePacket(UniformityTenValuePacket(p, false)), true);
    EXPECT_EQ(port->writes.back(), UniformityTenValuePacket(p, true));
    SendStoredUniformity(sender, SettingsOfTablePacket(4, 2, UniformityTablePacket(4, 2, true)), false);
    EXPECT_EQ(port->writes.back(), UniformityTablePacket(4, 2, true));
    EXPECT_EQ(port->writes.size(), 3u);
}

}  // namespace
}  // namespace halvo
