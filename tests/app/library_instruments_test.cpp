// The CS-200, i1 Display and Spyder4 in the whole station on the virtual clock: connect, the
// measurement cycle with each kind's wait, the Setup choices reaching the meter, disconnect, a
// meter that stops measuring and a library that is not there.

#include <cmath>
#include <cstdlib>

#include "app/station_fixture.h"
#include "instruments/vendor_library.h"
#include "support/numeric.h"

namespace halvo {
namespace {

class LibraryInstruments : public test::StationFixture {
protected:
    void SetUp() override {
        VendorLibrary::SetStandInDirectory(HALVO_STANDIN_DIR);
        StationFixture::SetUp();
    }
    void TearDown() override {
        StationFixture::TearDown();
        VendorLibrary::SetStandInDirectory("");
        ::unsetenv("HALVO_VENDOR_PATH");
    }
    void choose(InstrumentKind kind) {
        const int index = static_cast<int>(kind);
        station->setup().instrument.selected = index;
        station->setup().onInstrumentChanged(index);
    }
    bool logged(const std::string& line) const {
        return station->log().text().find(line + "\n") != std::string::npos;
    }
    // Times of the readings taken in the next ms of continuous measuring.
    std::vector<int64_t> readingsFor(int64_t ms) {
        std::vector<int64_t> at;
        station->readingObserver = [&] { at.push_back(scheduler.nowMs()); };
        run(ms);
        station->readingObserver = nullptr;
        return at;
    }
    static void expectEvery(const std::vector<int64_t>& at, int64_t interval) {
        ASSERT_GE(at.size(), 4u);
        for (size_t i = 1; i < at.size(); ++i) {
            EXPECT_EQ(at[i] - at[i - 1], interval) << i;
        }
    }
    void expectReadingOfTheProbe(double xyTolerance, double lvRelative) {
        const sim::Xyz light = sim->lightAtProbe();
        const double sum = light.X + light.Y + light.Z;
        const ColorReading& r = station->currentReading;
        EXPECT_TRUE(test::Near(r.x, light.X / sum, xyTolerance));
        EXPECT_TRUE(test::Near(r.y, light.Y / sum, xyTolerance));
        EXPECT_TRUE(test::Near(r.lv, light.Y, 0.0, lvRelative));
        EXPECT_NE(r.lv, light.Y) << "a meter, not a window on the panel";
        EXPECT_GT(r.cct, 5000);
    }
};

// What a meter reads of the probe's light: its bias moves x or y by up to about 0.002 and Y by
// up to 0.6 %, its noise adds a little to both.
constexpr double kMeterXy = 0.004;
constexpr double kMeterLv = 0.015;

TEST_F(LibraryInstruments, EachKindMeasuresThroughTheCycleWithItsWait) {
    struct Case {
        InstrumentKind kind;
        int64_t interval;  // start-to-read wait (+ the measurement's own blocking) + the 500 ms re-arm
        double xyTolerance;
        double lvRelative;
    };
    const Case cases[] = {
        {InstrumentKind::Cs200, 800 + 500, kMeterXy, kMeterLv},   // FAST: "OK00,01" waits 800 ms
        {InstrumentKind::I1Display, 700 + 1000 + 500, kMeterXy, kMeterLv},   // one-second integration
        {InstrumentKind::Spyder4, 2000 + 500, kMeterXy, kMeterLv},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(kInstrumentNames[static_cast<size_t>(c.kind)]);
        station.reset();
        station = std::make_unique<CHalvoDlg>(scheduler, ui, CHalvoDlg::Options{directory, 9, 9, [this] { return ports; }});
        init();
        choose(c.kind);
        connect();
        ASSERT_TRUE(station->instrumentOpen());
        EXPECT_EQ(station->window().instrumentName, kInstrumentNames[static_cast<size_t>(c.kind)]);
        run(3000);
        expectEvery(readingsFor(20000), c.interval);
        expectReadingOfTheProbe(c.xyTolerance, c.lvRelative);
        EXPECT_TRUE(station->links().instrumentAlive());

        station->onConnectClicked(false);
        EXPECT_FALSE(station->instrumentOpen());
        EXPECT_EQ(station->window().instrumentName, "Colorimeter");
        station->onConnectClicked(false);  // twice is harmless
        // Connecting again opens the meter again.
        connect();
        EXPECT_TRUE(station->instrumentOpen());
        station->onConnectClicked(false);
    }
}

TEST_F(LibraryInstruments, TheCs200TakesItsSpeedAndManualTimeFromSetup) {
    init();
    choose(InstrumentKind::Cs200);
    station->setup().measurementSpeed.selectText("MANU");
    station->setup().measurementDuration.text = "2";
    connect();
    run(3000);
    // Read 1800 ms after the start, found not ready, read again 300 ms later.
    expectEvery(readingsFor(20000), 1800 + 300 + 500);
    expectReadingOfTheProbe(kMeterXy, kMeterLv);

    // A single measurement when idle.
    station->onContinuouslyToggled(false);
    run(1000);
    int readings = 0;
    station->readingObserver = [&] { ++readings; };
    station->onMeasureClicked();
    run(5000);
    EXPECT_EQ(readings, 1);
    EXPECT_EQ(station->window().measureText, "Measure");
}

TEST_F(LibraryInstruments, TheSpyder4PreparesOnceWithTheCalFileChoice) {
    sim->setFault("spyder4", "exact", true);  // the calibration's weights alone
    init();
    choose(InstrumentKind::Spyder4);
    ASSERT_TRUE(station->setup().calFile.selectText("Normal-Gamut LCD/ White LED"));
    station->setup().onCalFileChanged(station->setup().calFile.selected);
    connect();
    EXPECT_TRUE(logged("SYS:SN=40719284"));
    run(3000);
    EXPECT_TRUE(logged("SYS:ReadAmbientLightLevel returned: 148"));
    EXPECT_TRUE(logged("SYS:Start measurement"));
    run(5000);
    // That calibration weights Y by 0.998.
    const double Y = std::round(sim->lightAtProbe().Y * 0.998 * 1000.0) / 1000.0;
    EXPECT_TRUE(test::Near(station->currentReading.lv, Y, 1e-9));
    station->onConnectClicked(false);
    EXPECT_TRUE(logged("SYS:DC_Shutdown"));
}

TEST_F(LibraryInstruments, AMeterThatStopsMeasuringDropsItsIndicatorAndComesBack) {
    init();
    choose(InstrumentKind::I1Display);
    connect();
    run(5000);
    ASSERT_TRUE(station->links().instrumentAlive());
    sim->setFault("i1d3", "measure-fails", true);
    int readings = 0;
    station->readingObserver = [&] { ++readings; };
    run(20000);
    EXPECT_EQ(readings, 0);
    EXPECT_FALSE(station->links().instrumentAlive());
    EXPECT_TRUE(station->links().monitorAlive());
    sim->setFault("i1d3", "measure-fails", false);
    run(5000);
    EXPECT_GT(readings, 0);
    EXPECT_TRUE(station->links().instrumentAlive());
}

TEST_F(LibraryInstruments, WithoutTheLibraryConnectingFailsAndTheMonitorRunsOn) {
    VendorLibrary::SetStandInDirectory("");
    ::setenv("HALVO_VENDOR_PATH", "/nonexistent-halvo-vendor", 1);
    struct Case {
        InstrumentKind kind;
        const char* line;
    };
    const Case cases[] = {
        {InstrumentKind::Cs200, "SYS:Cannot open CS-200: cannot load libkmsecs200.so"},
        {InstrumentKind::I1Display, "SYS:i1 Display: cannot load libi1d3SDK.so"},
        {InstrumentKind::Spyder4, "SYS:Spyder4: cannot load libdccmtr.so"},
    };
    init();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        choose(c.kind);
        connect();
        EXPECT_FALSE(station->instrumentOpen());
        EXPECT_NE(station->log().text().find(c.line), std::string::npos) << station->log().text();
        EXPECT_EQ(station->window().instrumentName, "Colorimeter");
        int readings = 0;
        station->readingObserver = [&] { ++readings; };
        run(5000);
        EXPECT_EQ(readings, 0);
        EXPECT_TRUE(station->links().monitorAlive());
        station->readingObserver = nullptr;
        station->onConnectClicked(false);
    }
}

}  // namespace
}  // namespace halvo
