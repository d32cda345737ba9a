// The K-10 through the whole station on the virtual clock: connect, the "Cal File" list, the
// matrix chosen on the Setup page, readings through the cycle, a silent device, reconnecting.

#include <cmath>

#include "app/station_fixture.h"
#include "colorimetry/evaluation.h"

namespace halvo {
namespace {

class K10Station : public test::StationFixture {
protected:
    void initK10() {
        ports.push_back(sim::kSimK10Port);
        init();
        halvo::Setup& s = station->setup();
        s.instrument.selected = 2;
        s.onInstrumentChanged(2);
        ASSERT_TRUE(s.instrumentPort.selectText(sim::kSimK10Port));
    }
    // Connect, and let the prepare step fill the matrix list.
    void connectK10() {
        connect();
        run(100);
        ASSERT_EQ(station->setup().calFile.items.size(), 100u);
    }
    int n5Sent() const {
        int n = 0;
        for (const std::string& c : sim->k10().commands()) {
            n += c == "N5" ? 1 : 0;
        }
        return n;
    }
    // How far the reading on the list is from the light at the probe, in x, y.
    double chromaticityError() {
        const sim::Xyz t = sim->lightAtProbe();
        const double s = t.X + t.Y + t.Z;
        return std::hypot(station->currentReading.x - t.X / s, station->currentReading.y - t.Y / s);
    }
    bool logHas(const std::string& line) const { return station->log().text().find(line) != std::string::npos; }
};

TEST_F(K10Station, ConnectFillsTheCalFileListAndReadingsComeFromTheDevicesRecord) {
    initK10();
    station->setup().deviationX.text = "10";
    station->setup().deviationY.text = "-20";
    station->setup().deviationLv.text = "5";
    connectK10();
    EXPECT_TRUE(logHas("SYS:Open K10 Serial num(210400123)\n")) << station->log().text();
    EXPECT_TRUE(logHas("SYS:0\n"));
    EXPECT_EQ(station->window().instrumentName, "K-10");
    const ListControl& list = station->setup().calFile;
    EXPECT_EQ(list.items[0], "0 : Factory Cal File");
    EXPECT_EQ(list.items[1], "1 : Vorla WG-LCD");
    EXPECT_EQ(list.items[4], "4 : OLED");
    EXPECT_EQ(list.items[5], "5 : Blank");
    EXPECT_EQ(list.items[93], "93 : Blank");
    EXPECT_EQ(list.items[94], "94 : Reserved");
    EXPECT_EQ(list.items[99], "99 : Reserved");
    EXPECT_EQ(list.selected, 0);

    int readings = 0;
    station->readingObserver = [&] { ++readings; };
    const int askedBefore = n5Sent();
    run(5000);
    EXPECT_GE(readings, 4);
    EXPECT_EQ(n5Sent() - askedBefore, 2 * readings);  // every measurement asks twice
    EXPECT_TRUE(station->links().instrumentAlive());
    // One reading agrees with itself: the offsets reach every field, not only x and y. The
    // device's own values (raw, ranges, averaging) stay as it measured them.
    const ColorimetricRecord& record = station->currentRecord;
    const ColorReading& shown = station->currentReading;
    EXPECT_GT(record.rawY, 100.0);
    EXPECT_EQ(record.averagedCount, 1);
    EXPECT_NEAR(shown.lv, record.rawY + 5.0, 1e-9);
    EXPECT_NEAR(record.x, shown.x, 1e-12);
    EXPECT_NEAR(record.y, shown.y, 1e-12);
    const ColorimetricRecord expected = EvaluateXyY(shown.x, shown.y, shown.lv);
    EXPECT_NEAR(shown.u, expected.u, 1e-12);
    EXPECT_NEAR(shown.vp, expected.vp, 1e-12);
    EXPECT_NEAR(record.duv, expected.duv, 1e-12);
    EXPECT_EQ(shown.cct, static_cast<int32_t>(expected.cct));
    // Without a matrix the device's X, Y, Z are its raw ones.
    const double sum = record.rawX + record.rawY + record.rawZ;
    EXPECT_NEAR(shown.x, record.rawX / sum + 0.0010, 1e-12);
    EXPECT_NEAR(shown.y, record.rawY / sum - 0.0020, 1e-12);
}

TEST_F(K10Station, TheMatrixChosenOnTheSetupPageCorrectsTheReadingsAndSurvivesAReconnect) {
    initK10();
    connectK10();
    run(3000);
    const double factoryError = chromaticityError();
    EXPECT_GT(factoryError, 0.006);

    station->setup().onCalFileChanged(1);
    run(3000);
    EXPECT_EQ(station->k10()->matrixInUse(), 1);
    EXPECT_LT(chromaticityError(), 0.0005);

    // The reserved entries are refused by the page; nothing goes to the device.
    sim->k10().clearCommands();
    station->setup().onCalFileChanged(95);
    run(100);
    EXPECT_EQ(ui.messages.back(), "Please select matrix num 0 to 93.");
    EXPECT_EQ(station->setup().calFile.selected, 1);
    for (const std::string& c : sim->k10().commands()) {
        EXPECT_NE(c, "D1");
    }

    // A "Blank" slot measures as the factory calibrated.
    station->setup().onCalFileChanged(5);
    run(3000);
    EXPECT_EQ(station->k10()->currentMatrix(), 5);
    EXPECT_EQ(station->k10()->matrixInUse(), 0);
    EXPECT_GT(chromaticityError(), 0.006);

    station->setup().onCalFileChanged(1);
    run(100);
    station->onConnectClicked(false);
    EXPECT_EQ(station->k10()->Model(), "K-10-ACLOSED");
    EXPECT_FALSE(station->instrumentOpen());
    connectK10();
    EXPECT_EQ(station->setup().calFile.selected, 1);
    EXPECT_TRUE(logHas("SYS:1\n"));
    EXPECT_EQ(station->k10()->matrixInUse(), 1);
}

TEST_F(K10Station, AMeasurementWaitChangedWhileConnectedTakesEffectAtTheNextTrigger) {
    initK10();
    connectK10();
    std::vector<int64_t> at;
    station->readingObserver = [&] { at.push_back(scheduler.nowMs()); };
    run(5000);
    ASSERT_GE(at.size(), 3u);
    const int64_t before = at.back() - at[at.size() - 2];
    station->setup().onCalibrationOptionEnter(halvo::Setup::kMeasurementWait, "2350");
    at.clear();
    run(12000);
    ASSERT_GE(at.size(), 3u);
    // The device's own exchange time is the same; only the wait after it grew by 2000 ms.
    EXPECT_EQ(at.back() - at[at.size() - 2], before + 2000);
}

TEST_F(K10Station, ADeviceTheDriverStillHoldsLeavesTheInstrumentUnconnected) {
    initK10();
    ASSERT_TRUE(station->k10()->Connect(sim::kSimK10Port));
    connect();
    EXPECT_FALSE(station->instrumentOpen());
    EXPECT_FALSE(logHas("Open K10"));
    // Disconnecting closes it; the next connect takes it.
    station->onConnectClicked(false);
    connectK10();
    EXPECT_TRUE(station->instrumentOpen());
}

TEST_F(K10Station, ASilentDeviceIsRetriedWithoutReadingsAndRecovers) {
    initK10();
    connectK10();
    run(2000);
    int readings = 0;
    station->readingObserver = [&] { ++readings; };
    sim->k10().faults().silent = true;
    run(5000);  // a measurement already taken may still be read
    readings = 0;
    run(30000);
    EXPECT_EQ(readings, 0);
    EXPECT_TRUE(scheduler.isArmed(kTimerTrigger) || scheduler.isArmed(kTimerRead));
    EXPECT_FALSE(station->links().instrumentAlive());
    EXPECT_TRUE(station->links().monitorAlive());
    sim->k10().faults().silent = false;
    run(5000);
    EXPECT_GT(readings, 0);
    EXPECT_TRUE(station->links().instrumentAlive());
}

}  // namespace
}  // namespace halvo
