// The simulated monitor's uniformity: the panel's fall-off, what each engine does with the
// packets, the all-zero packet, and the EEPROM.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sim/monitor_bench.h"
#include "sim/sim_station.h"

namespace halvo::sim {
namespace {

struct Fixture : MonitorBench {
    // In calibration mode, where a uniformity walk sends its packets.
    explicit Fixture(const std::string& version = "TXM-600 V1.00", uint8_t info = 0x00) {
        monitor().config().versionText = version;
        monitor().config().modelInfo = info;
        send(*BuildMonitorFrame(MonitorCommand::CalibrationExecution, 1));
        send(*BuildMonitorFrame(MonitorCommand::DrawPattern, 0xFFFFFF));
    }
    double at(int cell) {
        const ScreenPoint p = CellCentre(cell);
        return monitor().emitted(p.px, p.py).Y;
    }
    std::array<double, 10> nine() {
        std::array<double, 10> lv{};
        for (int cell = 1; cell <= 9; ++cell) {
            lv[static_cast<size_t>(cell)] = at(cell);
        }
        return lv;
    }
};

// Ten-value packet: FE 88 00 FE 13, (enabled ? 80 : 0) + P9, P0..P8, P9.
Bytes TenValue(std::array<uint8_t, 10> p, bool enabled = true) {
    Bytes f = {0xFE, 0x88, 0x00, 0xFE, 0x13, static_cast<uint8_t>((enabled ? 0x80 : 0) + (p[9] & 0x7F))};
    f.insert(f.end(), p.begin(), p.begin() + 9);
    f.push_back(p[9] & 0x7F);
    return f;
}

TEST(SimUniformity, ThePanelFallsOffByEightToFifteenPercent) {
    Fixture f;
    const auto lv = f.nine();
    const double high = *std::max_element(lv.begin() + 1, lv.end());
    const double low = *std::min_element(lv.begin() + 1, lv.end());
    EXPECT_EQ(high, lv[5]) << "brightest in the centre";
    EXPECT_EQ(low, std::min(lv[1], lv[7])) << "darkest in the left corners";
    EXPECT_GT(lv[6], lv[4]) << "the right side a little brighter";
    const double percent = (high - low) * 100.0 / high;
    EXPECT_GE(percent, 8.0);
    EXPECT_LE(percent, 15.0);
}

TEST(SimUniformity, EachModelHasTheEngineItsMethodNeeds) {
    EXPECT_EQ(UniformityEngineOf("TXM-600-HD-S V1.02", 0x90), UniformityEngine::GammaCurve);
    EXPECT_EQ(UniformityEngineOf("TXM-600 V1.00", 0x80), UniformityEngine::Linear);
    EXPECT_EQ(UniformityEngineOf("TXM-600 V1.00", 0x08), UniformityEngine::Shape);
    EXPECT_EQ(UniformityEngineOf("TXM-400 V2.01", 0x01), UniformityEngine::Gradient);
    EXPECT_EQ(UniformityEngineOf("VM-170 V1.05", 0x94), UniformityEngine::GammaCurve);
    EXPECT_EQ(UniformityEngineOf("VM-170 V1.05", 0x80), UniformityEngine::Table);
}

TEST(SimUniformity, TheAllZeroPacketLeavesThePanelAsItIs) {
    Fixture f("TXM-600 V1.00", 0x80);
    const auto before = f.nine();
    f.send(TenValue({0, 200, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_LT(f.at(2), before[2]);
    f.send(TenValue({}, false));
    EXPECT_EQ(f.nine(), before);
    // A packet of the other kind is not this engine's: the table packet on a linear monitor.
    f.send({0xFA, 0x88, 0x00, 0xFE, 0x13, 0xFF, 6, 7, 11, 5, 0});
    EXPECT_EQ(f.nine(), before);
}

TEST(SimUniformity, PerCellEnginesDimEachCellAsTheirComputationMeans) {
    // Linear: 64 steps are 10 cd/m2 off the cell's native white (the panel's own, as the run
    // measures it with the picture processing bypassed); a processed picture dims in proportion.
    Fixture linear("TXM-600 V1.00", 0x80);
    linear.send(*BuildMonitorFrame(MonitorCommand::SetCscGamma, 1));
    const double centre = linear.at(5);
    linear.send(TenValue({0, 0, 0, 0, 64, 0, 0, 0, 0, 0}));
    EXPECT_NEAR(linear.at(5), centre - 10.0, 1e-9);
    // Gamma-curve: value v stands for the 10-bit level w = 1023 - v k 480 / (2^17 2.2) through a 2.2
    // curve; with k = 300, v = 95 is w = 975.2, 0.9 of the light.
    Fixture curve("TXM-600-HD-S V1.02", 0x90);
    const double top = curve.at(2);
    curve.send(TenValue({0, 95, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_NEAR(curve.at(2) / top, std::pow((1023.0 - 95.0 * 300 * 480 / (131072 * 2.2)) / 1023.0, 2.2), 1e-12);
    EXPECT_NEAR(curve.at(2) / top, 0.9, 0.001);
    // Table: right column H1, centre column H2 - H1, rows V1 / V2 / V3, half a percent a step.
    Fixture table("VM-170 V1.05", 0x00);
    const auto before = table.nine();
    table.send({0xFA, 0x88, 0x00, 0xFE, 0x13, 0xFF, 6, 7, 11, 5, 0});
    const auto after = table.nine();
    EXPECT_NEAR(after[1] / before[1], 1 - 0.005 * 6, 1e-12);
    EXPECT_NEAR(after[2] / before[2], 1 - 0.005 * (6 + 4), 1e-12);
    EXPECT_NEAR(after[6] / before[6], 1 - 0.005 * (5 + 7), 1e-12);
    EXPECT_NEAR(after[7] / before[7], 1.0, 1e-12);
}

TEST(SimUniformity, GradientRampsStartAtTheTopLeftPlaceAndTrimsStayInTheirCell) {
    Fixture f;
    const auto before = f.nine();
    // s = 20, a = 20, d = 20, i = 76, P0 = 2, P9 = 3.
    f.send(TenValue({2, 20, 20, 20, 76, 0, 0, 0, 0, 3}));
    const auto ramps = f.nine();
    // The top-left place only sees the floor the compensation bytes lift: 4 P0 + 3 P9 of 1023.
    EXPECT_NEAR(ramps[1] / before[1], 1 - (4 * 2 + 3 * 3) / 1023.0, 1e-12);
    // Centre top: H(960) = (4096 s 960 - a 960 959) / 2^20 in 1/1023 of the light, on top.
    const double h960 = (4096.0 * 20 * 960 - 20.0 * 960 * 959) / 1048576.0;
    EXPECT_NEAR(ramps[2] / before[2], 1 - (h960 + 17) / 1023.0, 1e-9);
    // Each trim moves its own place and leaves the other eight.
    const std::pair<int, int> trims[] = {{5, 5}, {6, 8}, {7, 6}, {8, 9}};
    for (const auto& [byte, cell] : trims) {
        std::array<uint8_t, 10> p = {2, 20, 20, 20, 76, 0, 0, 0, 0, 3};
        p[static_cast<size_t>(byte)] = 3;
        f.send(TenValue(p));
        const auto trimmed = f.nine();
        for (int c = 1; c <= 9; ++c) {
            if (c == cell) {
                // P5 and P8 dim, P6 and P7 brighten.
                EXPECT_EQ(trimmed[static_cast<size_t>(c)] < ramps[static_cast<size_t>(c)], byte == 5 || byte == 8)
                    << "P" << byte;
            } else {
                EXPECT_NEAR(trimmed[static_cast<size_t>(c)], ramps[static_cast<size_t>(c)], 1e-9) << "P" << byte;
            }
        }
    }
    // With s below 1 the slope is a signed byte: 200 is -56, a ramp that dims toward the right.
    // (Read as 200 it would ask the right to brighten, which the panel cannot.)
    f.send(TenValue({0, 0, 200, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_NEAR(f.at(3) / before[3], 1 - 56.0 * 1920 * 1919 / 1048576 / 1023, 1e-9);
}

TEST(SimUniformity, SaveEepromKeepsTheCorrectionOverAPowerCycle) {
    Fixture f("TXM-600 V1.00", 0x80);
    f.send(TenValue({0, 0, 0, 0, 64, 0, 0, 0, 0, 0}));
    const MonitorUniformity sent = f.monitor().calibration().uniformity;
    f.monitor().powerCycle();
    EXPECT_EQ(f.monitor().calibration().uniformity, MonitorUniformity()) << "not saved: lost";
    f.send(*BuildMonitorFrame(MonitorCommand::CalibrationExecution, 1));  // a new walk after the restart
    f.send(TenValue({0, 0, 0, 0, 64, 0, 0, 0, 0, 0}));
    f.send(*BuildMonitorFrame(MonitorCommand::SaveEeprom, 255));
    f.monitor().powerCycle();
    EXPECT_EQ(f.monitor().calibration().uniformity, sent);
    EXPECT_EQ(f.monitor().eeprom()[kUniformityEepromAt], MonitorUniformity::kTenValuePacket);
    // An EEPROM whose kind byte is not a packet kind holds no correction.
    f.monitor().eeprom()[kUniformityEepromAt] = 0x5A;
    f.monitor().powerCycle();
    EXPECT_FALSE(f.monitor().calibration().uniformity.enabled());
}

}  // namespace
}  // namespace halvo::sim
