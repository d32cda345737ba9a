#include "calibration/adc_calibration.h"

#include "calibration/calibration_engine.h"
#include "common/text_format.h"

namespace halvo {

int InputSourceCode(int pageSource, const std::string& modelName) {
    const bool newSeries = modelName.rfind("KVT", 0) == 0 || modelName.rfind("ZRQ", 0) == 0;
    switch (pageSource) {
        case 1: return kSourceRgb;
        case 2: return newSeries ? kSourceYPbPr : kSourceYPbPrOld;
        default: return newSeries ? kSourceDigitalNew : kSourceDigital;
    }
}

int AnalogueInputCalibration::query(MonitorCommand command) {
    CalibrationContext& c = engine_.context();
    SerialLink& link = c.monitor.link();
    link.purge();
    c.send(command, 0, 200);
    const std::optional<uint8_t> value = ReplyByte(link.readChunk(), 2);
    return value ? *value : -1;
}

void AnalogueInputCalibration::showProgress() {
    CalibrationContext& c = engine_.context();
    const int total = c.task.progressTotal > 0 ? c.task.progressTotal : 1;
    c.page.progressPosition = c.task.stepCounter;
    c.page.statusText = Format("%3d%%", c.task.stepCounter * 100 / total);
    if (c.task.CalibrationState == kTaskIdle) {
        c.task.stepCounter = 0;
    }
    c.ui.refresh();
}

void AnalogueInputCalibration::adcStep() {
    CalibrationContext& c = engine_.context();
    int32_t& step = c.task.stepCounter;
    const bool ypbpr = c.task.CalibrationState == kTaskAdcSecond;
    switch (step) {
        case 0: {
            c.logLine("Check input source");
            const int source = query(MonitorCommand::GetInputSource);
            if (ypbpr && source != kSourceYPbPr) {
                c.logLine("Change the input source to YPbPr!");
                c.send(MonitorCommand::SetInputSource, kSourceYPbPr, 10);
                c.scheduler.arm(kTimerTrigger, 3000);
            } else if (!ypbpr && source != kSourceRgb) {
                c.logLine("Changed the input source to RGB!");
                c.send(MonitorCommand::SetInputSource, kSourceRgb, 10);
                c.scheduler.arm(kTimerTrigger, 3000);
            } else {
                step = 1;
                c.scheduler.arm(kTimerTrigger, 300);
            }
            break;
        }
        case 1:
            c.logLine("Check Signal");
            if (query(MonitorCommand::GetMonitorStatus) == 1) {
                step = 2;
            } else {
                c.task.CalibrationState = kTaskIdle;
                step = 0;
                c.page.running = false;
                c.host.setRunControlsEnabled(true, 0);
                c.logLine("Fail: No input Signal!!");
            }
            c.scheduler.arm(kTimerTrigger, 300);
            break;
        case 2:
            if (query(MonitorCommand::GetPatternStatus) == 1) {
                c.send(MonitorCommand::DrawCustomPattern, 0, 10);
                c.scheduler.arm(kTimerTrigger, 4000);
            } else {
                c.scheduler.arm(kTimerTrigger, 100);
            }
            step = 3;
            break;
        case 3:
            c.send(MonitorCommand::StartAutoColorCalibration, 1, 10);
            c.scheduler.arm(kTimerTrigger, 3000);
            step = 4;
            break;
        default:
            step = 5;
            c.task.CalibrationState = kTaskIdle;
            c.page.running = false;
            c.host.setRunControlsEnabled(true, 0);
            c.scheduler.arm(kTimerTrigger, 300);
            c.logLine("ADC Calibration has complited");
            break;
    }
    showProgress();
}

void AnalogueInputCalibration::inputSourceStep() {
    CalibrationContext& c = engine_.context();
    int32_t& step = c.task.stepCounter;
    if (step == 0) {
        c.send(MonitorCommand::Play, 0, 10);
    } else if (step == 1) {
        const int code = InputSourceCode(c.page.source, c.identity().versionText);
        c.send(MonitorCommand::SetInputSource, static_cast<uint32_t>(code), 10);
    } else {
        c.task.CalibrationState = kTaskIdle;
        step = 0;
    }
    step += 1;
    c.scheduler.arm(kTimerTrigger, 100);
    if (c.task.CalibrationState == kTaskIdle) {
        step = 0;
    }
}

}  // namespace halvo
