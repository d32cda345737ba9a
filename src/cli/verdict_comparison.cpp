#include "cli/verdict_comparison.h"

#include <map>
#include <tuple>

#include "reports/pass_criteria.h"

namespace halvo::cli {

namespace {

std::string Trim(const std::string& s) {
    const size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first, s.find_last_not_of(' ') - first + 1);
}

void Count(Verdict verdict, int& measured, int& outOfRange) {
    measured += verdict == Verdict::NotMeasured ? 0 : 1;
    outOfRange += verdict == Verdict::OutOfRange ? 1 : 0;
}

std::string Cell(const std::string& value, Verdict verdict) {
    return verdict == Verdict::NotMeasured ? std::string("N/A") : value + " " + VerdictText(verdict);
}

}  // namespace

Comparison CompareVerdicts(const std::vector<VerdictLine>& before, const std::vector<VerdictLine>& after) {
    using Key = std::tuple<std::string, std::string, std::string>;
    // A key repeated within one run (it does not happen in the report today) pairs in order.
    std::map<Key, std::vector<const VerdictLine*>> earlier;
    Comparison c;
    for (const VerdictLine& v : before) {
        earlier[Key(v.test, v.item, v.quantity)].push_back(&v);
        Count(v.verdict, c.measuredBefore, c.outOfRangeBefore);
    }
    std::map<Key, size_t> used;
    for (const VerdictLine& v : after) {
        ComparedLine line;
        line.test = v.test;
        line.item = v.item;
        line.quantity = v.quantity;
        line.after = Trim(v.value);
        line.afterVerdict = v.verdict;
        const Key key(v.test, v.item, v.quantity);
        const auto found = earlier.find(key);
        size_t& n = used[key];
        if (found != earlier.end() && n < found->second.size()) {
            const VerdictLine& b = *found->second[n++];
            line.inBefore = true;
            line.before = Trim(b.value);
            line.beforeVerdict = b.verdict;
        }
        Count(v.verdict, c.measuredAfter, c.outOfRangeAfter);
        c.lines.push_back(std::move(line));
    }
    return c;
}

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
