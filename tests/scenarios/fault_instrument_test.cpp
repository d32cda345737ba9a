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
    }
    void TearDown() override {
        test::StationFixture::TearDown();
        VendorLibrary::SetStandInDirectory("");
    }
    // Connected with the meter, its indicator up (it comes with the first reading).
    void useMeter(InstrumentKind kind) {
        const int index = static_cast<int>(kind);
        station->setup().instrument.selected = index;
        station->setup().onInstrumentChanged(index);
        if (kind == InstrumentKind::Pelko) {
            station->handleOperatorCommand(9, 1);  // the device search fills the list to open from
        }
        connect();
        scheduler.runUntil([&] { return station->links().instrumentAlive(); }, 30000);
        run(1000);
    }
    int lines(const std::string& what) const {
        int n = 0;
        const std::string& text = station->log().text();
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
            ++n;
        }
        return n;
    }
};

TEST_F(LibraryMeterFaults, AMeterWhoseMeasurementsFailIsGivenUpAfterAMinute) {
    useMeter(InstrumentKind::Spyder4);
    ASSERT_TRUE(station->links().instrumentAlive());
    const int64_t after = breakDuringWhitePoint([&] { sim->setFault("spyder4", "measure-fails", true); });
    EXPECT_GE(after, 60000);
    EXPECT_TRUE(station->links().instrumentAlive()) << "the library meter still reports itself open";
    expectGivenUp(after, "SYS:No reading from the colorimeter for 60 seconds.\n");
    sim->setFault("spyder4", "measure-fails", false);
    expectNextRunCompletes();
}

// A core that refuses every start: tried a hundred times a second, it must still be given up
// after a minute like any meter, with a log that says so in a few lines.
TEST_F(LibraryMeterFaults, ASpectroradiometerThatRefusesEveryStartIsGivenUpAfterAMinute) {
    useMeter(InstrumentKind::Pelko);
    ASSERT_TRUE(station->links().instrumentAlive());
    const size_t logBefore = station->log().text().size();
    const int64_t after = breakDuringWhitePoint([&] { sim->setFault("pelko", "measure-fails", true); });
    EXPECT_GE(after, 60000);
    expectGivenUp(after, "SYS:No reading from the colorimeter for 60 seconds.\n");
    EXPECT_EQ(lines("Could not start measurement!\n"), 1);
    EXPECT_LT(station->log().text().size() - logBefore, 2000u);
    sim->setFault("pelko", "measure-fails", false);
    expectNextRunCompletes();
    EXPECT_EQ(lines("Could not start measurement! ("), 1) << "the run of refusals counted once it ended";
}

TEST_F(LibraryMeterFaults, ASpectroradiometerWhoseMeasurementsAllAbortIsGivenUpAfterAMinute) {
    useMeter(InstrumentKind::Pelko);
    const int64_t after = breakDuringWhitePoint([&] { sim->setFault("pelko", "aborts", true); });
    EXPECT_GE(after, 60000);
    expectGivenUp(after, "SYS:No reading from the colorimeter for 60 seconds.\n");
    sim->setFault("pelko", "aborts", false);
    expectNextRunCompletes();
}

}  // namespace
}  // namespace halvo
