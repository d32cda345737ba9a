// halvo-cli verify: the Measure page's verification run, its report and verdicts.

#include "cli/verify_run.h"

namespace halvo::cli {
namespace {

int RunVerify(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kVerifyCommand = {
    "verify",
    "verify a monitor against the pass criteria and write the report",
    "usage: halvo-cli verify (--simulate | --monitor <port> --instrument <name> [--port <port>])\n"
    "                        [--gamma] [--color] [--color-temperature] [--uniformity]\n"
    "                        [--color-spaces all|<list>] --report <file.xlsx|file.txt>\n"
    "                        [--certificate <file.pdf>] [--cgats <file.ti3>] [--json]\n"
    "                        [--log <file>] [-v] [--seed N]\n\n"
    "Runs the verification as the Measure page's \"Measure\" button does, writes the report and\n"
    "prints every test's item, measured value and verdict (OK, OR, or N/A when not measured),\n"
    "and the CIEDE2000 of the verified patches against their targets per colour space.\n"
    "Exits 0 when every measured item is OK, 1 when any is OR or the run failed, 2 on bad\n"
    "arguments.\n"
    "  --gamma, --color, --color-temperature, --uniformity\n"
    "                       what to measure (none given: gamma, colours and colour temperatures)\n"
    "  --color-spaces <list> measure in each of these colour spaces: all, or names out of Native,\n"
    "                       BT.709, SMPTE-C, EBU, NTSC, D-Cinema separated by commas\n"
    "  --report <file>      the workbook (.xlsx; a name ending in .xls gets .xlsx) or text (.txt)\n"
    "  --certificate <file> the calibration certificate (PDF) that goes out with the monitor\n"
    "  --cgats <file.ti3>   the readings as CGATS files for display tools, one per colour space,\n"
    "                       <file>_<space>.ti3, each with <file>_<space>_target.ti3 of its targets\n"
    "  --json               the verdicts and the CIEDE2000 mean and maximum per colour space as\n"
    "                       one JSON object\n"
    "  --simulate           the built-in simulated monitor and CA-210 on a virtual clock; the\n"
    "                       simulated operator moves the probe for uniformity. With a real monitor\n"
    "                       the command asks you to move the probe and press Enter.\n"
    "Settings not given (instrument, ports, line settings, waits, offsets) come from Config.ini\n"
    "in the working directory.\n",
    RunVerify,
    true,
};

namespace {

int RunVerify(Args& args, CliIo& io) {
    const Subcommand& self = kVerifyCommand;
    ControllerSession::Options options;
    std::string error;
    if (!ControllerSession::TakeOptions(args, options, &error)) {
        return UsageError(self, io, error);
    }
    VerifyChoices choices;
    if (!TakeVerifyChoices(args, choices, &error)) {
        return UsageError(self, io, error);
    }
    if (!args.positionals().empty() || !args.error().empty()) {
        return UsageError(self, io, args.error().empty() ? "unexpected argument" : args.error());
    }
    if (!options.simulate && options.monitorPort.empty()) {
        return UsageError(self, io, "give --simulate, or the monitor's port with --monitor");
    }

    ControllerSession session(options, io);
    if (!session.start("verify")) {
        return kExitFailure;
    }
    if (!session.connect("verify")) {
        session.saveLog("verify");
        return kExitFailure;
    }
    CHalvoDlg& station = session.station();
    if (station.window().continuouslyChecked) {
        station.onContinuouslyToggled(false);
    }
    // The links count as alive once the first polls have come back.
    session.runUntil([&] { return station.links().monitorAlive() && station.links().instrumentAlive(); }, 5000);
    InstallChartPainter(station);
    ApplyVerifyChoices(station, choices);
    session.runUntil([&] { return !session.scheduler().isArmed(kTimerPostedCommands); }, 1000);

    int result = kExitFailure;
    if (station.startOrStopMeasurement()) {
        result = FinishVerification(session, choices, options.simulate, io);
    } else {
        std::fprintf(io.err, "halvo-cli verify: the verification did not start (see the log)\n");
        const std::string& log = station.log().text();
        const size_t last = log.rfind('\n', log.size() >= 2 ? log.size() - 2 : 0);
        std::fprintf(io.err, "%s", log.substr(last == std::string::npos ? 0 : last + 1).c_str());
    }
    station.chartPainter = nullptr;
    station.onConnectClicked(false);
    const bool logSaved = session.saveLog("verify");
    return logSaved ? result : kExitFailure;
}

}  // namespace
}  // namespace halvo::cli
