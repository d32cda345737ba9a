#include "cli/verdict_comparison.h"

#include "reports/pass_criteria.h"

namespace halvo::cli {

namespace {

std::string Cell(const std::string& value, Verdict verdict) {
    return verdict == Verdict::NotMeasured ? std::string("N/A") : value + " " + VerdictText(verdict);
}

}  // namespace

std::string PadToWidth(const std::string& text, size_t width) {
    size_t shown = 0;
    for (const char ch : text) {
        shown += (static_cast<unsigned char>(ch) & 0xC0) == 0x80 ? 0 : 1;
    }
    return shown >= width ? text : text + std::string(width - shown, ' ');
}

void PrintComparison(std::FILE* out, const Comparison& c) {
    std::fprintf(out, "%s%s%s%s%s\n", PadToWidth("Test", 21).c_str(), PadToWidth("Item", 13).c_str(),
                 PadToWidth("Quantity", 13).c_str(), PadToWidth("Before", 15).c_str(), "After");
    for (const ComparedLine& l : c.lines) {
        const std::string before = l.inBefore ? Cell(l.before, l.beforeVerdict) : std::string("-");
        std::fprintf(out, "%s%s%s%s%s\n", PadToWidth(l.test, 21).c_str(), PadToWidth(l.item, 13).c_str(),
                     PadToWidth(l.quantity, 13).c_str(), PadToWidth(before, 15).c_str(),
                     Cell(l.after, l.afterVerdict).c_str());
    }
    std::fprintf(out, "Before: %d of %d measured items out of range. After: %d of %d out of range%s\n",
                 c.outOfRangeBefore, c.measuredBefore, c.outOfRangeAfter, c.measuredAfter,
                 c.passedAfter() ? ", the monitor passes." : ", the monitor FAILS.");
}

}  // namespace halvo::cli
