// The CA driver against the simulated analyser and scripted replies: commands, retries, waits.

#include <gtest/gtest.h>

#include "instruments/ca/ca_driver.h"
#include "sim/sim_station.h"
#include "support/recording_endpoint.h"

namespace halvo {
namespace {

struct Rig {
    Rig() : sender(monitorLink, log, scheduler, task), context{link, log, scheduler, sender, record} {}
    VirtualScheduler scheduler;
    StationLog log;
    TaskState task;
    SerialLink monitorLink;
    SerialLink link;
    MonitorSender sender;
    ColorimetricRecord record;
    InstrumentContext context;
};

std::string Text(const std::vector<uint8_t>& b) {
    return std::string(b.begin(), b.end());
}

TEST(CaDriver, SendsTheCommandsAndRetriesRemoteModeEveryThirdBadReply) {
    test::ScopedEndpoint port("TEST-CA");
    Rig rig;
    CaDriver ca(rig.context, InstrumentKind::Ca210);
    InstrumentSettings settings;
    settings.port = port.name();
    settings.line = {9600, 7, 2, 2};
    settings.measurementWaitMs = 350;
    ASSERT_TRUE(ca.connect(settings));
    EXPECT_EQ(port->settings.dataBits, 7);
    EXPECT_EQ(port->settings.parity, 2);
    EXPECT_EQ(port->settings.stopBits, 2);
    ca.afterConnect();
    EXPECT_EQ(ca.prepare(), 500);
    EXPECT_FALSE(ca.trigger().rearm);
    EXPECT_EQ(ca.waitMs(), 350);
    EXPECT_EQ(Text(port->written), "COM,1\nMDS,0\nMES\n");

    // A good reply, then bad ones: the fourth in a row resends "COM,1", then every third.
    port->written.clear();
    port->answer(Bytes{'O', 'K', '0', '0', ',', 'P', '1', ' ', '3', '1', '2', '7', ';', '3', '2', '9', '0', ';', '9',
                       '9'});
    EXPECT_EQ(ca.pollCount(true), 20);
    RawReading good = ca.read();
    ASSERT_TRUE(good.ok);
    EXPECT_DOUBLE_EQ(good.x, 0.3127);
    EXPECT_DOUBLE_EQ(good.lv, 99);
    std::vector<int> resentAfter;
    for (int bad = 1; bad <= 10; ++bad) {
        port->answer(Bytes{'E', 'R', '0', '0', '\r'});
        ca.pollCount(true);
        port->written.clear();
        const RawReading r = ca.read();
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.retryMs, 500);
        if (Text(port->written) == "COM,1\n") {
            resentAfter.push_back(bad);
        }
    }
    EXPECT_EQ(resentAfter, (std::vector<int>{4, 7, 10}));
    // An empty read is a bad reply too; while idle it still counts as a sign of life.
    EXPECT_EQ(ca.pollCount(false), 1);
    EXPECT_EQ(ca.pollCount(true), 0);
    EXPECT_FALSE(ca.read().ok);
}

TEST(CaDriver, AMissingPortIsLoggedAndTheRemoteCommandGoesNowhere) {
    Rig rig;
    CaDriver ca(rig.context, InstrumentKind::Ca310);
    InstrumentSettings settings;
    settings.port = "ttyHALVO-NONE";
    EXPECT_FALSE(ca.connect(settings));
    EXPECT_FALSE(ca.isOpen());
    ca.afterConnect();
    EXPECT_EQ(rig.log.text(), "SYS:Cannot open colorimeter port\n");
    EXPECT_EQ(ca.pollCount(false), 0);
}

TEST(CaDriver, MeasuresTheSimulatedPanel) {
    Rig rig;
    sim::SimStation sim(rig.scheduler);
    sim.install();
    CaDriver ca(rig.context, InstrumentKind::Ca210);
    InstrumentSettings settings;
    settings.port = sim::kSimCaPort;
    ASSERT_TRUE(ca.connect(settings));
    sim.monitor().recordFrames(false);
    // White on the panel.
    const Bytes white = *BuildMonitorFrame(MonitorCommand::DrawPattern, 0xFFFFFF);
    sim.monitor().receive(white.data(), white.size());
    rig.scheduler.sleep(50);
    ca.afterConnect();
    rig.scheduler.sleep(100);
    ca.prepare();
    rig.scheduler.sleep(500);
    ca.pollCount(true);  // the mode answers
    ca.trigger();
    rig.scheduler.sleep(ca.waitMs());
    ASSERT_GT(ca.pollCount(true), 10);
    const RawReading r = ca.read();
    ASSERT_TRUE(r.ok);
    const sim::Xyz truth = sim.lightAtProbe();
    const double s = truth.X + truth.Y + truth.Z;
    // The analyser's noise: 0.00015 in x and y, 0.1 % in Lv (five sigma).
    EXPECT_NEAR(r.x, truth.X / s, 0.00075);
    EXPECT_NEAR(r.y, truth.Y / s, 0.00075);
    EXPECT_NEAR(r.lv, truth.Y, 0.005 * truth.Y);
    // Before "COM,1" the analyser does not answer.
    sim::SimStation other(rig.scheduler);
    EXPECT_FALSE(other.ca().remote());
}

// The fast run looks for the answer as it comes in: a part of it is kept, not mistaken for an
// answer (a line cut short would read as another luminance), and handed on whole.
TEST(CaDriver, AnAnswerIsCompleteOnlyWithItsLineEndAndIsHandedOnWhole) {
    test::ScopedEndpoint port("TEST-CA-PACE");
    Rig rig;
    CaDriver ca(rig.context, InstrumentKind::Ca210);
    InstrumentSettings settings;
    settings.port = port.name();
    ASSERT_TRUE(ca.connect(settings));
    EXPECT_TRUE(ca.tellsWhenAnswered());
    ca.trigger();
    EXPECT_FALSE(ca.answerComplete()) << "nothing yet";
    const std::string answer = "OK00,P1 3127;3290;99.87\r";
    port->answer(Bytes(answer.begin(), answer.begin() + 20));
    EXPECT_FALSE(ca.answerComplete()) << "\"OK00,P1 3127;3290;9\" parses, but is not the answer";
    port->answer(Bytes(answer.begin() + 20, answer.end()));
    EXPECT_TRUE(ca.answerComplete());
    EXPECT_EQ(ca.pollCount(true), static_cast<int>(answer.size()));
    const RawReading r = ca.read();
    ASSERT_TRUE(r.ok);
    EXPECT_DOUBLE_EQ(r.lv, 99.87);
    // A part left from an answer given up on belongs to no later measurement.
    port->answer(Bytes(answer.begin(), answer.begin() + 10));
    EXPECT_FALSE(ca.answerComplete());
    ca.trigger();
    port->answer(Bytes(answer.begin(), answer.end()));
    EXPECT_TRUE(ca.answerComplete());
    ca.pollCount(true);
    const RawReading again = ca.read();
    ASSERT_TRUE(again.ok);
    EXPECT_DOUBLE_EQ(again.lv, 99.87);
    // A line ended by a line feed alone (a translating adapter) is whole too.
    ca.trigger();
    const std::string translated = "OK00,P1 3127;3290;98.50\n";
    port->answer(Bytes(translated.begin(), translated.end()));
    EXPECT_TRUE(ca.answerComplete());
    ca.pollCount(true);
    const RawReading fed = ca.read();
    ASSERT_TRUE(fed.ok);
    EXPECT_DOUBLE_EQ(fed.lv, 98.50);
}

}  // namespace
}  // namespace halvo
