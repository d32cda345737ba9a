#pragma once

// The yield of a set of runs: how many, how many passed, the items most often out of range,
// and the spread of the white point's Δu'v' and of the gamma error, per day, station, operator
// or model.

#include <optional>
#include <string>
#include <vector>

#include "results/results_store.h"

namespace halvo::results {

enum class YieldGrouping { Day, Station, Operator, Model };
std::optional<YieldGrouping> ParseYieldGrouping(const std::string& name);
const char* YieldGroupingName(YieldGrouping grouping);

struct Distribution {
    int count = 0;  // runs that measured it
    double median = 0.0;
    double p95 = 0.0;
};

struct YieldGroup {
    std::string name;
    int runs = 0;
    int passed = 0;
    Distribution whiteDuv;
    Distribution gammaError;
    double passRate() const { return runs > 0 ? static_cast<double>(passed) / runs : 0.0; }
};

struct YieldReport {
    YieldGrouping grouping = YieldGrouping::Day;
    std::vector<YieldGroup> groups;  // in the order of their names
    YieldGroup total;
    std::vector<ItemCount> failingItems;
    // Every measured value, for the distributions' charts.
    std::vector<double> whiteDuvs;
    std::vector<double> gammaErrors;
};

// The p-quantile (0..1) of values, by linear interpolation between the closest ranks.
double Quantile(std::vector<double> values, double p);
Distribution Describe(const std::vector<double>& values);

bool BuildYield(ResultsStore& store, const RunFilter& filter, YieldGrouping grouping, YieldReport& report,
                std::string* error);

}  // namespace halvo::results
