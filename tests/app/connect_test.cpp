// Start-up, connect, identification into the cycle, and disconnect.

#include "app/station_fixture.h"

namespace halvo {
namespace {

using Station = test::StationFixture;

TEST_F(Station, StartsIdleOnTheSetupPageWithControlsLocked) {
    init();
    const MainWindowModel& w = station->window();
    EXPECT_EQ(w.title, "Tintara");
    EXPECT_EQ(w.selectedTab, kTabSetup);
    EXPECT_EQ(w.connectText, "Connect");
    EXPECT_TRUE(w.continuouslyChecked);
    EXPECT_FALSE(w.continuouslyEnabled);
    EXPECT_FALSE(w.measureEnabled);
    EXPECT_EQ(w.monitorName, "Monitor");
    EXPECT_EQ(w.instrumentName, "Colorimeter");
    EXPECT_EQ(w.readingValues[6], "\u0394uv");
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_EQ(station->aboutText(), "Tintara- V9.9");
    EXPECT_FALSE(station->calib().controlsEnabled);
    EXPECT_TRUE(std::filesystem::exists(directory + "/Config.ini"));
}

TEST_F(Station, WithoutSerialPortsShowsTheMessageAndBuildsNoPages) {
    ports.clear();
    EXPECT_FALSE(station->initDialog());
    EXPECT_EQ(ui.messages, std::vector<std::string>{"No COMM port exists!"});
    EXPECT_FALSE(station->window().pagesCreated);
}

TEST_F(Station, ConnectIdentifiesTheMonitorThenMeasures) {
    init();
    sim->monitor().recordFrames(true);
    connect();
    const MainWindowModel& w = station->window();
    EXPECT_EQ(w.connectText, "Disconnect");
    EXPECT_EQ(w.monitorName, "TXM-600-HD-S V1.02");
    EXPECT_EQ(w.instrumentName, "CA-210");
    EXPECT_EQ(w.calId, "VRL000001");
    EXPECT_TRUE(station->calib().tenBit);
    EXPECT_EQ(station->calib().backlightText, "100");
    EXPECT_TRUE(station->alternateWhites());
    EXPECT_EQ(w.probePosition, 1);  // marker at position 0, the chart shows position type 1
    EXPECT_EQ(station->log().text().rfind("SYS:Tintara- V9.9\nSYS:Change Monitor's Serial Mode\n", 0), 0u) << station->log().text();

    // The cycle is running with "Continuously" checked: readings arrive.
    int readings = 0;
    station->readingObserver = [&] { ++readings; };
    run(5000);
    EXPECT_GE(readings, 4);
    EXPECT_TRUE(station->links().monitorAlive());
    EXPECT_TRUE(station->links().instrumentAlive());
    EXPECT_TRUE(w.monitorIndicatorOn);
    EXPECT_NE(w.readingValues[4], "Lv");
    EXPECT_GT(station->currentReading.lv, 100.0);
    EXPECT_GT(station->currentReading.cct, 5000);
}

TEST_F(Station, ConnectWithAMissingMonitorGoesStraightToTheCycle) {
    init();
    station->setup().monitorPort.selectText("ttyS0");
    ports = {"ttyS0"};
    station->setup().monitorPort.items.push_back("ttyHALVO-NONE");
    station->setup().monitorPort.selectText("ttyHALVO-NONE");
    station->onConnectClicked(true);
    EXPECT_NE(station->log().text().find("SYS:Cannot open monitor port\n"), std::string::npos);
    EXPECT_FALSE(scheduler.isArmed(kTimerIdentify));
    EXPECT_TRUE(scheduler.isArmed(kTimerPrepare));
    int readings = 0;
    station->readingObserver = [&] { ++readings; };
    run(3000);
    EXPECT_GE(readings, 2);
}

TEST_F(Station, ConnectSendsRemoteModeToTheAnalyser) {
    init();
    station->onConnectClicked(true);
    EXPECT_TRUE(sim->ca().remote());
}

TEST_F(Station, DisconnectStopsEverythingAndTwiceIsHarmless) {
    init();
    connect();
    run(2000);
    station->onConnectClicked(false);
    for (int id = kTimerPrepare; id <= kTimerIdentify; ++id) {
        EXPECT_FALSE(scheduler.isArmed(id)) << id;
    }
    EXPECT_FALSE(station->monitorLink().isOpen);
    EXPECT_FALSE(station->instrumentOpen());
    EXPECT_EQ(station->window().connectText, "Connect");
    EXPECT_EQ(station->window().monitorName, "Monitor");
    EXPECT_FALSE(station->window().monitorIndicatorOn);
    EXPECT_FALSE(station->links().monitorAlive());
    station->onConnectClicked(false);
    EXPECT_FALSE(station->monitorLink().isOpen);
    // And connecting again works: the ports were released.
    connect();
    EXPECT_TRUE(station->monitorLink().isOpen);
    EXPECT_TRUE(station->instrumentOpen());
}

}  // namespace
}  // namespace halvo
