#include "reports/verdict_comparison.h"

#include <map>
#include <tuple>

namespace halvo {

namespace {

void Count(Verdict verdict, int& measured, int& outOfRange) {
    measured += verdict == Verdict::NotMeasured ? 0 : 1;
    outOfRange += verdict == Verdict::OutOfRange ? 1 : 0;
}

}  // namespace

std::string TrimBlanks(const std::string& s) {
    const size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first, s.find_last_not_of(' ') - first + 1);
}

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
        line.after = TrimBlanks(v.value);
        line.afterVerdict = v.verdict;
        const Key key(v.test, v.item, v.quantity);
        const auto found = earlier.find(key);
        size_t& n = used[key];
        if (found != earlier.end() && n < found->second.size()) {
            const VerdictLine& b = *found->second[n++];
            line.inBefore = true;
            line.before = TrimBlanks(b.value);
            line.beforeVerdict = b.verdict;
        }
        Count(v.verdict, c.measuredAfter, c.outOfRangeAfter);
        c.lines.push_back(std::move(line));
    }
    return c;
}

}  // namespace halvo
