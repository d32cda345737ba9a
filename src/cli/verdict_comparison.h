#pragma once

// The verification before and after a calibration side by side: each verdict line of the later
// run next to the same test, item and quantity of the earlier one, laid out for a terminal.

#include <cstdio>
#include <string>
#include <vector>

#include "reports/report_book.h"

namespace halvo::cli {

struct ComparedLine {
    std::string test;
    std::string item;
    std::string quantity;
    std::string before;  // trimmed value; "" when not measured or absent before
    Verdict beforeVerdict = Verdict::NotMeasured;
    bool inBefore = false;  // the earlier run had this line at all
    std::string after;
    Verdict afterVerdict = Verdict::NotMeasured;
};

struct Comparison {
    std::vector<ComparedLine> lines;  // in the order of the later run
    int measuredBefore = 0;
    int outOfRangeBefore = 0;
    int measuredAfter = 0;
    int outOfRangeAfter = 0;
    // The later run measured something and nothing it measured is out of range.
    bool passedAfter() const { return measuredAfter > 0 && outOfRangeAfter == 0; }
};

// Lines of the earlier run that the later one lacks are dropped: the later run is what is judged.
Comparison CompareVerdicts(const std::vector<VerdictLine>& before, const std::vector<VerdictLine>& after);

// `text` padded with spaces to `width` characters on a terminal; UTF-8 sequences ("Δu'") count as
// one character, so the columns stay aligned. Longer text is left as it is.
std::string PadToWidth(const std::string& text, size_t width);

// The table (test, item, quantity, value and verdict before, value and verdict after) and the
// counts under it.
void PrintComparison(std::FILE* out, const Comparison& comparison);

}  // namespace halvo::cli
