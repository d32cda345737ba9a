#include "calibration/aging.h"

#include "calibration/calibration_engine.h"
#include "common/text_format.h"

namespace halvo {

void Aging::agingStep() {
    CalibrationContext& c = engine_.context();
    int32_t& step = c.task.stepCounter;
    if (step == 0) {
        settings_ = c.agingSettings();
        c.stopMeasurementTimers();
        c.log.logMessage("Start Aging", kChannelAging);
        c.send(MonitorCommand::CalibrationExecution, 1, 3000);
        c.send(MonitorCommand::DrawPattern, 0xFFFFFF, 1000);
        c.send(MonitorCommand::SetCscGamma, 1, 4000);
        step = 1;
        recordCount = 0;
        periodCount = 0;
        tickCount = 0;
        c.host.agingProgress(settings_.timeMinutes * 60, 0);
        c.scheduler.arm(kTimerTrigger, 3000);
        return;
    }
    // Ticks and periods count measurement cycles (500 ms plus the instrument's time), not seconds.
    const int ticks = settings_.timeMinutes * 60;
    const int period = settings_.periodMinutes * 60;
    if (tickCount < ticks) {
        ++tickCount;
        c.host.agingProgress(ticks, tickCount);
    }
    if (step == 2 && periodCount < period) {
        ++periodCount;
        c.scheduler.arm(kTimerTrigger, 500);
        return;
    }
    const ColorReading& r = c.currentReading;
    const std::string record =
        Format("Time:%d  [x:%6.4lf y:%6.4lf Lv:%6.2lf T:%5d \u0394uv:%6.4lf]", recordCount, r.x, r.y, r.lv, r.cct, r.duv);
    c.log.logMessage(record, kChannelAging);
    // The aging lines are a table of 1000. At one record a minute that is the first 16 h 40 min
    // of an aging; a longer one keeps its latest 1000 lines (the log pane has every one).
    if (c.agingRecords.size() >= kAgingRecordCapacity) {
        c.agingRecords.erase(c.agingRecords.begin());
    }
    c.agingRecords.push_back(record);
    ++recordCount;
    step = 2;
    if (tickCount < ticks) {
        periodCount = 0;
        c.scheduler.arm(kTimerTrigger, 500);
        return;
    }
    c.task.CalibrationState = kTaskIdle;
    step = 0;
    c.host.setRunControlsEnabled(true, 0);
    c.host.agingEnded();
    c.page.startButtonEnabled = true;
    c.page.startButtonText = "Calibrate";
    if (settings_.calibrateAfter) {
        c.host.showCalibrationTab();
        c.page.refreshForCalibration();
        engine_.startOrStopCalibration();
    } else {
        c.scheduler.arm(kTimerTrigger, 500);
    }
}

}  // namespace halvo
