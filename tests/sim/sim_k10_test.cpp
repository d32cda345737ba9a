// The simulated K-10: its answers on the wire and their timing at 9600 baud, the slot
// selection, the stale first reading, its status letters, and what its matrices do to accuracy.

#include <gtest/gtest.h>

#include <cmath>

#include "instruments/k10/k10_driver.h"
#include "monitor/serial_link.h"
#include "sim/sim_k10.h"
#include "support/recording_endpoint.h"

namespace halvo {
namespace {

struct Line {
    Line() : device(std::make_shared<sim::SimK10>(clock, [this] { return light; })), port("TEST-SIMK10", device) {
        link.portName = "TEST-SIMK10";
        EXPECT_TRUE(link.open());
    }
    // Sends a command and collects the answer until `length` bytes came or `maxMs` passed.
    K10Bytes ask(const K10Bytes& command, size_t length, int64_t maxMs = 5000) {
        link.write(command);
        K10Bytes got;
        const int64_t start = clock.nowMs();
        while (got.size() < length && clock.nowMs() - start < maxMs) {
            clock.runFor(1);
            const K10Bytes chunk = link.readChunk();
            got.insert(got.end(), chunk.begin(), chunk.end());
        }
        completedAfterMs = clock.nowMs() - start;
        return got;
    }
    K10Bytes ask(const std::string& command, size_t length, int64_t maxMs = 5000) {
        return ask(K10Bytes(command.begin(), command.end()), length, maxMs);
    }

