// What the dispatcher does when a calibration loses its monitor or its instrument. The monitor
// protocol has no acknowledgement, so a step cannot tell a monitor that is gone from one that
// does not change: it would go on measuring the same light, work out gains and tables from it
// and upload them into nothing, or wait for a reading for ever. The run is given up instead,
// like a search that cannot converge, and the operator can start it again once the cable is back.
// A single measurement that gets no reading for as long is given up too.

#include "app/halvo_dlg.h"
#include "common/text_format.h"

namespace halvo {

namespace {

// Library instruments keep their indicator up while they are open, so only the time without
// a reading shows that one has stopped measuring. The slowest measurement (a spectroradiometer
// on black) takes well under this.
constexpr int64_t kNoReadingLimitMs = 60000;

bool IsCalibrationTask(int32_t state) {
    switch (state) {
        case kTaskWhitePoint:
        case kTaskGamma:
        case kTaskModelDependent:
        case kTaskColorSpace:
        case kTaskWhitePointReadBack:
        case kTaskPanelGamma:
        case kTaskInputSource:
        case kTaskAdc:
        case kTaskAdcSecond:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool CHalvoDlg::abandonRunOnLostLink(bool readingTaken) {
    const bool single = task_.CalibrationState == kTaskSingleMeasurement;
    if (!single && !IsCalibrationTask(task_.CalibrationState)) {
        failedReadsSinceMs_ = -1;
        return false;
    }
    const int64_t now = scheduler_.nowMs();
    if (readingTaken) {
        failedReadsSinceMs_ = -1;
    } else if (failedReadsSinceMs_ < 0) {
        failedReadsSinceMs_ = now;
    }
    const bool linksUp = links_.monitorAlive() && links_.instrumentAlive();
    const bool silent = failedReadsSinceMs_ >= 0 && now - failedReadsSinceMs_ >= kNoReadingLimitMs;
    const auto sayNoReading = [this] {
        ui_.playSound(Sound::Error, false);
        log_.logMessage(Format("No reading from the colorimeter for %d seconds.",
                               static_cast<int>(kNoReadingLimitMs / 1000)),
                        kChannelSys);
    };
    if (single) {
        // "Measure" cannot be pressed again while it waits: without this it would read "Wait"
        // for as long as the instrument gives nothing.
        if (!silent) {
            return false;
        }
        failedReadsSinceMs_ = -1;
        sayNoReading();
        window_.measureText = "Measure";
        task_.CalibrationState = kTaskIdle;
        scheduler_.arm(kTimerTrigger, 500);
        ui_.refresh();
        return true;
    }
    if (linksUp && !silent) {
        return false;
    }
    failedReadsSinceMs_ = -1;
    if (linksUp) {
        sayNoReading();
    } else {
        checkLinks();  // names the link that is down
    }
    calibrationFailed();
    return true;
}

}  // namespace halvo
