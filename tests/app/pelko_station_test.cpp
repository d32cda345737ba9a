// The PELKO in the whole station: the Setup page's search (command 9), connecting to the device
// chosen there, the measurement cycle and "Continuously", and readings of the simulated panel
// that agree with its true light within the instrument's accuracy.

#include "app/station_fixture.h"
#include "instruments/pelko/pelko_core_library.h"
#include "instruments/pelko/pelko_driver.h"
#include "instruments/vendor_library.h"
#include "sim/pelko/spectro_device.h"
#include "support/numeric.h"

namespace halvo {
namespace {

using test::Near;

class PelkoStation : public test::StationFixture {
protected:
    void SetUp() override {
        StationFixture::SetUp();
        UsePelkoCore(nullptr);
        VendorLibrary::SetStandInDirectory(HALVO_STANDIN_DIR);
    }
    void TearDown() override {
        StationFixture::TearDown();
        UsePelkoCore(nullptr);
        VendorLibrary::SetStandInDirectory("");
    }
    void choosePelko() {
        init();
        halvo::Setup& setup = station->setup();
        setup.instrument.selected = static_cast<int>(InstrumentKind::Pelko);
        setup.onInstrumentChanged(setup.instrument.selected);
    }
    PelkoDriver* pelko() { return dynamic_cast<PelkoDriver*>(station->instrument()); }
    // One "Measure" press on a full-screen colour: true when its reading arrived.
    bool measureOnce(uint32_t rgb) {
        station->sender().sendMonitorCommand(MonitorCommand::DrawPattern, rgb, 100);
        int readings = 0;
        station->readingObserver = [&] { ++readings; };
        station->onMeasureClicked();
        const bool done = scheduler.runUntil([&] { return readings > 0; }, 15000);
        station->readingObserver = nullptr;
        return done;
    }
};

TEST_F(PelkoStation, TheSearchFillsTheSetupListAndConnectOpensTheEntryChosen) {
    choosePelko();
    EXPECT_TRUE(station->setup().searchButton.enabled);
    sim->setDeviceCount("pelko", 2);
    station->postOperatorCommand(9, 1);
    run(0);
    const ListControl& devices = station->setup().pelkoDevices;
    EXPECT_EQ(devices.items, (std::vector<std::string>{"2106, 1001", "2106, 1002"}));
    EXPECT_EQ(devices.selected, 0);
    EXPECT_EQ(station->pelkoSearch.pelkoDeviceCount, 2);

    station->setup().pelkoDevices.selected = 1;
    connect();
    ASSERT_TRUE(station->instrumentOpen());
    ASSERT_NE(pelko(), nullptr);
    EXPECT_EQ(pelko()->pelkoHandle, 2);
    EXPECT_EQ(station->window().instrumentName, "PELKO");

    // The cycle: the white and black of the exposure set-up, then readings without end, each a
    // short measurement on white and the 500 ms pause.
    run(3000);
    EXPECT_NE(station->log().text().find("Draw pattern(255,255,255)\n"), std::string::npos);
    station->sender().sendMonitorCommand(MonitorCommand::DrawPattern, 0xFFFFFF, 100);
    int readings = 0;
    station->readingObserver = [&] { ++readings; };
    ASSERT_TRUE(scheduler.runUntil([&] { return readings > 0; }, 10000));  // the black one started before
    readings = 0;
    run(5000);
    EXPECT_GE(readings, 6);
    EXPECT_TRUE(station->links().instrumentAlive());

    station->onConnectClicked(false);
    EXPECT_NE(station->log().text().find("SYS:Close the conection to the PELKA\n"), std::string::npos);
}

TEST_F(PelkoStation, WithoutASearchThereIsNoDeviceToOpen) {
    choosePelko();
    station->onConnectClicked(true);
    EXPECT_FALSE(station->instrumentOpen());
    EXPECT_NE(station->log().text().find("SYS:No PELKO device!!\n"), std::string::npos);
}

TEST_F(PelkoStation, ContinuouslyBreaksOffTheMeasurementAndTheStationRestsIdle) {
    choosePelko();
    station->handleOperatorCommand(9, 1);
    connect();
    run(3000);  // the exposure set-up is done, a measurement of the black screen runs
    ASSERT_EQ(pelko()->pelkoStep, PelkoDriver::kStagePoll);
    station->onContinuouslyToggled(false);
    EXPECT_EQ(pelko()->pelkoStep, PelkoDriver::kStageStart);
    int readings = 0;
    station->readingObserver = [&] { ++readings; };
    run(10000);
    EXPECT_EQ(readings, 0);
    EXPECT_EQ(pelko()->pelkoStep, PelkoDriver::kStageStart);
    station->onContinuouslyToggled(true);
    run(10000);
    EXPECT_GT(readings, 0);
}

TEST_F(PelkoStation, ADeviceRefusingToStartIsRetriedWithoutHoldingUpTheStation) {
    choosePelko();
    station->handleOperatorCommand(9, 1);
    connect();
    run(3000);
    sim->setFault("pelko", "measure-fails", true);
    station->onContinuouslyToggled(false);
    station->onContinuouslyToggled(true);
    station->log().clear();
    run(600000);  // returns: time passes between the attempts
    // Ten minutes of refusals, a hundred a second, are one line, and one more with their count
    // once a start succeeds.
    EXPECT_EQ(station->log().text(), "SYS:Could not start measurement!\n");
    sim->setFault("pelko", "measure-fails", false);
    int readings = 0;
    station->readingObserver = [&] { ++readings; };
    run(6000);
    EXPECT_GT(readings, 0);
    const std::string& text = station->log().text();
    EXPECT_EQ(text.rfind("SYS:Could not start measurement!\nSYS:Could not start measurement! (", 0), 0u) << text;
    EXPECT_NE(text.find(" times in a row)\n"), std::string::npos);
}

TEST_F(PelkoStation, ASingleMeasurementThatNeverComesIsGivenUpAfterAMinute) {
    choosePelko();
    station->handleOperatorCommand(9, 1);
    connect();
    run(3000);
    sim->setFault("pelko", "measure-fails", true);
    station->onContinuouslyToggled(false);  // breaks off the measurement running
    station->onMeasureClicked();
    EXPECT_EQ(station->window().measureText, "Wait");
    run(59000);
    EXPECT_EQ(station->window().measureText, "Wait");
    run(2000);
    EXPECT_EQ(station->window().measureText, "Measure");
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_NE(station->log().text().find("SYS:No reading from the colorimeter for 60 seconds.\n"), std::string::npos);
    sim->setFault("pelko", "measure-fails", false);
    EXPECT_TRUE(measureOnce(0xFFFFFF)) << "the next press measures";
}

TEST_F(PelkoStation, ReadingsOfThePanelAgreeWithItsTrueLightWithinTheInstrumentsAccuracy) {
    choosePelko();
    station->handleOperatorCommand(9, 1);
    connect();
    station->onContinuouslyToggled(false);
    run(3000);
    for (uint32_t rgb : {0xFFFFFFu, 0x0000FFu, 0x00FF00u, 0xFF0000u, 0xB4B4B4u, 0x3C78C8u}) {
        ASSERT_TRUE(measureOnce(rgb)) << std::hex << rgb;
        const sim::Xyz truth = sim->lightAtProbe();
        const double sum = truth.X + truth.Y + truth.Z;
        const ColorReading& r = station->currentReading;
        EXPECT_TRUE(Near(r.x, truth.X / sum, sim::kSpectroChromaticityAccuracy)) << std::hex << rgb;
        EXPECT_TRUE(Near(r.y, truth.Y / sum, sim::kSpectroChromaticityAccuracy)) << std::hex << rgb;
        EXPECT_TRUE(Near(r.lv, truth.Y, 0.0, sim::kSpectroLuminanceAccuracy)) << std::hex << rgb;
    }
}

}  // namespace
}  // namespace halvo
