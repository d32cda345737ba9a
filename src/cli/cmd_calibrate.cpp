// halvo-cli calibrate: one calibration run, as the Calibration page's "&Auto Calibration" button
// starts it with the page's choices given on the command line.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "cli/colour_space_summary.h"
#include "cli/controller_session.h"
#include "cli/json_writer.h"
#include "cli/progress_line.h"
#include "cli/uniformity_walk.h"
#include "cli/verify_run.h"
#include "common/text_format.h"

namespace halvo::cli {
namespace {

int RunCalibrate(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kCalibrateCommand = {
    "calibrate",
    "run a calibration (gamma, colour spaces, white points, uniformity) and save its data",
    "usage: halvo-cli calibrate (--simulate | --monitor <port> --instrument <name> [--port <port>])\n"
    "                           [--gamma] [--gamma-step 16|32|64|128|256|512|1024]\n"
    "                           [--target-gamma 2.2|2.35]\n"
    "                           [--color-space all|<names, e.g. BT.709,NTSC>] [--levels 1|2|3|4|8]\n"
    "                           [--color-priority] [--uniformity]\n"
    "                           [--targets all|none|<rows, e.g. 0,2,4>] [--no-store] [--out <dir>]\n"
    "                           [--json] [--log <file>] [-v]\n"
    "                           [--verify --report <file.xlsx|file.txt> [--color-spaces all|<list>]]\n\n"
    "Runs one calibration exactly as the Calibrate button does with these choices on the\n"
    "Calibration page, shows its progress, answers the completion notice with OK (the monitor\n"
    "stores the result in its EEPROM; with --no-store it is not stored, which the summary and\n"
    "the log say), and saves the calibration data as <dir>/<calibration ID>.cal and the station\n"
    "log as <dir>/<calibration ID>Log.txt.\n"
    "  --gamma            measure the gamma and upload the gamma table\n"
    "  --gamma-step N     grey levels the gamma is measured at (default 32)\n"
    "  --target-gamma G   2.2 (default) or 2.35\n"
    "  --uniformity       correct the panel's uniformity instead: the probe visits the nine places\n"
    "                     the monitor marks (and, for the gradient and shape methods, nine more),\n"
    "                     one Calibrate press each; with a real monitor each press waits for Enter\n"
    "                     after the prompt. The run saves the correction in the monitor itself\n"
    "                     (not with --gamma or --no-store)\n"
    "  --color-space CS   calibrate these colour spaces: all, or names out of BT.709, SMPTE-C, EBU,\n"
    "                     NTSC, D-Cinema separated by commas (the monitor must be a 10-bit model);\n"
    "                     the white points and the panel-gamma check follow them\n"
    "  --levels B         signal levels per colour: 1 (default, 255 only), or the level lists of\n"
    "                     2 (255, 187), 3 (255, 204, 153), 4 (255, 221, 187, 153) or 8 (255 .. 136)\n"
    "  --color-priority   \"White Priority\": grey follows white at every level, and the panel-gamma\n"
    "                     check runs for each colour space\n"
    "  --targets ROWS     the white-point rows to calibrate: all (default), none, or indices 0..6 of\n"
    "                     3200 K, 5400 K, 6500 K, 7000 K (JUDD-OFFSET), 9300 K, 10000 K, 11000 K\n"
    "  --out DIR          where the .cal and the log go (default: the working directory; a folder\n"
    "                     that does not exist is made)\n"
    "  --simulate         the built-in simulated station on a virtual clock; prints the station time\n"
    "  --verify           then verify the monitor, as the Setup option \"Measurement after calibration:\"\n"
    "                     does (it stores the result in the EEPROM first), with the Measure page's\n"
    "                     gamma, colours and colour temperatures, and write the report (see verify,\n"
    "                     whose --certificate and --cgats go with --verify here too)\n"
    "Exit codes: 0 completed (and, with --verify, every measured item OK), 1 \"Calibration failed\",\n"
    "no connection or a verification item OR, 2 bad arguments.\n",
    RunCalibrate,
    true,
};

namespace {

struct CalibrateOptions {
    bool gamma = false;
    bool uniformity = false;
    int gammaStepEntry = 1;  // "32"
    bool gamma235 = false;
    std::vector<int> rows = {0, 1, 2, 3, 4, 5, 6};
    unsigned colorSpaces = 0;  // mask of ColorSpaceId
    int levels = 1;
    bool priority = false;
    bool store = true;
    std::string outDir = ".";
    bool json = false;
};

// --targets: rows 0..6 of the white-point list.
ListVocabulary WhiteRowVocabulary() {
    ListVocabulary v;
    for (int row = 0; row < kWhiteRowCount; ++row) {
        v.items.push_back({std::to_string(row)});
    }
    v.noneAllowed = true;
    return v;
}

// --color-space: the colour spaces by their list names or the target boxes' names.
ListVocabulary ColorSpaceVocabulary() {
    ListVocabulary v;
    for (size_t n = 0; n < static_cast<size_t>(kColorSpaceCount); ++n) {
        v.items.push_back({kColorSpaceListNames[n], kColorSpaceBoxNames[n]});
    }
    return v;
}

// The page's choices, set as an operator would set the controls. False when the page refused
// them (colour spaces on a monitor without them).
bool Choose(CHalvoDlg& station, const CalibrateOptions& o) {
    Ccalib& page = station.calib();
    page.onGammaToggled(o.gamma);
    page.onGammaStepChosen(o.gammaStepEntry);
    page.onTargetGammaChosen(o.gamma235);
    page.onUniformityToggled(o.uniformity);
    if (page.colorSpaceCheck.checked != (o.colorSpaces != 0)) {
        page.onColorSpaceToggled(o.colorSpaces != 0);
        if (page.colorSpaceCheck.checked != (o.colorSpaces != 0)) {
            return false;
        }
    }
    if (o.colorSpaces != 0) {
        for (int n = 0; n < kColorSpaceCount; ++n) {
            page.onTargetBoxToggled(n, (o.colorSpaces & (1u << n)) != 0);
        }
        // The level list follows the Setup page's "Color Space Step:"; the choice here is for
        // this run only.
        page.setStepCount(o.levels < 2 ? 8 : o.levels);
        page.onLevelToggled(o.levels >= 2);
        page.onColorPriorityToggled(o.priority);
    }
    for (size_t t = 0; t < page.whiteList.rows.size() && t < station.whiteTargets.size(); ++t) {
        const bool on = std::find(o.rows.begin(), o.rows.end(), static_cast<int>(t)) != o.rows.end();
        if (page.whiteList.rows[t].checked != on) {
            page.onWhiteRowChecked(static_cast<int>(t), on);
        }
        station.whiteTargets[t].chosen = on;
    }
    return true;
}

void PrintSummary(CliIo& io, CHalvoDlg& station, bool completed, bool unstored, int64_t stationMs, bool simulated,
                  const std::string& calPath, bool json, const UniformityReport* uniformity) {
    CalibrationEngine& engine = station.engine();
    const WhitePointCalibration& wp = engine.whitePoint();
    const Ccalib& page = station.calib();
    if (json) {
        JsonWriter j;
        j.beginObject().boolean("completed", completed).string("calibrationId", station.calibrationId);
        if (completed) {
            j.boolean("storedInMonitor", !unstored);
        }
        if (simulated) {
            j.number("stationSeconds", static_cast<double>(stationMs) / 1000.0);
        }
        if (page.gammaCheck.checked) {
            j.number("measuredGamma", engine.gamma().measuredGamma);
        }
        j.beginArray("whitePoints");
        for (size_t t = 0; t < station.whiteTargets.size(); ++t) {
            if (!station.whiteTargets[t].chosen || wp.iterations[t] == 0) {
                continue;
            }
            const ColorReading& r = wp.whitePointResults[t];
            const ColorReading& target = station.whiteTargets[t].target;
            const Rgb8& g = page.data.targetGains[t];
            j.beginObject()
                .integer("row", static_cast<int64_t>(t))
                .string("label", station.whiteTargets[t].label)
                .integer("iterations", wp.iterations[t])
                .number("du", r.u - target.u)
                .number("dvp", r.vp - target.vp)
                .number("lv", r.lv)
                .number("targetLv", target.lv)
                .integer("cct", r.cct)
                .integer("r", g[0])
                .integer("g", g[1])
                .integer("b", g[2])
                .endObject();
        }
        j.endArray();
        if (uniformity != nullptr) {
            AddUniformityReport(j, *uniformity);
        }
        if (page.colorSpaceCheck.checked) {
            WriteColourSpaceJson(j, station);
        }
        j.string("calFile", calPath).endObject();
        std::fprintf(io.out, "%s\n", j.text().c_str());
        return;
    }
    std::fprintf(io.out, "%s\n", completed ? "Calibration completed." : "Calibration failed");
    if (completed && unstored) {
        std::fprintf(io.out, "Not stored in the monitor's EEPROM (--no-store): it loses the calibration when switched off.\n");
    }
    if (page.gammaCheck.checked) {
        std::fprintf(io.out, "Measured gamma    %4.2f\n", engine.gamma().measuredGamma);
    }
    bool header = false;
    for (size_t t = 0; t < station.whiteTargets.size(); ++t) {
        if (!station.whiteTargets[t].chosen || wp.iterations[t] == 0) {
            continue;
        }
        if (!header) {
            std::fprintf(io.out, "White point       du'      dv'      Lv      T(K)  R   G   B  iterations\n");
            header = true;
        }
        const ColorReading& r = wp.whitePointResults[t];
        const ColorReading& target = station.whiteTargets[t].target;
        const Rgb8& g = page.data.targetGains[t];
        std::fprintf(io.out, "%-12s %+8.5f %+8.5f %7.2f %6d %3d %3d %3d %5d\n", station.whiteTargets[t].label.c_str(),
                     r.u - target.u, r.vp - target.vp, r.lv, r.cct, g[0], g[1], g[2], wp.iterations[t]);
    }
    if (uniformity != nullptr) {
        PrintUniformityReport(io, *uniformity);
    }
    if (page.colorSpaceCheck.checked) {
        PrintColourSpaceSummary(io.out, station);
    }
    if (simulated) {
        std::fprintf(io.out, "Station time      %.1f min\n", static_cast<double>(stationMs) / 60000.0);
    }
    if (!calPath.empty()) {
        std::fprintf(io.out, "Calibration data  %s\n", calPath.c_str());
    }
}

int RunCalibrate(Args& args, CliIo& io) {
    const Subcommand& self = kCalibrateCommand;
    ControllerSession::Options options;
    std::string error;
    if (!ControllerSession::TakeOptions(args, options, &error)) {
        return UsageError(self, io, error);
    }
    CalibrateOptions o;
    o.gamma = args.takeFlag("--gamma");
    o.uniformity = args.takeFlag("--uniformity");
    o.store = !args.takeFlag("--no-store");
    o.json = args.takeFlag("--json");
    if (auto v = args.takeOption("--gamma-step")) {
        const auto n = ParseLong(*v);
        int entry = -1;
        for (int e = 0; e < 7 && n; ++e) {
            entry = (1L << (e + 4)) == *n ? e : entry;
        }
        if (entry < 0) {
            return UsageError(self, io, "--gamma-step takes 16, 32, 64, 128, 256, 512 or 1024");
        }
        o.gammaStepEntry = entry;
    }
    if (auto v = args.takeOption("--target-gamma")) {
        if (*v != "2.2" && *v != "2.35" && *v != "2.20") {
            return UsageError(self, io, "--target-gamma takes 2.2 or 2.35");
        }
        o.gamma235 = *v == "2.35";
    }
    bool bad = false;
    if (auto rows = args.takeList("--targets", WhiteRowVocabulary(), &bad)) {
        o.rows = *rows;
    } else if (bad) {
        return UsageError(self, io, "--targets takes all, none or row indices 0..6 separated by commas");
    }
    if (auto spaces = args.takeList("--color-space", ColorSpaceVocabulary(), &bad)) {
        for (const int n : *spaces) {
            o.colorSpaces |= 1u << n;
        }
    } else if (bad) {
        return UsageError(self, io, "--color-space takes all, or BT.709, SMPTE-C, EBU, NTSC, D-Cinema separated by commas");
    }
    if (auto v = args.takeOption("--levels")) {
        const auto n = ParseLong(*v);
        if (!n || (*n != 1 && *n != 2 && *n != 3 && *n != 4 && *n != 8)) {
            return UsageError(self, io, "--levels takes 1, 2, 3, 4 or 8 (the level lists the Calibration page offers)");
        }
        o.levels = static_cast<int>(*n);
    }
    o.priority = args.takeFlag("--color-priority");
    if ((o.levels > 1 || o.priority) && o.colorSpaces == 0) {
        return UsageError(self, io, "--levels and --color-priority go with --color-space");
    }
    if (auto v = args.takeOutput("--out", OutputKind::Folder)) {
        o.outDir = *v;
    }
    const bool verify = args.takeFlag("--verify");
    VerifyChoices verifyChoices;
    if (verify) {
        if (!TakeVerifyChoices(args, verifyChoices, &error)) {
            return UsageError(self, io, error);
        }
        if (!o.store) {
            return UsageError(self, io, "--verify stores the calibration in the monitor first; drop --no-store");
        }
        verifyChoices.json = o.json;
    } else {
        const bool report = args.takeOption("--report").has_value();
        const bool spaces = args.takeList("--color-spaces", MeasureSpaceVocabulary(), &bad).has_value() || bad;
        if (report || spaces) {
            return UsageError(self, io, "--report and --color-spaces go with --verify");
        }
    }
    if (!args.positionals().empty() || !args.error().empty()) {
        return UsageError(self, io, args.error().empty() ? "unexpected argument" : args.error());
    }
    if (o.uniformity && (o.gamma || !o.store)) {
        return UsageError(self, io, "--uniformity runs alone and saves its correction itself: not with --gamma or --no-store");
    }
    if (!options.simulate && options.monitorPort.empty()) {
        return UsageError(self, io, "give --simulate, or --monitor <port> with --instrument");
    }
    if (!PrepareOutput(o.outDir, OutputKind::Folder, &error)) {
        std::fprintf(io.err, "halvo-cli calibrate: %s\n", error.c_str());
        return kExitFailure;
    }

    ControllerSession session(options, io);
    if (!session.start("calibrate") || !session.connect("calibrate")) {
        session.saveLog("calibrate");
        return kExitFailure;
    }
    CHalvoDlg& station = session.station();
    // Let the cycle settle on a first reading, as an operator would see one before starting.
    session.runUntil([&] { return station.currentReading.lv > 0; }, 10000);
    if (!Choose(station, o)) {
        std::fprintf(io.err, "halvo-cli calibrate: %s\n", kNoColorSpaceMessage);
        session.saveLog("calibrate");
        station.onConnectClicked(false);
        return kExitFailure;
    }
    if (verify) {
        station.setup().measurementAfterCalibration.checked = true;
        ApplyVerifyChoices(station, verifyChoices);
        InstallChartPainter(station);
    }

    ProgressLine progress(io.err, "Calibrating");
    const auto wallStart = std::chrono::steady_clock::now();
    const int64_t start = session.scheduler().nowMs();
    // A uniformity run is a walk of Calibrate presses, one per position; it ends without a notice.
    const bool walked = o.uniformity && WalkUniformity(session, io, [&] { progress.show(station.calib().statusText); });
    if (!o.uniformity) {
        station.calib().onAutoCalibration();
    }
    const NoticeState& notices = session.ui().notices;
    bool ended = false;
    // Long runs (1024 grey levels) take hours of station time; stop waiting after a day.
    const int64_t limitMs = 24LL * 3600 * 1000;
    while (!o.uniformity && !ended && session.scheduler().nowMs() - start < limitMs) {
        session.runUntil([&] { return notices.completionOpen || notices.failureOpen; }, 1000);
        progress.show(station.calib().statusText);
        // With --verify the completed calibration hands over to the Measure page instead.
        ended = notices.completionOpen || notices.failureOpen || (verify && station.measure().running);
        if (!ended && station.task().CalibrationState == kTaskIdle && !station.calib().running) {
            break;  // the run did not start (nothing chosen, links down)
        }
    }
    progress.finish();
    const int64_t stationMs = session.scheduler().nowMs() - start;
    const bool verifying = verify && station.measure().running;
    const bool completed = o.uniformity ? walked : (notices.completionOpen || verifying);
    if (notices.completionOpen && !o.uniformity) {
        if (o.store) {
            station.onCompletionOk();
        } else {
            // The notice's Cancel leaves the countdown to store it; --no-store means not at all.
            station.leaveCalibrationUnstored();
        }
        session.runUntil([] { return false; }, 3000);  // the EEPROM save and its wait
    } else if (notices.failureOpen) {
        station.onFailureOk();
    }

    const std::string id = station.calibrationId.empty() ? "calibration" : station.calibrationId;
    std::string calPath;
    bool saved = true;
    if (completed) {
        calPath = o.outDir + "/" + id + ".cal";
        saved = station.calib().saveFile(calPath);
        if (!saved) {
            std::fprintf(io.err, "halvo-cli calibrate: could not save %s\n", calPath.c_str());
        }
    }
    ReportBook verification;
    const bool verified = verifying && CompleteVerification(session, verifyChoices, options.simulate, io, verification);
    const std::string logPath = o.outDir + "/" + id + "Log.txt";
    saved = SaveLogFile(station.log(), logPath, io, "calibrate") && saved;
    session.saveLog("calibrate");
    UniformityReport uniformity;
    if (o.uniformity) {
        uniformity = MakeUniformityReport(session, completed);
    }
    PrintSummary(io, station, completed, completed && !o.store, stationMs, options.simulate, calPath, o.json, o.uniformity ? &uniformity : nullptr);
    if (options.simulate && !o.json) {
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count();
        std::fprintf(io.out, "Wall time         %.0f ms\n", wallMs);
    }
    int verdict = kExitOk;
    if (verify) {
        verdict = verified ? PrintVerification(verification, verifyChoices, io) : kExitFailure;
        station.chartPainter = nullptr;
    }
    station.onConnectClicked(false);
    if (!completed) {
        return kExitFailure;
    }
    return saved && verdict == kExitOk ? kExitOk : kExitFailure;
}

}  // namespace
}  // namespace halvo::cli
