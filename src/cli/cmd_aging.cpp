// halvo-cli aging: panel aging as the Setup page's aging "Start" runs it.

#include <unistd.h>

#include "cli/controller_session.h"
#include "common/file_io.h"

namespace halvo::cli {
namespace {

int RunAging(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kAgingCommand = {
    "aging",
    "age the panel on white and log it",
    "usage: halvo-cli aging (--simulate | --monitor <port> --instrument <name> [--port <port>])\n"
    "                       --time <minutes> --period <minutes> [--calibrate-after] --out <file>\n"
    "                       [--log <file>] [-v]\n\n"
    "Keeps a white screen on, measures it at once and then every period until the time is up,\n"
    "and writes the aging lines (\"Time:%d  [x:... y:... Lv:... T:... Δuv:...]\") to the file.\n"
    "Minutes count measurement cycles of the station (sixty per minute), as the station has\n"
    "always counted them. --calibrate-after starts a calibration run afterwards (the Calibration\n"
    "page's choices: gamma and the seven white points) and waits for it.\n",
    RunAging,
    true,
};

namespace {

int RunAging(Args& args, CliIo& io) {
    const Subcommand& self = kAgingCommand;
    ControllerSession::Options options;
    std::string error;
    if (!ControllerSession::TakeOptions(args, options, &error)) {
        return UsageError(self, io, error);
    }
    const std::optional<std::string> time = args.takeOption("--time");
    const std::optional<std::string> period = args.takeOption("--period");
    const std::optional<std::string> out = args.takeOutput("--out", OutputKind::File);
    const bool calibrateAfter = args.takeFlag("--calibrate-after");
    if (!args.positionals().empty() || !args.error().empty()) {
        return UsageError(self, io, args.error().empty() ? "unexpected argument" : args.error());
    }
    long agingMinutes = 0;
    long periodMinutes = 0;
    if (time && period) {
        agingMinutes = ParseLong(*time).value_or(0);
        periodMinutes = ParseLong(*period).value_or(0);
    }
    if (agingMinutes < 1 || agingMinutes > 100000 || periodMinutes < 1 || periodMinutes > 100000) {
        return UsageError(self, io, "--time and --period take whole minutes from 1");
    }
    if (!out) {
        return UsageError(self, io, "give --out <file> for the aging lines");
    }
    if (!options.simulate && options.monitorPort.empty()) {
        return UsageError(self, io, "give --simulate, or --monitor <port> with --instrument");
    }
    if (!PrepareOutput(*out, OutputKind::File, &error)) {
        std::fprintf(io.err, "halvo-cli aging: %s\n", error.c_str());
        return kExitFailure;
    }
    ControllerSession session(options, io);
    if (!session.start("aging") || !session.connect("aging")) {
        session.saveLog("aging");
        return kExitFailure;
    }
    CHalvoDlg& station = session.station();
    session.runUntil([&] { return station.links().monitorAlive() && station.links().instrumentAlive(); }, 10000);
    Setup& setup = station.setup();
    setup.agingTime.text = std::to_string(agingMinutes);
    setup.measurePeriod.text = std::to_string(periodMinutes);
    setup.startCalibrationAfterAging.checked = calibrateAfter;
    setup.onAgingStart();
    session.runUntil([&] { return station.task().CalibrationState == kTaskAging; }, 5000);
    if (station.task().CalibrationState != kTaskAging) {
        std::fprintf(io.err, "halvo-cli aging: the aging did not start (see the log)\n");
        session.saveLog("aging");
        return kExitFailure;
    }
    const bool tty = ::isatty(::fileno(io.err)) != 0;
    size_t shown = 0;
    // A cycle is at least half a second; give the run twice that per tick.
    const int64_t limit = static_cast<int64_t>(agingMinutes) * 60 * 2000 + 60000;
    const int64_t start = session.scheduler().nowMs();
    while (station.task().CalibrationState == kTaskAging && session.scheduler().nowMs() - start < limit) {
        session.runUntil([&] { return station.agingLines.size() != shown || station.task().CalibrationState != kTaskAging; },
                         5000);
        if (tty && station.agingLines.size() != shown) {
            std::fprintf(io.err, "\rAging: %zu records, %d of %d cycles", station.agingLines.size(),
                         setup.agingProgress.position, setup.agingProgress.maximum);
            std::fflush(io.err);
        }
        shown = station.agingLines.size();
    }
    if (tty) {
        std::fputc('\n', io.err);
    }
    const bool finished = station.task().CalibrationState != kTaskAging;
    std::string text;
    for (const std::string& line : station.agingLines) {
        text += line + "\r\n";
    }
    if (!WriteFileAtomically(*out, text, &error)) {
        std::fprintf(io.err, "halvo-cli aging: %s\n", error.c_str());
        return kExitFailure;
    }
    std::fprintf(io.out, "%zu aging records in %s\n", station.agingLines.size(), out->c_str());
    int code = finished ? kExitOk : kExitFailure;
    if (finished && calibrateAfter) {
        session.runUntil([&] { return session.ui().notices.completionOpen || session.ui().notices.failureOpen; },
                         6LL * 3600 * 1000);
        const bool completed = session.ui().notices.completionOpen;
        std::fprintf(io.out, "%s\n", completed ? "Calibration completed." : "Calibration failed");
        if (completed) {
            station.onCompletionOk();
            session.runUntil([] { return false; }, 3000);
        } else {
            code = kExitFailure;
        }
    }
    session.saveLog("aging");
    station.onConnectClicked(false);
    return code;
}

}  // namespace
}  // namespace halvo::cli
