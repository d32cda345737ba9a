// Station time of each procedure on the simulated monitor and CA-210, and where it goes. Every
// millisecond of virtual time is charged to what made the clock move: a blocking wait after a
// monitor command, or the timer that fired with the delay it was armed with (timer 2: the wait
// between pattern and measurement; timer 3: the instrument's measuring wait, and in the colour
// space upload the packet spacing and the EEPROM save; timer 7: the upload sequence). Each of
// these delays is one the procedures prescribe; "other_s" is time on any other timer, the
// station's own pacing, and "ratio" the station time over the prescribed waits. The counters are
// seconds of station time; HALVO_BENCH_DETAIL=1 prints the waits by timer and delay.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include <filesystem>
#include <map>

#include "app/halvo_dlg.h"
#include "sim/sim_station.h"
#include "sim_station_rig.h"

namespace {

using namespace halvo;

class AccountingScheduler : public VirtualScheduler {
public:
    void arm(int timerId, int64_t ms) override {
        VirtualScheduler::arm(timerId, ms);
        due_[timerId] = Due{nowMs() + (ms > 0 ? ms : 0), sequence_++, ms};
    }
    void stop(int timerId) override {
        VirtualScheduler::stop(timerId);
        due_.erase(timerId);
    }
    void sleep(int64_t ms) override {
        commandWaitMs += ms > 0 ? ms : 0;
        VirtualScheduler::sleep(ms);
    }
    // Fires the earliest timer as runOne() does, charging the clock's jump to it.
    bool fireNext() {
        // Timers the base class fired by itself (runFor) are no longer armed there.
        std::erase_if(due_, [&](const auto& entry) { return !isArmed(entry.first); });
        auto first = due_.end();
        for (auto it = due_.begin(); it != due_.end(); ++it) {
            if (first == due_.end() || it->second.at < first->second.at ||
                (it->second.at == first->second.at && it->second.sequence < first->second.sequence)) {
                first = it;
            }
        }
        if (first == due_.end()) {
            return false;
        }
        const int64_t jump = first->second.at - nowMs();
        timerWaitMs[first->first] += jump > 0 ? jump : 0;
        byArm[{first->first, first->second.armedMs}].first += jump > 0 ? jump : 0;
        byArm[{first->first, first->second.armedMs}].second += 1;
        due_.erase(first);
        return runOne();
    }
    bool runUntil(const std::function<bool()>& done, int64_t maxMs) {
        const int64_t end = nowMs() + maxMs;
        while (!done()) {
            if (nowMs() >= end || !fireNext()) {
                return false;
            }
        }
        return true;
    }
    void resetAccounts() {
        commandWaitMs = 0;
        timerWaitMs.clear();
        byArm.clear();
    }

    int64_t commandWaitMs = 0;
    std::map<int, int64_t> timerWaitMs;
    std::map<std::pair<int, int64_t>, std::pair<int64_t, int>> byArm;

private:
    struct Due {
        int64_t at;
        uint64_t sequence;
        int64_t armedMs;
    };
    std::map<int, Due> due_;
    uint64_t sequence_ = 0;
};

struct Station {
    AccountingScheduler scheduler;
    QuietStationUi ui;
    sim::SimStation sim{scheduler};
    std::unique_ptr<CHalvoDlg> dlg;
    int readings = 0;  // since the procedure started

    explicit Station(const std::string& dir) {
        sim.install();
        dlg = bench::ConnectToSimulatedStation(scheduler, ui, dir);
        dlg->readingObserver = [this] { ++readings; };
    }

