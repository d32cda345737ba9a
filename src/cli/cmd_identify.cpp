// halvo-cli identify: the station's monitor identification, step by step on timer 5.

#include "cli/json_writer.h"
#include "cli/station_session.h"
#include "monitor/identification.h"
#include "station/task_state.h"

namespace halvo::cli {
namespace {

int RunIdentify(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kIdentifyCommand = {
    "identify",
    "identify the connected monitor",
    "usage: halvo-cli identify (--monitor <port> | --simulate) [--json] [--log <file>] [-v]\n\n"
    "Runs the station's identification sequence (the same frames and waits as a connect) and\n"
    "prints the version text, the model flags, the model-info byte, the calibration ID, the\n"
    "backlight level, the capability value and whether the station supports the model.\n"
    "  --monitor <port>  the monitor's serial port (see halvo-cli ports)\n"
    "  --simulate        the built-in simulated monitor, on a virtual clock\n"
    "  --json            one JSON object\n"
    "  --log <file>      write the station log to a file\n"
    "  -v, --verbose     print the station log as it is written\n",
    RunIdentify,
};

namespace {

// Drives the identification on timer 5 until it hands over to the measurement cycle.
class IdentifyRun {
public:
    IdentifyRun(StationSession& session, MonitorIdentification& identification)
        : session_(session), identification_(identification) {
        session.scheduler().setTimerHandler([this](int id) { onTimer(id); });
    }
    bool run() {
        session_.task().stepCounter = 0;
        session_.scheduler().arm(kTimerIdentify, 10);
        return session_.runUntil([this] { return done_; }, 30000);
    }

private:
    void onTimer(int id) {
        if (id != kTimerIdentify) {
            return;
        }
        const std::optional<int> next =
            identification_.step(session_.task().stepCounter, session_.task().positionIndex);
        if (next) {
            session_.scheduler().arm(kTimerIdentify, *next);
        } else {
            done_ = true;
        }
    }

    StationSession& session_;
    MonitorIdentification& identification_;
    bool done_ = false;
};

int RunIdentify(Args& args, CliIo& io) {
    StationSession::Options options;
    std::string error;
    if (!StationSession::TakeOptions(args, options, &error)) {
        return UsageError(kIdentifyCommand, io, error);
    }
    const bool json = args.takeFlag("--json");
    if (!args.positionals().empty() || !args.error().empty()) {
        return UsageError(kIdentifyCommand, io, args.error().empty() ? "unexpected argument" : args.error());
    }
    StationSession session(options, io);
    if (!session.openMonitor("identify")) {
        session.saveLog("identify");
        return kExitFailure;
    }
    MonitorIdentification identification(session.sender(), session.log());
    IdentifyRun(session, identification).run();
    const bool logSaved = session.saveLog("identify");
    if (identification.validAnswers() == 0) {
        std::fprintf(io.err, "halvo-cli identify: the monitor on %s did not answer\n",
                     session.monitorLink().portName.c_str());
        return kExitFailure;
    }
    const MonitorIdentity& m = identification.identity();
    if (json) {
        JsonWriter j;
        j.beginObject()
            .string("port", session.monitorLink().portName)
            .string("versionText", m.versionText)
            .boolean("recognisedModel", m.recognisedModel)
            .boolean("modelTxm400", m.modelTxm400)
            .boolean("modelTxm600HdS", m.modelTxm600HdS)
            .integer("modelInfo", m.modelInfo)
            .string("calibrationId", m.calibrationId);
        if (m.backlight) {
            j.integer("backlight", *m.backlight);
        } else {
            j.null("backlight");
        }
        j.integer("capability", m.capability).boolean("supported", m.supported()).endObject();
        std::fprintf(io.out, "%s\n", j.text().c_str());
    } else {
        std::fprintf(io.out, "Port              %s\n", session.monitorLink().portName.c_str());
        std::fprintf(io.out, "Version text      %s\n", m.versionText.c_str());
        std::fprintf(io.out, "Recognised model  %s\n", m.recognisedModel ? "yes" : "no");
        std::fprintf(io.out, "TXM-400           %s\n", m.modelTxm400 ? "yes" : "no");
        std::fprintf(io.out, "TXM-600-HD-S      %s\n", m.modelTxm600HdS ? "yes" : "no");
        std::fprintf(io.out, "Model info        0x%02X\n", m.modelInfo);
        std::fprintf(io.out, "Calibration ID    %s\n", m.calibrationId.c_str());
        if (m.backlight) {
            std::fprintf(io.out, "Backlight         %d\n", *m.backlight);
        } else {
            std::fprintf(io.out, "Backlight         (no answer)\n");
        }
        std::fprintf(io.out, "Capability        0x%02X\n", m.capability);
        std::fprintf(io.out, "Supported         %s\n",
                     m.supported() ? "yes" : "no (This program dosen't support this monitor model)");
    }
    return logSaved ? kExitOk : kExitFailure;
}

}  // namespace
}  // namespace halvo::cli
