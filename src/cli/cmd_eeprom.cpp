// halvo-cli eeprom: the operator's EEPROM copy (read the colour data to a file, write it back).

#include <unistd.h>

#include "cli/results_recording.h"
#include "cli/station_session.h"
#include "common/file_io.h"
#include "common/text_format.h"
#include "common/version.h"
#include "monitor/eeprom_transfer.h"

namespace halvo::cli {
namespace {

int RunEeprom(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kEepromCommand = {
    "eeprom",
    "read or write the monitor's EEPROM colour data",
    "usage: halvo-cli eeprom read (--monitor <port> | --simulate) --out <file> [--log <file>] [-v]\n"
    "                             [--results-db <url>]\n"
    "       halvo-cli eeprom write (--monitor <port> | --simulate) --in <file> [--log <file>] [-v]\n"
    "                              [--results-db <url>]\n\n"
    "read  copies the monitor's colour data (EEPROM addresses 32-564, 584-1023 and 6144-6655,\n"
    "      1485 bytes) into a file, byte by byte as the station's Setup page does.\n"
    "write writes such a file back into a monitor (about 30 seconds). A file of another size\n"
    "      is refused.\n"
    "  --monitor <port>  the monitor's serial port (see halvo-cli ports)\n"
    "  --simulate        the built-in simulated monitor, on a virtual clock\n"
    "  --out <file>      read: the file the colour data goes to\n"
    "  --in <file>       write: the file the colour data comes from\n"
    "  --log <file>      write the station log to a file\n"
    "  -v, --verbose     print the station log as it is written\n"
    "  --results-db <url> where the run's record goes (see halvo-cli results; default\n"
    "                    HALVO_RESULTS_DB, else Station.ini, else the embedded database)\n",
    RunEeprom,
};

namespace {

// The run's record, as the station keeps one for every EEPROM copy.
void RecordTransfer(const std::string& resultsDb, CliIo& io, StationSession& session, bool reading, bool ok,
                    const std::string& error, const EepromImage& image, int64_t startedUnixMs, int64_t startedMs) {
    std::unique_ptr<results::RunRecorder> recorder = MakeRunRecorder(resultsDb, io, session.log());
    results::RunRecord r;
    r.runId = results::NewRunId();
    r.kind = reading ? results::RunKind::EepromRead : results::RunKind::EepromWrite;
    r.calibrationId = image.present ? image.idText() : std::string();
    r.startedAt = results::IsoTimeUtc(startedUnixMs);
    r.endedAt = results::IsoTimeUtc(results::NowUnixMs());
    r.stationMs = session.scheduler().nowMs() - startedMs;
    r.outcome = ok ? results::RunOutcome::Completed : results::RunOutcome::Failed;
    r.reason = ok ? std::string() : error;
    r.passed = ok;
    r.programVersion = Format("%d.%d", kVersionMajor, kVersionMinor);
    r.logText = WithCrLf(session.log().text());
    recorder->recordRun(std::move(r));
}

class ProgressLine {
public:
    ProgressLine(std::FILE* to, const char* what) : to_(to), what_(what), tty_(::isatty(::fileno(to)) != 0) {}
    void operator()(int position) {
        if (tty_ && (position % 15 == 0 || position == static_cast<int>(kEepromImageSize))) {
            std::fprintf(to_, "\r%s %4d/%zu", what_, position, kEepromImageSize);
            std::fflush(to_);
        }
    }
    void finish() {
        if (tty_) {
            std::fputc('\n', to_);
        }
    }

private:
    std::FILE* to_;
    const char* what_;
    bool tty_;
};

int RunEeprom(Args& args, CliIo& io) {
    const Subcommand& self = kEepromCommand;
    StationSession::Options options;
    std::string error;
    std::string resultsDb;
    if (!StationSession::TakeOptions(args, options, &error) || !TakeResultsDbOption(args, resultsDb, &error)) {
        return UsageError(self, io, error);
    }
    const std::optional<std::string> out = args.takeOutput("--out", OutputKind::File);
    const std::optional<std::string> in = args.takeOption("--in");
    const std::vector<std::string> pos = args.positionals();
    if (!args.error().empty()) {
        return UsageError(self, io, args.error());
    }
    if (pos.size() != 1 || (pos[0] != "read" && pos[0] != "write")) {
        return UsageError(self, io, "say read or write");
    }
    const bool reading = pos[0] == "read";
    if (reading ? (!out || in) : (!in || out)) {
        return UsageError(self, io, reading ? "read needs --out <file>" : "write needs --in <file>");
    }

    if (reading && !PrepareOutput(*out, OutputKind::File, &error)) {
        std::fprintf(io.err, "halvo-cli eeprom: %s\n", error.c_str());
        return kExitFailure;
    }
    EepromImage image;
    if (!reading) {
        std::string data;
        if (!ReadWholeFile(*in, data, &error, 1u << 20)) {
            std::fprintf(io.err, "halvo-cli eeprom: %s\n", error.c_str());
            return kExitFailure;
        }
        if (data.size() != kEepromImageSize) {
            std::fprintf(io.err, "halvo-cli eeprom: %s holds %zu bytes; an EEPROM image has %zu. Nothing written.\n",
                         in->c_str(), data.size(), kEepromImageSize);
            return kExitFailure;
        }
        std::copy(data.begin(), data.end(), image.bytes.begin());
        image.present = true;
    }

    StationSession session(options, io);
    if (!session.openMonitor("eeprom")) {
        session.saveLog("eeprom");
        return kExitFailure;
    }
    EepromTransfer transfer(session.sender(), session.log(), session.scheduler());
    ProgressLine progress(io.err, reading ? "Reading EEPROM" : "Writing EEPROM");
    int code = kExitOk;
    const int64_t startedUnixMs = results::NowUnixMs();
    const int64_t startedMs = session.scheduler().nowMs();
    bool transferred = false;
    if (reading) {
        const bool ok = transfer.read(image, std::ref(progress), &error);
        transferred = ok;
        progress.finish();
        if (!ok) {
            std::fprintf(io.err, "halvo-cli eeprom: %s\n", error.c_str());
            code = kExitFailure;
        } else if (!WriteFileAtomically(*out, std::string(image.bytes.begin(), image.bytes.end()), &error)) {
            std::fprintf(io.err, "halvo-cli eeprom: %s\n", error.c_str());
            code = kExitFailure;
        } else {
            std::fprintf(io.out, "Read %zu bytes into %s (calibration ID \"%s\")\n", kEepromImageSize, out->c_str(),
                         image.idText().c_str());
        }
    } else {
        transfer.write(image, std::ref(progress));
        progress.finish();
        transferred = transfer.verifyWrite(image, &error);
        if (!transferred) {
            std::fprintf(io.err, "halvo-cli eeprom: %s\n", error.c_str());
            code = kExitFailure;
        } else {
            std::fprintf(io.out, "Wrote %zu bytes from %s\n", kEepromImageSize, in->c_str());
        }
    }
    RecordTransfer(resultsDb, io, session, reading, transferred, transferred ? std::string() : error, image,
                   startedUnixMs, startedMs);
    if (!session.saveLog("eeprom")) {
        code = kExitFailure;
    }
    return code;
}

}  // namespace
}  // namespace halvo::cli
