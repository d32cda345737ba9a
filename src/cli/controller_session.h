#pragma once

// A whole station for a headless subcommand: the controller with its page models, on a virtual
// clock with the in-process simulated station (--simulate) or on the wall clock with real ports.
// Settings not given on the command line come from Config.ini in the working directory, as in
// the station.

#include <memory>
#include <string>

#include "app/halvo_dlg.h"
#include "cli/cli_args.h"
#include "cli/cli_station_ui.h"
#include "cli/results_recording.h"
#include "cli/station_session.h"
#include "cli/subcommand.h"
#include "sim/panel_catalog.h"
#include "sim/sim_station.h"

namespace halvo::cli {

class ControllerSession {
public:
    struct Options {
        bool simulate = false;
        std::string monitorPort;     // --monitor
        std::string instrument;      // --instrument, a Setup list text
        std::string instrumentPort;  // --port
        std::string logFile;
        bool verbose = false;
        uint32_t seed = 1;
        int speedIndex = -1;       // --speed, CS-200 "Measurement speed" entry
        std::string duration;      // --duration, CS-200 "Measurement Duration" seconds
        int calibrationIndex = -1; // --calibration, "Cal File" entry
        int pelkoDevice = -1;       // --device: entry of the PELKO device list (-1: the first)
        int simPelkoDevices = 1;    // --pelko-devices: spectroradiometers the simulated station has
        std::string simModel;       // --sim-model: the simulated monitor's version text
        int simInfo = -1;           // --sim-info: its model-information byte (-1: as built)
        std::string panel = sim::kDefaultPanelName;  // --panel: the simulated panel by name, with its options
        std::string resultsDb;      // --results-db: the results server or database file
        std::optional<std::string> serialNumber;  // --serial: the Setup page's "S/N"
        std::optional<std::string> testedBy;      // --tested-by: its "Tested By"
        // --fast (calibrate, verify and demo take it themselves): the fast run.
        bool fast = false;
    };
    // Takes the common options (--simulate, --monitor, --instrument, --port, --log, -v, --seed,
    // --speed, --duration, --calibration, --device, --pelko-devices, --sim-model, --sim-info, --panel,
    // --results-db, --serial, --tested-by).
    static bool TakeOptions(Args& args, Options& options, std::string* error);

    ControllerSession(const Options& options, CliIo io);
    ~ControllerSession();

    // Window initialisation and the Setup choices from the options; with the PELKO chosen, the
    // device search and the device choice. False with a message.
    bool start(const char* command);
    // Presses Connect and waits until the measurement cycle runs (identification done).
    bool connect(const char* command);
    bool runUntil(const std::function<bool()>& done, int64_t maxMs);

    CHalvoDlg& station() { return *station_; }
    CliStationUi& ui() { return ui_; }
    sim::SimStation* simStation() { return sim_.get(); }
    Scheduler& scheduler() { return *scheduler_; }
    bool saveLog(const char* command);

private:
    bool choosePelkoDevice(const char* command);

    Options options_;
    CliIo io_;
    std::unique_ptr<Scheduler> scheduler_;
    std::unique_ptr<sim::SimStation> sim_;
    CliStationUi ui_;
    // Outlives the controller, which records a run still open when it closes.
    std::unique_ptr<results::RunRecorder> recorder_;
    std::unique_ptr<CHalvoDlg> station_;
    LogEcho echo_;
};

}  // namespace halvo::cli
