// halvo-cli measure: readings through the station's real measurement cycle.

#include <algorithm>
#include <csignal>
#include <functional>
#include <optional>

#include "cli/controller_session.h"
#include "cli/json_writer.h"
#include "common/text_format.h"

namespace halvo::cli {
namespace {

int RunMeasure(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kMeasureCommand = {
    "measure",
    "take readings with the connected instrument",
    "usage: halvo-cli measure --simulate [--instrument <name>] [--count N] [--continuous] [--json]\n"
    "                         [--matrix <n>] [station options]\n"
    "       halvo-cli measure [--monitor <port>] [--instrument <name>] [--port <port>] [--count N]\n"
    "                         [--continuous] [--json] [--matrix <n>] [station options]\n\n"
    "Connects as the station does (the monitor is identified first when one is given), then takes\n"
    "readings through the measurement cycle and prints each as the reading list shows it, or with\n"
    "--json as one object per line (x, y, u, vp, lv, cct, duv). Without --simulate, give the\n"
    "monitor's or the instrument's port, or both.\n"
    "  --count N            readings to take (default 1; with --continuous, until interrupted)\n"
    "  --continuous         measure with \"Continuously\" checked instead of one \"Measure\" each\n"
    "  --json               one JSON object per reading\n"
    "  --matrix <n>         K-10: measure with calibration matrix n (0..93, see k10-matrices)\n"
    "Ctrl-C ends the readings and disconnects.\n",
    RunMeasure,
    true,
};

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
}

void PrintReading(CliIo& io, bool json, int index, const ColorReading& r) {
    if (json) {
        JsonWriter j;
        j.beginObject()
            .number("x", r.x)
            .number("y", r.y)
            .number("u", r.u)
            .number("vp", r.vp)
            .number("lv", r.lv)
            .integer("cct", r.cct)
            .number("duv", r.duv)
            .endObject();
        std::fprintf(io.out, "%s\n", j.text().c_str());
    } else {
        const ReadingRows rows = FormatReadingRows(r);
        std::fprintf(io.out, "%3d  x %s  y %s  u' %s  v' %s  Lv %s  T %s  \u0394uv %s\n", index, rows[0].c_str(),
                     rows[1].c_str(), rows[2].c_str(), rows[3].c_str(), rows[4].c_str(), rows[5].c_str(),
                     rows[6].c_str());
    }
    std::fflush(io.out);
}

// Chooses the K-10 matrix as an operator would: once the prepare step has filled the "Cal File"
// list, pick the entry on the Setup page.
bool SelectMatrix(ControllerSession& session, int index, CliIo& io) {
    CHalvoDlg& station = session.station();
    Setup& setup = station.setup();
    const bool listed = session.runUntil(
        [&] { return !session.scheduler().isArmed(kTimerPrepare) && setup.calFile.items.size() == 100; }, 5000);
    if (!listed || station.k10() == nullptr) {
        std::fprintf(io.err, "halvo-cli measure: the K-10's matrix list did not come\n");
        return false;
    }
    setup.onCalFileChanged(index);
    if (setup.calFile.selected != index) {
        return false;  // the page said why
    }
    session.runUntil([&] { return !session.scheduler().isArmed(kTimerPostedCommands); }, 1000);
    const KClmtr& k10 = *station.k10();
    if (k10.currentMatrix() != index || !k10.matrixLoaded()) {
        std::fprintf(io.err, "halvo-cli measure: the K-10 did not deliver matrix %d\n", index);
        return false;
    }
    if (index != 0 && k10.matrixInUse() == 0) {
        std::fprintf(io.err, "halvo-cli measure: matrix %s holds no correction; measuring as the factory calibrated\n",
                     setup.calFile.items[static_cast<size_t>(index)].c_str());
    }
    return true;
}

constexpr int64_t kReadingMarginMs = 10000;
constexpr int64_t kReadingSliceMs = 500;

int RunMeasure(Args& args, CliIo& io) {
    const Subcommand& self = kMeasureCommand;
    ControllerSession::Options options;
    std::string error;
    if (!ControllerSession::TakeOptions(args, options, &error)) {
        return UsageError(self, io, error);
    }
    const bool json = args.takeFlag("--json");
    const bool continuous = args.takeFlag("--continuous");
    long count = continuous ? -1 : 1;
    if (auto c = args.takeOption("--count")) {
        const auto n = ParseLong(*c);
        if (!n || *n < 1 || *n > 1000000) {
            return UsageError(self, io, "--count needs a number from 1");
        }
        count = *n;
    }
    std::optional<int> matrix;
    if (auto m = args.takeOption("--matrix")) {
        const auto n = ParseLong(*m);
        if (!n || *n < 0 || *n >= 100) {
            return UsageError(self, io, "--matrix needs a matrix number (0..93)");
        }
        matrix = static_cast<int>(*n);
    }
    if (!args.positionals().empty() || !args.error().empty()) {
        return UsageError(self, io, args.error().empty() ? "unexpected argument" : args.error());
    }
    if (!options.simulate && options.monitorPort.empty() && options.instrumentPort.empty()) {
        return UsageError(self, io, "give --simulate, or the ports (--monitor, --port) of the station");
    }

    ControllerSession session(options, io);
    if (!session.start("measure")) {
        return kExitFailure;
    }
    if (matrix && session.station().setup().instrumentKind() != static_cast<int>(InstrumentKind::K10)) {
        return UsageError(self, io, "--matrix is for the K-10");
    }
    if (!session.connect("measure")) {
        session.saveLog("measure");
        return kExitFailure;
    }
    CHalvoDlg& station = session.station();
    if (matrix && !SelectMatrix(session, *matrix, io)) {
        station.onConnectClicked(false);
        session.saveLog("measure");
        return kExitFailure;
    }
    long taken = 0;
    station.readingObserver = [&] {
        ++taken;
        PrintReading(io, json, static_cast<int>(taken), station.currentReading);
    };
    interrupted = 0;
    const auto previous = std::signal(SIGINT, OnInterrupt);

    // Ten seconds beyond the instrument's own wait between trigger and read before calling it
    // silent: most readings take well under a second, a CS-200 on a manual time up to a minute.
    int64_t limitMs = kReadingMarginMs;
    const auto waitFor = [&](const std::function<bool()>& done) {
        const int64_t start = session.scheduler().nowMs();
        for (;;) {
            const InstrumentDriver* instrument = station.instrument();
            limitMs = kReadingMarginMs + (instrument != nullptr ? std::max(instrument->waitMs(), 0) : 0);
            const int64_t left = start + limitMs - session.scheduler().nowMs();
            if (left <= 0) {
                return false;
            }
            // In slices, so that a wait the trigger has just set up lengthens the limit.
            if (session.runUntil(done, std::min<int64_t>(left, kReadingSliceMs))) {
                return true;
            }
        }
    };
    bool ok = true;
    if (continuous) {
        if (!station.window().continuouslyChecked) {
            station.onContinuouslyToggled(true);
        }
        while (ok && (count < 0 || taken < count) && !interrupted) {
            const long before = taken;
            ok = waitFor([&] { return taken > before || interrupted; });
        }
    } else {
        if (station.window().continuouslyChecked) {
            station.onContinuouslyToggled(false);
        }
        for (long i = 0; ok && i < count && !interrupted; ++i) {
            const long before = taken;
            ok = waitFor([&] { return station.task().CalibrationState == kTaskIdle; });
            station.onMeasureClicked();
            ok = ok && waitFor([&] { return taken > before || interrupted; });
        }
    }
    std::signal(SIGINT, previous);
    station.readingObserver = nullptr;
    station.onConnectClicked(false);
    const bool logSaved = session.saveLog("measure");
    if (!ok && !interrupted) {
        std::fprintf(io.err, "halvo-cli measure: no reading from the %s within %lld s\n",
                     kInstrumentNames[static_cast<size_t>(station.setup().instrumentKind())],
                     static_cast<long long>(limitMs / 1000));
        return kExitFailure;
    }
    return logSaved ? kExitOk : kExitFailure;
}

}  // namespace
}  // namespace halvo::cli
