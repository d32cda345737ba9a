#pragma once

// The station as the window runs it: the controller over a scheduler, the window that shows it,
// the operator-facing side, the sounds and, with --simulate, the in-process simulated station
// whose monitor and CA-210 appear among the serial ports.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/halvo_dlg.h"
#include "gui/main_window.h"
#include "gui/qt_scheduler.h"
#include "gui/qt_station_ui.h"
#include "gui/sound_output.h"
#include "results/run_recorder.h"
#include "sim/sim_station.h"

namespace halvo::gui {

struct StationAppOptions {
    bool simulate = false;
    uint32_t seed = 1;
    std::string workingDirectory = ".";  // Config.ini
    // The machine's serial ports when empty.
    std::function<std::vector<std::string>()> enumeratePorts;
    // The window's own Qt timers when null; tests may drive a virtual clock instead.
    Scheduler* scheduler = nullptr;
    // ALSA when null.
    SoundOutput* sound = nullptr;
    // Where Error.wav, Success.wav and Fail.wav are looked for, in order.
    std::vector<std::string> soundDirectories = {"."};
    // --results-db: the results server or database file, before HALVO_RESULTS_DB and Station.ini.
    std::string resultsDb;
};

class StationApp {
public:
    explicit StationApp(StationAppOptions options);
    ~StationApp();
    StationApp(const StationApp&) = delete;
    StationApp& operator=(const StationApp&) = delete;

    // The window initialisation: the controller's, then the pages when it found a port. With
    // the simulated station, its ports are chosen unless Config.ini chose other simulated ones.
    void start();

    MainWindow& window() { return *window_; }
    CHalvoDlg& station() { return *station_; }
    QtStationUi& ui() { return *ui_; }
    Scheduler& scheduler() { return *scheduler_; }
    sim::SimStation* simStation() { return sim_.get(); }
    // Where the records go now; the recorder that keeps them.
    results::ResultsTarget resultsTarget() const;
    results::RunRecorder& recorder() { return *recorder_; }
    // The window's "Runs..." and "Results..." (station_app_results.cpp).
    void showRuns();
    void showResultsSettings();
    // The settings were changed: a recorder for them, and the log says where records go.
    void showResultsSettingsApplied();

private:
    void chooseSimulatedPorts();
    // A recorder for the current settings; the one it replaces closes on a thread of its own.
    void startRecorder();

    StationAppOptions options_;
    std::unique_ptr<QtScheduler> ownScheduler_;
    Scheduler* scheduler_;
    std::unique_ptr<sim::SimStation> sim_;
    std::unique_ptr<SoundOutput> ownSound_;
    std::unique_ptr<QtStationUi> ui_;
    // Outlives the controller, which records a run still open when it closes.
    std::unique_ptr<results::RunRecorder> recorder_;
    std::unique_ptr<CHalvoDlg> station_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace halvo::gui
