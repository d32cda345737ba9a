// halvo-cli results yield and results report: how a line's runs went, as a table and as a
// workbook with charts.

#include "cli/json_writer.h"
#include "cli/results_access.h"
#include "cli/results_commands.h"
#include "cli/verdict_comparison.h"
#include "common/text_format.h"
#include "results/results_workbook.h"
#include "results/yield.h"

namespace halvo::cli {

namespace {

// Yield is about verifications unless the operator asks for other kinds.
results::RunFilter YieldFilter(const ResultsOptions& o) {
    results::RunFilter f = o.filter;
    if (f.kinds.empty()) {
        f.kinds = {results::RunKind::Verification};
    }
    return f;
}

std::string Kinds(const results::RunFilter& f) {
    std::string s;
    for (const results::RunKind k : f.kinds) {
        s += (s.empty() ? "" : ", ") + std::string(results::RunKindName(k));
    }
    return s;
}

std::string ItemName(const results::ItemCount& i) {
    std::string s = i.test;
    for (const std::string* part : {&i.item, &i.quantity}) {
        if (!part->empty() && *part != " ") {
            s += " " + *part;
        }
    }
    return s;
}

// Median and 95th percentile with `decimals` places.
std::string Spread(const results::Distribution& d, int decimals) {
    if (d.count == 0) {
        return PadToWidth("-", 8) + " " + PadToWidth("-", 8);
    }
    return PadToWidth(Format("%.*f", decimals, d.median), 8) + " " + PadToWidth(Format("%.*f", decimals, d.p95), 8);
}

void PrintGroup(CliIo& io, const results::YieldGroup& g) {
    std::fprintf(io.out, "%s %5d %6d %8.1f %%  %s   %s\n", PadToWidth(g.name.empty() ? "(none)" : g.name, 16).c_str(),
                 g.runs, g.passed, g.passRate() * 100.0, Spread(g.whiteDuv, 4).c_str(),
                 Spread(g.gammaError, 3).c_str());
}

void DistributionJson(JsonWriter& j, const char* key, const results::Distribution& d) {
    j.beginObject(key).integer("count", d.count);
    if (d.count > 0) {
        j.number("median", d.median).number("p95", d.p95);
    }
    j.endObject();
}

void GroupJson(JsonWriter& j, const results::YieldGroup& g) {
    j.string("name", g.name).integer("runs", g.runs).integer("passed", g.passed).number("passRate", g.passRate());
    DistributionJson(j, "whiteDuv", g.whiteDuv);
    DistributionJson(j, "gammaError", g.gammaError);
}

bool Build(const ResultsOptions& o, CliIo& io, const results::ResultsTarget& target, results::YieldGrouping grouping,
           const char* command, results::YieldReport& report, std::string& place, std::vector<results::RunRecord>* runs) {
    ResultsSource source;
    if (!OpenResultsSource(target, o.local, source, io, command)) {
        return false;
    }
    place = source.place;
    if (source.empty) {
        report = results::YieldReport();
        report.grouping = grouping;
        return true;
    }
    std::string error;
    const results::RunFilter filter = YieldFilter(o);
    if (!results::BuildYield(*source.store, filter, grouping, report, &error) ||
        (runs != nullptr && !source.store->list(filter, *runs, &error))) {
        std::fprintf(io.err, "halvo-cli results %s: %s\n", command, error.c_str());
        return false;
    }
    return true;
}

}  // namespace

int ResultsYield(const ResultsOptions& o, CliIo& io, const results::ResultsTarget& target) {
    const auto grouping = results::ParseYieldGrouping(o.by.value_or("day"));
    if (!grouping) {
        return UsageError(kResultsCommand, io, "--by takes day, station, operator or model");
    }
    results::YieldReport report;
    std::string place;
    if (!Build(o, io, target, *grouping, "yield", report, place, nullptr)) {
        return kExitFailure;
    }
    const results::RunFilter filter = YieldFilter(o);
    if (o.json) {
        JsonWriter j;
        j.beginObject().string("source", place).string("by", results::YieldGroupingName(*grouping)).beginArray("groups");
        for (const results::YieldGroup& g : report.groups) {
            j.beginObject();
            GroupJson(j, g);
            j.endObject();
        }
        j.endArray().beginObject("total");
        GroupJson(j, report.total);
        j.endObject().beginArray("failingItems");
        for (const results::ItemCount& i : report.failingItems) {
            j.beginObject()
                .string("test", i.test)
                .string("item", i.item)
                .string("quantity", i.quantity)
                .integer("count", i.count)
                .endObject();
        }
        j.endArray().endObject();
        std::fprintf(io.out, "%s\n", j.text().c_str());
        return kExitOk;
    }
    std::fprintf(io.out, "Yield of %s runs by %s%s, from %s\n\n", Kinds(filter).c_str(),
                 results::YieldGroupingName(*grouping), filter.since.empty() ? "" : (" since " + filter.since).c_str(),
                 place.c_str());
    if (report.total.runs == 0) {
        std::fprintf(io.out, "No runs recorded that match.\n");
        return kExitOk;
    }
    std::fprintf(io.out, "%s %5s %6s %10s  %s   %s\n", PadToWidth(results::YieldGroupingName(*grouping), 16).c_str(),
                 "Runs", "Passed", "Pass rate", PadToWidth("White \xCE\x94u'v'", 17).c_str(),
                 PadToWidth("Gamma error", 17).c_str());
    const std::string spread = PadToWidth("median", 8) + " " + PadToWidth("p95", 8);
    std::fprintf(io.out, "%s %5s %6s %10s  %s   %s\n", PadToWidth("", 16).c_str(), "", "", "", spread.c_str(),
                 spread.c_str());
    for (const results::YieldGroup& g : report.groups) {
        PrintGroup(io, g);
    }
    if (report.groups.size() > 1) {
        PrintGroup(io, report.total);
    }
    if (!report.failingItems.empty()) {
        std::fprintf(io.out, "\nItems most often out of range\n");
        const size_t shown = std::min<size_t>(report.failingItems.size(), 10);
        for (size_t i = 0; i < shown; ++i) {
            const results::ItemCount& item = report.failingItems[i];
            std::fprintf(io.out, "%6lld  %s\n", static_cast<long long>(item.count), ItemName(item).c_str());
        }
        if (report.failingItems.size() > shown) {
            std::fprintf(io.out, "        ... and %zu more (--json lists them all)\n", report.failingItems.size() - shown);
        }
    }
    return kExitOk;
}

int ResultsReport(const ResultsOptions& o, CliIo& io, const results::ResultsTarget& target) {
    if (!o.out || o.out->empty()) {
        return UsageError(kResultsCommand, io, "report needs --out <file.xlsx>");
    }
    results::YieldReport report;
    std::string place;
    std::vector<results::RunRecord> runs;
    if (!Build(o, io, target, results::YieldGrouping::Day, "report", report, place, &runs)) {
        return kExitFailure;
    }
    std::string error;
    if (!PrepareOutput(*o.out, OutputKind::File, &error) || !results::WriteResultsWorkbook(*o.out, report, runs, &error)) {
        std::fprintf(io.err, "halvo-cli results report: %s\n", error.c_str());
        return kExitFailure;
    }
    std::fprintf(io.out, "Wrote %s: %d run(s) from %s\n", o.out->c_str(), report.total.runs, place.c_str());
    return kExitOk;
}

}  // namespace halvo::cli
