// halvo-cli demo: the station's main job on the simulated station in one command. A verification
// of the uncalibrated monitor, a full automatic calibration that hands over to the verification
// as "Measurement after calibration:" does, and both verifications side by side.


#include <chrono>
#include <filesystem>
#include <optional>

#include "cli/json_writer.h"
#include "cli/progress_line.h"
#include "cli/verdict_comparison.h"
#include "cli/verify_run.h"
#include "common/text_format.h"

namespace halvo::cli {
namespace {

int RunDemo(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kDemoCommand = {
    "demo",
    "the main job on the simulated station: verify, calibrate everything, verify again",
    "usage: halvo-cli demo [--out <dir>] [--seed N] [--json] [--fast] [--results-db <url>]\n\n"
    "On the built-in simulated monitor and CA-210 (virtual clock, a second or two of wall time):\n"
    "verifies the uncalibrated monitor in every colour space, runs a full automatic calibration\n"
    "(gamma, the five colour spaces, the seven white points, the panel-gamma check) that stores its\n"
    "result in the monitor's EEPROM and verifies the monitor again, then prints every test's value\n"
    "before and after with its verdict, the station time and the wall time.\n"
    "Writes into <dir>: <calibration ID>.cal, the reports <calibration ID>Verify.xlsx and\n"
    "<calibration ID>Verify.txt, the certificate <calibration ID>Certificate.pdf (the second\n"
    "verification beside the first), the readings as CGATS files <calibration ID>Verify_<space>.ti3\n"
    "with their targets <calibration ID>Verify_<space>_target.ti3, the first verification's\n"
    "<calibration ID>VerifyBefore.txt and the station log <calibration ID>Log.txt; the three runs\n"
    "are recorded in the results database (see halvo-cli results list and results yield).\n"
    "Config.ini is read from and written to the working directory, as by every station command.\n"
    "  --out <dir>   where the files go (default demo-out; created when missing)\n"
    "  --seed N      the simulated panel's and instrument's noise (default 1)\n"
    "  --fast        the fast run (measured settling, model-based searches); the same job is then\n"
    "                run once more as the prescribed run, its files in <dir>/prescribed, and its\n"
    "                station time is printed beside the fast one's\n"
    "  --json        the comparison, the CIEDE2000 figures, times and files as one JSON object\n"
    "  --results-db <url>  where the three runs' records go (see halvo-cli results; default the\n"
    "                embedded database)\n"
    "Exit codes: 0 when every item the second verification measured is OK, 1 when any is out of\n"
    "range or a step failed, 2 on bad arguments.\n",
    RunDemo,
};

namespace {

// Station time of each phase, for the summary.
struct Phases {
    int64_t before = 0;
    int64_t calibration = 0;
    int64_t after = 0;
    int64_t total() const { return before + calibration + after; }
};

// The Calibration page as an operator sets it for a full run: gamma at its defaults, every
// colour space at one level, every white-point row.
bool ChooseFullCalibration(CHalvoDlg& station) {
    Ccalib& page = station.calib();
    page.onGammaToggled(true);
    page.onUniformityToggled(false);
    if (!page.colorSpaceCheck.checked) {
        page.onColorSpaceToggled(true);
        if (!page.colorSpaceCheck.checked) {
            return false;
        }
    }
    for (int n = 0; n < kColorSpaceCount; ++n) {
        page.onTargetBoxToggled(n, true);
    }
    page.setStepCount(8);
    page.onLevelToggled(false);
    page.onColorPriorityToggled(false);
    for (size_t t = 0; t < page.whiteList.rows.size() && t < station.whiteTargets.size(); ++t) {
        if (!page.whiteList.rows[t].checked) {
            page.onWhiteRowChecked(static_cast<int>(t), true);
        }
        station.whiteTargets[t].chosen = true;
    }
    return true;
}

VerifyChoices EverySpace(const std::string& report) {
    VerifyChoices c;
    c.gamma = c.color = c.temperature = true;
    c.colorSpaceMode = true;
    c.colorSpaceMask = static_cast<uint8_t>((1u << kMeasureSpaceCount) - 1);
    c.report = report;
    return c;
}

// The verification report once more under another name (the text beside the workbook).
bool ExportReport(ControllerSession& session, const std::string& path, CliIo& io) {
    CliStationUi& ui = session.ui();
    const size_t messages = ui.messages.size();
    ui.savePath = path;
    session.station().handleOperatorCommand(1, 3);
    ui.savePath.reset();
    if (ui.messages.size() != messages || !std::filesystem::exists(path)) {
        std::fprintf(io.err, "halvo-cli demo: the report %s was not written\n", path.c_str());
        return false;
    }
    return true;
}

// The calibration up to the verification it hands over to; false with a message when it failed
// or stopped short.
bool Calibrate(ControllerSession& session, CliIo& io) {
    CHalvoDlg& station = session.station();
    ProgressLine progress(io.err, "Calibrating");
    station.calib().onAutoCalibration();
    const NoticeState& notices = session.ui().notices;
    // The full run takes about 25 minutes of station time; a day means it is stuck.
    const int64_t start = session.scheduler().nowMs();
    const int64_t limitMs = 24LL * 3600 * 1000;
    while (session.scheduler().nowMs() - start < limitMs) {
        session.runUntil([&] { return notices.failureOpen || station.measure().running; }, 1000);
        progress.show(station.calib().statusText);
        if (notices.failureOpen || station.measure().running) {
            break;
        }
        if (station.task().CalibrationState == kTaskIdle && !station.calib().running) {
            break;
        }
    }
    progress.finish();
    if (station.measure().running) {
        return true;
    }
    if (notices.failureOpen) {
        station.onFailureOk();
        std::fprintf(io.err, "halvo-cli demo: Calibration failed (see the log)\n");
    } else {
        std::fprintf(io.err, "halvo-cli demo: the calibration did not reach the verification (see the log)\n");
    }
    return false;
}

void PrintJson(CliIo& io, const std::string& id, const Comparison& c, const Phases& p, double wallMs,
               const std::vector<std::string>& files, const ReportBook& before, const ReportBook& after,
               const std::optional<Phases>& prescribed) {
    JsonWriter j;
    j.beginObject()
        .string("calibrationId", id)
        .boolean("passed", c.passedAfter())
        .integer("outOfRangeBefore", c.outOfRangeBefore)
        .integer("outOfRangeAfter", c.outOfRangeAfter)
        .number("stationSeconds", static_cast<double>(p.total()) / 1000.0)
        .number("calibrationStationSeconds", static_cast<double>(p.calibration) / 1000.0)
        .number("wallSeconds", wallMs / 1000.0);
    if (prescribed) {
        j.number("prescribedStationSeconds", static_cast<double>(prescribed->total()) / 1000.0);
    }
    j.beginArray("files");
    for (const std::string& f : files) {
        j.string(nullptr, f);
    }
    j.endArray();
    j.beginArray("tests");
    for (const ComparedLine& l : c.lines) {
        j.beginObject().string("test", l.test).string("item", l.item).string("quantity", l.quantity);
        if (l.inBefore) {
            j.string("before", l.before).string("beforeVerdict", VerdictText(l.beforeVerdict));
        }
        j.string("after", l.after).string("verdict", VerdictText(l.afterVerdict)).endObject();
    }
    j.endArray();
    WriteDeltaEJson(j, "deltaE2000Before", before.patches);
    WriteDeltaEJson(j, "deltaE2000", after.patches);
    j.endObject();
    std::fprintf(io.out, "%s\n", j.text().c_str());
}

// The job itself on a connected station: the verification before, the full calibration and
// the verification after, with their files in outDir. False (the log saved) when a step failed.
struct JobResult {
    Phases phases;
    ReportBook before;
    ReportBook after;
    std::vector<std::string> files;
};
bool RunJob(const ControllerSession::Options& options, const std::string& outDir, CliIo& io, JobResult& job) {
    ControllerSession session(options, io);
    if (!session.start("demo") || !session.connect("demo")) {
        return false;
    }
    CHalvoDlg& station = session.station();
    const std::string id = station.calibrationId.empty() ? "calibration" : station.calibrationId;
    const std::string base = outDir + "/" + id;
    const std::string logPath = base + "Log.txt";
    if (station.window().continuouslyChecked) {
        station.onContinuouslyToggled(false);
    }
    session.runUntil([&] { return station.links().monitorAlive() && station.links().instrumentAlive(); }, 5000);
    InstallChartPainter(station);
    // The reports' header names the monitor's serial number and the tester; say what they are.
    station.setup().serialNumber.text = "SIMULATED";
    station.setup().testedBy.text = "halvo-cli demo";
    // Whatever fails from here on, the log shows why.
    auto fail = [&]() {
        station.chartPainter = nullptr;
        station.onConnectClicked(false);
        SaveLogFile(station.log(), logPath, io, "demo");
        return false;
    };

    Phases& phases = job.phases;
    int64_t mark = session.scheduler().nowMs();
    std::fprintf(io.err, "Verifying the uncalibrated monitor ...\n");
    const VerifyChoices before = EverySpace(base + "VerifyBefore.txt");
    ApplyVerifyChoices(station, before);
    session.runUntil([&] { return !session.scheduler().isArmed(kTimerPostedCommands); }, 1000);
    if (!station.startOrStopMeasurement() || !CompleteVerification(session, before, true, io, job.before)) {
        std::fprintf(io.err, "halvo-cli demo: the first verification failed (see the log)\n");
        return fail();
    }
    phases.before = session.scheduler().nowMs() - mark;

    std::fprintf(io.err, "Calibrating: gamma, five colour spaces, seven white points, panel gamma ...\n");
    mark = session.scheduler().nowMs();
    if (!ChooseFullCalibration(station)) {
        std::fprintf(io.err, "halvo-cli demo: %s\n", kNoColorSpaceMessage);
        return fail();
    }
    VerifyChoices after = EverySpace(base + "Verify.xlsx");
    after.certificate = base + "Certificate.pdf";
    after.cgats = base + "Verify.ti3";
    station.setup().measurementAfterCalibration.checked = true;
    ApplyVerifyChoices(station, after);
    if (!Calibrate(session, io)) {
        return fail();
    }
    phases.calibration = session.scheduler().nowMs() - mark;
    const std::string calPath = base + ".cal";
    if (!station.calib().saveFile(calPath)) {
        std::fprintf(io.err, "halvo-cli demo: could not save %s\n", calPath.c_str());
        return fail();
    }

    std::fprintf(io.err, "Verifying the calibrated monitor ...\n");
    mark = session.scheduler().nowMs();
    std::vector<std::string> certificateFiles;
    if (!CompleteVerification(session, after, true, io, job.after, &certificateFiles) ||
        !ExportReport(session, base + "Verify.txt", io)) {
        return fail();
    }
    phases.after = session.scheduler().nowMs() - mark;
    station.chartPainter = nullptr;
    station.onConnectClicked(false);
    if (!SaveLogFile(station.log(), logPath, io, "demo")) {
        return false;
    }
    job.files = {calPath, after.report, base + "Verify.txt", before.report, logPath};
    job.files.insert(job.files.end(), certificateFiles.begin(), certificateFiles.end());
    return true;
}

int RunDemo(Args& args, CliIo& io) {
    const Subcommand& self = kDemoCommand;
    ControllerSession::Options options;
    options.simulate = true;
    std::string outDir = "demo-out";
    if (auto v = args.takeOutput("--out", OutputKind::Folder)) {
        outDir = *v;
    }
    if (auto v = args.takeOption("--seed")) {
        const auto n = ParseLong(*v);
        if (!n || *n < 0 || *n > 0xFFFFFFFFL) {
            return UsageError(self, io, "--seed needs a number from 0 to 4294967295");
        }
        options.seed = static_cast<uint32_t>(*n);
    }
    const bool json = args.takeFlag("--json");
    options.fast = args.takeFlag("--fast");
    std::string resultsError;
    if (!TakeResultsDbOption(args, options.resultsDb, &resultsError)) {
        return UsageError(self, io, resultsError);
    }
    if (!args.positionals().empty() || !args.error().empty()) {
        return UsageError(self, io, args.error().empty() ? "unexpected argument" : args.error());
    }
    std::string error;
    if (!PrepareOutput(outDir, OutputKind::Folder, &error)) {
        std::fprintf(io.err, "halvo-cli demo: %s\n", error.c_str());
        return kExitFailure;
    }

    const auto wallStart = std::chrono::steady_clock::now();
    JobResult job;
    if (!RunJob(options, outDir, io, job)) {
        return kExitFailure;
    }
    // The fast job is shown beside the prescribed one: the same job again, its files aside.
    std::optional<Phases> prescribed;
    if (options.fast) {
        std::fprintf(io.err, "The same job as the prescribed run, for its station time ...\n");
        ControllerSession::Options slow = options;
        slow.fast = false;
        const std::string aside = outDir + "/prescribed";
        JobResult prescribedJob;
        if (!PrepareOutput(aside, OutputKind::Folder, &error) || !RunJob(slow, aside, io, prescribedJob)) {
            std::fprintf(io.err, "halvo-cli demo: the prescribed job for comparison failed (see %s)\n", aside.c_str());
            return kExitFailure;
        }
        prescribed = prescribedJob.phases;
    }
    const double wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count();
    const Phases& phases = job.phases;
    const ReportBook& beforeBook = job.before;
    const ReportBook& afterBook = job.after;
    const std::vector<std::string>& files = job.files;
    const std::string id = std::filesystem::path(files.front()).stem().string();

    const Comparison comparison = CompareVerdicts(beforeBook.verdicts, afterBook.verdicts);
    if (json) {
        PrintJson(io, id, comparison, phases, wallMs, files, beforeBook, afterBook, prescribed);
    } else {
        std::fprintf(io.out, "\nVerification of %s before and after its calibration\n\n", id.c_str());
        PrintComparison(io.out, comparison);
        std::fprintf(io.out, "\nCIEDE2000 against the targets, before\n");
        PrintDeltaE(io.out, beforeBook.patches);
        std::fprintf(io.out, "and after the calibration\n");
        PrintDeltaE(io.out, afterBook.patches);
        std::fprintf(io.out, "\nStation time  %.1f min (verification %.1f, calibration %.1f, verification %.1f)\n",
                     static_cast<double>(phases.total()) / 60000.0, static_cast<double>(phases.before) / 60000.0,
                     static_cast<double>(phases.calibration) / 60000.0, static_cast<double>(phases.after) / 60000.0);
        if (prescribed) {
            std::fprintf(io.out,
                         "              fast run; the prescribed run of the same job: %.1f min (verification %.1f, "
                         "calibration %.1f, verification %.1f)\n",
                         static_cast<double>(prescribed->total()) / 60000.0,
                         static_cast<double>(prescribed->before) / 60000.0,
                         static_cast<double>(prescribed->calibration) / 60000.0,
                         static_cast<double>(prescribed->after) / 60000.0);
        }
        std::fprintf(io.out, "Wall time     %.1f s\n", wallMs / 1000.0);
        std::error_code ec;
        std::fprintf(io.out, "Files in %s\n", std::filesystem::weakly_canonical(outDir, ec).c_str());
        for (const std::string& f : files) {
            std::fprintf(io.out, "  %s\n", std::filesystem::path(f).filename().c_str());
        }
    }
    return comparison.passedAfter() ? kExitOk : kExitFailure;
}

}  // namespace
}  // namespace halvo::cli
