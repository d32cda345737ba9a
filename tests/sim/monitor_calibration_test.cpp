// The simulated monitor learns calibration: the gamma table linearises the panel, panel-gamma
// codes steepen the curve, and only what "Save eeprom" stored survives a power cycle.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "monitor/monitor_protocol.h"
#include "sim/monitor_pipeline.h"
#include "sim/monitor_bench.h"
#include "sim/sim_station.h"

namespace halvo::sim {
namespace {

struct Rig : MonitorBench {
    double greyLuminance(int level) {
        send(MonitorCommand::DrawPattern, static_cast<uint32_t>(level * 0x010101));
        return station.lightAtProbe().Y;
    }
    // The exponent between two grey levels, black removed.
    double gammaBetween(int low, int high) {
        const double black = greyLuminance(0);
        return std::log((greyLuminance(low) - black) / (greyLuminance(high) - black)) /
               std::log(static_cast<double>(low) / high);
    }
    // Measures the raw panel and uploads the table a gamma calibration would build from it.
    void uploadMeasuredTable() {
        send(MonitorCommand::CalibrationExecution, 1);
        send(MonitorCommand::SetCscGamma, 1);
        std::array<uint16_t, 256> table{};
        const double black = greyLuminance(0);
        long previous = -1;
        for (int code = 0; code < 256; ++code) {
            const long value = std::max(previous + 1, std::lround((greyLuminance(code) - black) * 100.0));
            table[static_cast<size_t>(code)] = static_cast<uint16_t>(value);
            previous = value;
        }
        // Loaded while the processing is bypassed, as the gamma calibration loads it.
        for (int first = 0; first < 256; first += 4) {
            uint8_t data[9];
            data[0] = static_cast<uint8_t>(first);
            for (int k = 0; k < 4; ++k) {
                data[1 + 2 * k] = static_cast<uint8_t>(table[static_cast<size_t>(first + k)] & 0xFF);
                data[2 + 2 * k] = static_cast<uint8_t>(table[static_cast<size_t>(first + k)] >> 8);
            }
            send(BuildGammaTableFrame(data));
        }
        send(MonitorCommand::SetCscGamma, 0);
    }
};

TEST(SimMonitorCalibration, AnUncalibratedMonitorMissesTheGammaAndAMeasuredTableHitsIt) {
    Rig rig;
    const double before = rig.gammaBetween(128, 255);
    EXPECT_GT(std::fabs(before - 2.2), 0.03);  // outside 2.20 +- 0.02 and then some
    rig.uploadMeasuredTable();
    EXPECT_NEAR(rig.gammaBetween(128, 255), 2.2, 0.01);
    EXPECT_NEAR(rig.gammaBetween(64, 255), 2.2, 0.01);
    // The 2.35 curve and the panel-gamma codes shape it from there.
    rig.send(MonitorCommand::SetGamma, 16);
    EXPECT_NEAR(rig.gammaBetween(128, 255), 2.35, 0.01);
    rig.send(MonitorCommand::SetGamma, 14);
    rig.send(MonitorCommand::WriteDefaultPanelGamma, (15u << 24) | (12u << 16) | 220u);
    EXPECT_NEAR(rig.gammaBetween(128, 255), 2.3, 0.01);
    EXPECT_EQ(rig.station.monitor().calibration().defaultPanelGammaX100, 220);
    // A colour space's own code wins while that space is shown.
    rig.send(MonitorCommand::WriteDefaultPanelGamma, (2u << 24) | (4u << 16) | 220u);
    rig.send(MonitorCommand::SetColorSpace, 2);
    EXPECT_NEAR(rig.gammaBetween(128, 255), 2.1, 0.01);
    rig.send(MonitorCommand::SetColorSpace, 1);
    EXPECT_NEAR(rig.gammaBetween(128, 255), 2.3, 0.01);
}

TEST(SimMonitorCalibration, OnlySavedWorkSurvivesAPowerCycle) {
    Rig rig;
    SimMonitor& m = rig.station.monitor();
    const double factoryGamma = rig.gammaBetween(128, 255);
    rig.uploadMeasuredTable();
    rig.send(MonitorCommand::SetColorTemperature, 6500 | 0x8000);
    rig.send(MonitorCommand::SetRgbGainAlt, 201 | 202 << 8 | 203 << 16);
    m.powerCycle();
    EXPECT_NEAR(rig.gammaBetween(128, 255), factoryGamma, 1e-9);
    EXPECT_NE(m.presetGains(6500), (RgbGains{201, 202, 203}));

    rig.uploadMeasuredTable();
    rig.send(MonitorCommand::SetColorTemperature, 6500 | 0x8000);
    rig.send(MonitorCommand::SetRgbGainAlt, 201 | 202 << 8 | 203 << 16);
    rig.send(MonitorCommand::SaveEeprom, 255);
    m.powerCycle();
    EXPECT_NEAR(rig.gammaBetween(128, 255), 2.2, 0.01);
    EXPECT_EQ(m.presetGains(6500), (RgbGains{201, 202, 203}));
    m.factoryReset();
    EXPECT_NEAR(rig.gammaBetween(128, 255), factoryGamma, 1e-9);
}

TEST(SimMonitorCalibration, TheEepromCarriesTheCalibrationToAnotherMonitor) {
    Rig source;
    source.uploadMeasuredTable();
    source.send(MonitorCommand::SetColorTemperature, 9300 | 0x8000);
    source.send(MonitorCommand::SetRgbGainAlt, 180 | 190 << 8 | 250 << 16);
    source.send(MonitorCommand::SaveEeprom, 255);

    VirtualScheduler clock;
    SimStationConfig other;
    other.monitor.seed = 42;
    SimStation target(clock, other);
    target.monitor().eeprom() = source.station.monitor().eeprom();
    target.monitor().powerCycle();
    EXPECT_EQ(target.monitor().presetGains(9300), (RgbGains{180, 190, 250}));
    EXPECT_EQ(target.monitor().calibration().gammaTable, source.station.monitor().calibration().gammaTable);
}

TEST(MonitorPipeline, InverseTableInterpolatesAndClamps) {
    std::array<uint16_t, 256> table{};
    for (size_t i = 0; i < 256; ++i) {
        table[i] = static_cast<uint16_t>(10 * i);
    }
    EXPECT_DOUBLE_EQ(InverseTable(table, -5), 0.0);
    EXPECT_DOUBLE_EQ(InverseTable(table, 0), 0.0);
    EXPECT_DOUBLE_EQ(InverseTable(table, 25), 2.5);
    EXPECT_DOUBLE_EQ(InverseTable(table, 2550), 255.0);
    EXPECT_DOUBLE_EQ(InverseTable(table, 99999), 255.0);
}

}  // namespace
}  // namespace halvo::sim
