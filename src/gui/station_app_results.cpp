// The window's side of the results: the recorder the controller hands each run to, the
// monitor's earlier runs, and the dialog that says where the records go.

#include <thread>

#include "gui/results_settings_dialog.h"
#include "gui/run_history_dialog.h"
#include "gui/station_app.h"

namespace halvo::gui {

namespace {

// What the window's close waits at most for the last records to reach the server.
constexpr int kClosingGraceMs = 1500;

}  // namespace

results::ResultsTarget StationApp::resultsTarget() const {
    results::ResultsSettings settings;
    std::string error;
    if (!results::LoadResultsSettings(options_.workingDirectory, settings, &error)) {
        station_->log().logMessage(error, kChannelSys);
    }
    results::ResultsTarget target;
    if (!results::ResolveResultsTarget(options_.resultsDb, settings, target, &error)) {
        station_->log().logMessage(error, kChannelSys);
        results::ResolveResultsTarget("", results::ResultsSettings(), target, &error);
    }
    return target;
}

void StationApp::startRecorder() {
    std::unique_ptr<results::RunRecorder> old = std::move(recorder_);
    recorder_ = std::make_unique<results::RunRecorder>(resultsTarget(), kClosingGraceMs);
    recorder_->notify = [this](const std::string& line) { station_->log().logMessage(line, kChannelSys); };
    station_->resultsSink = recorder_.get();
    station_->stationName = recorder_->target().station;
    if (old) {
        // Its last round may wait on a server; the window does not.
        old->notify = nullptr;
        std::thread([retired = std::move(old)]() mutable { retired.reset(); }).detach();
    }
}

void StationApp::showRuns() {
    auto* dialog = new RunHistoryDialog(*station_, resultsTarget(), window_.get());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void StationApp::showResultsSettings() {
    ResultsSettingsDialog dialog(options_.workingDirectory, window_.get());
    if (dialog.exec() == QDialog::Accepted) {
        showResultsSettingsApplied();
    }
}

void StationApp::showResultsSettingsApplied() {
    startRecorder();
    const results::ResultsTarget t = recorder_->target();
    station_->log().logMessage(t.serverUrl.empty() ? "Results are kept in " + t.localPath + "."
                                                   : "Results are kept in " + t.localPath + " and sent to " +
                                                         results::RedactUrl(t.serverUrl) + ".",
                               kChannelSys);
}

}  // namespace halvo::gui
