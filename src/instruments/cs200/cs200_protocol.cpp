#include "instruments/cs200/cs200_protocol.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/text_format.h"

namespace halvo {
namespace {

// Places in the speed template.
constexpr size_t kSpeedDigit = 4;
constexpr size_t kSecondsText = 6;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One column: blanks around a floating-point number, nothing else.
std::optional<double> Column(std::string_view reply, size_t first) {
    if (reply.size() < first + kCs200ColumnWidth) {
        return std::nullopt;
    }
    std::string field(reply.substr(first, kCs200ColumnWidth));
    while (!field.empty() && IsBlank(field.back())) {
        field.pop_back();
    }
    const size_t start = field.find_first_not_of(" \t");
    if (start == std::string::npos) {
        return std::nullopt;
    }
    const char* begin = field.c_str() + start;
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    if (end == begin || *end != '\0' || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::string Cs200SpeedCommand(int speedIndex, int seconds) {
    std::string command = kCs200SpeedTemplate;
    if (speedIndex >= 0 && speedIndex < kCs200SpeedCount) {
        command[kSpeedDigit] = static_cast<char>('0' + speedIndex);
    }
    if (speedIndex == kCs200ManualSpeed) {
        // Right-aligned like the template's " 0": a one-digit time must not leave its string
        // terminator in the command.
        const std::string text = Format("%2d", std::clamp(seconds, 1, kCs200MaxManualSeconds));
        command.replace(kSecondsText, 2, text);
    }
    return command;
}

int Cs200StartWaitMs(std::string_view reply) {
    if (reply.size() < 7) {
        return 0;
    }
    const std::string digits(reply.substr(5, 2));
    const long seconds = std::strtol(digits.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp(seconds * 1000 - 200, 0L, 99L * 1000));
}

bool Cs200DataNotReady(std::string_view reply) {
    return reply.substr(0, 4) == kCs200NotReady;
}

std::optional<Cs200Measurement> ParseCs200Data(std::string_view reply) {
    const std::optional<double> lv = Column(reply, kCs200LvColumn);
    const std::optional<double> x = Column(reply, kCs200XColumn);
    const std::optional<double> y = Column(reply, kCs200YColumn);
    if (!lv || !x || !y) {
        return std::nullopt;
    }
    return Cs200Measurement{*lv, *x, *y};
}

}  // namespace halvo
