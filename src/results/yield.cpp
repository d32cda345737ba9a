#include "results/yield.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

namespace halvo::results {

namespace {

struct Values {
    YieldGroup group;
    std::vector<double> white;
    std::vector<double> gamma;
};

void Add(Values& v, bool passed, const std::optional<std::string>& white, const std::optional<std::string>& gamma) {
    v.group.runs += 1;
    v.group.passed += passed ? 1 : 0;
    if (white) {
        v.white.push_back(std::strtod(white->c_str(), nullptr));
    }
    if (gamma) {
        v.gamma.push_back(std::strtod(gamma->c_str(), nullptr));
    }
}

YieldGroup Finish(Values& v) {
    v.group.whiteDuv = Describe(v.white);
    v.group.gammaError = Describe(v.gamma);
    return v.group;
}

}  // namespace

std::optional<YieldGrouping> ParseYieldGrouping(const std::string& name) {
    for (const YieldGrouping g : {YieldGrouping::Day, YieldGrouping::Station, YieldGrouping::Operator, YieldGrouping::Model}) {
        if (name == YieldGroupingName(g)) {
            return g;
        }
    }
    return std::nullopt;
}

const char* YieldGroupingName(YieldGrouping grouping) {
    switch (grouping) {
        case YieldGrouping::Day: return "day";
        case YieldGrouping::Station: return "station";
        case YieldGrouping::Operator: return "operator";
        case YieldGrouping::Model: return "model";
    }
    return "day";
}

double Quantile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const double rank = std::clamp(p, 0.0, 1.0) * static_cast<double>(values.size() - 1);
    const auto below = static_cast<size_t>(std::floor(rank));
    const size_t above = std::min(below + 1, values.size() - 1);
    const double fraction = rank - static_cast<double>(below);
    return values[below] + (values[above] - values[below]) * fraction;
}

Distribution Describe(const std::vector<double>& values) {
    Distribution d;
    d.count = static_cast<int>(values.size());
    if (!values.empty()) {
        d.median = Quantile(values, 0.5);
        d.p95 = Quantile(values, 0.95);
    }
    return d;
}

bool BuildYield(ResultsStore& store, const RunFilter& filter, YieldGrouping grouping, YieldReport& report,
                std::string* error) {
    report = YieldReport();
    report.grouping = grouping;
    std::vector<SqlValue> params;
    const std::string sql =
        "SELECT started_at, station, operator, model, passed, white_duv, gamma_error FROM runs WHERE " +
        FilterCondition(filter, "", params);
    std::vector<SqlRow> rows;
    if (!store.database().exec(sql, params, &rows, error)) {
        return false;
    }
    std::map<std::string, Values> groups;
    Values total;
    total.group.name = "all";
    for (const SqlRow& row : rows) {
        const auto text = [&](size_t c) { return row[c] ? *row[c] : std::string(); };
        std::string name;
        switch (grouping) {
            case YieldGrouping::Day: name = text(0).substr(0, 10); break;
            case YieldGrouping::Station: name = text(1); break;
            case YieldGrouping::Operator: name = text(2); break;
            case YieldGrouping::Model: name = text(3); break;
        }
        const bool passed = text(4) == "1";
        Values& g = groups[name];
        g.group.name = name;
        Add(g, passed, row[5], row[6]);
        Add(total, passed, row[5], row[6]);
    }
    for (auto& [name, values] : groups) {
        report.groups.push_back(Finish(values));
    }
    report.whiteDuvs = total.white;
    report.gammaErrors = total.gamma;
    report.total = Finish(total);
    return store.failingItems(filter, report.failingItems, error);
}

}  // namespace halvo::results
