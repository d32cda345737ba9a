#include "gui/station_app.h"

#include "common/install_layout.h"
#include "common/version.h"
#include "gui/alsa_sound_output.h"
#include "instruments/vendor_library.h"
#include "monitor/port_endpoint.h"

namespace halvo::gui {

StationApp::StationApp(StationAppOptions options) : options_(std::move(options)) {
    if (options_.scheduler) {
        scheduler_ = options_.scheduler;
    } else {
        ownScheduler_ = std::make_unique<QtScheduler>();
        scheduler_ = ownScheduler_.get();
    }
    if (options_.simulate) {
        sim::SimStationConfig config;
        config.seed = options_.seed;
        config.monitor.seed = options_.seed;
        config.monitor.drift = sim::DriftConfig::Realistic();
        config.ca.seed = options_.seed * 31u + 7u;
        sim_ = std::make_unique<sim::SimStation>(*scheduler_, config);
        sim_->install();
        VendorLibrary::SetStandInDirectory(StandInLibraryDirectory());
    }
    SoundOutput* sound = options_.sound;
    if (!sound) {
        ownSound_ = std::make_unique<AlsaSoundOutput>();
        sound = ownSound_.get();
    }
    ui_ = std::make_unique<QtStationUi>(*sound, options_.soundDirectories);

    CHalvoDlg::Options o;
    o.workingDirectory = options_.workingDirectory;
    o.versionMajor = kVersionMajor;
    o.versionMinor = kVersionMinor;
    o.enumeratePorts = options_.enumeratePorts;
    station_ = std::make_unique<CHalvoDlg>(*scheduler_, *ui_, o);
    startRecorder();
    window_ = std::make_unique<MainWindow>(*station_);
    window_->runsRequested = [this] { showRuns(); };
    window_->resultsSettingsRequested = [this] { showResultsSettings(); };
    ui_->attach(window_.get(), dynamic_cast<QtScheduler*>(scheduler_));
}

StationApp::~StationApp() {
    ui_->attach(nullptr, nullptr);
    ui_->stopSound();
    window_.reset();
    station_.reset();
    recorder_->notify = [](const std::string& line) { std::fprintf(stderr, "halvo: %s\n", line.c_str()); };
    recorder_.reset();
    if (sim_) {
        VendorLibrary::SetStandInDirectory("");
        sim_.reset();
    }
}

void StationApp::start() {
    if (!station_->initDialog()) {
        window_->refresh();
        return;  // "No COMM port exists!": the window stays up without pages
    }
    if (sim_) {
        chooseSimulatedPorts();
        // The simulated station has a jig that carries the probe: "Auto(JIG)" can be tried.
        station_->attachJig([this] { return sim_->jigReady(); });
    }
    window_->createPages();
}

void StationApp::chooseSimulatedPorts() {
    // Whoever starts the simulated station means to use it; choosing its ports makes "Connect"
    // work at once. Config.ini keeps the operator's own choice until a setting is changed.
    Setup& setup = station_->setup();
    setup.monitorPort.selectText(sim::kSimMonitorPort);
    const int kind = setup.instrumentKind();
    if (kind == static_cast<int>(InstrumentKind::Ca210) || kind == static_cast<int>(InstrumentKind::Ca310)) {
        setup.instrumentPort.selectText(sim::kSimCaPort);
    }
}

}  // namespace halvo::gui
