// The Measure page's commands (group 1): the verification run, the uniformity positions, the
// report and the reset of the report values; and the jig that walks the probe for "Auto(JIG)".

#include <ctime>

#include "app/halvo_dlg.h"
#include "reports/report_export.h"

namespace halvo {

void CHalvoDlg::installMeasurement() {
    MeasurementStation station{
        scheduler_,
        sender_,
        log_,
        task_,
        ui_,
        measure_,
        measurementResults,
        currentReading,
        identification_.identity(),
        jigReady,
        [this] { return checkLinks(); },
        [this](bool enable, int mode) { setRunControlsEnabled(enable, mode); },
        [this](int type) { window_.probePosition = type; },
        settling_,
    };
    measurement_ = std::make_unique<MeasurementWorkflow>(std::move(station));
    steps_.measurementStep = [this](int state) {
        measurement_->step(state);
        ui_.refresh();
    };
    steps_.measurementProgress = [this] { measurement_->showProgress(); };
}

void CHalvoDlg::measureCommand(int item) {
    switch (item) {
        case 1:
            startOrStopMeasurement();
            break;
        case 2:
        case 5:
            measurement_->moveToNextPosition();
            break;
        case 3:
            saveReport();
            measure_.setDisplayedColorSpace(0);
            measure_.running = false;
            break;
        case 4:
            measurement_->resetReportValues();
            break;
        default:
            unknownCommand(1, item);
            return;
    }
    ui_.refresh();
}

bool CHalvoDlg::startOrStopMeasurement() {
    const bool busy = task_.CalibrationState != kTaskIdle;
    const int sequence = run_.sequence;
    const bool started = measurement_->startOrStopMeasurement();
    if (started) {
        resultsMonitorId_ = calibrationId;
    } else if (busy) {
        runEnded(results::RunOutcome::Stopped, "Measure stopped by user.");
    } else if (run_.active && run_.sequence != sequence) {
        // Refused once the controls were locked (nothing to measure): no run took place.
        scheduler_.stop(kTimerRunEnd);
        run_.active = false;
        runLog_.capturing = false;
    }
    ui_.refresh();
    return started;
}

void CHalvoDlg::attachJig(std::function<bool()> ready) {
    jigReadySource = std::move(ready);
    measure_.autoJigEnabled = static_cast<bool>(jigReadySource);
}

ReportSources CHalvoDlg::reportSources() {
    ReportSources sources{measure_,        measurementResults,   {}, calibrationId,
                          calib_.whiteList, calib_.backlightText, chartPainter};
    ReportInputs& header = sources.header;
    header.date = ReportDate(std::time(nullptr));
    header.model = window_.monitorName + " (" + setup_.serialNumber.text + ")";
    header.probe = window_.instrumentName;
    header.calibrationId = window_.calId;
    header.testedBy = setup_.testedBy.text;
    header.versionMajor = options_.versionMajor;
    header.versionMinor = options_.versionMinor;
    header.targets = calib_.colorSpaceTargets;
    return sources;
}

void CHalvoDlg::saveReport() {
    std::optional<std::string> chosen = ui_.chooseSavePath(kReportFilter, calibrationId + ".xlsx");
    if (!chosen || chosen->empty()) {
        return;
    }
    std::string path = *chosen;
    const ReportForm form = ReportFormFor(path);
    std::string error;
    bool saved = false;
    {
        const BusyScope busy(ui_);
        saved = form == ReportForm::Certificate
                    ? SaveCertificateFile(path, certificateSources(), certificateWriter, &error)
                    : SaveReportFile(path, form, reportSources(), &error);
    }
    if (!saved) {
        // The operator has to know the report is not on disk.
        ui_.playSound(Sound::Error, false);
        ui_.messageBox(error);
    }
}

}  // namespace halvo
