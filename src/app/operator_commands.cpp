// Operator commands: (group, item) pairs posted by the pages and notices, the main window's own
// controls, and the ends of a calibration run.

#include <algorithm>
#include <cmath>

#include "app/halvo_dlg.h"
#include "common/file_io.h"
#include "common/text_format.h"

namespace halvo {

namespace {

// A text file the operator asked for, written with the wait cursor up.
bool WriteBusily(StationUi& ui, const std::string& path, const std::string& text, std::string* error) {
    const BusyScope busy(ui);
    return WriteFileAtomically(path, text, error);
}

}  // namespace

void CHalvoDlg::postOperatorCommand(int group, int item) {
    posted_.emplace_back(group, item);
    if (!scheduler_.isArmed(kTimerPostedCommands)) {
        scheduler_.arm(kTimerPostedCommands, 0);
    }
}

void CHalvoDlg::handleOperatorCommand(int group, int item) {
    using C = MonitorCommand;
    const auto unavailable = [&] { unknownCommand(group, item); };
    switch (group) {
        case 1:
            measureCommand(item);
            return;
        case 2:
            switch (item) {
                case 2: {
                    const bool busy = task_.CalibrationState != kTaskIdle;
                    const bool wasRunning = calib_.running;
                    engine_->startOrStopCalibration();
                    if (busy && task_.CalibrationState == kTaskIdle) {
                        runEnded(results::RunOutcome::Stopped, "Calibration stopped by user.");
                    }
                    if (!wasRunning && calib_.running) {
                        noteCalibrationStarted();
                    }
                    ui_.refresh();
                    return;
                }
                case 3:
                    if (!checkLinks()) {
                        return;
                    }
                    task_.CalibrationState = kTaskWhitePointReadBack;
                    task_.stepCounter = 0;
                    scheduler_.stop(kTimerPrepare);
                    scheduler_.arm(kTimerTrigger, 500);
                    return;
                case 4:
                    manualGains();
                    return;
                case 5:
                    if (!checkLinks()) {
                        return;
                    }
                    sender_.sendMonitorCommand(C::SetBacklight,
                                               static_cast<uint32_t>(std::atoi(calib_.backlightText.c_str())), 10);
                    return;
                case 6:
                    if (!checkLinks()) {
                        return;
                    }
                    task_.CalibrationState = kTaskInputSource;
                    task_.stepCounter = 0;
                    return;
                case 7:
                    showSelectedColorSpaceTargets();
                    return;
                case 8:
                    panelGammaCheck();
                    return;
                case 10:
                    startCopy();
                    return;
                case 11:
                    calibrationDataLoaded();
                    return;
                default:
                    unavailable();
                    return;
            }
        case 3:
            if (item == 8) {
                if (selectedKind() == InstrumentKind::K10) {
                    selectK10Matrix();
                    return;
                }
                return;  // the matrix list belongs to the K-10
            }
            if (item == 9) {
                const int s = setup_.colorSpaceStepIndex();
                calib_.setStepCount(static_cast<int>(std::lround(8.0 / (s + 1))));
                ui_.refresh();
                return;
            }
            if (!checkMonitorAlive()) {
                return;
            }
            if (item >= 0 && item <= 3) {
                sender_.sendMonitorCommand(C::DrawTargetMarker, 10, 500);
                sender_.sendMonitorCommand(C::DrawCustomPattern, static_cast<uint32_t>(item + 1), 0);
            } else if (item == 4) {
                const auto level = [&](int channel) {
                    return static_cast<uint32_t>(std::clamp(setup_.level(channel), 0, 255));
                };
                sender_.sendMonitorCommand(C::DrawPattern, level(0) | level(1) << 8 | level(2) << 16, 1000);
            } else if (item == 5) {
                scheduler_.sleep(200);
                sender_.sendMonitorCommand(C::CalibrationExecution, 0, 500);
                sender_.sendMonitorCommand(C::Play, 0, 0);
            } else if (item == 6) {
                sender_.sendMonitorCommand(C::SetCscGamma, 0, 2000);
            } else if (item == 7) {
                sender_.sendMonitorCommand(C::SetCscGamma, 1, 2000);
            }
            scheduler_.arm(kTimerTrigger, 1000);
            return;
        case 4:
            if (!checkMonitorAlive()) {
                return;
            }
            stopTimers(kTimerPrepare, kTimerCountdown);
            completionCountdown = 15;
            sender_.sendMonitorCommand(C::SaveEeprom, static_cast<uint32_t>(item | 0x80), 1000);
            scheduler_.arm(kTimerTrigger, 2000);
            return;
        case 5:
            // White-point entry marks: bit 7 set marks the entry as chosen, clear unmarks it.
            if ((item & 0x7F) < kWhiteRowCount) {
                whiteTargets[static_cast<size_t>(item & 0x7F)].chosen = (item & 0x80) != 0;
            }
            return;
        case 7:
            if (!checkMonitorAlive()) {
                return;
            }
            if (item == 1) {
                eepromRead();
            } else if (item == 2) {
                if (!eepromImage.present) {
                    // Writing an image that was never read would overwrite the monitor's colour
                    // data with zeros.
                    ui_.playSound(Sound::Error, false);
                    ui_.messageBox("Read color data from EEPROM first.");
                    return;
                }
                notices_.warningOpen = true;
                notices_.warningSource = eepromImage.idText();
                notices_.warningTarget = calibrationId;
                publishNotices();
            } else if (item == 3) {
                eepromWrite();
            }
            return;
        case 8:
            if (item == 1) {
                showSelectedColorSpaceTargets();
            } else if (item == 2) {
                whitePointListLength();
            } else {
                unavailable();
            }
            return;
        case 9:
            searchPelkoDevices();
            return;
        case 10:
            if (!checkLinks()) {
                return;
            }
            if (item == 1) {
                agingStartStop();
            } else if (item == 2) {
                saveAgingReport();
            }
            return;
        default:
            unavailable();
            return;
    }
}

void CHalvoDlg::unknownCommand(int group, int item) {
    log_.logMessage(Format("Unknown command (%d, %d).", group, item), kChannelSys);
}

// ---- Main window controls ----

void CHalvoDlg::onMeasureClicked() {
    if (task_.CalibrationState != kTaskIdle) {
        return;
    }
    task_.CalibrationState = kTaskSingleMeasurement;
    window_.measureText = "Wait";
    scheduler_.arm(kTimerTrigger, 10);
    ui_.refresh();
}

void CHalvoDlg::onContinuouslyToggled(bool checked) {
    window_.continuouslyChecked = checked;
    if (instrument_ && instrumentOpen()) {
        instrument_->continuouslyToggled();
    }
    window_.measureText = "Measure";
    window_.measureEnabled = window_.connected && !checked;
    scheduler_.arm(kTimerTrigger, 10);
    ui_.refresh();
}

void CHalvoDlg::onTabChanged(int index) {
    if (index < kTabMeasure || index > kTabSetup) {
        return;
    }
    window_.selectedTab = index;
    ui_.refresh();
}

void CHalvoDlg::onClearLog() {
    log_.clear();
}

void CHalvoDlg::onSaveLog() {
    const std::optional<std::string> path =
        ui_.chooseSavePath("Save Report (*.txt)|*.txt||", calibrationId + "Log.txt");
    if (!path) {
        return;
    }
    std::string error;
    if (!WriteBusily(ui_, *path, WithCrLf(log_.text()), &error)) {
        ui_.messageBox(error);
    }
}

void CHalvoDlg::onCalIdEnter(const std::string& text) {
    const std::string id = text.substr(0, 9);
    window_.calId = id;
    calibrationId = id;
    calib_.calibrationId = id;
    if (!checkMonitorAlive()) {
        return;
    }
    sender_.sendCalibrationId(id);
}

// ---- Notices ----

void CHalvoDlg::publishNotices() {
    ui_.noticesChanged(notices_);
}

// The countdown goes on under both answers: OK's save stops it once it has been sent, and a save
// refused because the monitor link is down at that moment leaves the countdown to store the
// calibration when it runs out. Cancel only silences the notice.
void CHalvoDlg::onCompletionOk() {
    ui_.stopSound();
    postOperatorCommand(4, 255);
    notices_.completionOpen = false;
    publishNotices();
}

void CHalvoDlg::onCompletionCancel() {
    ui_.stopSound();
    notices_.completionOpen = false;
    publishNotices();
}

void CHalvoDlg::leaveCalibrationUnstored() {
    if (!scheduler_.isArmed(kTimerCountdown) && !notices_.completionOpen) {
        return;
    }
    scheduler_.stop(kTimerCountdown);
    completionCountdown = 15;
    ui_.stopSound();
    notices_.completionOpen = false;
    publishNotices();
    log_.logMessage(kCalibrationNotStored, kChannelSys);
}

void CHalvoDlg::onFailureOk() {
    ui_.stopSound();
    notices_.failureOpen = false;
    publishNotices();
}

void CHalvoDlg::onWarningOk() {
    notices_.warningOpen = false;
    publishNotices();
    postOperatorCommand(7, 3);
}

void CHalvoDlg::onWarningCancel() {
    notices_.warningOpen = false;
    publishNotices();
}

// ---- Ends of a calibration run ----

void CHalvoDlg::calibrationCompleted() {
    calib_.running = false;
    if (run_.kind == results::RunKind::Calibration) {
        runEnded(results::RunOutcome::Completed);
    }
    if (beforeCalibration_) {
        beforeCalibration_->calibratedSince = true;
    }
    if (setup_.measurementAfterCalibration.checked) {
        sender_.sendMonitorCommand(MonitorCommand::SaveEeprom, 255, 2000);
        window_.selectedTab = kTabMeasure;
        // The calibration is over: the Measure button starts a verification, it does not stop a task.
        task_.CalibrationState = kTaskIdle;
        task_.stepCounter = 0;
        handleOperatorCommand(1, 1);
        ui_.refresh();
        return;
    }
    notices_.completionOpen = true;
    completionCountdown = 15;
    // The notice is reused: without this it would show the last run's "0 Sec" until the first tick.
    notices_.countdownText.clear();
    publishNotices();
    if (setup_.audioAlarm.checked) {
        ui_.playSound(Sound::Success, true);
    }
    scheduler_.arm(kTimerCountdown, 1000);
}

void CHalvoDlg::calibrationFailed() {
    // What the procedure said last is why; what follows here is the failure's own lines.
    const std::string reason = runReason();
    notices_.failureOpen = true;
    publishNotices();
    if (setup_.audioAlarm.checked) {
        ui_.playSound(Sound::Fail, true);
    }
    if (task_.CalibrationState == kTaskIdle) {
        if (run_.kind == results::RunKind::Calibration) {
            runEnded(results::RunOutcome::Failed, reason);
        }
        return;
    }
    task_.stepCounter = 0;
    task_.positionIndex = 0;
    task_.progressCount = 0;
    calib_.running = false;
    task_.CalibrationState = kTaskIdle;
    sender_.sendMonitorCommand(MonitorCommand::CalibrationExecution, 0, 10);
    calib_.progressPosition = 0;
    calib_.statusText = "Ready..";
    log_.logMessage("Calibration failed", kChannelSys);
    setRunControlsEnabled(true);
    scheduler_.arm(kTimerTrigger, 300);
    if (run_.kind == results::RunKind::Calibration) {
        runEnded(results::RunOutcome::Failed, reason);
    }
}

// ---- EEPROM copy ----

void CHalvoDlg::eepromRead() {
    runBegan(results::RunKind::EepromRead);
    setup_.colorDataCopy = {0, static_cast<int>(kEepromImageSize), 0};
    std::string error;
    const bool ok = eeprom_.read(
        eepromImage,
        [this](int position) {
            setup_.colorDataCopy.position = position;
            if (position % 100 == 0) {
                ui_.refresh();
            }
        },
        &error);
    if (!ok) {
        ui_.playSound(Sound::Error, false);
        ui_.messageBox(error);
    }
    runEnded(ok ? results::RunOutcome::Completed : results::RunOutcome::Failed, error);
    ui_.refresh();
}

void CHalvoDlg::eepromWrite() {
    runBegan(results::RunKind::EepromWrite);
    setup_.colorDataCopy.position = 0;
    setup_.colorDataCopy = {0, static_cast<int>(kEepromImageSize), 0};
    eeprom_.write(eepromImage, [this](int position) {
        setup_.colorDataCopy.position = position;
        if (position % 100 == 0) {
            ui_.refresh();
        }
    });
    std::string error;
    const bool ok = eeprom_.verifyWrite(eepromImage, &error);
    if (!ok) {
        ui_.playSound(Sound::Error, false);
        ui_.messageBox(error);
    }
    runEnded(ok ? results::RunOutcome::Completed : results::RunOutcome::Failed, error);
    ui_.refresh();
}

// ---- Aging ----

void CHalvoDlg::agingStartStop() {
    task_.stepCounter = 0;
    if (setup_.measurePeriodMinutes() <= 0) {
        log_.logMessage("Select timer error", kChannelSys);
        return;
    }
    if (task_.CalibrationState == kTaskAging) {
        task_.CalibrationState = kTaskIdle;
        setRunControlsEnabled(true);
        setup_.setAgingRunning(false);
        calib_.startButtonEnabled = true;
        runEnded(results::RunOutcome::Stopped, "Aging stopped by the operator.");
    } else {
        runBegan(results::RunKind::Aging);
        agingLines.clear();
        task_.CalibrationState = kTaskAging;
        measure_.controlsEnabled = false;
        measure_.startButtonEnabled = false;
        calib_.controlsEnabled = false;
        calib_.startButtonEnabled = false;
        setup_.setWorkControlsEnabled(false);
        setup_.setAgingRunning(true);
        window_.continuouslyEnabled = false;
        window_.measureEnabled = false;
    }
    calib_.startButtonText = "Calibrate";
    scheduler_.arm(kTimerTrigger, 1000);
    ui_.refresh();
}

void CHalvoDlg::saveAgingReport() {
    const std::optional<std::string> path =
        ui_.chooseSavePath("Save Report (*.txt)|*.txt||", calibrationId + "Aging.txt");
    if (!path) {
        return;
    }
    std::string text;
    for (const std::string& line : agingLines) {
        text += line + "\r\n";
    }
    std::string error;
    if (!WriteBusily(ui_, *path, text, &error)) {
        ui_.messageBox(error);
    }
}

}  // namespace halvo
