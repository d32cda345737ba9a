#include "setup/decimal_text.h"

#include <climits>
#include <cstddef>

namespace halvo {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

struct Scan {
    bool found = false;
    bool overflow = false;
    int value = 0;
    size_t end = 0;  // first character after the number
};

Scan ScanDecimal(std::string_view text) {
    Scan scan;
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // The limit is one larger for negative numbers, so INT_MIN itself reads without saturating.
    long long magnitude = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        scan.found = true;
        if (!scan.overflow) {
            magnitude = magnitude * 10 + (text[i] - '0');
            if (magnitude > limit) {
                scan.overflow = true;
                magnitude = limit;
            }
        }
        ++i;
    }
    scan.end = i;
    scan.value = static_cast<int>(negative ? -magnitude : magnitude);
    return scan;
}

}  // namespace

std::optional<int> LeadingDecimal(std::string_view text) {
    const Scan scan = ScanDecimal(text);
    if (!scan.found) {
        return std::nullopt;
    }
    return scan.value;
}

std::optional<int> WholeDecimal(std::string_view text) {
    const Scan scan = ScanDecimal(text);
    if (!scan.found || scan.overflow) {
        return std::nullopt;
    }
    for (size_t i = scan.end; i < text.size(); ++i) {
        if (!IsBlank(text[i])) {
            return std::nullopt;
        }
    }
    return scan.value;
}

}  // namespace halvo
