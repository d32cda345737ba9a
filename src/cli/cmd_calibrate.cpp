// halvo-cli calibrate: one calibration run, as the Calibration page's "&Auto Calibration" button
// starts it with the page's choices given on the command line.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <sstream>
#include <sys/stat.h>

#include "cli/controller_session.h"
#include "cli/json_writer.h"
#include "common/text_format.h"

namespace halvo::cli {
namespace {

int RunCalibrate(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kCalibrateCommand = {
    "calibrate",
    "run a calibration (gamma, white points) and save its data",
    "usage: halvo-cli calibrate (--simulate | --monitor <port> --instrument <name> [--port <port>])\n"
    "                           [--gamma] [--gamma-step 16|32|64|128|256|512|1024]\n"
    "                           [--target-gamma 2.2|2.35]\n"
    "                           [--targets all|none|<rows, e.g. 0,2,4>] [--no-store] [--out <dir>]\n"
    "                           [--json] [--log <file>] [-v]\n\n"
    "Runs one calibration exactly as the Calibrate button does with these choices on the\n"
    "Calibration page, shows its progress, answers the completion notice with OK (the monitor\n"
    "stores the result in its EEPROM; --no-store answers Cancel), and saves the calibration data\n"
    "as <dir>/<calibration ID>.cal and the station log as <dir>/<calibration ID>Log.txt.\n"
    "  --gamma            measure the gamma and upload the gamma table\n"
    "  --gamma-step N     grey levels the gamma is measured at (default 32)\n"
    "  --target-gamma G   2.2 (default) or 2.35\n"
    "  --targets ROWS     the white-point rows to calibrate: all (default), none, or indices 0..6 of\n"
    "                     3200 K, 5400 K, 6500 K, 7000 K (JUDD-OFFSET), 9300 K, 10000 K, 11000 K\n"
    "  --out DIR          where the .cal and the log go (default: the working directory)\n"
    "  --simulate         the built-in simulated station on a virtual clock; prints the station time\n"
    "Exit codes: 0 completed, 1 \"Calibration failed\" (or no connection), 2 bad arguments.\n",
    RunCalibrate,
    true,
};

namespace {

struct CalibrateOptions {
    bool gamma = false;
    int gammaStepEntry = 1;  // "32"
    bool gamma235 = false;
    std::vector<int> rows = {0, 1, 2, 3, 4, 5, 6};
    bool store = true;
    std::string outDir = ".";
    bool json = false;
};

bool ParseRows(const std::string& text, std::vector<int>& rows) {
    rows.clear();
    if (text == "all") {
        rows = {0, 1, 2, 3, 4, 5, 6};
        return true;
    }
    if (text == "none") {
        return true;
    }
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        const auto n = ParseLong(item);
        if (!n || *n < 0 || *n >= kWhiteRowCount) {
            return false;
        }
        if (std::find(rows.begin(), rows.end(), *n) == rows.end()) {
            rows.push_back(static_cast<int>(*n));
        }
    }
    return !rows.empty();
}

// The page's choices, set as an operator would set the controls.
void Choose(CHalvoDlg& station, const CalibrateOptions& o) {
    Ccalib& page = station.calib();
    page.onGammaToggled(o.gamma);
    page.onGammaStepChosen(o.gammaStepEntry);
    page.onTargetGammaChosen(o.gamma235);
    page.onUniformityToggled(false);
    if (page.colorSpaceCheck.checked) {
        page.onColorSpaceToggled(false);
    }
    for (size_t t = 0; t < page.whiteList.rows.size() && t < station.whiteTargets.size(); ++t) {
        const bool on = std::find(o.rows.begin(), o.rows.end(), static_cast<int>(t)) != o.rows.end();
        if (page.whiteList.rows[t].checked != on) {
            page.onWhiteRowChecked(static_cast<int>(t), on);
        }
        station.whiteTargets[t].chosen = on;
    }
}

class ProgressLine {
public:
    explicit ProgressLine(std::FILE* to) : to_(to), tty_(::isatty(::fileno(to)) != 0) {}
    void show(const std::string& status) {
        if (tty_ && status != last_) {
            std::fprintf(to_, "\rCalibrating %s", status.c_str());
            std::fflush(to_);
            last_ = status;
        }
    }
    void finish() {
        if (tty_ && !last_.empty()) {
            std::fputc('\n', to_);
        }
    }

private:
    std::FILE* to_;
    bool tty_;
    std::string last_;
};

void PrintSummary(CliIo& io, CHalvoDlg& station, bool completed, int64_t stationMs, bool simulated,
                  const std::string& calPath, bool json) {
    CalibrationEngine& engine = station.engine();
    const WhitePointCalibration& wp = engine.whitePoint();
    const Ccalib& page = station.calib();
    if (json) {
        JsonWriter j;
        j.beginObject().boolean("completed", completed).string("calibrationId", station.calibrationId);
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
        j.endArray().string("calFile", calPath).endObject();
        std::fprintf(io.out, "%s\n", j.text().c_str());
        return;
    }
    std::fprintf(io.out, "%s\n", completed ? "Calibration completed." : "Calibration failed");
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
    if (auto v = args.takeOption("--targets")) {
        if (!ParseRows(*v, o.rows)) {
            return UsageError(self, io, "--targets takes all, none or row indices 0..6 separated by commas");
        }
    }
    if (auto v = args.takeOption("--out")) {
        o.outDir = *v;
    }
    if (!args.positionals().empty() || !args.error().empty()) {
        return UsageError(self, io, args.error().empty() ? "unexpected argument" : args.error());
    }
    if (!options.simulate && options.monitorPort.empty()) {
        return UsageError(self, io, "give --simulate, or --monitor <port> with --instrument");
    }
    struct stat st {};
    if (::stat(o.outDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::fprintf(io.err, "halvo-cli calibrate: %s is not a directory\n", o.outDir.c_str());
        return kExitUsage;
    }

    ControllerSession session(options, io);
    if (!session.start("calibrate") || !session.connect("calibrate")) {
        session.saveLog("calibrate");
        return kExitFailure;
    }
    CHalvoDlg& station = session.station();
    // Let the cycle settle on a first reading, as an operator would see one before starting.
    session.runUntil([&] { return station.currentReading.lv > 0; }, 10000);
    Choose(station, o);

    ProgressLine progress(io.err);
    const auto wallStart = std::chrono::steady_clock::now();
    const int64_t start = session.scheduler().nowMs();
    station.calib().onAutoCalibration();
    const NoticeState& notices = session.ui().notices;
    bool ended = false;
    // Long runs (1024 grey levels) take hours of station time; stop waiting after a day.
    const int64_t limitMs = 24LL * 3600 * 1000;
    while (!ended && session.scheduler().nowMs() - start < limitMs) {
        session.runUntil([&] { return notices.completionOpen || notices.failureOpen; }, 1000);
        progress.show(station.calib().statusText);
        ended = notices.completionOpen || notices.failureOpen;
        if (!ended && station.task().CalibrationState == kTaskIdle && !station.calib().running) {
            break;  // the run did not start (nothing chosen, links down)
        }
    }
    progress.finish();
    const int64_t stationMs = session.scheduler().nowMs() - start;
    const bool completed = notices.completionOpen;
    if (completed) {
        if (o.store) {
            station.onCompletionOk();
        } else {
            station.onCompletionCancel();
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
    const std::string logPath = o.outDir + "/" + id + "Log.txt";
    saved = SaveLogFile(station.log(), logPath, io, "calibrate") && saved;
    session.saveLog("calibrate");
    PrintSummary(io, station, completed, stationMs, options.simulate, calPath, o.json);
    if (options.simulate && !o.json) {
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count();
        std::fprintf(io.out, "Wall time         %.0f ms\n", wallMs);
    }
    station.onConnectClicked(false);
    if (!completed) {
        return kExitFailure;
    }
    return saved ? kExitOk : kExitFailure;
}

}  // namespace
}  // namespace halvo::cli
