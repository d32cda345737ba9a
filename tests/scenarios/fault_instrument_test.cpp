// The instrument misbehaving in the middle of a calibration: silent, answering garbage,
// answering slowly or losing answers, and a library meter whose measurements fail while it
// still reports itself open. The run must end or go on within a bounded time, never wait for
// ever, and the next run must work once the instrument is well again.

#include <functional>
#include <string>

#include "instruments/vendor_library.h"
#include "scenarios/fault_fixture.h"

namespace halvo {
namespace {

// The longest the station may go on after the instrument fails: the link indicator needs six
// empty polls, a meter that keeps its indicator up is given a minute without readings.
constexpr int64_t kGiveUpBoundMs = 90 * 1000;

class InstrumentFaults : public test::FaultFixture {
protected:
    sim::SerialFaults& analyser() { return sim->ca().faults(); }

    // Starts a search of two whites, breaks the instrument once it runs and runs until a
    // notice opens. The station time from the fault to the notice.
    int64_t breakDuringWhitePoint(const std::function<void()>& fault) {
        choose(false, 1, {2, 4});
        page().onAutoCalibration();
        EXPECT_TRUE(scheduler.runUntil([&] { return station->task().CalibrationState == kTaskWhitePoint; }, 60000));
        run(10000);
        fault();
        const int64_t at = scheduler.nowMs();
        scheduler.runUntil([&] { return ui.notices.failureOpen || ui.notices.completionOpen; }, 10 * kGiveUpBoundMs);
        return scheduler.nowMs() - at;
    }

    void expectGivenUp(int64_t afterMs, const std::string& reason) {
        EXPECT_LT(afterMs, kGiveUpBoundMs);
        EXPECT_TRUE(ui.notices.failureOpen);
        EXPECT_FALSE(ui.notices.completionOpen);
        EXPECT_TRUE(logHas(reason + "SYS:Calibration execution(0)\nSYS:Calibration failed\n")) << station->log().text();
        EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
        EXPECT_TRUE(page().controlsEnabled);
        // The cycle goes on: the operator can measure as soon as the instrument answers.
        EXPECT_TRUE(scheduler.isArmed(kTimerTrigger) || scheduler.isArmed(kTimerRead));
    }

    void expectNextRunCompletes() {
        station->onFailureOk();
        run(5000);
        ui.notices = NoticeState();
        choose(false, 1, {4});
        calibrate();
        EXPECT_TRUE(ui.notices.completionOpen) << station->log().text();
    }
};

TEST_F(InstrumentFaults, ASilentAnalyserFailsTheRunByName) {
    expectGivenUp(breakDuringWhitePoint([&] { analyser().silent = true; }), "SYS:Colorimeter is not connected.\n");
    analyser().silent = false;
    expectNextRunCompletes();
}

TEST_F(InstrumentFaults, AnAnalyserAnsweringGarbageIsGivenUpAfterAMinute) {
    const int64_t after = breakDuringWhitePoint([&] { analyser().garble = true; });
    EXPECT_GE(after, 60000) << "garbage is retried for a minute";
    expectGivenUp(after, "SYS:No reading from the colorimeter for 60 seconds.\n");
    analyser().garble = false;
    expectNextRunCompletes();
}

TEST_F(InstrumentFaults, ASlowOrLossyAnalyserOnlySlowsTheRunDown) {
    for (const bool lossy : {false, true}) {
        SCOPED_TRACE(lossy ? "losing answers" : "slow");
        ui.notices = NoticeState();
        station->onClearLog();
        const int64_t after = breakDuringWhitePoint([&] {
            if (lossy) {
                analyser().dropProbability = 0.3;
            } else {
                analyser().extraDelayMs = 1500;
            }
        });
        EXPECT_LT(after, 20 * 60 * 1000);
        EXPECT_TRUE(ui.notices.completionOpen) << station->log().text();
        EXPECT_FALSE(ui.notices.failureOpen);
        EXPECT_FALSE(logHas("Calibration failed"));
        analyser() = sim::SerialFaults();
        station->onCompletionOk();
        run(20000);
    }
}

class LibraryMeterFaults : public InstrumentFaults {
protected:
    void SetUp() override {
        VendorLibrary::SetStandInDirectory(HALVO_STANDIN_DIR);
        test::StationFixture::SetUp();
        init();
        const int index = static_cast<int>(InstrumentKind::Spyder4);
        station->setup().instrument.selected = index;
        station->setup().onInstrumentChanged(index);
        connect();
        run(5000);
    }
    void TearDown() override {
        test::StationFixture::TearDown();
        VendorLibrary::SetStandInDirectory("");
    }
};

TEST_F(LibraryMeterFaults, AMeterWhoseMeasurementsFailIsGivenUpAfterAMinute) {
    ASSERT_TRUE(station->links().instrumentAlive());
    const int64_t after = breakDuringWhitePoint([&] { sim->setFault("spyder4", "measure-fails", true); });
    EXPECT_GE(after, 60000);
    EXPECT_TRUE(station->links().instrumentAlive()) << "the library meter still reports itself open";
    expectGivenUp(after, "SYS:No reading from the colorimeter for 60 seconds.\n");
    sim->setFault("spyder4", "measure-fails", false);
    expectNextRunCompletes();
}

}  // namespace
}  // namespace halvo
