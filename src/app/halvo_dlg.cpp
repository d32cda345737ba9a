#include "app/halvo_dlg.h"

#include <cmath>

#include "common/station_settings.h"
#include "common/text_format.h"
#include "monitor/port_endpoint.h"

namespace halvo {

CHalvoDlg::CHalvoDlg(Scheduler& scheduler, StationUi& ui, Options options)
    : scheduler_(scheduler),
      ui_(ui),
      options_(std::move(options)),
      sender_(monitorLink_, log_, scheduler_, task_),
      identification_(sender_, log_),
      eeprom_(sender_, log_, scheduler_),
      instrumentContext_{instrumentLink_, log_, scheduler_, sender_, currentRecord, nullptr,
                         [this] { return setup_.measurementWaitMs(); }},
      setup_(*this, ui),
      calib_(*this, ui, log_),
      measure_(*this) {
    identification_.setListener(this);
    log_.addListener(&runLog_);
    installMeasurement();
    scheduler_.setTimerHandler([this](int id) { onTimer(id); });
    wireCalibration();
    if (!options_.enumeratePorts) {
        options_.enumeratePorts = EnumerateSerialPorts;
    }
}

CHalvoDlg::~CHalvoDlg() {
    settleRunEnd();
    runEnded(results::RunOutcome::Stopped, "The station was closed during the run.");
    for (int id = kTimerPrepare; id <= kTimerSequence; ++id) {
        scheduler_.stop(id);
    }
    scheduler_.stop(kTimerPostedCommands);
    scheduler_.stop(kTimerRunEnd);
    log_.removeListener(&runLog_);
    scheduler_.setTimerHandler(nullptr);
    if (instrument_) {
        instrument_->disconnect();
    }
    instrumentLink_.close();
    monitorLink_.close();
}

std::string CHalvoDlg::aboutText() const {
    return Format("Tintara- V%d.%d", options_.versionMajor, options_.versionMinor);
}

namespace {

constexpr const char* kCalibrationSection = "Calibration";
constexpr const char* kFastCalibrationKey = "FastCalibration";

}  // namespace

// The "Fast calibration" box lives in Station.ini; a file that cannot be read leaves the
// prescribed run and is not written over.
void CHalvoDlg::loadFastCalibrationSetting() {
    SettingsText file;
    std::string error;
    if (!LoadStationSettings(options_.workingDirectory, file, &error)) {
        log_.logMessage(error, kChannelSys);
        return;
    }
    calib_.fastCalibration.checked = file.value(kCalibrationSection, kFastCalibrationKey).value_or("0") == "1";
    calib_.fastCalibrationChosen = [this](bool checked) {
        SettingsText settings;
        std::string why;
        if (!LoadStationSettings(options_.workingDirectory, settings, &why)) {
            log_.logMessage(why, kChannelSys);
            return;
        }
        settings.set(kCalibrationSection, kFastCalibrationKey, checked ? "1" : "0");
        if (!SaveStationSettings(options_.workingDirectory, settings, &why)) {
            log_.logMessage(why, kChannelSys);
        }
    };
}

bool CHalvoDlg::initDialog() {
    loadFastCalibrationSetting();
    if (!k10_) {
        k10_ = std::make_unique<KClmtr>(scheduler_);
        instrumentContext_.k10 = k10_.get();
    }
    resetTaskState();
    links_.update(0, 0, true);
    window_.monitorIndicatorOn = false;
    window_.instrumentIndicatorOn = false;
    const std::vector<std::string> ports = options_.enumeratePorts();
    if (ports.empty()) {
        ui_.messageBox("No COMM port exists!");
        return false;
    }
    setup_.create(options_.versionMajor * 100 + options_.versionMinor, ports, options_.workingDirectory);
    whiteTargets = DefaultWhitePointTargets(false, referenceLuminance);
    calib_.setWhitePointTargets(whiteTargets);
    calib_.resetColorSpaceTargets();
    window_.pagesCreated = true;
    window_.monitorName = "Monitor";
    window_.instrumentName = "Colorimeter";
    window_.readingValues = {"x", "y", "u'", "v'", "Lv", "T", "\u0394uv"};
    window_.selectedTab = kTabSetup;
    postOperatorCommand(2, 7);
    measure_.autoJigEnabled = false;
    window_.continuouslyChecked = true;
    window_.continuouslyEnabled = false;
    window_.measureEnabled = false;
    setConnectedControls(false);
    ui_.refresh();
    return true;
}

void CHalvoDlg::resetTaskState() {
    task_.CalibrationState = kTaskIdle;
    task_.stepCounter = 0;
    task_.positionIndex = 0;
    referenceLuminance = 100;
    measure_.running = false;
}

void CHalvoDlg::resetReportValues() {
    // Without this the next monitor's report would carry the last one's values under its header.
    measurementResults.resetToNotMeasured();
    measure_.clearResults();
}

// ---- Identification ----

void CHalvoDlg::onVersion(const MonitorIdentity& identity) {
    window_.monitorName = identity.versionText;
    calib_.setTenBit(identity.recognisedModel);
    // Both models get the default targets again; the white list follows the model's whites.
    calib_.resetColorSpaceTargets();
    rebuildWhitePointTargets(identity.modelTxm600HdS);
    measure_.alternateWhites = identity.modelTxm600HdS;
    measure_.rebuildResultList();
    ui_.refresh();
}

void CHalvoDlg::onCalibrationId(const std::string& id) {
    window_.calId = id.substr(0, 9);
    calib_.calibrationId = id;
    calibrationId = id;
}

void CHalvoDlg::onBacklight(uint8_t level) {
    calib_.backlight = level;
    calib_.backlightText = std::to_string(level);
}

void CHalvoDlg::onMarkerDrawn(int32_t positionIndex) {
    window_.probePosition = positionIndex + 1;
}

// ---- Connect and disconnect ----

InstrumentKind CHalvoDlg::selectedKind() const {
    const int k = setup_.instrumentKind();
    return static_cast<InstrumentKind>(k >= 0 && k < kInstrumentKindCount ? k : 0);
}

InstrumentSettings CHalvoDlg::instrumentSettings() const {
    InstrumentSettings s;
    s.port = setup_.instrumentPort.text();
    s.line = setup_.instrumentLine();
    s.measurementWaitMs = setup_.measurementWaitMs();
    s.cs200SpeedIndex = setup_.measurementSpeed.selected;
    s.cs200DurationSeconds = setup_.measurementDurationSeconds();
    s.pelkoDeviceIndex = pelkoSearch.deviceFor(setup_.pelkoDevices.selected);
    s.pelkoDeviceCount = pelkoSearch.pelkoDeviceCount;
    s.calibrationIndex = setup_.calFile.selected;
    return s;
}

void CHalvoDlg::onConnectClicked(bool checked) {
    if (checked) {
        connect();
    } else {
        disconnect();
    }
    ui_.refresh();
}

void CHalvoDlg::connect() {
    settleRunEnd();
    runEnded(results::RunOutcome::Stopped, "The station connected again during the run.");
    lastCalibrationRunId_.clear();
    identification_.reset();
    resetTaskState();
    resetReportValues();
    // The next monitor may have any preset selected: the first manual gains choose it again.
    lastWhiteEntrySent = -1;

    const int s = setup_.colorSpaceStepIndex();
    calib_.setStepCount(static_cast<int>(std::lround(8.0 / (s + 1))));

    log_.clear();
    log_.logMessage(aboutText(), kChannelSys);
    calib_.programVersion = options_.versionMajor + options_.versionMinor / 10.0;

    measure_.startButtonText = "Measure";
    calib_.startButtonText = "Calibrate";
    measure_.startButtonChecked = false;
    calib_.startButtonChecked = false;
    measure_.autoJigChecked = false;

    monitorLink_.close();
    monitorLink_.setMonitorSettings(setup_.monitorPort.text());
    if (!monitorLink_.open()) {
        log_.logMessage("Cannot open monitor port", kChannelSys);
    }

    if (instrument_) {
        instrument_->disconnect();
    }
    instrumentLink_.close();
    instrument_ = CreateInstrumentDriver(selectedKind(), instrumentContext_);
    instrument_->connect(instrumentSettings());

    setConnectedControls(true);

    stopTimers(kTimerPrepare, kTimerIdentify);
    instrument_->afterConnect();

    if (monitorLink_.isOpen) {
        task_.stepCounter = 0;
        scheduler_.arm(kTimerIdentify, 10);
    }
    if (instrumentOpen()) {
        window_.instrumentName = std::string(instrument_->name()).substr(0, 11);
        if (!monitorLink_.isOpen) {
            scheduler_.arm(kTimerPrepare, 10);
        }
    }
    calib_.running = false;
}

void CHalvoDlg::disconnect() {
    stopTimers(kTimerPrepare, kTimerIdentify);
    // The countdown's save and the ping loop it starts would go to closed links.
    leaveCalibrationUnstored();
    // An aging run cannot outlive its links; its button would read "Stop" while a press after
    // the next connect started a new run.
    if (task_.CalibrationState == kTaskAging) {
        task_.CalibrationState = kTaskIdle;
        setup_.setAgingRunning(false);
        log_.logMessage("Aging stopped: the station was disconnected.", kChannelSys);
    }
    // A copy in progress cannot go on without the monitor; it would report success for data
    // the monitor never received.
    if (scheduler_.isArmed(kTimerSequence)) {
        scheduler_.stop(kTimerSequence);
        if (steps_.sequenceAbort) {
            steps_.sequenceAbort();
        }
        log_.logMessage("Copying stopped: the monitor was disconnected. Copy the data again.", kChannelSys);
    }
    measure_.startButtonText = "Measure";
    calib_.startButtonText = "Calibrate";
    measure_.startButtonChecked = false;
    calib_.startButtonChecked = false;
    measure_.autoJigChecked = false;

    if (instrument_) {
        instrument_->disconnect();
    }
    instrumentLink_.close();
    scheduler_.sleep(500);
    monitorLink_.close();

    measure_.autoJigChecked = false;
    setConnectedControls(false);
    updateLinkIndicators(0, 0, true);
    window_.probePosition = 0;
    window_.monitorName = "Monitor";
    window_.instrumentName = "Colorimeter";
    calib_.running = false;
    settleRunEnd();
    runEnded(results::RunOutcome::Stopped, "The station was disconnected during the run.");
}

void CHalvoDlg::setConnectedControls(bool connected) {
    window_.connected = connected;
    window_.connectText = connected ? "Disconnect" : "Connect";
    window_.continuouslyEnabled = connected;
    window_.measureEnabled = connected && !window_.continuouslyChecked;
    setup_.setConnected(connected);
    measure_.startButtonEnabled = connected;
    measure_.controlsEnabled = connected;
    calib_.controlsEnabled = connected;
    calib_.startButtonEnabled = connected;
}

void CHalvoDlg::setRunControlsEnabled(bool enable, int mode) {
    // Every run starts and ends here: a settling still open belongs to nobody, and the mode
    // holds for the whole run whatever the box does meanwhile.
    settling_.cancel();
    readBoundMs_.reset();
    if (!enable) {
        settling_.setMode(runMode());
    }
    if (enable) {
        measure_.startButtonText = "Measure";
        calib_.startButtonText = "Calibrate";
        measure_.controlsEnabled = true;
        measure_.startButtonEnabled = true;
        calib_.controlsEnabled = true;
        calib_.startButtonEnabled = true;
        setup_.setWorkControlsEnabled(true);
        window_.continuouslyEnabled = true;
        window_.measureEnabled = !window_.continuouslyChecked;
    } else {
        if (mode == 1) {
            measure_.controlsEnabled = false;
            measure_.startButtonEnabled = true;
            measure_.startButtonText = "Stop";
            calib_.controlsEnabled = false;
            calib_.startButtonEnabled = false;
        } else if (mode == 3) {
            // Copying data into the monitor: nothing else may talk to it until the copy ends.
            measure_.controlsEnabled = false;
            measure_.startButtonEnabled = false;
            calib_.controlsEnabled = false;
            calib_.startButtonEnabled = false;
        } else if (mode == 2) {
            measure_.controlsEnabled = false;
            measure_.startButtonEnabled = false;
            calib_.controlsEnabled = false;
            calib_.startButtonEnabled = true;
            calib_.startButtonText = "Stop";
        }
        setup_.setWorkControlsEnabled(false);
        window_.continuouslyEnabled = false;
        window_.measureEnabled = false;
    }
    runControlsChanged(enable, mode);
    ui_.refresh();
}

// ---- Indicators, links, reading list ----

void CHalvoDlg::updateLinkIndicators(int monitorBytes, int instrumentBytes, bool force) {
    const int before = links_.iconChanges();
    links_.update(monitorBytes, instrumentBytes, force);
    window_.monitorIndicatorOn = links_.monitorShown();
    window_.instrumentIndicatorOn = links_.instrumentShown();
    if (links_.iconChanges() != before) {
        ui_.refresh();
    }
}

bool CHalvoDlg::checkLinks() {
    const bool monitor = links_.monitorAlive();
    const bool instrument = links_.instrumentAlive();
    if (monitor && instrument) {
        return true;
    }
    ui_.playSound(Sound::Error, false);
    if (!monitor && !instrument) {
        log_.logMessage("Monitor&Colormeter is not connected.", kChannelSys);
    } else if (!monitor) {
        log_.logMessage("Monitor is not connected.", kChannelSys);
    } else {
        log_.logMessage("Colorimeter is not connected.", kChannelSys);
    }
    return false;
}

bool CHalvoDlg::checkMonitorAlive() {
    if (links_.monitorAlive()) {
        return true;
    }
    ui_.playSound(Sound::Error, false);
    log_.logMessage("Monitor is not connected.", kChannelSys);
    return false;
}

void CHalvoDlg::showCurrentReading() {
    window_.readingValues = FormatReadingRows(currentReading);
    ui_.refresh();
}

void CHalvoDlg::stopTimers(int first, int last) {
    for (int id = first; id <= last; ++id) {
        scheduler_.stop(id);
    }
}

}  // namespace halvo
