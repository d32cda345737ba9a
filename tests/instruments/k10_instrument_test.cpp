// The K-10 in the measurement cycle's terms: connect rules and log lines, prepare, trigger and
// read, disconnect.

#include <gtest/gtest.h>

#include "instruments/k10/k10_instrument.h"
#include "instruments/k10_script.h"

namespace halvo {
namespace {

using test::K10Script;

std::shared_ptr<K10Script> Device(const char* model = "K-10-A") {
    auto d = std::make_shared<K10Script>();
    d->script("P0", BuildK10Identity(model, "210400123", "13"));
    std::vector<std::string> names(96);
    names[0] = "Probe";
    d->script("D7", BuildK10Names(names));
    d->script("D1", K10Bytes{'D', '1'});
    return d;
}

struct Rig {
    explicit Rig(std::shared_ptr<K10Script> device = Device())
        : d(std::move(device)), port("TEST-K10", d), sender(monitorLink, log, scheduler, task) {
        context.k10 = &k10;
        settings.port = "TEST-K10";
        settings.measurementWaitMs = 420;
    }
    VirtualScheduler scheduler;
    std::shared_ptr<K10Script> d;
    test::ScopedEndpoint port;
    StationLog log;
    TaskState task;
    SerialLink monitorLink;
    SerialLink link;
    MonitorSender sender;
    ColorimetricRecord record;
    KClmtr k10{scheduler};
    InstrumentContext context{link, log, scheduler, sender, record};
    InstrumentSettings settings;
};

TEST(K10Instrument, ConnectsLogsTheSerialNumberAndRefusesADeviceItStillHolds) {
    Rig rig;
    K10Instrument k10(rig.context);
    EXPECT_EQ(&k10.clmtr(), &rig.k10);
    ASSERT_TRUE(k10.connect(rig.settings));
    EXPECT_TRUE(k10.isOpen());
    EXPECT_EQ(rig.log.text(), "SYS:Open K10 Serial num(210400123)\n");
    EXPECT_EQ(k10.waitMs(), 420);

    // Connecting while the driver still reports an open device: not connected, nothing sent.
    rig.link.close();
    K10Instrument again(rig.context);
    EXPECT_FALSE(again.connect(rig.settings));
    EXPECT_FALSE(again.isOpen());
    EXPECT_EQ(rig.d->count("P0"), 1);
    EXPECT_EQ(rig.log.text(), "SYS:Open K10 Serial num(210400123)\n");

    again.disconnect();
    EXPECT_FALSE(rig.k10.isOpen());
    EXPECT_EQ(rig.k10.Model(), "K-10-ACLOSED");
    ASSERT_TRUE(again.connect(rig.settings));
}

TEST(K10Instrument, ADeviceThatIsNoK10IsReportedWithoutTheCaMessage) {
    Rig rig(Device("CA-310"));
    K10Instrument k10(rig.context);
    EXPECT_FALSE(k10.connect(rig.settings));
    EXPECT_FALSE(k10.isOpen());
    EXPECT_EQ(rig.log.text(), "SYS:Cannot open K10 on TEST-K10: not a K-10 (model \"CA-310\")\n");
}

TEST(K10Instrument, PrepareSelectsTheCurrentMatrixAndLogsItsNumber) {
    Rig rig;
    rig.d->script("#1", BuildK10Matrix(1, "Probe", 'C', "", {}, {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
                                       kXyzToRgbMatrix));
    K10Instrument k10(rig.context);
    ASSERT_TRUE(k10.connect(rig.settings));
    rig.k10.SelectMatrix(1);
    rig.log.clear();
    EXPECT_EQ(k10.prepare(), 500);
    EXPECT_EQ(rig.log.text(), "SYS:1\n");
    EXPECT_EQ(rig.d->count("#1"), 2);
    // The device stops answering the selection: said so, and measured without a matrix.
    rig.d->replies.erase("#1");
    rig.log.clear();
    k10.prepare();
    EXPECT_EQ(rig.log.text(), "SYS:K10 matrix 1 could not be read; measuring without a correction matrix\nSYS:1\n");
    EXPECT_EQ(rig.k10.matrixInUse(), 0);
}

TEST(K10Instrument, TriggerMeasuresIntoTheRecordAndReadPassesItOnOrRetries) {
    Rig rig;
    K10Instrument k10(rig.context);
    ASSERT_TRUE(k10.connect(rig.settings));
    rig.d->script("N5", BuildK10Measurement(95.0, 100.0, 108.0, 0, '0'));
    EXPECT_FALSE(k10.trigger().rearm);
    EXPECT_EQ(rig.record.Y, 100.0);
    EXPECT_EQ(k10.pollCount(true), 1);
    RawReading r = k10.read();
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.recordFilled);
    EXPECT_DOUBLE_EQ(r.x, 95.0 / 303.0);
    EXPECT_DOUBLE_EQ(r.y, 100.0 / 303.0);
    EXPECT_EQ(r.lv, 100.0);

    // The device falls silent: a record of zeros, which is not handed on as a reading.
    rig.d->replies.erase("N5");
    k10.trigger();
    EXPECT_EQ(rig.record.Y, 0.0);
    EXPECT_EQ(k10.pollCount(true), 0);
    r = k10.read();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.retryMs, 500);
}

TEST(K10Instrument, WithoutALentDriverTheAdapterKeepsItsOwn) {
    Rig rig;
    rig.context.k10 = nullptr;
    K10Instrument k10(rig.context);
    EXPECT_NE(&k10.clmtr(), &rig.k10);
    ASSERT_TRUE(k10.connect(rig.settings));
    k10.disconnect();
    EXPECT_FALSE(k10.isOpen());
}

}  // namespace
}  // namespace halvo
