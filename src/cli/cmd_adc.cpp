// halvo-cli adc and input-source: the monitor's analogue-input calibration, and the input it
// shows, as the Calibration page's source radios and "&Auto Calibration" do them.

#include "cli/controller_session.h"

namespace halvo::cli {
namespace {

int RunAdc(Args& args, CliIo& io);
int RunInputSource(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kAdcCommand = {
    "adc",
    "let the monitor calibrate its RGB or YPbPr input",
    "usage: halvo-cli adc (--simulate | --monitor <port> --instrument <name> [--port <port>])\n"
    "                     --source RGB|YPbPr [--log <file>] [-v]\n\n"
    "Switches the monitor to the analogue input, checks its signal, shows the monitor's internal\n"
    "calibration pattern and lets the monitor run its own auto colour (ADC) calibration.\n"
    "Exit codes: 0 done, 1 no signal or no connection, 2 bad arguments.\n",
    RunAdc,
    true,
};

extern const Subcommand kInputSourceCommand = {
    "input-source",
    "switch the monitor to an input",
    "usage: halvo-cli input-source (--simulate | --monitor <port> --instrument <name> [--port <port>])\n"
    "                              --source Digital|RGB|YPbPr [--log <file>] [-v]\n\n"
    "Selects the monitor's input as the Calibration page's source radios do (the KVT and ZRQ\n"
    "series number their digital and YPbPr inputs differently).\n",
    RunInputSource,
    true,
};

namespace {

// Page source index of a name, or -1.
int SourceIndex(const std::string& name, bool digitalAllowed) {
    if (name == "Digital" && digitalAllowed) {
        return 0;
    }
    if (name == "RGB") {
        return 1;
    }
    if (name == "YPbPr") {
        return 2;
    }
    return -1;
}

int Run(Args& args, CliIo& io, const Subcommand& self, bool adc) {
    ControllerSession::Options options;
    std::string error;
    if (!ControllerSession::TakeOptions(args, options, &error)) {
        return UsageError(self, io, error);
    }
    const std::optional<std::string> sourceName = args.takeOption("--source");
    if (!args.positionals().empty() || !args.error().empty()) {
        return UsageError(self, io, args.error().empty() ? "unexpected argument" : args.error());
    }
    const int source = sourceName ? SourceIndex(*sourceName, !adc) : -1;
    if (source < 0) {
        return UsageError(self, io, adc ? "--source takes RGB or YPbPr" : "--source takes Digital, RGB or YPbPr");
    }
    if (!options.simulate && options.monitorPort.empty()) {
        return UsageError(self, io, "give --simulate, or --monitor <port> with --instrument");
    }
    ControllerSession session(options, io);
    if (!session.start(self.name) || !session.connect(self.name)) {
        session.saveLog(self.name);
        return kExitFailure;
    }
    CHalvoDlg& station = session.station();
    // Both links must be seen alive before the station lets a task start.
    session.runUntil([&] { return station.links().monitorAlive() && station.links().instrumentAlive(); }, 10000);
    // The page posts its commands; let each be handled before waiting for the task it starts.
    const auto handled = [&] { return !session.scheduler().isArmed(kTimerPostedCommands); };
    station.calib().onSourceChosen(source);
    session.runUntil(handled, 1000);
    bool ok = session.runUntil([&] { return station.task().CalibrationState == kTaskIdle; }, 10000);
    if (adc && ok) {
        station.calib().onAutoCalibration();
        session.runUntil(handled, 1000);
        // The source check repeats every 3 s until the monitor is on the wanted input.
        session.runUntil([&] { return station.task().CalibrationState == kTaskIdle; }, 120000);
        const std::string& log = station.log().text();
        ok = log.find("ADC Calibration has complited") != std::string::npos;
        std::fprintf(io.out, "%s\n", ok ? "ADC Calibration has complited"
                                        : (log.find("Fail: No input Signal!!") != std::string::npos
                                               ? "Fail: No input Signal!!"
                                               : "The ADC calibration did not run."));
    } else {
        std::fprintf(io.out, "Input source: %s\n", sourceName->c_str());
    }
    session.saveLog(self.name);
    station.onConnectClicked(false);
    return ok ? kExitOk : kExitFailure;
}

int RunAdc(Args& args, CliIo& io) {
    return Run(args, io, kAdcCommand, true);
}

int RunInputSource(Args& args, CliIo& io) {
    return Run(args, io, kInputSourceCommand, false);
}

}  // namespace
}  // namespace halvo::cli
