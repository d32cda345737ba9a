// The prescribed run and the fast run side by side, on both simulated panels, for each
// procedure: station time, readings, and what the run achieved — the worst white (Δu'v' of the
// accepted reading against its target), the worst accepted primary of the colour spaces, the
// gamma error of the measurement (|measured − 2.2| of the panel-gamma check's last fit, or of
// the gamma measurement), and for the full run the items out of range in the verification that
// follows (gamma, colours and colour temperatures in the six colour spaces).
//
// build/bench/halvo_bench_fast_run --benchmark_counters_tabular=true
// The name reads BM_<procedure>/<panel 0 wide-lcd, 1 cool-lcd>/<mode 0 prescribed, 1 fast>.

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>

#include "app/halvo_dlg.h"
#include "reports/report_export.h"
#include "sim_station_rig.h"
#include "sim/panel_catalog.h"
#include "sim/sim_station.h"

namespace {

using namespace halvo;

constexpr const char* kPanels[] = {"wide-lcd", "cool-lcd"};

sim::SimStationConfig PanelConfig(int panel) {
    sim::SimStationConfig c;
    std::string error;
    c.panel = sim::PanelFromText(kPanels[panel], &error).value_or(sim::PanelConfig());
    return c;
}

struct Station {
    VirtualScheduler scheduler;
    QuietStationUi ui;
    sim::SimStation sim;
    std::unique_ptr<CHalvoDlg> dlg;
    int readings = 0;

    Station(const std::string& dir, int panel, bool fast) : sim(scheduler, PanelConfig(panel)) {
        sim.install();
        dlg = bench::ConnectToSimulatedStation(scheduler, ui, dir);
        dlg->setRunMode(fast ? RunMode::Fast : RunMode::Prescribed);
        if (dlg->window().continuouslyChecked) {
            dlg->onContinuouslyToggled(false);
        }
        dlg->readingObserver = [this] { ++readings; };
    }

    void choose(bool gamma, unsigned spaces, int levels, bool whites) {
        bench::ChooseCalibration(*dlg, scheduler, gamma, spaces, levels, whites);
    }
    bool calibrate() {
        dlg->calib().onAutoCalibration();
        const bool done = scheduler.runUntil([&] { return ui.notices.completionOpen || ui.notices.failureOpen; },
                                             6LL * 3600 * 1000) &&
                          ui.notices.completionOpen;
        scheduler.runFor(17000);  // the countdown stores the calibration
        return done;
    }
    // The Measure page's gamma, colours and colour temperatures in the six colour spaces; the
    // items out of range, or -1 when the run did not end.
    int verify() {
        CMeasure& page = dlg->measure();
        page.onKindToggled(kKindUniformity, false);
        page.onColorSpaceToggled(true);
        for (int cs = 0; cs < kMeasureSpaceCount; ++cs) {
            page.onColorSpaceBoxToggled(cs, true);
        }
        scheduler.runFor(1000);
        if (!dlg->startOrStopMeasurement() ||
            !scheduler.runUntil([&] { return dlg->task().CalibrationState == kTaskIdle; }, 6LL * 3600 * 1000)) {
            return -1;
        }
        const ReportBook book = BuildReportFor(dlg->reportSources());
        int out = 0;
        for (const VerdictLine& v : book.verdicts) {
            out += v.verdict == Verdict::OutOfRange ? 1 : 0;
        }
        return out;
    }