    void chooseCalibration(bool gamma, unsigned colourSpaces, bool whites) {
        bench::ChooseCalibration(*dlg, scheduler, gamma, colourSpaces, 1, whites);
    }
};

void Report(benchmark::State& state, const Station& s, int64_t stationMs, bool ok) {
    state.counters["readings"] = s.readings;
    const auto& t = s.scheduler.timerWaitMs;
    const auto at = [&](int id) { return t.count(id) != 0 ? static_cast<double>(t.at(id)) : 0.0; };
    double other = 0;
    for (const auto& [id, ms] : t) {
        other += id == kTimerTrigger || id == kTimerRead || id == kTimerSequence ? 0.0 : static_cast<double>(ms);
    }
    const double required = static_cast<double>(s.scheduler.commandWaitMs) + at(kTimerTrigger) + at(kTimerRead) +
                            at(kTimerSequence);
    state.counters["station_s"] = static_cast<double>(stationMs) / 1000.0;
    state.counters["commands_s"] = static_cast<double>(s.scheduler.commandWaitMs) / 1000.0;
    state.counters["settle_s"] = at(kTimerTrigger) / 1000.0;
    state.counters["measure_s"] = at(kTimerRead) / 1000.0;
    state.counters["sequence_s"] = at(kTimerSequence) / 1000.0;
    state.counters["other_s"] = other / 1000.0;
    // Whatever moved the clock outside these accounts (none expected).
    state.counters["unaccounted_s"] =
        (static_cast<double>(stationMs) - required - other) / 1000.0;
    state.counters["ratio"] = required > 0 ? static_cast<double>(stationMs) / required : 0.0;
    if (std::getenv("HALVO_BENCH_DETAIL") != nullptr) {
        std::fprintf(stderr, "%.1f s of station time\n", static_cast<double>(stationMs) / 1000.0);
        for (const auto& [key, total] : s.scheduler.byArm) {
            std::fprintf(stderr, "  timer %d armed %lld ms: %d times, %.1f s\n", key.first,
                         static_cast<long long>(key.second), total.second, static_cast<double>(total.first) / 1000.0);
        }
    }
    if (!ok) {
        state.SkipWithError("the procedure did not end as expected");
    }
}

std::string Scratch() {
    const std::string dir = std::filesystem::temp_directory_path() / "halvo_bench_procedures";
    std::filesystem::create_directories(dir);
    return dir;
}

// gamma: the grey measurement and table upload alone; whites: the seven white points alone;
// one space / five spaces: colour-space runs (BT.709; all five, with the white points and the
// panel-gamma check after them); full: gamma, five spaces, seven white points, panel gamma.
void Calibration(benchmark::State& state, bool gamma, unsigned spaces, bool whites) {
    const std::string dir = Scratch();
    for (auto _ : state) {
        Station s(dir);
        s.chooseCalibration(gamma, spaces, whites);
        s.scheduler.resetAccounts();
        s.readings = 0;
        const int64_t start = s.scheduler.nowMs();
        s.dlg->calib().onAutoCalibration();
        const bool ok = s.scheduler.runUntil([&] { return s.ui.notices.completionOpen || s.ui.notices.failureOpen; },
                                             6LL * 3600 * 1000) &&
                        s.ui.notices.completionOpen;
        Report(state, s, s.scheduler.nowMs() - start, ok);
    }
    std::filesystem::remove_all(dir);
}

void BM_GammaCalibration(benchmark::State& state) {
    Calibration(state, true, 0, false);
}
void BM_WhitePointCalibration(benchmark::State& state) {
    Calibration(state, false, 0, true);
}
void BM_ColourSpaceCalibrationOneSpace(benchmark::State& state) {
    Calibration(state, false, 1u, false);
}
void BM_FullCalibration(benchmark::State& state) {
    Calibration(state, true, (1u << kColorSpaceCount) - 1, true);
}

// The Measure page's run: gamma, colours and colour temperatures in the six colour spaces.
void BM_VerificationSixSpaces(benchmark::State& state) {
    const std::string dir = Scratch();
    for (auto _ : state) {
        Station s(dir);
        CMeasure& page = s.dlg->measure();
        if (s.dlg->window().continuouslyChecked) {
            s.dlg->onContinuouslyToggled(false);
        }
        page.onKindToggled(kKindUniformity, false);
        page.onColorSpaceToggled(true);
        for (int cs = 0; cs < kMeasureSpaceCount; ++cs) {
            page.onColorSpaceBoxToggled(cs, true);
        }
        s.scheduler.runFor(1000);
        s.scheduler.resetAccounts();
        s.readings = 0;
        const int64_t start = s.scheduler.nowMs();
        bool ok = s.dlg->startOrStopMeasurement();
        ok = ok && s.scheduler.runUntil([&] { return s.dlg->task().CalibrationState == kTaskIdle; }, 6LL * 3600 * 1000);
        Report(state, s, s.scheduler.nowMs() - start, ok && !page.running);
    }
    std::filesystem::remove_all(dir);
}

BENCHMARK(BM_GammaCalibration)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WhitePointCalibration)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ColourSpaceCalibrationOneSpace)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FullCalibration)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_VerificationSixSpaces)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
