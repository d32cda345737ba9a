// The record of every run: when a calibration, verification, copy, EEPROM read or write or
// aging run begins and how it ends, with what the results database keeps of it.

#include <filesystem>
#include <unistd.h>

#include "app/halvo_dlg.h"
#include "caldata/cal_file.h"
#include "common/file_io.h"
#include "common/text_format.h"

namespace halvo {

namespace {

using results::RunKind;
using results::RunOutcome;

// The message of the run's last log line, its channel prefix taken off; lines that only say
// that the run failed are passed over for the one that says why.
std::string LastLine(const std::string& log) {
    size_t end = log.size();
    while (end > 0) {
        if (log[end - 1] == '\n') {
            --end;
        }
        const size_t start = log.rfind('\n', end == 0 ? 0 : end - 1);
        const size_t from = start == std::string::npos ? 0 : start + 1;
        std::string line = log.substr(from, end - from);
        for (const char* prefix : {"SYS:", "POS:", "AGN: ", "MES: ", "CAL: "}) {
            if (line.rfind(prefix, 0) == 0) {
                line.erase(0, std::string(prefix).size());
                break;
            }
        }
        if (!line.empty() && line != "Calibration failed") {
            return line;
        }
        if (start == std::string::npos) {
            break;
        }
        end = from;
    }
    return {};
}

// "TXM-600-HD-S V1.02": the model is the version text's first word.
std::string ModelOf(const std::string& versionText) {
    const size_t blank = versionText.find(' ');
    return versionText.substr(0, blank);
}

}  // namespace

std::string CHalvoDlg::runReason() const {
    return LastLine(runLog_.text);
}

void CHalvoDlg::runControlsChanged(bool enable, int mode) {
    if (!enable) {
        if (mode == 1) {
            runBegan(RunKind::Verification);
        } else if (mode == 2) {
            runBegan(RunKind::Calibration);
        } else if (mode == 3) {
            runBegan(RunKind::Copy);
        }
        return;
    }
    if (run_.active && !run_.endPending) {
        run_.endPending = true;
        snapshotRun();
        scheduler_.arm(kTimerRunEnd, 0);
    }
}

void CHalvoDlg::runBegan(RunKind kind) {
    if (run_.active) {
        // A verification's uniformity positions and a uniformity pass's places continue the run
        // they belong to.
        if (!run_.endPending && run_.kind == kind) {
            return;
        }
        if (run_.endPending) {
            settleRunEnd();
        } else {
            runEnded(RunOutcome::Stopped, "Another run was started before this one ended.");
        }
    }
    const int sequence = run_.sequence + 1;
    run_ = RunJournal();
    run_.sequence = sequence;
    run_.active = true;
    run_.kind = kind;
    run_.startedUnixMs = results::NowUnixMs();
    run_.startedStationMs = scheduler_.nowMs();
    run_.uniformityCompleted = engine_->uniformity().completedRuns;
    run_.uniformityAbandoned = engine_->uniformity().abandonedRuns;
    run_.record.runId = results::NewRunId();
    run_.record.kind = kind;
    if (kind == RunKind::Verification && !lastCalibrationRunId_.empty()) {
        run_.record.parentRunId = lastCalibrationRunId_;
    }
    runLog_.text.clear();
    runLog_.capturing = true;
}

std::string CHalvoDlg::instrumentSerial() const {
    const InstrumentKind kind = selectedKind();
    if (kind == InstrumentKind::K10 && k10_) {
        return k10_->SerialNumber();
    }
    if (kind == InstrumentKind::Pelko) {
        return setup_.pelkoDevices.text();
    }
    return {};
}

void CHalvoDlg::snapshotRun() {
    if (resultsSink == nullptr) {
        return;  // nobody keeps the record: nothing to build
    }
    results::RunRecord& r = run_.record;
    r.operatorName = setup_.testedBy.text;
    r.serialNumber = setup_.serialNumber.text;
    r.firmware = identity().versionText;
    r.model = ModelOf(identity().versionText);
    r.calibrationId = calibrationId;
    r.programVersion = Format("%d.%d", options_.versionMajor, options_.versionMinor);
    const InstrumentKind kind = selectedKind();
    r.instrument = kInstrumentNames[static_cast<size_t>(kind)];
    r.station = CertificateStationName(stationName);
    r.instrumentSerial = instrumentSerial();
    r.instrumentMatrix.clear();
    if (kind == InstrumentKind::K10 || kind == InstrumentKind::Spyder4) {
        r.instrumentMatrix = setup_.calFile.text();
    }
    // The mode the run was started in (the box may have changed since); only calibrations and
    // verifications have a fast run.
    const bool fastKind = run_.kind == RunKind::Calibration || run_.kind == RunKind::Verification;
    r.mode = fastKind && settling_.fast() ? results::RunMode::Fast : results::RunMode::Prescribed;
    r.items.clear();
    r.calText.reset();
    if (run_.kind == RunKind::Verification) {
        const ReportBook book = BuildReportFor(reportSources());
        for (const VerdictLine& v : book.verdicts) {
            r.items.push_back({v.test, v.item, v.quantity, v.value, v.criterion, VerdictText(v.verdict)});
        }
        results::ComputeRunMetrics(r);
    } else if (run_.kind == RunKind::Calibration || run_.kind == RunKind::Copy) {
        // What "Save" would write now, without changing the page's set as a save does.
        const CalibrationData held = calib_.data;
        calib_.collectIntoData();
        r.calText = WriteCalFile(calib_.data);
        calib_.data = held;
    }
}

void CHalvoDlg::settleRunEnd() {
    if (!run_.active || !run_.endPending) {
        return;
    }
    switch (run_.kind) {
        case RunKind::Copy:
            runEnded(engine_->upload().completed() ? RunOutcome::Completed : RunOutcome::Failed);
            return;
        case RunKind::Calibration: {
            const bool abandoned = engine_->uniformity().abandonedRuns != run_.uniformityAbandoned;
            const bool failed = abandoned || runReason().rfind("Fail", 0) == 0;
            runEnded(failed ? RunOutcome::Failed : RunOutcome::Completed);
            return;
        }
        default: runEnded(RunOutcome::Completed); return;
    }
}

void CHalvoDlg::runEnded(RunOutcome outcome, const std::string& reason) {
    if (!run_.active) {
        return;
    }
    scheduler_.stop(kTimerRunEnd);
    if (!run_.endPending) {
        snapshotRun();
    }
    results::RunRecord r = std::move(run_.record);
    r.startedAt = results::IsoTimeUtc(run_.startedUnixMs);
    r.endedAt = results::IsoTimeUtc(results::NowUnixMs());
    r.stationMs = scheduler_.nowMs() - run_.startedStationMs;
    r.outcome = outcome;
    // As the station saves its logs, so that it comes back out as such a file.
    r.logText = WithCrLf(runLog_.text);
    if (outcome != RunOutcome::Completed) {
        r.reason = reason.empty() ? runReason() : reason;
    }
    bool passed = outcome == RunOutcome::Completed;
    if (r.kind == RunKind::Verification) {
        int measured = 0;
        for (const results::VerificationItem& i : r.items) {
            measured += i.verdict != "N/A" ? 1 : 0;
            passed = passed && i.verdict != "OR";
        }
        passed = passed && measured > 0;
    }
    r.passed = passed;
    if (r.kind == RunKind::Calibration) {
        lastCalibrationRunId_ = outcome == RunOutcome::Completed ? r.runId : std::string();
    }
    runLog_.capturing = false;
    runLog_.text.clear();
    run_.active = false;
    run_.endPending = false;
    if (resultsSink != nullptr) {
        resultsSink->recordRun(std::move(r));
    }
}

bool CHalvoDlg::loadCalibrationText(const std::string& calText, const std::string& id) {
    // The page loads files; the stored text goes through one named after the calibration, as
    // the operator's own copy of it would be.
    std::error_code ec;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path(ec) / Format("halvo-stored-%d", static_cast<int>(getpid()));
    std::filesystem::create_directories(dir, ec);
    std::string name = id.empty() ? std::string("stored") : id;
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == '\0') {
            c = '_';
        }
    }
    name += ".cal";
    const std::string path = (dir / name).string();
    std::string error;
    if (!WriteFileAtomically(path, calText, &error)) {
        ui_.messageBox(error);
        return false;
    }
    const bool loaded = calib_.loadFile(path);
    std::filesystem::remove_all(dir, ec);
    ui_.refresh();
    return loaded;
}

}  // namespace halvo
