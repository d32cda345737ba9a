// The controller's side of the Calibration page: manual gains, the colour-space targets shown,
// the white-point list, the panel-gamma check on its own, a loaded data set, and the start of
// a copy into a monitor.

#include "app/halvo_dlg.h"

namespace halvo {

void CHalvoDlg::showSelectedColorSpaceTargets() {
    calib_.showColorSpaceTargets(calib_.selectedColorSpace(), calib_.selectedLevelIndex());
    ui_.refresh();
}

void CHalvoDlg::rebuildWhitePointTargets(bool alternate) {
    WhitePointTargets rebuilt = DefaultWhitePointTargets(alternate, referenceLuminance);
    for (size_t i = 0; i < rebuilt.size(); ++i) {
        rebuilt[i].chosen = whiteTargets[i].chosen;
    }
    whiteTargets = rebuilt;
    calib_.setWhitePointTargets(whiteTargets);
}

// 8/2: six entries while the data set holds colour spaces (its seventh row stays in the set),
// else seven with 11000 K as the seventh. The set's colour-space flag is the "Color Space" box:
// the page carries it into the set when a run starts or a copy is made, and a loaded file sets
// the box from the set.
void CHalvoDlg::whitePointListLength() {
    if (calib_.colorSpaceCheck.checked) {
        whiteEntryCount = kWhiteRowCount - 1;
        calib_.removeSeventhWhiteRow();
    } else {
        whiteEntryCount = kWhiteRowCount;
        WhitePointTarget& seventh = whiteTargets[kWhiteRowCount - 1];
        seventh = MakeWhitePointTarget(kSeventhRowKelvin, alternateWhites(), referenceLuminance);
        seventh.chosen = true;
        calib_.restoreSeventhWhiteRow(seventh);
    }
    ui_.refresh();
}

// 2/4: the preset of the selected row is chosen for adjustment once, then the manual gains go
// to it every time.
void CHalvoDlg::manualGains() {
    if (!checkLinks()) {
        return;
    }
    const int row = calib_.whiteList.selected;
    if (row < 0 || row >= kWhiteRowCount) {
        return;
    }
    if (row != lastWhiteEntrySent) {
        const uint32_t code = static_cast<uint32_t>(whiteTargets[static_cast<size_t>(row)].temperature);
        sender_.sendMonitorCommand(MonitorCommand::SetColorTemperature, code | 0x8000u, 1000);
        lastWhiteEntrySent = row;
    }
    const uint32_t r = static_cast<uint32_t>(calib_.manualGain(0));
    const uint32_t g = static_cast<uint32_t>(calib_.manualGain(1));
    const uint32_t b = static_cast<uint32_t>(calib_.manualGain(2));
    sender_.sendMonitorCommand(MonitorCommand::SetRgbGain, r | g << 8 | b << 16, 10);
}

// 2/8: the panel-gamma check of the current target gamma, run on its own.
void CHalvoDlg::panelGammaCheck() {
    if (!checkLinks()) {
        return;
    }
    sender_.sendMonitorCommand(MonitorCommand::SetGamma, calib_.data.targetGamma != 2.2 ? 16u : 14u, 2000);
    engine_->gamma().startPanelGammaCheck();
    task_.CalibrationState = kTaskPanelGamma;
    task_.stepCounter = 0;
    calib_.gammaStepCounter = 11;
}

// 2/10: the page's checks have passed; the upload runs on timer 7.
void CHalvoDlg::startCopy() {
    if (!checkMonitorAlive()) {
        return;
    }
    if (!steps_.sequence) {
        log_.logMessage("Copying calibration data is not available in this build.", kChannelSys);
        return;
    }
    sender_.sendMonitorCommand(MonitorCommand::DrawTargetMarker, 10, 10);
    // No polling while the copy runs: its read-backs must get the monitor's answers alone.
    scheduler_.stop(kTimerPrepare);
    scheduler_.stop(kTimerTrigger);
    scheduler_.stop(kTimerRead);
    if (steps_.sequenceStart) {
        steps_.sequenceStart();
    }
    setRunControlsEnabled(false, 3);
    log_.logMessage("Copying data to a monitor now. Please wait until it completes.", kChannelSys);
    scheduler_.arm(kTimerSequence, 1000);
}

// 2/11: the loaded set's ID in "Cal. ID"; its colour-space targets shown and its level count
// chosen as the Setup page's "Color Space Step:" ("8", "4", "3", "2" for 8, 4, 3, 2 levels).
void CHalvoDlg::calibrationDataLoaded() {
    window_.calId = calib_.calibrationId.substr(0, 9);
    if (calib_.loadedData) {
        showSelectedColorSpaceTargets();
        const int count = calib_.stepCount;
        const int entry = count <= 0 ? 0 : 7 / count;
        if (setup_.colorSpaceStep.hasIndex(entry) && entry != setup_.colorSpaceStep.selected) {
            setup_.colorSpaceStep.selected = entry;
            setup_.writeConfig();
        }
    }
    ui_.refresh();
}

}  // namespace halvo
