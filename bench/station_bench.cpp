// The station on the virtual clock: how much wall time a thousand measurement cycles cost
// (connect, identification, then readings of the simulated panel with the simulated CA-210).

#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/halvo_dlg.h"
#include "sim/sim_station.h"

namespace {

void BM_ThousandMeasurementCycles(benchmark::State& state) {
    const std::string dir = std::filesystem::temp_directory_path() / "halvo_bench_station";
    std::filesystem::create_directories(dir);
    for (auto _ : state) {
        halvo::VirtualScheduler scheduler;
        halvo::QuietStationUi ui;
        halvo::sim::SimStation sim(scheduler);
        sim.install();
        halvo::CHalvoDlg::Options options;
        options.workingDirectory = dir;
        options.enumeratePorts = [] { return std::vector<std::string>{"SIM-MONITOR", "SIM-CA"}; };
        halvo::CHalvoDlg station(scheduler, ui, options);
        station.initDialog();
        station.setup().monitorPort.selectText("SIM-MONITOR");
        station.setup().instrumentPort.selectText("SIM-CA");
        station.onConnectClicked(true);
        int readings = 0;
        station.readingObserver = [&] { ++readings; };
        scheduler.runUntil([&] { return readings == 1000; }, 10'000'000);
        state.counters["stationSeconds"] = static_cast<double>(scheduler.nowMs()) / 1000.0;
        if (readings != 1000) {
            state.SkipWithError("the cycle stopped");
        }
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ThousandMeasurementCycles)->Unit(benchmark::kMillisecond);

}  // namespace
