// halvo-cli results: the record of every run, in the embedded database or on the line's server.

#include <cinttypes>

#include "cli/json_writer.h"
#include "cli/results_access.h"
#include "cli/results_commands.h"
#include "cli/results_recording.h"
#include "cli/verdict_comparison.h"
#include "common/file_io.h"
#include "common/text_format.h"

namespace halvo::cli {
namespace {

int RunResults(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kResultsCommand = {
    "results",
    "the record of every run: list, show, yield, report, sync",
    "usage: halvo-cli results list [--id <cal id>] [--serial <s/n>] [--station <name>] [--since <date>]\n"
    "                              [--kind all|<kinds>] [--outcome all|<outcomes>] [--limit N] [--json]\n"
    "       halvo-cli results show <run id> [--json] [--cal <file>] [--log <file>]\n"
    "       halvo-cli results yield [--by day|station|operator|model] [--since <date>] [--kind ...]\n"
    "                               [--id ...] [--serial ...] [--station ...] [--json]\n"
    "       halvo-cli results report --out <file.xlsx> [--since <date>] [--kind ...] [--station ...]\n"
    "       halvo-cli results sync [--all]\n"
    "       every form also takes [--results-db <url or file>] [--local]\n\n"
    "Every calibration, verification, copy into a monitor, EEPROM read or write and aging run is\n"
    "recorded when it ends: the station, operator, S/N, the monitor's model, firmware and\n"
    "calibration ID, the instrument, the times, the outcome (with the reason of a failed or stopped\n"
    "run), every verification item with its value, limit and verdict, the calibration data as its\n"
    ".cal text and the run's log. Records go into the embedded database first ($XDG_DATA_HOME/halvo/\n"
    "results.sqlite, else ~/.local/share/halvo/results.sqlite); with a results server (a\n"
    "postgresql:// URL in --results-db, HALVO_RESULTS_DB or Station.ini beside Config.ini) they wait\n"
    "there until the server has them. The commands read the server when one is set, else the\n"
    "embedded database. Times are UTC.\n"
    "list    the runs, newest first, one line each (the run id's first 8 characters name it for show)\n"
    "show    one run whole; --cal and --log write its stored calibration data and log as files\n"
    "yield   runs, passed runs and pass rate per group, the median and 95th percentile of the white\n"
    "        point's \xCE\x94u'v' (6500K) and of the gamma error, and the items most often out of range;\n"
    "        verification runs unless --kind says otherwise\n"
    "report  the same as a workbook with charts: yield per day, a Pareto of the failing items, the\n"
    "        distributions, and the runs\n"
    "sync    sends the records still waiting to the results server (nothing is stored twice) and takes\n"
    "        in results that were kept aside while the embedded database could not be written; --all\n"
    "        sends every run of this station, those recorded before it had a server too\n"
    "  --id <cal id>      runs of this calibration ID\n"
    "  --serial <s/n>     runs of this monitor serial number\n"
    "  --station <name>   runs of this station\n"
    "  --since <date>     runs started on or after a UTC date (2024-05-01) or time (2024-05-01T14:30)\n"
    "  --kind K           all, or kinds out of calibration, verification, copy, eeprom-read,\n"
    "                     eeprom-write, aging separated by commas\n"
    "  --outcome O        all, or outcomes out of completed, failed, stopped separated by commas\n"
    "  --limit N          at most N runs (list; default 100, 0 for all)\n"
    "  --by G             yield groups: day (default), station, operator or model\n"
    "  --out <file.xlsx>  report: the workbook (its folder is made when missing)\n"
    "  --cal <file>       show: write the run's calibration data, byte for byte as the station saved it\n"
    "  --log <file>       show: write the run's log\n"
    "  --json             one JSON document\n"
    "  --results-db <url> the results server (postgresql://...) or an embedded database file\n"
    "  --local            read this station's embedded database even when a server is set\n"
    "  --all              sync: every run this station recorded, not only those waiting\n"
    "Exit codes: 0 done (sync: nothing left waiting), 1 the database or server could not be read or\n"
    "a record is not there, 2 bad arguments.\n",
    RunResults,
};

namespace {

std::string Short(const std::string& runId) {
    return runId.substr(0, 8);
}

std::string Shown(const std::string& isoTime) {
    // "2024-05-01T12:34:56.789Z" as "2024-05-01 12:34:56".
    std::string t = isoTime.substr(0, 19);
    if (t.size() > 10 && t[10] == 'T') {
        t[10] = ' ';
    }
    return t;
}

void RunJson(JsonWriter& j, const results::RunRecord& r) {
    j.string("runId", r.runId)
        .string("kind", results::RunKindName(r.kind))
        .string("mode", results::RunModeName(r.mode))
        .string("station", r.station)
        .string("operator", r.operatorName)
        .string("serialNumber", r.serialNumber)
        .string("model", r.model)
        .string("firmware", r.firmware)
        .string("calibrationId", r.calibrationId)
        .string("instrument", r.instrument)
        .string("instrumentSerial", r.instrumentSerial)
        .string("instrumentMatrix", r.instrumentMatrix)
        .string("startedAt", r.startedAt)
        .string("endedAt", r.endedAt)
        .number("stationSeconds", static_cast<double>(r.stationMs) / 1000.0)
        .string("outcome", results::RunOutcomeName(r.outcome))
        .string("reason", r.reason)
        .boolean("passed", r.passed);
    if (r.whiteDuv) {
        j.number("whiteDuv", *r.whiteDuv);
    }
    if (r.gammaError) {
        j.number("gammaError", *r.gammaError);
    }
    if (!r.parentRunId.empty()) {
        j.string("parentRunId", r.parentRunId);
    }
    j.string("programVersion", r.programVersion);
}

bool FilterGiven(const results::RunFilter& f) {
    return !f.calibrationId.empty() || !f.serialNumber.empty() || !f.station.empty() || !f.since.empty() ||
           !f.kinds.empty() || !f.outcomes.empty();
}

int List(const ResultsOptions& o, CliIo& io, const results::ResultsTarget& target) {
    results::RunFilter filter = o.filter;
    if (!o.limitGiven) {
        filter.limit = 100;
    }
    ResultsSource source;
    if (!OpenResultsSource(target, o.local, source, io, "list")) {
        return kExitFailure;
    }
    std::vector<results::RunRecord> runs;
    int64_t total = 0;
    std::string error;
    if (!source.empty) {
        if (!source.store->list(filter, runs, &error) || !source.store->count(filter, total, &error)) {
            std::fprintf(io.err, "halvo-cli results list: %s\n", error.c_str());
            return kExitFailure;
        }
    }
    if (o.json) {
        JsonWriter j;
        j.beginObject().string("source", source.place).integer("total", total).beginArray("runs");
        for (const results::RunRecord& r : runs) {
            j.beginObject();
            RunJson(j, r);
            j.endObject();
        }
        j.endArray().endObject();
        std::fprintf(io.out, "%s\n", j.text().c_str());
        return kExitOk;
    }
    if (runs.empty()) {
        std::fprintf(io.out, "No runs recorded%s in %s.\n", FilterGiven(filter) ? " that match" : "",
                     source.place.c_str());
        return kExitOk;
    }
    std::fprintf(io.out, "%-19s  %-12s  %-9s  %-4s  %-14s  %-14s  %-12s  %-10s  %s\n", "Started (UTC)", "Kind",
                 "Outcome", "Pass", "Station", "Operator", "S/N", "Cal. ID", "Run");
    for (const results::RunRecord& r : runs) {
        std::fprintf(io.out, "%-19s  %-12s  %-9s  %-4s  %-14s  %-14s  %-12s  %-10s  %s\n", Shown(r.startedAt).c_str(),
                     results::RunKindName(r.kind), results::RunOutcomeName(r.outcome), r.passed ? "yes" : "no",
                     r.station.c_str(), r.operatorName.c_str(), r.serialNumber.c_str(), r.calibrationId.c_str(),
                     Short(r.runId).c_str());
    }
    std::fprintf(io.out, "%zu of %" PRId64 " run(s) in %s%s\n", runs.size(), total, source.place.c_str(),
                 static_cast<int64_t>(runs.size()) < total ? " (--limit 0 lists all)" : "");
    return kExitOk;
}

void PrintRecord(CliIo& io, const results::RunRecord& r) {
    const auto line = [&](const char* label, const std::string& value) {
        if (!value.empty()) {
            std::fprintf(io.out, "%s %s\n", PadToWidth(label, 18).c_str(), value.c_str());
        }
    };
    line("Run", r.runId);
    line("Kind", results::RunKindName(r.kind));
    line("Mode", results::RunModeName(r.mode));
    line("Outcome", std::string(results::RunOutcomeName(r.outcome)) + (r.passed ? ", passed" : ", not passed"));
    line("Reason", r.reason);
    line("Station", r.station);
    line("Tested By", r.operatorName);
    line("S/N", r.serialNumber);
    line("Model", r.model);
    line("Firmware", r.firmware);
    line("Calibration ID", r.calibrationId);
    line("Instrument", r.instrument);
    line("Instrument serial", r.instrumentSerial);
    line("Cal File", r.instrumentMatrix);
    line("Started (UTC)", Shown(r.startedAt));
    line("Ended (UTC)", Shown(r.endedAt));
    line("Station time", Format("%.1f min", static_cast<double>(r.stationMs) / 60000.0));
    if (r.whiteDuv) {
        line("White \xCE\x94u'v'", Format("%.4f", *r.whiteDuv));
    }
    if (r.gammaError) {
        line("Gamma error", Format("%.3f", *r.gammaError));
    }
    line("Follows run", r.parentRunId);
    line("Program", r.programVersion);
    line("Calibration data", r.calText ? Format("%zu bytes (--cal <file> writes it)", r.calText->size()) : "");
    line("Log", r.logText ? Format("%zu bytes (--log <file> writes it)", r.logText->size()) : "");
    if (r.items.empty()) {
        return;
    }
    std::fprintf(io.out, "\n%-20s %-12s %-12s %-10s %-24s %s\n", "Test", "Item", "Quantity", "Value", "Limit", "Verdict");
    for (const results::VerificationItem& i : r.items) {
        std::fprintf(io.out, "%s %s %s %s %s %s\n", PadToWidth(i.test, 20).c_str(), PadToWidth(i.item, 12).c_str(),
                     PadToWidth(i.quantity, 12).c_str(), PadToWidth(i.value, 10).c_str(),
                     PadToWidth(i.limit, 24).c_str(), i.verdict.c_str());
    }
}

bool WriteStored(const std::optional<std::string>& text, const std::string& path, const char* what, CliIo& io) {
    std::string error;
    if (!text) {
        std::fprintf(io.err, "halvo-cli results show: the run has no stored %s\n", what);
        return false;
    }
    if (!PrepareOutput(path, OutputKind::File, &error) || !WriteFileAtomically(path, *text, &error)) {
        std::fprintf(io.err, "halvo-cli results show: %s\n", error.c_str());
        return false;
    }
    return true;
}

int Show(const ResultsOptions& o, CliIo& io, const results::ResultsTarget& target) {
    if (o.positionals.size() != 1 || o.positionals[0].empty()) {
        return UsageError(kResultsCommand, io, "show needs one run id");
    }
    const std::string& wanted = o.positionals[0];
    const bool json = o.json;
    const std::optional<std::string>& calPath = o.cal;
    const std::optional<std::string>& logPath = o.log;
    ResultsSource source;
    if (!OpenResultsSource(target, o.local, source, io, "show")) {
        return kExitFailure;
    }
    std::vector<std::string> ids;
    std::string error;
    if (!source.empty && !source.store->matchRunIds(wanted, ids, &error)) {
        std::fprintf(io.err, "halvo-cli results show: %s\n", error.c_str());
        return kExitFailure;
    }
    if (ids.size() != 1) {
        std::fprintf(io.err, "halvo-cli results show: %s run %s in %s\n", ids.empty() ? "no" : "more than one",
                     wanted.c_str(), source.place.c_str());
        return kExitFailure;
    }
    const std::optional<results::RunRecord> r = source.store->get(ids[0], &error);
    if (!r) {
        std::fprintf(io.err, "halvo-cli results show: %s\n", error.empty() ? "the run went away" : error.c_str());
        return kExitFailure;
    }
    if (json) {
        JsonWriter j;
        j.beginObject();
        RunJson(j, *r);
        j.integer("calBytes", r->calText ? static_cast<int64_t>(r->calText->size()) : 0)
            .integer("logBytes", r->logText ? static_cast<int64_t>(r->logText->size()) : 0)
            .beginArray("items");
        for (const results::VerificationItem& i : r->items) {
            j.beginObject()
                .string("test", i.test)
                .string("item", i.item)
                .string("quantity", i.quantity)
                .string("value", i.value)
                .string("limit", i.limit)
                .string("verdict", i.verdict)
                .endObject();
        }
        j.endArray().endObject();
        std::fprintf(io.out, "%s\n", j.text().c_str());
    } else {
        PrintRecord(io, *r);
    }
    bool ok = true;
    if (calPath) {
        ok = WriteStored(r->calText, *calPath, "calibration data", io) && ok;
    }
    if (logPath) {
        ok = WriteStored(r->logText, *logPath, "log", io) && ok;
    }
    return ok ? kExitOk : kExitFailure;
}

// Which options each action takes; any other given is a usage error.
struct ActionOptions {
    const char* action;
    bool filter;
    bool limit;
    bool json;
    bool by;
    bool out;
    bool files;
};
constexpr ActionOptions kActions[] = {
    {"list", true, true, true, false, false, false},    {"show", false, false, true, false, false, true},
    {"yield", true, false, true, true, false, false},   {"report", true, false, false, false, true, false},
    {"sync", false, false, false, false, false, false},
};

int RunResults(Args& args, CliIo& io) {
    const Subcommand& self = kResultsCommand;
    ResultsOptions o;
    std::string error;
    o.filter.limit = -1;
    if (!TakeResultsDbOption(args, o.resultsDb, &error) || !TakeRunFilter(args, o.filter, &error, true)) {
        return UsageError(self, io, error);
    }
    o.limitGiven = o.filter.limit >= 0;
    if (!o.limitGiven) {
        o.filter.limit = 0;
    }
    o.local = args.takeFlag("--local");
    o.json = args.takeFlag("--json");
    o.by = args.takeOption("--by");
    o.out = args.takeOutput("--out", OutputKind::File);
    o.cal = args.takeOutput("--cal", OutputKind::File);
    o.log = args.takeOutput("--log", OutputKind::File);
    o.all = args.takeFlag("--all");
    std::vector<std::string> pos = args.positionals();
    if (!args.error().empty()) {
        return UsageError(self, io, args.error());
    }
    if (pos.empty()) {
        return UsageError(self, io, "say list, show, yield, report or sync");
    }
    const ActionOptions* action = nullptr;
    for (const ActionOptions& a : kActions) {
        if (pos[0] == a.action) {
            action = &a;
        }
    }
    if (action == nullptr) {
        return UsageError(self, io, "unknown results action '" + pos[0] + "' (list, show, yield, report, sync)");
    }
    o.positionals.assign(pos.begin() + 1, pos.end());
    const bool stray = (!action->filter && FilterGiven(o.filter)) || (!action->limit && o.limitGiven) ||
                       (!action->json && o.json) || (!action->by && o.by) || (!action->out && o.out) ||
                       (!action->files && (o.cal || o.log)) || (std::string(action->action) != "sync" && o.all) ||
                       (std::string(action->action) != "show" && !o.positionals.empty());
    if (stray) {
        return UsageError(self, io, std::string("an option or argument that ") + action->action + " does not take");
    }
    const results::ResultsTarget target = ResolveCliResultsTarget(o.resultsDb, io);
    const std::string name = action->action;
    if (name == "list") {
        return List(o, io, target);
    }
    if (name == "show") {
        return Show(o, io, target);
    }
    if (name == "yield") {
        return ResultsYield(o, io, target);
    }
    if (name == "report") {
        return ResultsReport(o, io, target);
    }
    return ResultsSync(o, io, target);
}

}  // namespace
}  // namespace halvo::cli
