#pragma once

// What a calibration procedure is handed: the station's clock, log, task state and monitor, the
// latest reading, the Calibration page with its data set and targets, and the few things only
// the controller can do (end a run, lock the controls). Procedures never reach for the
// controller itself.

#include <functional>
#include <string>
#include <vector>

#include "caldata/calib_page.h"
#include "caldata/white_point_targets.h"
#include "colorimetry/color_reading.h"
#include "monitor/identification.h"
#include "monitor/monitor_sender.h"
#include "station/measured_settling.h"
#include "station/scheduler.h"
#include "station/station_log.h"
#include "station/station_ui.h"
#include "station/task_state.h"

namespace halvo {

class CalibrationHost {
public:
    virtual ~CalibrationHost() = default;
    virtual void calibrationCompleted() = 0;
    virtual void calibrationFailed() = 0;
    virtual void setRunControlsEnabled(bool enable, int mode) = 0;
    virtual bool checkLinks() = 0;
    // The main window's measured-data list back to its row names, and the chart series cleared
    // (the start of a run).
    virtual void clearRunDisplays() = 0;
    // The aging progress bar (Setup page).
    virtual void agingProgress(int maximum, int position) = 0;
    // Aging is over: the Setup page's aging button reads "Start" again.
    virtual void agingEnded() = 0;
    // The main window shows the "Calibration" tab.
    virtual void showCalibrationTab() = 0;
};

struct CalibrationContext {
    Scheduler& scheduler;
    StationLog& log;
    TaskState& task;
    MonitorSender& monitor;
    StationUi& ui;
    CalibrationHost& host;
    Ccalib& page;
    WhitePointTargets& whiteTargets;
    const ColorReading& currentReading;
    std::function<const MonitorIdentity&()> identity;
    // The Setup page's "Measurement Delay(Pattern to Measure):" in ms.
    std::function<int()> measurementDelayMs;
    // The Setup page's aging choices: "Aging Time:" and "Measure Period:" in minutes, and "Start
    // calibration after aging".
    struct AgingSettings {
        int timeMinutes = 60;
        int periodMinutes = 1;
        bool calibrateAfter = false;
    };
    std::function<AgingSettings()> agingSettings;
    // Where the aging records go (saved by the Setup page's "Save to file").
    std::vector<std::string>& agingRecords;
    // The run's mode, and the wait between a pattern and its measurement.
    MeasuredSettling& settling;

    void logLine(const std::string& text) const { log.logMessage(text, task.CalibrationState); }
    void logReading(const ColorReading& r) const {
        log.logReading(task.CalibrationState, r.cct, r.x, r.y, r.u, r.vp, r.lv, r.duv);
    }
    void send(MonitorCommand command, uint32_t argument, int delayMs) const {
        monitor.sendMonitorCommand(command, argument, delayMs);
    }
    // The measurement of a pattern or gains just sent: after the prescribed wait, or in the fast
    // run once the readings have settled (the prescribed wait the upper bound).
    void armReading(int64_t prescribedMs) const { settling.armReading(scheduler, prescribedMs); }
    bool fast() const { return settling.fast(); }
    // The step after an accepted search, whose reading only starts the next search (that search
    // draws its own pattern and waits for its own reading): the fast run does not wait for it.
    void armNextSearch(int64_t prescribedMs) const {
        scheduler.arm(kTimerTrigger, fast() ? MeasuredSettling::kNextSearchMs : prescribedMs);
    }
    void stopMeasurementTimers() const {
        scheduler.stop(kTimerPrepare);
        scheduler.stop(kTimerTrigger);
        scheduler.stop(kTimerRead);
    }
};

}  // namespace halvo
