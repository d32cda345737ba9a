// halvo-cli copy: a stored calibration (.cal, or a run's log) written into a monitor, as the
// Calibration tab's "Load" and "Copy" do, with the copy's checks and its progress.

#include <chrono>
#include <string>

#include "caldata/color_space_targets.h"
#include "cli/controller_session.h"
#include "cli/progress_line.h"
#include "common/text_format.h"

namespace halvo::cli {
namespace {

int RunCopy(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kCopyCommand = {
    "copy",
    "copy stored calibration data into a monitor",
    "usage: halvo-cli copy (--simulate | --monitor <port> --instrument <name> [--port <port>])\n"
    "                      <file.cal | <ID>Log.txt> [--log <file>] [-v]\n\n"
    "Loads the calibration data as the Calibration page's \"Load\" does, checks it as \"Copy\" does\n"
    "(a gamma table that rises, a backlight value, colour spaces with their levels) and writes it\n"
    "into the monitor without measuring: backlight and colour temperature, uniformity, the gamma\n"
    "table and panel gamma, every colour space (replayed, so the monitor works out its own offsets,\n"
    "then its 3D table), the white gains of each colour temperature and the panel-gamma codes, and\n"
    "saves it in the monitor's EEPROM. A copy with colour spaces takes several minutes.\n"
    "Exit codes: 0 copied, 1 the data was refused, the copy stopped or no connection,\n"
    "2 bad arguments.\n",
    RunCopy,
    true,
};

namespace {

constexpr const char* kCopiedMessage = "Calibration data is copied successfully.\n Please restart monitor.";

std::string Contents(const CalibrationData& d) {
    std::string parts;
    const auto add = [&](const std::string& part) { parts += (parts.empty() ? "" : ", ") + part; };
    if (d.gammaPresent) {
        add("gamma table");
    }
    if (d.uniformityPresent) {
        add("uniformity");
    }
    if (d.colorSpacePresent) {
        std::string spaces;
        for (int n = 0; n < kColorSpaceCount; ++n) {
            if ((d.colorSpaceMask & (1u << n)) != 0 && HoldsColourSpaceCalibration(d, n)) {
                spaces += std::string(spaces.empty() ? "" : " ") + kColorSpaceListNames[static_cast<size_t>(n)];
            }
        }
        add(Format("colour spaces %s at %d level(s)", spaces.c_str(), std::max(d.levelCount, 1)));
    }
    add("white gains");
    return parts;
}

int RunCopy(Args& args, CliIo& io) {
    const Subcommand& self = kCopyCommand;
    ControllerSession::Options options;
    std::string error;
    if (!ControllerSession::TakeOptions(args, options, &error)) {
        return UsageError(self, io, error);
    }
    const std::vector<std::string> files = args.positionals();
    if (!args.error().empty() || files.size() != 1) {
        return UsageError(self, io, args.error().empty() ? "give one calibration data file" : args.error());
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
    session.runUntil([&] { return station.links().monitorAlive(); }, 10000);
    Ccalib& page = station.calib();
    const auto handled = [&] { return !session.scheduler().isArmed(kTimerPostedCommands); };
    // Loaded after the identification, which resets the page's targets.
    if (!page.loadFile(files[0])) {
        std::fprintf(io.err, "halvo-cli copy: %s was not loaded\n", files[0].c_str());
        session.saveLog(self.name);
        station.onConnectClicked(false);
        return kExitFailure;
    }
    session.runUntil(handled, 1000);
    const size_t messagesBefore = session.ui().messages.size();
    const int64_t start = session.scheduler().nowMs();
    const auto wallStart = std::chrono::steady_clock::now();
    // Running the command is the operator's answer to "Do you want to copy?".
    session.ui().yes = true;
    page.copyToMonitor();
    session.ui().yes = false;
    session.runUntil(handled, 1000);
    const bool started = session.scheduler().isArmed(kTimerSequence);
    ProgressLine progress(io.err, "Copying");
    CalibrationEngine& engine = station.engine();
    // A copy with five colour spaces and eight levels runs for about twenty minutes.
    const int64_t limitMs = 2LL * 3600 * 1000;
    while (started && engine.upload().running() && session.scheduler().nowMs() - start < limitMs) {
        session.runUntil([&] { return !engine.upload().running(); }, 1000);
        progress.show(page.statusText);
    }
    progress.finish();
    const int64_t stationMs = session.scheduler().nowMs() - start;
    const auto& messages = session.ui().messages;
    bool copied = false;
    for (size_t i = messagesBefore; i < messages.size(); ++i) {
        copied = copied || messages[i] == kCopiedMessage;
    }
    if (copied) {
        std::fprintf(io.out, "Copied            %s\n", Contents(page.data).c_str());
    } else if (!started) {
        std::fprintf(io.out, "Not copied: the data was refused (see the message above).\n");
    } else {
        std::fprintf(io.out, "Not copied: the copy stopped before its end.\n");
    }
    if (options.simulate) {
        std::fprintf(io.out, "Station time      %.1f min\n", static_cast<double>(stationMs) / 60000.0);
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count();
        std::fprintf(io.out, "Wall time         %.0f ms\n", wallMs);
    }
    session.saveLog(self.name);
    station.onConnectClicked(false);
    return copied ? kExitOk : kExitFailure;
}

}  // namespace
}  // namespace halvo::cli