    VirtualScheduler clock;
    sim::Xyz light{95.0, 100.0, 108.0};
    std::shared_ptr<sim::SimK10> device;
    test::ScopedEndpoint port;
    SerialLink link;
    int64_t completedAfterMs = 0;
};

TEST(SimK10, AnswersInTheDevicesRecordsAtTheLinesSpeed) {
    Line line;
    // 3 bytes in, 30 ms of firmware, 21 bytes out at 1.04 ms each.
    EXPECT_EQ(line.ask("P0\r", 21), BuildK10Identity("K-10-A", "210400123", "13"));
    EXPECT_NEAR(static_cast<double>(line.completedAfterMs), 3.1 + 30 + 21 * 1.0417, 1.5);

    const K10Bytes names = line.ask("D7\r", kK10NamesLength);
    ASSERT_EQ(names.size(), kK10NamesLength);
    EXPECT_NEAR(static_cast<double>(line.completedAfterMs), 3.1 + 150 + 1925 * 1.0417, 2.0);
    const auto parsed = ParseK10Names(names);
    ASSERT_TRUE(parsed);
    EXPECT_EQ((*parsed)[0], "Vorla WG-LCD");
    EXPECT_EQ((*parsed)[3], "OLED");
    EXPECT_EQ((*parsed)[4], "Blank");
    EXPECT_EQ((*parsed)[95], "Blank");

    const K10Bytes reading = line.ask("N5\r", kK10MeasurementLength);
    ASSERT_EQ(reading.size(), kK10MeasurementLength);
    EXPECT_EQ(reading[0], 'N');
    EXPECT_EQ(reading[14], '\r');
    EXPECT_GE(line.completedAfterMs, 180 + 15);
    EXPECT_LT(line.completedAfterMs, 230);
    // Commands the station never sends are taken without an answer.
    EXPECT_TRUE(line.ask("B7\r", 1, 500).empty());
}

TEST(SimK10, TakesTheByteAfterTheEchoAsTheSlotEvenWhenItIsACarriageReturn) {
    Line line;
    EXPECT_EQ(line.ask("D1\r", 2), (K10Bytes{'D', '1'}));
    const K10Bytes named = line.ask(K10Bytes{1, '\r'}, kK10MatrixLength);
    const auto m = ParseK10Matrix(named, 1);
    ASSERT_TRUE(m);
    EXPECT_TRUE(m->correction);
    EXPECT_NEAR(m->reference[0], 0.3127, 1e-4);

    line.ask("D1\r", 2);
    const auto erased = ParseK10Matrix(line.ask(K10Bytes{13, '\r'}, kK10MatrixLength), 13);
    ASSERT_TRUE(erased);
    EXPECT_FALSE(erased->correction);

    // A slot byte that comes too late is not one: the device went back to reading commands.
    line.ask("D1\r", 2);
    line.clock.runFor(1500);
    EXPECT_EQ(line.ask("P0\r", 21).size(), 21u);
    EXPECT_EQ(line.device->commands().back(), "P0");
}

TEST(SimK10, AnswersWithTheReadingItFinishedLastAndMarksChangedAndLowLight) {
    Line line;
    line.device->config().relativeNoise = 0.0;
    line.device->config().darkNoise = 0.0;
    const Matrix3& d = sim::SimK10::sensorDistortion();
    const auto rawY = [&](const sim::Xyz& v) { return d[1][0] * v.X + d[1][1] * v.Y + d[1][2] * v.Z; };

    line.ask("N5\r", 15);
    const sim::Xyz before = line.light;
    line.light = {9.5, 10.0, 10.8};
    auto first = ParseK10Measurement(line.ask("N5\r", 15));
    auto second = ParseK10Measurement(line.ask("N5\r", 15));
    ASSERT_TRUE(first && second);
    EXPECT_NEAR(first->Y, rawY(before), 0.01);  // stale: started before the light changed
    EXPECT_EQ(first->status, 's');
    EXPECT_NEAR(second->Y, rawY(line.light), 0.001);
    EXPECT_EQ(second->status, '0');
    const K10Ranges ranges = DecodeK10Ranges(second->range);
    EXPECT_EQ(ranges.green, 3);  // 5..50 cd/m2

    line.light = {0.05, 0.05, 0.05};
    line.ask("N5\r", 15);
    EXPECT_EQ(ParseK10Measurement(line.ask("N5\r", 15))->status, 'L');
    line.device->config().forcedStatus = 'X';
    EXPECT_EQ(ParseK10Measurement(line.ask("N5\r", 15))->status, 'X');
}

// Light of the simulated wide-gamut panel at full drive, measured by the driver with each slot:
// the matrix made for this panel type removes the sensor's error, the others only part of it.
TEST(SimK10, TheMatrixForThisPanelTypeRemovesTheSensorError) {
    VirtualScheduler clock;
    sim::PanelModel panel;
    sim::Xyz light;
    auto device = std::make_shared<sim::SimK10>(clock, [&] { return light; });
    test::ScopedEndpoint port("TEST-SIMK10", device);
    KClmtr k10(clock);
    ASSERT_TRUE(k10.Connect("TEST-SIMK10"));

    const auto upvp = [](double x, double y) {
        const double d = -2.0 * x + 12.0 * y + 3.0;
        return std::make_pair(4.0 * x / d, 9.0 * y / d);
    };
    // Largest u'v' error and luminance error over white, red, green and blue for a slot.
    const auto errors = [&](int slot) {
        k10.SelectMatrix(slot);
        double worstUv = 0.0;
        double worstY = 0.0;
        for (const std::array<double, 3>& drive :
             {std::array<double, 3>{1, 1, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}) {
            light = panel.emit(drive, 255, 0.5, 0.5);
            k10.Measure();
            const ColorimetricRecord r = k10.Measure();
            const double s = light.X + light.Y + light.Z;
            const auto [tu, tv] = upvp(light.X / s, light.Y / s);
            const auto [mu, mv] = upvp(r.x, r.y);
            worstUv = std::max(worstUv, std::hypot(mu - tu, mv - tv));
            worstY = std::max(worstY, std::fabs(r.Y / light.Y - 1.0));
        }
        return std::make_pair(worstUv, worstY);
    };
    const auto factory = errors(0);
    const auto own = errors(1);
    EXPECT_GT(factory.first, 0.015);
    EXPECT_GT(factory.second, 0.10);  // blue reads 12 % too bright
    EXPECT_LT(own.first, 0.0005);
    EXPECT_LT(own.second, 0.003);
    for (int other : {2, 3, 4}) {
        const auto e = errors(other);
        EXPECT_GT(e.first, 3 * own.first) << other;
        EXPECT_LT(e.first, factory.first) << other;
    }
}

}  // namespace
}  // namespace halvo
