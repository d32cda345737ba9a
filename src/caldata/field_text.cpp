#include "caldata/field_text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <system_error>

#include "common/text_format.h"

namespace halvo {

std::vector<std::string_view> SplitFields(std::string_view line, size_t maxFields, bool* dropped) {
    std::vector<std::string_view> fields;
    if (dropped) {
        *dropped = false;
    }
    size_t start = 0;
    while (true) {
        if (fields.size() == maxFields) {
            if (dropped) {
                *dropped = true;
            }
            break;
        }
        const size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) {
            fields.push_back(line.substr(start));
            break;
        }
        fields.push_back(line.substr(start, comma - start));
        start = comma + 1;
    }
    return fields;
}

std::optional<long> ParseInteger(std::string_view text, std::string_view skip) {
    size_t i = 0;
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || skip.find(text[i]) != std::string_view::npos)) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || text[i] < '0' || text[i] > '9') {
        return std::nullopt;
    }
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value > (LONG_MAX - digit) / 10) {
            value = LONG_MAX;
        } else {
            value = value * 10 + digit;
        }
    }
    return negative ? -value : value;
}

std::optional<double> ParseReal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    if (i < text.size() && text[i] == '+') {
        ++i;
    }
    // from_chars reads the C notation whatever locale a front end has set.
    double value = 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end == first || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string_view Between(std::string_view text, char open, char close) {
    const size_t from = text.find(open);
    if (from == std::string_view::npos) {
        return {};
    }
    const size_t to = text.find(close, from + 1);
    return text.substr(from + 1, to == std::string_view::npos ? std::string_view::npos : to - from - 1);
}

void Warnings::add(std::string text) {
    ++total_;
    if (kept_.size() < max_) {
        kept_.push_back(std::move(text));
    }
}

std::vector<std::string> Warnings::lines() const {
    std::vector<std::string> out = kept_;
    if (total_ > static_cast<int>(kept_.size())) {
        out.push_back(Format("... and %d more", total_ - static_cast<int>(kept_.size())));
    }
    return out;
}

}  // namespace halvo