    double worstWhite() const {
        double worst = 0.0;
        const WhitePointCalibration& wp = dlg->engine().whitePoint();
        for (size_t t = 0; t < dlg->whiteTargets.size(); ++t) {
            if (wp.iterations[t] > 0) {
                const ColorReading& r = wp.whitePointResults[t];
                const ColorReading& target = dlg->whiteTargets[t].target;
                worst = std::max(worst, std::hypot(r.u - target.u, r.vp - target.vp));
            }
        }
        return worst;
    }
    double worstPrimary() {
        double worst = 0.0;
        Ccalib& page = dlg->calib();
        for (int n = 0; n < kColorSpaceCount; ++n) {
            if (!page.targetBoxes[static_cast<size_t>(n)].checked || !page.colorSpaceCheck.checked) {
                continue;
            }
            for (int slot = kSlotRed; slot <= kSlotBlue; ++slot) {
                const ColorSpaceEntry& e = page.data.entry(n, slot, 0);
                const ColorReading target = ColorSpaceTargetReading(
                    page.colorSpaceTargets[static_cast<size_t>(n)][static_cast<size_t>(slot)], 0);
                worst = std::max(worst, std::hypot(e.reading.u - target.u, e.reading.vp - target.vp));
            }
        }
        return worst;
    }
};

std::string Scratch() {
    const std::string dir = std::filesystem::temp_directory_path() / "halvo_bench_fast_run";
    std::filesystem::create_directories(dir);
    return dir;
}

enum Procedure { kGamma, kWhites, kOneSpace, kFiveSpaces, kFiveSpacesThreeLevels, kFull, kVerification };

void Run(benchmark::State& state, Procedure procedure) {
    const std::string dir = Scratch();
    const int panel = static_cast<int>(state.range(0));
    const bool fast = state.range(1) != 0;
    for (auto _ : state) {
        Station s(dir, panel, fast);
        bool ok = true;
        int outOfRange = -1;
        switch (procedure) {
            case kGamma: s.choose(true, 0, 1, false); break;
            case kWhites: s.choose(false, 0, 1, true); break;
            case kOneSpace: s.choose(false, 1u, 1, false); break;
            case kFiveSpaces: s.choose(false, 31u, 1, false); break;
            case kFiveSpacesThreeLevels: s.choose(false, 31u, 3, false); break;
            case kFull: s.choose(true, 31u, 1, true); break;
            case kVerification: break;
        }
        s.readings = 0;
        const int64_t runStart = s.scheduler.nowMs();
        int64_t stationMs = 0;
        if (procedure == kVerification) {
            outOfRange = s.verify();
            ok = outOfRange >= 0;
            stationMs = s.scheduler.nowMs() - runStart;
        } else {
            ok = s.calibrate();
            stationMs = s.scheduler.nowMs() - runStart - 17000;
            if (procedure == kFull) {
                const int64_t verifyStart = s.scheduler.nowMs();
                outOfRange = s.verify();
                state.counters["verify_s"] = static_cast<double>(s.scheduler.nowMs() - verifyStart) / 1000.0;
            }
        }
        state.counters["station_s"] = static_cast<double>(stationMs) / 1000.0;
        state.counters["readings"] = s.readings;
        // Readings taken at the first reading after a change, and the least share of a change
        // the first reading had reached (what the fast run learnt of the panel).
        state.counters["single"] = s.dlg->settling().singleReadings();
        state.counters["reached"] = s.dlg->settling().response().leastReached;
        state.counters["white_duv"] = s.worstWhite();
        state.counters["primary_duv"] = s.worstPrimary();
        state.counters["gamma_err"] =
            procedure == kGamma || procedure == kFull ? std::fabs(s.dlg->engine().gamma().measuredGamma - 2.2) : 0.0;
        state.counters["out_of_range"] = outOfRange;
        if (!ok) {
            state.SkipWithError("the procedure did not end as expected");
        }
    }
    std::filesystem::remove_all(dir);
}

void BM_Gamma(benchmark::State& state) { Run(state, kGamma); }
void BM_SevenWhites(benchmark::State& state) { Run(state, kWhites); }
void BM_OneSpace(benchmark::State& state) { Run(state, kOneSpace); }
void BM_FiveSpaces(benchmark::State& state) { Run(state, kFiveSpaces); }
void BM_FiveSpacesThreeLevels(benchmark::State& state) { Run(state, kFiveSpacesThreeLevels); }
void BM_FullThenVerification(benchmark::State& state) { Run(state, kFull); }
void BM_Verification(benchmark::State& state) { Run(state, kVerification); }

#define SIDE_BY_SIDE(bm) \
    BENCHMARK(bm)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(1)
SIDE_BY_SIDE(BM_Gamma);
SIDE_BY_SIDE(BM_SevenWhites);
SIDE_BY_SIDE(BM_OneSpace);
SIDE_BY_SIDE(BM_FiveSpaces);
SIDE_BY_SIDE(BM_FiveSpacesThreeLevels);
SIDE_BY_SIDE(BM_FullThenVerification);
SIDE_BY_SIDE(BM_Verification);

}  // namespace
