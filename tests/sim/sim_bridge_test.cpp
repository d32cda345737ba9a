// The hooks the stand-in libraries reach the simulated station through.

#include <gtest/gtest.h>

#include "sim/bridge/sim_bridge.h"
#include "sim/sim_station.h"

namespace halvo::sim {
namespace {

TEST(SimBridge, TheInstalledStationIsTheOneStandInsMeasure) {
    EXPECT_EQ(halvo_sim_hooks(), nullptr);
    VirtualScheduler clock;
    {
        SimStation station(clock);
        EXPECT_EQ(halvo_sim_hooks(), nullptr);
        station.install();
        const HalvoSimHooks* hooks = halvo_sim_hooks();
        ASSERT_NE(hooks, nullptr);
        EXPECT_EQ(hooks->version, HALVO_SIM_BRIDGE_VERSION);
        clock.sleep(123);
        EXPECT_EQ(hooks->nowMs(hooks->context), 123);
        hooks->sleepMs(hooks->context, 77);
        EXPECT_EQ(clock.nowMs(), 200);
        double xyz[3] = {};
        hooks->lightAtProbe(hooks->context, xyz);
        EXPECT_DOUBLE_EQ(xyz[1], station.lightAtProbe().Y);
        EXPECT_GT(xyz[1], 100.0);
        EXPECT_EQ(hooks->fault(hooks->context, "pelko", "no-device"), 0);
        station.setFault("pelko", "no-device", true);
        EXPECT_EQ(hooks->fault(hooks->context, "pelko", "no-device"), 1);
        station.setFault("pelko", "no-device", false);
        EXPECT_EQ(hooks->fault(hooks->context, "pelko", "no-device"), 0);
    }
    EXPECT_EQ(halvo_sim_hooks(), nullptr);  // gone with the station
}

}  // namespace
}  // namespace halvo::sim
