#pragma once

// The verification before and after a calibration side by side: each verdict line of the later
// run next to the same test, item and quantity of the earlier one.

#include <string>
#include <vector>

#include "reports/report_book.h"

namespace halvo {

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

// A report value without the blanks its fixed-width format pads it with.
std::string TrimBlanks(const std::string& value);

}  // namespace halvo
