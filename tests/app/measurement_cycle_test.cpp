// The measurement cycle on the virtual clock: idle pinging, continuous and single measurement,
// offsets, the reading list, link indicators when a cable is pulled.

#include "app/station_fixture.h"
#include "support/recording_endpoint.h"

namespace halvo {
namespace {

using Cycle = test::StationFixture;

// An analyser that answers every "MES" with the same reply.
struct FixedCa : test::RecordingEndpoint {
    std::string reply = "OK00,P1 3127;3290;100.0\r";
    void receive(const uint8_t* data, size_t length) override {
        RecordingEndpoint::receive(data, length);
        const std::string text(data, data + length);
        if (text == "MES\n") {
            answer(std::vector<uint8_t>(reply.begin(), reply.end()));
        }
    }
};

TEST_F(Cycle, IdleItPingsTheMonitorEvery300MsAndLeavesTheInstrumentAlone) {
    init();
    connect();
    station->onContinuouslyToggled(false);
    run(1000);  // settle into the idle loop
    const int measured = sim->ca().measurements();
    sim->monitor().recordFrames(true);
    run(3000);
    const auto& frames = sim->monitor().receivedFrames();
    ASSERT_GE(frames.size(), 9u);
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(HexBytes(frames[i].bytes), "F1 9B");
        if (i > 0) {
            EXPECT_EQ(frames[i].atMs - frames[i - 1].atMs, 300);
        }
    }
    EXPECT_EQ(sim->ca().measurements(), measured);
    EXPECT_TRUE(station->links().monitorAlive());
    EXPECT_TRUE(station->links().instrumentAlive());  // idle, no answer expected: counted alive
}

TEST_F(Cycle, ContinuousMeasurementReadsEveryWaitPlusHalfASecond) {
    init();
    connect();
    std::vector<int64_t> at;
    station->readingObserver = [&] { at.push_back(scheduler.nowMs()); };
    run(10000);
    ASSERT_GE(at.size(), 10u);
    for (size_t i = 2; i < at.size(); ++i) {
        EXPECT_EQ(at[i] - at[i - 1], 350 + 500);  // measurement wait, then the 500 ms re-arm
    }
}

// The wait can only be edited while connected: the next trigger must use the value shown.
TEST_F(Cycle, AMeasurementWaitChangedWhileConnectedTakesEffectAtTheNextTrigger) {
    init();
    connect();
    std::vector<int64_t> at;
    station->readingObserver = [&] { at.push_back(scheduler.nowMs()); };
    run(3000);
    station->setup().onCalibrationOptionEnter(halvo::Setup::kMeasurementWait, "1200");
    ASSERT_EQ(station->setup().measurementWaitMs(), 1200);
    at.clear();
    run(10000);
    ASSERT_GE(at.size(), 4u);
    for (size_t i = 2; i < at.size(); ++i) {
        EXPECT_EQ(at[i] - at[i - 1], 1200 + 500);
    }
}

TEST_F(Cycle, SingleMeasurementTakesOneReadingAndReturnsToIdle) {
    init();
    connect();
    station->onContinuouslyToggled(false);
    EXPECT_TRUE(station->window().measureEnabled);
    run(1000);
    int readings = 0;
    station->readingObserver = [&] { ++readings; };
    station->onMeasureClicked();
    EXPECT_EQ(station->window().measureText, "Wait");
    EXPECT_EQ(station->task().CalibrationState, kTaskSingleMeasurement);
    station->onMeasureClicked();  // pressing again while it runs changes nothing
    run(3000);
    EXPECT_EQ(readings, 1);
    EXPECT_EQ(station->window().measureText, "Measure");
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    // The idle loop goes on: the monitor stays pinged and alive.
    sim->monitor().recordFrames(true);
    run(2000);
    EXPECT_GE(sim->monitor().receivedFrames().size(), 5u);
    EXPECT_TRUE(station->links().monitorAlive());
}

TEST_F(Cycle, OffsetsApplyBeforeAnyConversionAndTheListShowsTheReading) {
    auto ca = std::make_shared<FixedCa>();
    test::ScopedEndpoint port("TEST-CA", ca);
    ports.push_back("TEST-CA");
    init();
    station->setup().instrumentPort.selectText("TEST-CA");
    station->setup().deviationX.text = "10";
    station->setup().deviationY.text = "-20";
    station->setup().deviationLv.text = "5";
    connect();
    run(2000);
    const ColorReading& r = station->currentReading;
    EXPECT_NEAR(r.x, 0.3137, 1e-12);
    EXPECT_NEAR(r.y, 0.3270, 1e-12);
    EXPECT_NEAR(r.lv, 105.0, 1e-9);
    EXPECT_NEAR(station->currentRecord.x, 0.3137, 1e-12);
    const ReadingRows& rows = station->window().readingValues;
    EXPECT_EQ(rows[0], "0.3137");
    EXPECT_EQ(rows[1], "0.3270");
    EXPECT_EQ(rows[4], "105.00");
    EXPECT_EQ(rows[5], std::to_string(r.cct).insert(0, 5 - std::to_string(r.cct).size(), ' '));

    // A colour without a temperature shows dashes.
    ca->reply = "OK00,P1 6500;3000;20.0\r";
    station->setup().deviationX.text = "0";
    station->setup().deviationY.text = "0";
    station->setup().deviationLv.text = "0";
    run(2000);
    EXPECT_EQ(station->currentReading.cct, 0);
    EXPECT_EQ(rows[5], "----------");
    EXPECT_EQ(rows[6], "----------");
}

TEST_F(Cycle, TheSpineTemperatureAndDuvReplaceTheIsotemperatureOnes) {
    auto ca = std::make_shared<FixedCa>();
    test::ScopedEndpoint port("TEST-CA", ca);
    ports.push_back("TEST-CA");
    init();
    station->setup().instrumentPort.selectText("TEST-CA");
    connect();
    run(2000);
    EXPECT_EQ(station->currentReading.cct, static_cast<int32_t>(station->currentRecord.cct));
    EXPECT_EQ(station->currentReading.duv, station->currentRecord.duv);
    EXPECT_NEAR(station->currentReading.cct, 6504, 1);
}

TEST_F(Cycle, APulledMonitorCableShowsOnTheIndicatorAndComesBack) {
    init();
    connect();
    run(3000);
    ASSERT_TRUE(station->window().monitorIndicatorOn);
    sim->monitor().faults().silent = true;
    // Five empty polls keep it up, the sixth takes it down (one poll per 850 ms here).
    run(5 * 850);
    EXPECT_TRUE(station->links().monitorAlive());
    run(2 * 850);
    EXPECT_FALSE(station->links().monitorAlive());
    EXPECT_FALSE(station->window().monitorIndicatorOn);
    // The instrument carries on meanwhile.
    EXPECT_TRUE(station->links().instrumentAlive());
    sim->monitor().faults().silent = false;
    run(2000);
    EXPECT_TRUE(station->window().monitorIndicatorOn);
}

TEST_F(Cycle, AnAnalyserAnsweringGarbageIsRetriedAndRecovers) {
    init();
    connect();
    run(2000);
    sim->ca().faults().garble = true;
    int readings = 0;
    station->readingObserver = [&] { ++readings; };
    run(5000);
    EXPECT_EQ(readings, 0);
    sim->ca().faults().garble = false;
    run(5000);
    EXPECT_GT(readings, 2);
}

}  // namespace
}  // namespace halvo
