#pragma once

// The yield as a workbook: the yield per day with its chart, a Pareto of the failing items, the
// distributions of the white point's Δu'v' and of the gamma error, and the runs themselves.

#include <string>
#include <vector>

#include "results/run_record.h"
#include "results/yield.h"

namespace halvo::results {

// A histogram of values in `bins` equal bins from the smallest to the largest value.
struct Histogram {
    std::vector<double> lowerEdges;
    std::vector<int> counts;
    double width = 0.0;
};
Histogram MakeHistogram(const std::vector<double>& values, int bins);

// Writes the workbook; an existing file is replaced only when the new one is complete. False
// with *error set.
bool WriteResultsWorkbook(const std::string& path, const YieldReport& byDay, const std::vector<RunRecord>& runs,
                          std::string* error);

}  // namespace halvo::results
