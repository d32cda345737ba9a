// KClmtr against scripted replies and the simulated K-10, on the virtual clock: exchanges and
// their patience, identification, matrices, measuring, averaging, closing.

#include <gtest/gtest.h>

#include <cmath>

#include "instruments/k10/k10_driver.h"
#include "instruments/k10/k10_instrument.h"
#include "instruments/k10_script.h"
#include "sim/sim_k10.h"

namespace halvo {
namespace {

using test::K10Script;
using test::ScopedEndpoint;

const Matrix3 kIdentity = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

// A K-10 that identifies itself and names slots 1 ("Probe") and 2 ("Plain").
std::shared_ptr<K10Script> Device() {
    auto d = std::make_shared<K10Script>();
    d->script("P0", BuildK10Identity("K-10-A", "210400123", "13"));
    std::vector<std::string> names(96);
    names[0] = "Probe";
    names[1] = "Plain";
    d->script("D7", BuildK10Names(names));
    d->script("D1", K10Bytes{'D', '1'});
    const Matrix3 doubling = {{{2, 0, 0}, {0, 1, 0}, {0, 0, 0.5}}};
    const RgbMatrix rgb = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    d->script("#1", BuildK10Matrix(1, "Probe", 'C', "", {}, doubling, rgb));
    d->script("#2", BuildK10Matrix(2, "Plain", 'R', "", {}, doubling, rgb));
    return d;
}

// One Measure() asks twice; the second answer is the one that counts.
void QueueReading(K10Script& d, double X, double Y, double Z, uint8_t status = '0') {
    d.script("N5", BuildK10Measurement(99, 99, 99, 0, '0'));
    d.script("N5", BuildK10Measurement(X, Y, Z, 0x00, status));
}

struct Rig {
    explicit Rig(std::shared_ptr<K10Script> device = Device()) : d(std::move(device)), port("TEST-K10", d) {}
    VirtualScheduler clock;
    std::shared_ptr<K10Script> d;
    ScopedEndpoint port;
    KClmtr k10{clock};
};

TEST(K10Exchange, WaitsThreeRoundsOfPatienceTimesTwentyPollsAndSetsBit2) {
    auto silent = std::make_shared<K10Script>();
    Rig rig(silent);
    silent->script("P0", BuildK10Identity("K-10-A", "1", "1"));
    ASSERT_TRUE(rig.k10.Connect("TEST-K10"));
    for (int patience : {1, 2}) {
        const int64_t start = rig.clock.nowMs();
        EXPECT_EQ(rig.k10.Exchange("N5", 15, patience) & kK10NoReply, kK10NoReply);
        EXPECT_EQ(rig.clock.nowMs() - start, 3 * patience * 20 * 50);
    }
    // No reply awaited: back at once, nothing set.
    rig.k10.Measure();  // clears the flags word
    const int64_t start = rig.clock.nowMs();
    EXPECT_EQ(rig.k10.Exchange("L1", -1, 1), 0);
    EXPECT_EQ(rig.clock.nowMs(), start);
    EXPECT_EQ(std::string(silent->writes.back().begin(), silent->writes.back().end()), "L1\r");
}

TEST(K10Exchange, CollectsAReplyArrivingInPiecesAndTimesOutOnAShortOne) {
    Rig rig;
    rig.d->pieceSize = 8;
    ASSERT_TRUE(rig.k10.Connect("TEST-K10"));
    EXPECT_EQ(rig.k10.Model(), "K-10-A");
    EXPECT_EQ(rig.k10.calibrationName(1), "Probe");  // 1925 bytes in 241 pieces
    const int64_t start = rig.clock.nowMs();
    EXPECT_EQ(rig.k10.Exchange("P0", 21, 1), 0);
    EXPECT_EQ(rig.clock.nowMs() - start, 3 * 50);  // 21 bytes, one piece per poll
    EXPECT_EQ(rig.k10.reply().size(), 21u);

    K10Bytes shortReply = BuildK10Identity("K-10-A", "1", "1");
    shortReply.pop_back();
    rig.d->replies["P0"] = {shortReply};
    EXPECT_EQ(rig.k10.Exchange("P0", 21, 1) & kK10NoReply, kK10NoReply);
    EXPECT_EQ(rig.k10.reply().size(), 20u);
}

TEST(K10Exchange, AnUnusablePortSetsBit1WithoutWaiting) {
    Rig rig;
    EXPECT_EQ(rig.k10.Exchange("N5", 15, 1), kK10PortUnusable);
    EXPECT_EQ(rig.clock.nowMs(), 0);
    EXPECT_TRUE(rig.d->writes.empty());

    ASSERT_TRUE(rig.k10.Connect("TEST-K10"));
    rig.d->vanished = true;
    const int64_t start = rig.clock.nowMs();
    EXPECT_EQ(rig.k10.Exchange("N5", 15, 1) & kK10PortUnusable, kK10PortUnusable);
    EXPECT_LE(rig.clock.nowMs() - start, 50);
    EXPECT_FALSE(rig.k10.IsUsable());
    EXPECT_FALSE(rig.k10.isOpen());
    EXPECT_EQ(rig.k10.Model(), "K-10-ACLOSED");
}

struct SimRig {
    explicit SimRig(int wakingReplies) {
        sim::SimK10Config config;
        config.wakingReplies = wakingReplies;
        device = std::make_shared<sim::SimK10>(clock, [this] { return light; }, config);
        port = std::make_unique<ScopedEndpoint>("TEST-SIM-K10", device);
    }
    VirtualScheduler clock;
    sim::Xyz light{95.0, 100.0, 108.0};
    std::shared_ptr<sim::SimK10> device;
    std::unique_ptr<ScopedEndpoint> port;
    KClmtr k10{clock};
    int count(const std::string& command) const {
        int n = 0;
        for (const std::string& c : device->commands()) {
            n += c == command ? 1 : 0;
        }
        return n;
    }
};

TEST(K10Identify, RetriesAWakingDeviceAndGivesUpAfterTheExtraRequest) {
    // Awake: one request. Waking once: the second attempt. Waking twice: both attempts read
    // "/////", then one more request and one more identification. Longer: no device.
    const std::pair<int, int> cases[] = {{0, 1}, {1, 2}, {2, 4}};
    for (const auto& [waking, requests] : cases) {
        SimRig rig(waking);
        ASSERT_TRUE(rig.k10.Connect(" TEST-SIM-K10\r\n")) << waking;
        EXPECT_EQ(rig.k10.portName(), "TEST-SIM-K10");
        EXPECT_EQ(rig.count("P0"), requests) << waking;
        EXPECT_EQ(rig.k10.SerialNumber(), "210400123");
    }
    SimRig asleep(4);
    EXPECT_FALSE(asleep.k10.Connect("TEST-SIM-K10"));
    EXPECT_EQ(asleep.count("P0"), 4);
    EXPECT_EQ(asleep.count("D7"), 0);
    EXPECT_FALSE(asleep.k10.isOpen());
    EXPECT_EQ(asleep.k10.lastError(), "not a K-10 (model \"/////\")");
}

TEST(K10Identify, TakesKAndKvModelsOnlyAndClosesThePortOtherwise) {
    for (const char* model : {"KV-10", "CA-310", "K10"}) {
        auto d = Device();
        d->replies["P0"] = {BuildK10Identity(model, "7", "1")};
        Rig rig(d);
        const bool ok = rig.k10.Connect("TEST-K10");
        EXPECT_EQ(ok, std::string(model) == "KV-10") << model;
        if (!ok) {
            EXPECT_EQ(d->closes, 1) << model;
            EXPECT_EQ(d->count("P0"), 2) << model;
            EXPECT_EQ(d->count("D7"), 0) << model;
        }
    }
    Rig missing;
    EXPECT_FALSE(missing.k10.Connect("TEST-K10-NONE"));
    EXPECT_FALSE(missing.k10.lastError().empty());
}

TEST(K10Matrices, ListAndSelectionOfBlankFactoryOutOfRangeAndNamedSlots) {
    Rig rig;
    ASSERT_TRUE(rig.k10.Connect("TEST-K10"));
    const std::vector<std::string> list = rig.k10.CalibrationList();
    ASSERT_EQ(list.size(), 97u);
    EXPECT_EQ(list[0], "0 : Factory Cal File");
    EXPECT_EQ(list[1], "1 : Probe");
    EXPECT_EQ(list[3], "3 : Blank");
    EXPECT_EQ(list[96], "96 : Blank");
    EXPECT_EQ(rig.d->count("D1"), 0);  // the current matrix is the factory one

    rig.k10.SelectMatrix(1);
    EXPECT_EQ(rig.d->count("#1"), 1);
    EXPECT_EQ(rig.k10.matrixInUse(), 1);
    EXPECT_EQ(rig.k10.correctionMatrix()[0][0], 2.0);

    // 97 (and 96) are not taken: the current matrix is selected again.
    rig.k10.SelectMatrix(97);
    rig.k10.SelectMatrix(96);
    EXPECT_EQ(rig.k10.currentMatrix(), 1);
    EXPECT_EQ(rig.d->count("#1"), 3);

    // "Blank" and 0 switch the correction off without asking the device.
    for (int index : {3, 0}) {
        rig.k10.SelectMatrix(1);
        const int asked = rig.d->count("D1");
        rig.k10.SelectMatrix(index);
        EXPECT_EQ(rig.d->count("D1"), asked) << index;
        EXPECT_EQ(rig.k10.currentMatrix(), index);
        EXPECT_EQ(rig.k10.matrixInUse(), 0) << index;
        EXPECT_EQ(rig.k10.correctionMatrix(), kIdentity);
        EXPECT_EQ(rig.k10.rgbMatrix(), kXyzToRgbMatrix);
        EXPECT_TRUE(rig.k10.matrixLoaded());
    }

    // A slot without a correction matrix ('R') is read but not applied.
    rig.k10.SelectMatrix(2);
    EXPECT_EQ(rig.d->count("#2"), 1);
    EXPECT_TRUE(rig.k10.matrixLoaded());
    EXPECT_EQ(rig.k10.matrixInUse(), 0);
}

TEST(K10Matrices, AFailedOrForeignAnswerLeavesNoCorrectionInUse) {
    Rig rig;
    ASSERT_TRUE(rig.k10.Connect("TEST-K10"));
    rig.k10.SelectMatrix(1);
    ASSERT_EQ(rig.k10.matrixInUse(), 1);
    // No echo: the slot byte is not sent and the previous matrix is not kept.
    rig.d->replies["D1"] = {K10Bytes{'E', 'R'}};
    rig.k10.SelectMatrix(1);
    EXPECT_FALSE(rig.k10.matrixLoaded());
    EXPECT_EQ(rig.k10.matrixInUse(), 0);
    EXPECT_EQ(rig.d->count("#1"), 1);
    // A matrix that cannot be inverted.
    rig.d->replies["D1"] = {K10Bytes{'D', '1'}};
    const Matrix3 flat = {{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 0.0}}};
    rig.d->replies["#1"] = {BuildK10Matrix(1, "Flat", 'C', "", {}, flat, kXyzToRgbMatrix)};
    rig.k10.SelectMatrix(1);
    EXPECT_FALSE(rig.k10.matrixLoaded());
    EXPECT_EQ(rig.k10.matrixInUse(), 0);
}

TEST(K10Matrices, ARecordWithoutTheSlotNumberOrTheSumIsUsedWithAWarning) {
    Rig rig;
    ASSERT_TRUE(rig.k10.Connect("TEST-K10"));
    const Matrix3 scale = {{{1.1, 0.0, 0.0}, {0.0, 1.1, 0.0}, {0.0, 0.0, 1.1}}};
    K10Bytes record = BuildK10Matrix(1, "Plain", 'C', "", {}, scale, kXyzToRgbMatrix);
    record[0] = 0x20;
    record[128] = 0x00;
    rig.d->replies["D1"] = {K10Bytes{'D', '1'}};
    rig.d->replies["#1"] = {record};
    StationLog log;
    SelectK10Matrix(rig.k10, 1, log, kChannelSys);
    EXPECT_TRUE(rig.k10.matrixLoaded());
    EXPECT_EQ(rig.k10.matrixInUse(), 1);
    EXPECT_NEAR(rig.k10.correctionMatrix()[1][1], 1.1, 1e-4);
    EXPECT_EQ(log.text(),
              "SYS:K10 matrix 1: its first byte is not the slot number and its last is not the sum of the others; "
              "it is used all the same\n");
}

TEST(K10Measure, DecodesTheSecondAnswerAppliesTheMatrixAndEvaluatesWithTheDevicesRgb) {
    Rig rig;
    ASSERT_TRUE(rig.k10.Connect("TEST-K10"));
    rig.d->script("N5", BuildK10Measurement(99, 99, 99, 0, '0'));
    rig.d->script("N5", BuildK10Measurement(40.0, 50.0, 60.0, 0xFF, 'u'));
    ColorimetricRecord r = rig.k10.Measure();
    EXPECT_EQ(rig.d->count("N5"), 2);
    EXPECT_EQ(r.X, 40.0);
    EXPECT_EQ(r.Z, 60.0);
    EXPECT_EQ(r.rawY, 50.0);
    EXPECT_EQ(r.redRange, 2);
    EXPECT_EQ(r.greenRange, 4);
    EXPECT_EQ(r.blueRange, 4);
    EXPECT_EQ(r.errorFlags & 0x7FFFFFC0, kK10OverRangeX);
    EXPECT_DOUBLE_EQ(r.x, 40.0 / 150.0);
    EXPECT_DOUBLE_EQ(r.r, kXyzToRgbMatrix[0][0] * 40 + kXyzToRgbMatrix[0][1] * 50 + kXyzToRgbMatrix[0][2] * 60);
    EXPECT_EQ(r.averagedCount, 1);

    rig.k10.SelectMatrix(1);  // X doubled, Z halved, identity RGB matrix
    r = rig.k10.Measure();
    EXPECT_EQ(r.rawX, 40.0);
    EXPECT_EQ(r.X, 80.0);
    EXPECT_EQ(r.Y, 50.0);
    EXPECT_EQ(r.Z, 30.0);
    EXPECT_EQ(r.r, 80.0);
    EXPECT_EQ(r.b, 30.0);
    EXPECT_EQ(rig.k10.flags(), 0);  // reset after each measurement
}

TEST(K10Measure, NoFirstAnswerGivesAnEmptyRecordNoSecondOneAnEvaluationOfZeros) {
    Rig rig;
    ASSERT_TRUE(rig.k10.Connect("TEST-K10"));
    ColorimetricRecord r = rig.k10.Measure();
    EXPECT_EQ(rig.d->count("N5"), 1);
    EXPECT_EQ(r.errorFlags, kK10NoReply);  // not evaluated at all
    EXPECT_EQ(r.Y, 0.0);

    rig.d->replies["N5"] = {BuildK10Measurement(1, 1, 1, 0, '0')};
    rig.d->replies["N5"].push_back(K10Bytes{'N', '5'});  // then a torn answer, forever
    r = rig.k10.Measure();
    EXPECT_EQ(r.errorFlags & kK10NoReply, kK10NoReply);
    EXPECT_EQ(r.Y, 0.0);
    // Evaluated, from zeros: no colour temperature for that point.
    EXPECT_EQ(r.errorFlags & kFlagFarFromLocus, kFlagFarFromLocus);
    EXPECT_EQ(rig.k10.readingCounter(), 0u);
}

TEST(K10Averaging, AveragesDimReadingsAndStopsWhereTheLightChanged) {
    Rig rig;
    ASSERT_TRUE(rig.k10.Connect("TEST-K10"));
    rig.k10.setContinuousMode(true);
    const auto measure = [&](double X, double Y, double Z) {
        rig.d->replies["N5"].clear();
        QueueReading(*rig.d, X, Y, Z);
        return rig.k10.Measure();
    };
    // Only readings taken count: the empty ring does not drag the first ones down.
    ColorimetricRecord r = measure(1.0, 1.0, 1.0);
    EXPECT_EQ(r.averagedCount, 1);
    EXPECT_EQ(r.X, 1.0);
    r = measure(1.25, 1.0, 1.0);
    EXPECT_EQ(r.averagedCount, 2);
    EXPECT_EQ(r.X, 1.125);
    r = measure(1.25, 1.0, 1.0);
    EXPECT_EQ(r.averagedCount, 3);
    EXPECT_EQ(r.errorFlags & kK10LightChanged, 0);

    // A step of more than 1.5 in X + Y + Z: the newest reading alone, with bit 80 hex.
    r = measure(3.0, 1.0, 1.0);
    EXPECT_EQ(r.averagedCount, 1);
    EXPECT_EQ(r.X, 3.0);
    EXPECT_EQ(r.errorFlags & kK10LightChanged, kK10LightChanged);
    r = measure(3.0, 1.0, 1.0);
    EXPECT_EQ(r.averagedCount, 2);
    EXPECT_EQ(r.errorFlags & kK10LightChanged, kK10LightChanged);  // stopped at the step again
    // A step of exactly 1.5 (3.5 against 5) is still the same light: all six readings.
    r = measure(1.5, 1.0, 1.0);
    EXPECT_EQ(r.averagedCount, 6);
    EXPECT_EQ(r.errorFlags & kK10LightChanged, 0);

    // Bright light is never averaged: X + Y + Z of 30 is above 48 * 1 / 2.
    r = measure(10.0, 10.0, 10.0);
    EXPECT_EQ(r.averagedCount, 1);
    EXPECT_EQ(r.errorFlags & kK10LightChanged, 0);

    // Steady dim light fills the ring: never more than 32 readings.
    for (int i = 0; i < 40; ++i) {
        r = measure(0.1, 0.1, 0.1);
    }
    EXPECT_EQ(r.averagedCount, 32);
    // Off: one reading, whatever the light does.
    rig.k10.setContinuousMode(false);
    r = measure(3.0, 1.0, 1.0);
    EXPECT_EQ(r.averagedCount, 1);
    EXPECT_EQ(r.errorFlags & kK10LightChanged, 0);
}

TEST(K10Disconnect, MarksTheModelClosedOnceClearsTheDeviceDataAndKeepsTheChoice) {
    Rig rig;
    ASSERT_TRUE(rig.k10.Connect("TEST-K10"));
    rig.k10.SelectMatrix(1);
    rig.k10.setContinuousMode(true);
    rig.k10.Disconnect();
    EXPECT_EQ(rig.k10.Model(), "K-10-ACLOSED");
    EXPECT_EQ(rig.k10.SerialNumber(), "");
    EXPECT_EQ(rig.k10.calibrationName(0), "Factory Cal File");
    for (int i = 1; i < KClmtr::kNameCount; ++i) {
        ASSERT_EQ(rig.k10.calibrationName(i), "") << i;
    }
    EXPECT_EQ(rig.k10.matrixInUse(), 0);
    EXPECT_FALSE(rig.k10.continuousMode());
    EXPECT_FALSE(rig.k10.IsUsable());
    EXPECT_EQ(rig.d->closes, 1);
    rig.k10.Disconnect();
    EXPECT_EQ(rig.k10.Model(), "K-10-ACLOSED");

    // Connecting again selects the matrix chosen before.
    const int asked = rig.d->count("#1");
    ASSERT_TRUE(rig.k10.Connect("TEST-K10"));
    EXPECT_EQ(rig.k10.Model(), "K-10-A");
    EXPECT_EQ(rig.d->count("#1"), asked + 1);
    EXPECT_EQ(rig.k10.matrixInUse(), 1);
}

}  // namespace
}  // namespace halvo
