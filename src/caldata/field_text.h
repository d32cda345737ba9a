#pragma once

// Reading the station's comma-separated text files (.cal files, logs, target files): lines,
// fields and numbers the way those files were always read. Lines end at a line feed with an
// optional carriage return before it; fields are split at every ",", empty ones included;
// numbers may have leading blanks and text after them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvo {

// The longest line the readers look at; the rest of a longer line is not read.
inline constexpr size_t kMaxLineBytes = 499;

// Calls fn(line, lineNumber) for every line (numbers from 1), without its line end and cut to
// kMaxLineBytes. Returns the number of lines.
template <typename Fn>
int ForEachLine(std::string_view text, Fn&& fn) {
    int number = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.size() > kMaxLineBytes) {
            line = line.substr(0, kMaxLineBytes);
        }
        fn(line, ++number);
        start = next;
    }
    return number;
}

// The fields of a line split at ",", at most maxFields; *dropped (when given) tells whether
// there were more.
std::vector<std::string_view> SplitFields(std::string_view line, size_t maxFields, bool* dropped = nullptr);

// A decimal integer after optional blanks (and, with skip, any of those characters), with an
// optional sign; what follows the digits is ignored. nullopt when there are no digits. Values
// beyond the range of long are held at its ends.
std::optional<long> ParseInteger(std::string_view text, std::string_view skip = {});
// A real number after optional blanks; nullopt when none can be read or it is not finite.
std::optional<double> ParseReal(std::string_view text);

// Value conversions as the station always stored numbers into bytes and 16-bit entries: the
// low bits of the number (-1 becomes 255).
inline uint8_t LowByte(long value) { return static_cast<uint8_t>(static_cast<unsigned long>(value) & 0xFFu); }
inline uint16_t LowWord(long value) { return static_cast<uint16_t>(static_cast<unsigned long>(value) & 0xFFFFu); }

// The text between the first open and the next close character after it; empty when there is
// no open character, the rest of the line when there is no close one.
std::string_view Between(std::string_view text, char open, char close);

// Up to max warnings kept word for word, the rest only counted, so that a garbled file cannot
// flood the log.
class Warnings {
public:
    explicit Warnings(size_t max = 20) : max_(max) {}
    void add(std::string text);
    const std::vector<std::string>& kept() const { return kept_; }
    int total() const { return total_; }
    // The kept lines, then "... and %d more" when some were only counted.
    std::vector<std::string> lines() const;

private:
    size_t max_;
    std::vector<std::string> kept_;
    int total_ = 0;
};

}  // namespace halvo
