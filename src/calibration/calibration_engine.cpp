#include "calibration/calibration_engine.h"

#include "common/text_format.h"

namespace halvo {

CalibrationEngine::CalibrationEngine(CalibrationContext context)
    : context_(context), gamma_(*this), whitePoint_(*this), analogueInputs_(*this), aging_(*this),
      uniformity_(*this), colourSpace_(*this), upload_(*this) {}

void CalibrationEngine::countProgress() {
    TaskState& task = context_.task;
    Ccalib& page = context_.page;
    task.progressCount += 1;
    page.progressPosition = std::min(task.progressCount, page.progressMaximum);
    const int total = task.progressTotal > 0 ? task.progressTotal : 1;
    page.statusText = Format("%3d%%", page.progressPosition * 100 / total);
    context_.ui.refresh();
}

void CalibrationEngine::startOrStopCalibration() {
    CalibrationContext& c = context_;
    TaskState& task = c.task;
    Ccalib& page = c.page;
    if (!IsSupportedCapability(c.identity().capability)) {
        c.ui.messageBox("This program dosen't support this monitor model");
        return;
    }
    if (task.CalibrationState != kTaskIdle) {
        task.progressCount = 0;
        uniformityResumeCount = 0;
        task.stepCounter = 0;
        uniformityRunning = false;
        task.CalibrationState = kTaskIdle;
        page.running = false;
        c.send(MonitorCommand::CalibrationExecution, 0, 10);
        page.progressPosition = 0;
        page.statusText = "Ready..";
        c.log.logMessage("Calibration stopped by user.", kChannelSys);
        c.host.setRunControlsEnabled(true, 0);
        c.scheduler.arm(kTimerTrigger, 300);
        return;
    }
    if (!c.host.checkLinks()) {
        return;
    }
    c.stopMeasurementTimers();

    int firstDelay = 1500;
    bool freshUniformity = false;
    if (uniformityResumeCount != 0) {
        const bool extended = (c.identity().capability & 0x10) != 0;
        task.progressTotal = extended && uniformityResumeCount > 9 ? 30 : 4;
        task.stepCounter = 0;
        task.CalibrationState = kTaskModelDependent;
    } else if (page.source == 1 || page.source == 2) {
        task.CalibrationState = page.source == 1 ? kTaskAdc : kTaskAdcSecond;
        task.progressTotal = 5;
        firstDelay = 1000;
    } else {
        task.progressCount = 0;
        uniformityResumeCount = 0;
        task.stepCounter = 0;
        c.host.clearRunDisplays();
        reportTemperatures[6] = 6500;  // the 14/16 grey level
        int checkedTargets = 0;
        const size_t rows = std::min(page.whiteList.rows.size(), c.whiteTargets.size());
        for (size_t t = 0; t < rows; ++t) {
            checkedTargets += c.whiteTargets[t].chosen ? 1 : 0;
        }
        task.progressTotal = checkedTargets;
        if (page.gammaCheck.checked) {
            gammaStepCount = 1 << (std::max(page.gammaStep.selected, 0) + 4);
            task.progressTotal += gammaStepCount + 2;
        }
        if (page.colorSpaceCheck.checked) {
            int spaces = 0;
            for (const CheckControl& box : page.targetBoxes) {
                spaces += box.checked ? 1 : 0;
            }
            const int levels = page.levelCheck.checked ? static_cast<int>(page.levelList.items.size()) : 1;
            int steps = 7 * spaces * levels;
            steps += page.colorPriority.checked ? 11 * (spaces + 1) : 11;
            task.progressTotal += steps;
        }
        if (page.uniformityCheck.checked && !uniformityRunning) {
            task.CalibrationState = kTaskModelDependent;
            freshUniformity = true;
            if ((c.identity().capability & 0x10) != 0) {
                task.progressTotal += 24;
            } else {
                task.progressTotal = 4;
            }
        } else if (page.gammaCheck.checked) {
            task.CalibrationState = kTaskGamma;
            c.logLine("Start Gamma Calibration");
        } else if (page.colorSpaceCheck.checked) {
            task.CalibrationState = kTaskColorSpace;
            c.logLine("Start sRGB Calibration");
        } else {
            task.CalibrationState = kTaskWhitePoint;
        }
        if (task.progressTotal == 0) {
            // Nothing to do: back to the idle poll, as a stop would.
            c.logLine("Not checked any calibration taget.");
            task.CalibrationState = kTaskIdle;
            c.scheduler.arm(kTimerTrigger, 300);
            return;
        }
        if (page.fastCalibration.checked) {
            // The prescribed run logs nothing new: its log stays what the importer reads.
            c.logLine("Fast calibration: readings taken once settled, searches start from a panel model.");
        }
        c.send(MonitorCommand::CalibrationExecution, 1, 10);
        if (freshUniformity) {
            uniformity_.begin();
        }
    }
    // The bar spans the whole run, so that what it reads back is the steps counted.
    page.progressMaximum = std::max(task.progressTotal, 1);
    page.progressPosition = 0;
    page.running = true;
    c.host.setRunControlsEnabled(false, 2);
    c.scheduler.arm(kTimerTrigger, firstDelay);
}

}  // namespace halvo
