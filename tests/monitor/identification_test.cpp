// Monitor identification against the simulated monitor and against scripted answers.

#include <gtest/gtest.h>

#include "monitor/identification.h"
#include "sim/sim_station.h"
#include "support/recording_endpoint.h"
#include "support/wire_check.h"

namespace halvo {
namespace {

// The station's side of identification: a link, a sender, and timer 5 driving the steps.
struct Station {
    explicit Station(const std::string& port) : sender(link, log, scheduler, task), identification(sender, log) {
        link.setMonitorSettings(port);
        scheduler.setTimerHandler([this](int id) {
            ASSERT_EQ(id, kTimerIdentify);
            if (auto next = identification.step(task.stepCounter, task.positionIndex)) {
                scheduler.arm(kTimerIdentify, *next);
            } else {
                done = true;
                doneAt = scheduler.nowMs();
            }
        });
    }
    bool identify() {
        if (!link.open()) {
            return false;
        }
        task.stepCounter = 0;
        scheduler.arm(kTimerIdentify, 10);
        return scheduler.runUntil([this] { return done; }, 60000);
    }
    VirtualScheduler scheduler;
    StationLog log;
    TaskState task;
    SerialLink link;
    MonitorSender sender;
    MonitorIdentification identification;
    bool done = false;
    int64_t doneAt = 0;
};

TEST(Identification, ReadsTheSimulatedMonitorWithTheDocumentedFramesAndWaits) {
    Station station(sim::kSimMonitorPort);
    sim::SimStation sim(station.scheduler);
    test::WireCheck wire(sim.monitor());
    sim.install();
    sim.monitor().recordFrames(true);
    station.task.positionIndex = 3;
    ASSERT_TRUE(station.identify());

    const MonitorIdentity& m = station.identification.identity();
    EXPECT_EQ(m.versionText, "TXM-600-HD-S V1.02");
    EXPECT_TRUE(m.recognisedModel);
    EXPECT_FALSE(m.modelTxm400);
    EXPECT_TRUE(m.modelTxm600HdS);
    EXPECT_EQ(m.modelInfo, 0x90);
    EXPECT_EQ(m.calibrationId, "VRL000001");
    EXPECT_EQ(m.backlight, 100);
    EXPECT_EQ(m.capability, 0x10);
    EXPECT_TRUE(m.supported());
    EXPECT_EQ(station.task.stepCounter, 0);
    EXPECT_EQ(station.log.text(),
              "SYS:Change Monitor's Serial Mode\n"
              "SYS:Monitor = TXM-600-HD-S V1.02\n"
              "SYS:Calibration ID=VRL000001\n"
              "SYS:Draw target marker\n");

    // Frames in order, each arriving one transmission time after the step that sent it:
    // start 10 ms, mode change + 1000 ms wait + 500 ms, then 200, 200, 200, 200, 300, 300.
    struct Expected {
        const char* frame;
        int64_t sentAt;
    };
    const Expected expected[] = {
        {"05 82 00 EE EE", 10},    {"F4 89 00 FE 07", 1510},     {"F4 89 00 FE 23", 1710},
        {"F4 89 00 FE 06", 1910},  {"F4 89 00 FE 09", 2110},     {"F4 8B 00 FE F5", 2310},
        {"F5 88 00 FE 05 03", 2610},
    };
    const auto& frames = sim.monitor().receivedFrames();
    ASSERT_EQ(frames.size(), std::size(expected));
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(HexBytes(frames[i].bytes), expected[i].frame);
        const double transmission = static_cast<double>(frames[i].bytes.size()) * 10000.0 / 9600.0;
        EXPECT_NEAR(static_cast<double>(frames[i].atMs), static_cast<double>(expected[i].sentAt) + transmission, 1.0) << i;
    }
    EXPECT_EQ(station.doneAt, 2920);
    EXPECT_EQ(sim.monitor().markerCode(), 3);
}

TEST(Identification, SetsTheModelFlagsFromTheVersionText) {
    struct Case {
        const char* version;
        bool recognised, txm400, txm600;
    };
    const Case cases[] = {
        {"TXM-400 V2.10", true, true, false},
        {"TXM-600-HD-S V1.02", true, false, true},
        {"TXM-240", true, false, false},
        {"ACME-1 V9", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        Station station(sim::kSimMonitorPort);
        sim::SimStationConfig config;
        config.monitor.versionText = c.version;
        sim::SimStation sim(station.scheduler, config);
        test::WireCheck wire(sim.monitor());
        sim.install();
        ASSERT_TRUE(station.identify());
        const MonitorIdentity& m = station.identification.identity();
        EXPECT_EQ(m.versionText, c.version);
        EXPECT_EQ(m.recognisedModel, c.recognised);
        EXPECT_EQ(m.modelTxm400, c.txm400);
        EXPECT_EQ(m.modelTxm600HdS, c.txm600);
    }
}

TEST(Identification, TakesValidAnswersAndIgnoresInvalidOnes) {
    test::ScopedEndpoint port("TEST-MONITOR");
    Station station(port.name());
    ASSERT_TRUE(station.link.open());
    struct Listener : IdentificationListener {
        std::string version, id;
        int backlight = -1, marker = -1;
        void onVersion(const MonitorIdentity& m) override { version = m.versionText; }
        void onCalibrationId(const std::string& i) override { id = i; }
        void onBacklight(uint8_t level) override { backlight = level; }
        void onMarkerDrawn(int32_t p) override { marker = p; }
    } listener;
    station.identification.setListener(&listener);
    int32_t& step = station.task.stepCounter;
    step = 0;

    station.identification.step(step, 0);  // mode change
    port->answer({0x11, 0x22});            // whatever the mode change produced: discarded
    station.identification.step(step, 0);  // asks the version
    port->answer({0xF3, 0x00, 0x41, 0x42, 0x43});
    station.identification.step(step, 0);  // version "ABC", asks model info
    port->answer({0xEF, 0x89, 0x00, 0xFE, 0x55});
    station.identification.step(step, 0);  // invalid model info: m = 0
    port->answer({0xEF, 'X'});
    station.identification.step(step, 0);  // invalid ID: kept
    port->answer({0xF2, 0x89});
    station.identification.step(step, 0);  // backlight answer too short: kept
    port->answer({0xF4, 0x8B, 0x00, 0xFE, 0x75});
    station.identification.step(step, 4);  // capability 0x70, marker at 4
    EXPECT_FALSE(station.identification.step(step, 4).has_value());
    EXPECT_EQ(step, 0);

    const MonitorIdentity& m = station.identification.identity();
    EXPECT_EQ(m.versionText, "ABC");
    EXPECT_FALSE(m.recognisedModel);
    EXPECT_EQ(m.modelInfo, 0);
    EXPECT_EQ(m.calibrationId, "");
    EXPECT_FALSE(m.backlight.has_value());
    EXPECT_EQ(m.capability, 0x70);
    EXPECT_FALSE(m.supported());
    EXPECT_EQ(listener.version, "ABC");
    EXPECT_EQ(listener.id, "");
    EXPECT_EQ(listener.backlight, -1);
    EXPECT_EQ(listener.marker, 4);
    EXPECT_EQ(station.identification.validAnswers(), 3);  // version, backlight frame, capability
    EXPECT_EQ(station.log.text(), "SYS:Change Monitor's Serial Mode\nSYS:Monitor = ABC\nSYS:Draw target marker\n");
}

TEST(Identification, ASilentOrGarblingMonitorEndsTheSequenceAnyway) {
    for (const bool garble : {false, true}) {
        SCOPED_TRACE(garble ? "garbling" : "silent");
        Station station(sim::kSimMonitorPort);
        sim::SimStation sim(station.scheduler);
        test::WireCheck wire(sim.monitor());
        sim.install();
        sim.monitor().faults().silent = !garble;
        sim.monitor().faults().garble = garble;
        ASSERT_TRUE(station.identify());
        EXPECT_EQ(station.doneAt, 2920);  // the same waits, no hang
        if (!garble) {
            const MonitorIdentity& m = station.identification.identity();
            EXPECT_EQ(station.identification.validAnswers(), 0);
            EXPECT_FALSE(m.recognisedModel);
            EXPECT_EQ(m.modelInfo, 0);
            EXPECT_TRUE(m.versionText.empty());
        }
    }
}

}  // namespace
}  // namespace halvo
