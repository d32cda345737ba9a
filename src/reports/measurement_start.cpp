// Starting and stopping a verification run, the uniformity positions, and the report values'
// reset.

#include "common/text_format.h"
#include "reports/measurement_workflow.h"

namespace halvo {

namespace {

bool IsMeasurementTask(int32_t state) {
    return state >= 1 && state <= 8;
}

}  // namespace

void MeasurementWorkflow::logMessage(const std::string& text) {
    s_.log.logMessage(text, s_.task.CalibrationState);
}

void MeasurementWorkflow::rearm(int ms) {
    s_.scheduler.arm(kTimerTrigger, ms);
}

bool MeasurementWorkflow::startOrStopMeasurement() {
    TaskState& task = s_.task;
    CMeasure& page = s_.page;
    // "Stop" always stops a verification, whatever the links say: a pulled cable must not leave
    // the operator with a run that refuses to end.
    if (IsMeasurementTask(task.CalibrationState)) {
        stopRun();
        return false;
    }
    if (!s_.identity.supported()) {
        s_.ui.messageBox("This program dosen't support this monitor model");
        return false;
    }
    if (!s_.checkLinks()) {
        return false;
    }
    if (page.colorSpaceMode() && page.colorSpaceMask() == 0) {
        logMessage("Check the color spcae target first.");
        return false;
    }
    if (task.CalibrationState != kTaskIdle) {
        stopRun();
        return false;
    }

    for (int id = kTimerPrepare; id <= kTimerRead; ++id) {
        s_.scheduler.stop(id);
    }
    s_.setRunControlsEnabled(false, 1);
    page.setMeasurePageEnabled(false, true);
    page.running = true;
    logMessage(std::string("Measure Positon is at ") + PositionName(task.positionIndex));
    if (page.autoJigChecked && !s_.jigReady) {
        task.positionIndex = 0;
        s_.showProbePosition(1);
    }
    s_.sender.sendMonitorCommand(MonitorCommand::Pause, 0, 500);
    task.progressCount = 0;
    task.stepCounter = 0;
    page.resultsFrozen = false;
    repeatedRun_ = false;

    const bool continuing = uniformityPending() || task.positionIndex != 0;
    int first = 0;
    if (!chooseFirstState(first)) {
        // Nothing to measure: back to the idle poll the start interrupted.
        task.CalibrationState = kTaskIdle;
        s_.setRunControlsEnabled(true, 0);
        page.setMeasurePageEnabled(true, true);
        page.running = false;
        rearm(300);
        return false;
    }

    page.progress = {0, task.progressTotal, 0};
    page.progressText = "Ready..";
    task.progressCount = 0;
    s_.sender.sendMonitorCommand(MonitorCommand::DrawTargetMarker, static_cast<uint32_t>(task.positionIndex), 10);
    s_.showProbePosition(task.positionIndex + 1);

    // A uniformity run that continues earlier work keeps its results: the kinds measured before
    // the hand-over, or the positions measured before this one.
    const bool otherKinds = page.measures(kKindGamma) || page.measures(kKindColor) || page.measures(kKindTemperature);
    if (!(first == 4 && (otherKinds || continuing))) {
        s_.results.resetToNotMeasured();
    }
    if (s_.settling.fast()) {
        logMessage("Fast verification: readings taken once settled.");
    }
    rearm(1000);
    return true;
}

bool MeasurementWorkflow::chooseFirstState(int& first) {
    TaskState& task = s_.task;
    CMeasure& page = s_.page;
    const bool continuation = uniformityPending();
    uniformityPending_ = false;
    int total = 0;
    first = 0;
    if (continuation) {
        first = 4;
        total = 1;
    } else if (task.positionIndex != 0) {
        if (!page.measures(kKindUniformity)) {
            logMessage("Not checked the uniformity.");
            return false;
        }
        first = 4;
        total = 1;
    } else {
        runList_.clear();
        runIndex_ = 0;
        const bool spaces = page.colorSpaceMode();
        if (spaces) {
            const uint8_t mask = page.colorSpaceMask();
            for (int i = 0; i < kMeasureSpaceCount; ++i) {
                if (mask & 1u << i) {
                    runList_.push_back(i);
                }
            }
        } else {
            runList_.push_back(0);
        }
        const int n = static_cast<int>(runList_.size());
        int g = 0;
        if (page.measures(kKindGamma)) {
            total += 12;
            first = 1;
            g = n > 1 ? 1 : 0;
        }
        if (page.measures(kKindColor)) {
            total += 9;
            first = first != 0 ? first : 2;
            g += n > 1 ? 1 : 0;
        }
        if (page.measures(kKindTemperature)) {
            total += spaces ? 4 : 5;
            first = first != 0 ? first : 3;
            g += n > 1 ? 1 : 0;
        }
        colorsThisRun_ = page.measures(kKindColor);
        if (spaces) {
            total = n * total + g * (n - 1);
            const bool bt709 = (page.colorSpaceMask() & 0x02) != 0;
            if (s_.identity.modelTxm600HdS && bt709 && page.measures(kKindGamma)) {
                total += 12;
            }
            selectColorSpace(runList_.front(), 5000);
        } else {
            page.setDisplayedColorSpace(0);
        }
        if (page.measures(kKindUniformity)) {
            first = first != 0 ? first : 4;
            if (page.autoJigChecked) {
                total += 9;
            } else if (total == 0) {
                total = 1;
            }
        }
        if (total == 0) {
            if (spaces) {
                logMessage("Only color space is checked!!");
                logMessage("Color space measurement should do with Gamma, Color, Color Temperature or Uniformity.");
            } else {
                logMessage("Not checked any measurement taget.");
            }
            return false;
        }
        page.clearResults();
    }
    task.progressTotal = total;
    task.CalibrationState = first;
    return true;
}

void MeasurementWorkflow::stopRun() {
    TaskState& task = s_.task;
    CMeasure& page = s_.page;
    uniformityPending_ = false;
    repeatedRun_ = false;
    page.resultsFrozen = false;
    task.progressCount = 0;
    s_.setRunControlsEnabled(true, 0);
    page.setMeasurePageEnabled(true, true);
    page.running = false;
    task.CalibrationState = kTaskIdle;
    task.stepCounter = 0;
    s_.sender.sendMonitorCommand(MonitorCommand::CalibrationExecution, 0, 10);
    page.progress.position = 0;
    page.progressText = "Ready..";
    logMessage("Measure stopped by user.");
    rearm(100);
}

void MeasurementWorkflow::moveToNextPosition() {
    TaskState& task = s_.task;
    task.positionIndex = task.positionIndex >= kPositionCount - 1 ? 0 : task.positionIndex + 1;
    s_.sender.sendMonitorCommand(MonitorCommand::DrawTargetMarker, static_cast<uint32_t>(task.positionIndex), 10);
    s_.showProbePosition(task.positionIndex + 1);
    logMessage(PositionName(task.positionIndex));
    logMessage("Move the probe to the indicated location, and then click the Measure button");
}

void MeasurementWorkflow::resetReportValues() {
    const CMeasure& page = s_.page;
    const bool otherKinds = page.measures(kKindGamma) || page.measures(kKindColor) || page.measures(kKindTemperature);
    if (s_.task.CalibrationState == 4 && otherKinds) {
        return;
    }
    s_.results.resetToNotMeasured();
}

void MeasurementWorkflow::selectColorSpace(int colorSpace, int waitMs) {
    s_.page.setDisplayedColorSpace(colorSpace);
    s_.sender.sendMonitorCommand(MonitorCommand::SetColorSpace, static_cast<uint32_t>(colorSpace), waitMs);
}

void MeasurementWorkflow::endRun() {
    TaskState& task = s_.task;
    CMeasure& page = s_.page;
    showProgress();
    s_.setRunControlsEnabled(true, 0);
    page.setMeasurePageEnabled(true, true);
    page.running = false;
    page.resultsFrozen = false;
    uniformityPending_ = false;
    repeatedRun_ = false;
    s_.sender.sendMonitorCommand(MonitorCommand::CalibrationExecution, 0, 10);
    task.CalibrationState = kTaskIdle;
    task.stepCounter = 0;
}

void MeasurementWorkflow::showProgress() {
    TaskState& task = s_.task;
    CMeasure& page = s_.page;
    const int total = task.progressTotal > 0 ? task.progressTotal : 1;
    page.progress.maximum = total;
    page.progress.position = std::min(task.progressCount, total);
    page.progressText = task.progressCount == 0 ? std::string("Ready..")
                                                : Format("%3d%%", page.progress.position * 100 / total);
    if (task.progressCount >= total) {
        task.progressCount = 0;
    }
}

}  // namespace halvo
