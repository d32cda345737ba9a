#include "cli/controller_session.h"

#include <algorithm>
#include <cstdlib>

#include "common/install_layout.h"
#include "common/version.h"
#include "instruments/vendor_library.h"
#include "monitor/port_endpoint.h"
#include "setup/setup_lists.h"
#include "sim/panel_catalog.h"

namespace halvo::cli {

const char* const kStationOptionsHelp =
    "station options (the Setup page's choices; what is not given comes from Config.ini in the\n"
    "working directory, which the station rewrites as it always does):\n"
    "  --simulate            the built-in simulated station on a virtual clock: its monitor\n"
    "                        (SIM-MONITOR), CA-210/CA-310 (SIM-CA) and K-10 (SIM-K10), and stand-ins\n"
    "                        of the other instruments' libraries\n"
    "  --seed N              with --simulate: the seed of the panel's and instruments' noise\n"
    "                        (default 1)\n"
    "  --pelko-devices N     with --simulate: spectroradiometers attached, 0..8 (default 1)\n"
    "  --sim-model TEXT      with --simulate: the monitor's version text (default\n"
    "                        \"TXM-600-HD-S V1.02\"); with --sim-info it chooses the uniformity method\n"
    "  --sim-info N          with --simulate: its model-information byte (default 0x90)\n"
    "  --panel NAME          with --simulate: the simulated panel, one of\n"
    "                          wide-lcd            wide-gamut LCD, white near 7000 K (default)\n"
    "                          cool-lcd            9500 K white, toes near black, 3 % crosstalk,\n"
    "                                              strong fall-off, warm-up in the first minutes\n"
    "                          cool-lcd-slow       cool-lcd settling for seconds after a change\n"
    "                          cool-lcd-crosstalk  cool-lcd with 8 % crosstalk\n"
    "                        NAME:key=value,... overrides response-ms, crosstalk, falloff,\n"
    "                        warm-up-ms or warm-up (a scale of the warm-up losses)\n"
    "  --monitor <port>      the monitor's serial port (see halvo-cli ports)\n"
    "  --instrument <name>   CA-210, CA-310, K-10, PELKO, Spyder4, CS-200 or \"i1 Display\"\n"
    "  --port <port>         the instrument's serial port (CA-210, CA-310, K-10)\n"
    "  --speed <index>       CS-200 \"Measurement speed\": 0 LTD.AUTO, 1 S-FAST, 2 FAST, 3 SLOW,\n"
    "                        4 S-SLOW, 5 MANU, 6 AUTO\n"
    "  --duration <s>        CS-200 \"Measurement Duration\" in seconds for MANU (the meter takes\n"
    "                        at most 60)\n"
    "  --calibration <index> \"Cal File\" entry: the Spyder4's display type, 0 Standard,\n"
    "                        1 Normal-Gamut LCD/ CCFL, 2 Wide-Gamut LCD/ CCFL, 3 Normal-Gamut LCD/\n"
    "                        White LED, 4 Wide-Gamut LCD/ RGB LED, 5 Wide-Gamut LCD/ CCFL2\n"
    "  --device <index>      PELKO: the entry of the device list the search fills (default the\n"
    "                        first)\n"
    "  --serial <s/n>        the Setup page's \"S/N\" of the monitor, for its reports and records\n"
    "  --tested-by <name>    the Setup page's \"Tested By\", for the reports and records\n"
    "  --results-db <url>    where every run's record goes: a postgresql:// URL of the line's\n"
    "                        server (the records are kept in the embedded database first and sent\n"
    "                        from there), or another embedded database file; default\n"
    "                        HALVO_RESULTS_DB, else Station.ini, else only the embedded database\n"
    "  --log <file>          write the station log to a file\n"
    "  -v, --verbose         print the station log as it is written\n";

bool ControllerSession::TakeOptions(Args& args, Options& options, std::string* error) {
    options.simulate = args.takeFlag("--simulate");
    if (auto v = args.takeOption("--monitor")) {
        options.monitorPort = *v;
    }
    if (auto v = args.takeOption("--instrument")) {
        options.instrument = *v;
    }
    if (auto v = args.takeOption("--port")) {
        options.instrumentPort = *v;
    }
    if (auto v = args.takeOption("--log")) {
        options.logFile = *v;
    }
    if (auto v = args.takeOption("--seed")) {
        const auto seed = ParseLong(*v);
        if (!seed || *seed < 0) {
            *error = "--seed needs a whole number";
            return false;
        }
        options.seed = static_cast<uint32_t>(*seed);
    }
    if (auto v = args.takeOption("--speed")) {
        const auto speed = ParseLong(*v);
        if (!speed || *speed < 0 || *speed >= static_cast<long>(setup_lists::kMeasurementSpeeds.size())) {
            *error = "--speed needs a \"Measurement speed\" entry from 0 (LTD.AUTO) to 6 (AUTO)";
            return false;
        }
        options.speedIndex = static_cast<int>(*speed);
    }
    if (auto v = args.takeOption("--duration")) {
        const auto seconds = ParseLong(*v);
        if (!seconds || *seconds < 1 || *seconds > 3600) {
            *error = "--duration needs whole seconds from 1";
            return false;
        }
        options.duration = std::to_string(*seconds);
    }
    if (auto v = args.takeOption("--calibration")) {
        const auto index = ParseLong(*v);
        if (!index || *index < 0 || *index > 99) {
            *error = "--calibration needs a \"Cal File\" entry number";
            return false;
        }
        options.calibrationIndex = static_cast<int>(*index);
    }
    if (auto v = args.takeOption("--device")) {
        const auto index = ParseLong(*v);
        if (!index || *index < 0 || *index > 1000) {
            *error = "--device needs a device list index from 0";
            return false;
        }
        options.pelkoDevice = static_cast<int>(*index);
    }
    if (auto v = args.takeOption("--pelko-devices")) {
        const auto count = ParseLong(*v);
        if (!count || *count < 0 || *count > 8) {
            *error = "--pelko-devices needs a number from 0 to 8";
            return false;
        }
        options.simPelkoDevices = static_cast<int>(*count);
    }
    if (auto v = args.takeOption("--sim-model")) {
        if (v->empty() || v->size() > 40) {
            *error = "--sim-model needs a version text of up to 40 characters";
            return false;
        }
        options.simModel = *v;
    }
    if (auto v = args.takeOption("--sim-info")) {
        char* end = nullptr;
        const long info = std::strtol(v->c_str(), &end, 0);
        if (v->empty() || end != v->c_str() + v->size() || info < 0 || info > 255) {
            *error = "--sim-info needs a byte, 0 to 255 (0x.. for hexadecimal)";
            return false;
        }
        options.simInfo = static_cast<int>(info);
    }
    if (auto v = args.takeOption("--panel")) {
        if (!sim::PanelFromText(*v, error)) {
            *error = "--panel: " + *error;
            return false;
        }
        options.panel = *v;
    }
    if (!TakeResultsDbOption(args, options.resultsDb, error)) {
        return false;
    }
    if (auto v = args.takeOption("--serial")) {
        options.serialNumber = *v;
    }
    if (auto v = args.takeOption("--tested-by")) {
        options.testedBy = *v;
    }
    options.verbose = args.takeFlag("-v") || args.takeFlag("--verbose");
    if (options.simulate && !options.monitorPort.empty()) {
        *error = "--simulate and --monitor exclude each other";
        return false;
    }
    if (!options.instrument.empty()) {
        const auto& names = kInstrumentNames;
        if (std::find(names.begin(), names.end(), options.instrument) == names.end()) {
            *error = "unknown instrument '" + options.instrument +
                     "' (CA-210, CA-310, K-10, PELKO, Spyder4, CS-200, i1 Display)";
            return false;
        }
    }
    return true;
}

namespace {

std::unique_ptr<Scheduler> MakeScheduler(bool simulate) {
    if (simulate) {
        return std::make_unique<VirtualScheduler>();
    }
    return std::make_unique<RealTimeScheduler>();
}

// Selects a port by name, adding it to the list when the machine's enumeration missed it (a
// pseudo-terminal path given on the command line).
void ChoosePort(ListControl& list, const std::string& name) {
    if (!list.selectText(name)) {
        list.items.push_back(name);
        list.selectText(name);
    }
}

}  // namespace

ControllerSession::ControllerSession(const Options& options, CliIo io)
    : options_(options), io_(io), scheduler_(MakeScheduler(options.simulate)), ui_(io.err), echo_(options.verbose ? io.err : nullptr) {
    if (options.simulate) {
        sim::SimStationConfig config;
        std::string ignored;
        config.panel = sim::PanelFromText(options.panel, &ignored).value_or(sim::PanelConfig());
        config.seed = options.seed;
        config.monitor.seed = options.seed;
        config.monitor.drift = sim::DriftConfig::Realistic();
        config.ca.seed = options.seed * 31u + 7u;
        config.k10.seed = options.seed * 37u + 5u;
        config.pelkoDevices = options.simPelkoDevices;
        if (!options.simModel.empty()) {
            config.monitor.versionText = options.simModel;
        }
        if (options.simInfo >= 0) {
            config.monitor.modelInfo = static_cast<uint8_t>(options.simInfo);
        }
        sim_ = std::make_unique<sim::SimStation>(*scheduler_, config);
        sim_->install();
        VendorLibrary::SetStandInDirectory(StandInLibraryDirectory());
    }
    CHalvoDlg::Options o;
    o.workingDirectory = ".";
    o.versionMajor = kVersionMajor;
    o.versionMinor = kVersionMinor;
    station_ = std::make_unique<CHalvoDlg>(*scheduler_, ui_, o);
    station_->log().addListener(&echo_);
    recorder_ = MakeRunRecorder(options.resultsDb, io, station_->log());
    station_->resultsSink = recorder_.get();
    station_->stationName = recorder_->target().station;
}

ControllerSession::~ControllerSession() {
    station_->log().removeListener(&echo_);
    station_.reset();
    // The log is gone with the controller; what the recorder still has to say goes to stderr.
    std::FILE* err = io_.err;
    recorder_->notify = [err](const std::string& line) { std::fprintf(err, "halvo-cli: %s\n", line.c_str()); };
    recorder_.reset();
    if (sim_) {
        VendorLibrary::SetStandInDirectory("");
        // What the station sent that a monitor would not have taken.
        sim::ReportProtocolViolations(sim_->monitor().checker(), io_.err, "halvo-cli");
    }
}

bool ControllerSession::start(const char* command) {
    if (!station_->initDialog()) {
        std::fprintf(io_.err, "halvo-cli %s: no serial port on this machine\n", command);
        return false;
    }
    station_->setRunMode(options_.fast ? RunMode::Fast : RunMode::Prescribed);
    Setup& setup = station_->setup();
    if (!options_.instrument.empty()) {
        const auto& names = kInstrumentNames;
        const int index = static_cast<int>(std::find(names.begin(), names.end(), options_.instrument) - names.begin());
        setup.instrument.selected = index;
        setup.onInstrumentChanged(index);
    }
    if (options_.speedIndex >= 0) {
        setup.measurementSpeed.selected = options_.speedIndex;
    }
    if (options_.serialNumber) {
        setup.serialNumber.text = *options_.serialNumber;
    }
    if (options_.testedBy) {
        setup.testedBy.text = *options_.testedBy;
    }
    if (!options_.duration.empty()) {
        setup.measurementDuration.text = options_.duration;
    }
    if (options_.calibrationIndex >= 0) {
        if (!setup.calFile.hasIndex(options_.calibrationIndex)) {
            std::fprintf(io_.err, "halvo-cli %s: the %s has no \"Cal File\" entry %d\n", command,
                         kInstrumentNames[static_cast<size_t>(setup.instrumentKind())], options_.calibrationIndex);
            return false;
        }
        setup.calFile.selected = options_.calibrationIndex;
        setup.onCalFileChanged(options_.calibrationIndex);
    }
    if (options_.simulate) {
        ChoosePort(setup.monitorPort, sim::kSimMonitorPort);
        const InstrumentKind kind = static_cast<InstrumentKind>(setup.instrumentKind());
        if (kind == InstrumentKind::Ca210 || kind == InstrumentKind::Ca310) {
            ChoosePort(setup.instrumentPort, sim::kSimCaPort);
        } else if (kind == InstrumentKind::K10) {
            ChoosePort(setup.instrumentPort, sim::kSimK10Port);
        }
    }
    if (!options_.monitorPort.empty()) {
        ChoosePort(setup.monitorPort, options_.monitorPort);
    }
    if (!options_.instrumentPort.empty()) {
        ChoosePort(setup.instrumentPort, options_.instrumentPort);
    }
    if (setup.instrumentKind() == static_cast<int>(InstrumentKind::Pelko)) {
        return choosePelkoDevice(command);
    }
    return true;
}

bool ControllerSession::choosePelkoDevice(const char* command) {
    // As the operator does on the Setup page: "Search", then pick an entry of the list.
    station_->handleOperatorCommand(9, 1);
    ListControl& devices = station_->setup().pelkoDevices;
    if (station_->pelkoSearch.pelkoDeviceCount <= 0) {
        std::fprintf(io_.err, "halvo-cli %s: no PELKO device found\n", command);
        return false;
    }
    if (options_.pelkoDevice >= 0) {
        if (!devices.hasIndex(options_.pelkoDevice)) {
            std::fprintf(io_.err, "halvo-cli %s: no PELKO device %d (the list holds %zu)\n", command,
                         options_.pelkoDevice, devices.items.size());
            return false;
        }
        devices.selected = options_.pelkoDevice;
    }
    return true;
}

bool ControllerSession::connect(const char* command) {
    station_->onConnectClicked(true);
    if (!station_->monitorLink().isOpen) {
        std::fprintf(io_.err, "halvo-cli %s: cannot open monitor port %s: %s\n", command,
                     station_->monitorLink().portName.c_str(), station_->monitorLink().lastError().c_str());
    }
    if (!station_->instrumentOpen()) {
        std::fprintf(io_.err, "halvo-cli %s: cannot open the %s\n", command,
                     kInstrumentNames[static_cast<size_t>(station_->setup().instrumentKind())]);
        return false;
    }
    // The identification runs first (about three seconds of the monitor's waits).
    return runUntil([this] { return !scheduler_->isArmed(kTimerIdentify); }, 20000);
}

bool ControllerSession::runUntil(const std::function<bool()>& done, int64_t maxMs) {
    if (options_.simulate) {
        return static_cast<VirtualScheduler&>(*scheduler_).runUntil(done, maxMs);
    }
    return static_cast<RealTimeScheduler&>(*scheduler_).runUntil(done, maxMs);
}

bool ControllerSession::saveLog(const char* command) {
    return SaveLogFile(station_->log(), options_.logFile, io_, command);
}

}  // namespace halvo::cli
