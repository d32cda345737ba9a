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

// The panel gamma truncated to hundredths, as the station writes it: up to 0.01 / 2.4 off the
// table's exponent, which bends a curve of 2.3 by up to 0.01.
constexpr double kTruncatedPanelGamma = 0.01;

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
    // Measures the raw panel and uploads the table a gamma calibration would build from it (with
    // every entry scaled, if asked, as a station with the wrong unit would).
    void uploadMeasuredTable(double scale = 1.0) {
        send(MonitorCommand::CalibrationExecution, 1);
        send(MonitorCommand::SetCscGamma, 1);
        std::array<uint16_t, 256> table{};
        const double black = greyLuminance(0);
        long previous = -1;
        for (int code = 0; code < 256; ++code) {
            const long value = std::max(previous + 1, std::lround((greyLuminance(code) - black) * 100.0 * scale));
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
    // The exponent the station would have measured along with the table.
    const double tableGamma = TableExponent(rig.station.monitor().calibration().gammaTable);
    EXPECT_NEAR(tableGamma, 2.4, 0.05);
    const uint32_t kPanelGammaX100 = static_cast<uint32_t>(tableGamma * 100);
    // The 2.35 curve and the panel-gamma codes shape it from there.
    rig.send(MonitorCommand::SetGamma, 16);
    EXPECT_NEAR(rig.gammaBetween(128, 255), 2.35, 0.01);
    rig.send(MonitorCommand::SetGamma, 14);
    rig.send(MonitorCommand::WriteDefaultPanelGamma, (15u << 24) | (12u << 16) | kPanelGammaX100);
    EXPECT_NEAR(rig.gammaBetween(128, 255), 2.3, 0.01);
    EXPECT_EQ(rig.station.monitor().calibration().defaultPanelGammaX100, kPanelGammaX100);
    // A colour space's own code wins while that space is shown; through the colour-space
    // converter the curve is the native one while the panel gamma is the table's.
    rig.send(MonitorCommand::WriteDefaultPanelGamma, (2u << 24) | (4u << 16) | kPanelGammaX100);
    rig.send(MonitorCommand::SetColorSpace, 2);
    EXPECT_NEAR(rig.gammaBetween(128, 255), 2.1, kTruncatedPanelGamma);
    rig.send(MonitorCommand::SetColorSpace, 1);
    const double shown = rig.gammaBetween(128, 255);
    EXPECT_NEAR(shown, 2.3, kTruncatedPanelGamma);
    // A panel gamma 0.2 short of the panel's bends the colour space's response by their ratio;
    // the native picture, linearised by the table, stays as it was.
    rig.send(MonitorCommand::WriteDefaultPanelGamma, (15u << 24) | (12u << 16) | (kPanelGammaX100 - 20));
    EXPECT_NEAR(rig.gammaBetween(128, 255), shown * kPanelGammaX100 / (kPanelGammaX100 - 20.0), 0.01);
    rig.send(MonitorCommand::SetColorSpace, 0);
    EXPECT_NEAR(rig.gammaBetween(128, 255), 2.3, 0.01);
    // A gamma no panel has (what a station that never measured one sends) is not taken, and the
    // monitor records the frame as one it refused.
    rig.send(MonitorCommand::WriteDefaultPanelGamma, (15u << 24) | (8u << 16) | 0u);
    rig.expectedViolations = {"WriteDefaultPanelGamma gamma x 100 = 0 is no panel gamma (50..350)"};
    EXPECT_EQ(rig.station.monitor().calibration().defaultPanelGammaX100, kPanelGammaX100 - 20);
}

TEST(SimMonitorCalibration, TheGammaTableActsWithItsAbsoluteLuminance) {
    Rig rig;
    rig.uploadMeasuredTable();
    rig.send(MonitorCommand::SetColorTemperature, 6500 | 0x8000);
    rig.send(MonitorCommand::SetRgbGainAlt, 120 | 120 << 8 | 120 << 16);
    const double white = rig.greyLuminance(255);
    const double gamma = rig.gammaBetween(128, 255);
    // The table scaled by 0.9: the monitor believes its panel a tenth dimmer and drives it
    // harder. Normalised, the two tables would show the same picture.
    rig.uploadMeasuredTable(0.9);
    // Entering calibration mode again forgets which preset the gains adjust.
    rig.send(MonitorCommand::SetColorTemperature, 6500 | 0x8000);
    EXPECT_NEAR(rig.greyLuminance(255) / white, 1 / 0.9, 0.01);
    EXPECT_NEAR(rig.gammaBetween(128, 255), gamma, 0.01) << "below the panel's top the shape holds";
    // At full gains the light asked for lies beyond the table's end: the top is clipped and the
    // curve flattens there.
    rig.send(MonitorCommand::SetRgbGainAlt, 255 | 255 << 8 | 255 << 16);
    EXPECT_LT(rig.gammaBetween(230, 255), gamma - 0.3);
    // Too high a table: darker by as much.
    rig.uploadMeasuredTable(1.1);
    rig.send(MonitorCommand::SetColorTemperature, 6500 | 0x8000);
    rig.send(MonitorCommand::SetRgbGainAlt, 120 | 120 << 8 | 120 << 16);
    EXPECT_NEAR(rig.greyLuminance(255) / white, 1 / 1.1, 0.01);
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
