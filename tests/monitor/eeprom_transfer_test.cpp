// The EEPROM copy against the simulated monitor: round trip, exact frames, a monitor that stops.

#include <gtest/gtest.h>

#include "monitor/eeprom_transfer.h"
#include "sim/sim_station.h"
#include "support/recording_endpoint.h"
#include "support/wire_check.h"

namespace halvo {
namespace {

struct Station {
    explicit Station(const std::string& port) : sender(link, log, scheduler, task), transfer(sender, log, scheduler) {
        link.setMonitorSettings(port);
    }
    VirtualScheduler scheduler;
    StationLog log;
    TaskState task;
    SerialLink link;
    MonitorSender sender;
    EepromTransfer transfer;
};

// The image read from a scripted monitor line (empty, with a test failure, when the read fails).
EepromImage ReadFrom(std::shared_ptr<PortEndpoint> line) {
    test::ScopedEndpoint port("TEST-MONITOR", std::move(line));
    Station station(port.name());
    EepromImage image;
    std::string error;
    EXPECT_TRUE(station.link.open());
    EXPECT_TRUE(station.transfer.read(image, nullptr, &error)) << error;
    return image;
}

TEST(EepromTransfer, ReadWriteReadRoundTripBetweenTwoMonitors) {
    Station station(sim::kSimMonitorPort);
    sim::SimStationConfig sourceConfig;
    sourceConfig.monitor.seed = 7;
    sourceConfig.monitor.calibrationId = "SOURCE123";
    auto source = std::make_unique<sim::SimStation>(station.scheduler, sourceConfig);
    source->install();
    ASSERT_TRUE(station.link.open());

    EepromImage image;
    std::vector<int> progress;
    std::string error;
    ASSERT_TRUE(station.transfer.read(image, [&](int p) { progress.push_back(p); }, &error)) << error;
    ASSERT_TRUE(image.present);
    EXPECT_EQ(image.idText(), "SOURCE123      ");
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 1485);
    EXPECT_EQ(progress.size(), 1486u);
    // The image is the three areas in address order.
    const auto& sourceEeprom = source->monitor().eeprom();
    EXPECT_EQ(image.bytes[0], sourceEeprom[32]);
    EXPECT_EQ(image.bytes[532], sourceEeprom[564]);
    EXPECT_EQ(image.bytes[533], sourceEeprom[584]);
    EXPECT_EQ(image.bytes[972], sourceEeprom[1023]);
    EXPECT_EQ(image.bytes[973], sourceEeprom[6144]);
    EXPECT_EQ(image.bytes[1484], sourceEeprom[6655]);
    EXPECT_EQ(station.log.text(), "SYS:Read color data from EEPROM\n");

    // Another monitor on the same port.
    test::ExpectViolations(source->monitor(), {});
    station.link.close();
    source.reset();
    sim::SimStationConfig targetConfig;
    targetConfig.monitor.seed = 99;
    sim::SimStation target(station.scheduler, targetConfig);
    test::WireCheck wire(target.monitor());
    target.install();
    target.monitor().recordFrames(true);
    ASSERT_TRUE(station.link.open());
    const int64_t start = station.scheduler.nowMs();
    station.transfer.write(image, nullptr);
    EXPECT_EQ(station.scheduler.nowMs() - start, 1485 * 20);  // about 30 s
    const auto& frames = target.monitor().receivedFrames();
    ASSERT_EQ(frames.size(), 1485u);
    EXPECT_EQ(HexBytes(frames[0].bytes), "F8 1A 00 A0 00 03 00 20 " + HexBytes({image.bytes[0]}));
    EXPECT_EQ(HexBytes(frames[1484].bytes), "F8 1A 00 A0 00 03 19 FF " + HexBytes({image.bytes[1484]}));

    EepromImage again;
    ASSERT_TRUE(station.transfer.read(again, nullptr, &error)) << error;
    EXPECT_EQ(again.bytes, image.bytes);
    EXPECT_EQ(again.idText(), "SOURCE123      ");
}

TEST(EepromTransfer, AMonitorThatStopsAnsweringEndsTheReadAndKeepsTheOldImage) {
    Station station(sim::kSimMonitorPort);
    sim::SimStation sim(station.scheduler);
    test::WireCheck wire(sim.monitor());
    sim.install();
    ASSERT_TRUE(station.link.open());
    EepromImage image;
    image.bytes.fill(0x5A);
    image.present = true;

    int progressed = 0;
    std::string error;
    const auto pullTheCable = [&](int p) {
        progressed = p;
        if (p == 700) {
            sim.monitor().faults().silent = true;
        }
    };
    const int64_t start = station.scheduler.nowMs();
    EXPECT_FALSE(station.transfer.read(image, pullTheCable, &error));
    EXPECT_EQ(progressed, 700);
    // Bounded: three tries of half a second for the byte that did not come.
    EXPECT_LT(station.scheduler.nowMs() - start, 700 * 20 + 3 * 600);
    EXPECT_NE(error.find("stopped answering"), std::string::npos);
    EXPECT_NE(station.log.text().find("SYS:The monitor stopped answering while the EEPROM was read (address"),
              std::string::npos);
    for (uint8_t b : image.bytes) {
        ASSERT_EQ(b, 0x5A);
    }
    EXPECT_TRUE(image.present);
}

TEST(EepromTransfer, AnAnswerArrivingInPiecesIsCollected) {
    // A monitor whose every answer comes as two reads of one byte each; the data is the second.
    struct SlowLine : test::RecordingEndpoint {
        void receive(const uint8_t* data, size_t length) override {
            RecordingEndpoint::receive(data, length);
            if (length == 8 && data[0] == 0xF7) {
                answer({0xF1});
                answer({data[7]});  // the low address byte as data
            }
        }
    };
    const EepromImage image = ReadFrom(std::make_shared<SlowLine>());
    EXPECT_EQ(image.bytes[0], 32);            // address 32
    EXPECT_EQ(image.bytes[533], 584 & 0xFF);  // first of area 2
    EXPECT_EQ(image.bytes[1484], 0xFF);       // address 6655
}

TEST(EepromTransfer, AHalfAnswerIsDiscardedBeforeTheReadIsSentAgain) {
    // Address 40 answers only its lead byte the first time; the resent read is answered whole.
    struct HalfLine : test::RecordingEndpoint {
        void receive(const uint8_t* data, size_t length) override {
            RecordingEndpoint::receive(data, length);
            if (length == 8 && data[0] == 0xF7) {
                const int address = data[6] << 8 | data[7];
                if (address == 40 && ++asked40 == 1) {
                    answer({0xF1});
                } else {
                    answer({0xF1, static_cast<uint8_t>(address & 0x7F)});
                }
            }
        }
        int asked40 = 0;
    };
    auto line = std::make_shared<HalfLine>();
    const EepromImage image = ReadFrom(line);
    EXPECT_EQ(line->asked40, 2);
    EXPECT_EQ(image.bytes[40 - 32], 40) << "the data byte, not the resent answer's lead byte";
    EXPECT_EQ(image.bytes[41 - 32], 41) << "and every byte after it at its own address";
    EXPECT_EQ(image.bytes[532], 564 & 0x7F);
}

}  // namespace
}  // namespace halvo
