#include "results/run_record.h"

#include <sys/random.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <random>

#include "common/text_format.h"

namespace halvo::results {

namespace {

constexpr std::array<const char*, kRunKindCount> kKindNames = {"calibration", "verification", "copy",
                                                               "eeprom-read", "eeprom-write", "aging"};
constexpr std::array<const char*, kRunOutcomeCount> kOutcomeNames = {"completed", "failed", "stopped"};
constexpr std::array<const char*, kRunModeCount> kModeNames = {"prescribed", "fast"};

std::optional<double> ParseValue(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

}  // namespace

// The enumerator whose name is `name`, by its place in the names' table.
template <typename Enum, size_t N>
std::optional<Enum> ByName(const std::array<const char*, N>& names, const std::string& name) {
    for (size_t i = 0; i < N; ++i) {
        if (name == names[i]) {
            return static_cast<Enum>(i);
        }
    }
    return std::nullopt;
}

const char* RunKindName(RunKind kind) {
    return kKindNames[static_cast<size_t>(kind)];
}

std::optional<RunKind> ParseRunKind(const std::string& name) {
    return ByName<RunKind>(kKindNames, name);
}

const char* RunOutcomeName(RunOutcome outcome) {
    return kOutcomeNames[static_cast<size_t>(outcome)];
}

std::optional<RunOutcome> ParseRunOutcome(const std::string& name) {
    return ByName<RunOutcome>(kOutcomeNames, name);
}

const char* RunModeName(RunMode mode) {
    return kModeNames[static_cast<size_t>(mode)];
}

std::optional<RunMode> ParseRunMode(const std::string& name) {
    return ByName<RunMode>(kModeNames, name);
}

void ComputeRunMetrics(RunRecord& record) {
    record.whiteDuv.reset();
    record.gammaError.reset();
    std::optional<double> du;
    std::optional<double> dv;
    for (const VerificationItem& i : record.items) {
        if (i.verdict == "N/A") {
            continue;
        }
        const std::optional<double> value = ParseValue(i.value);
        if (!value) {
            continue;
        }
        if (i.test == "Color Temperature" && i.item == "6500K") {
            (i.quantity == "\u0394u'" ? du : dv) = std::fabs(*value);
        } else if (i.test == "Gamma") {
            const double target = i.item == "D-CINEMA" ? 2.6 : 2.2;
            const double error = std::fabs(*value - target);
            if (!record.gammaError || error > *record.gammaError) {
                record.gammaError = error;
            }
        }
    }
    if (du && dv) {
        record.whiteDuv = std::sqrt(*du * *du + *dv * *dv);
    }
}

std::string NewRunId() {
    std::array<unsigned char, 16> b{};
    if (getrandom(b.data(), b.size(), 0) != static_cast<ssize_t>(b.size())) {
        // Without the kernel's generator: the clock and the process keep ids of one machine
        // apart, the random device those of several.
        std::random_device device;
        std::mt19937_64 mix(device() ^ static_cast<uint64_t>(NowUnixMs()) ^ static_cast<uint64_t>(getpid()) << 32);
        for (unsigned char& c : b) {
            c = static_cast<unsigned char>(mix());
        }
    }
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
    std::string id;
    for (size_t i = 0; i < b.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            id += '-';
        }
        id += Format("%02x", b[i]);
    }
    return id;
}

int64_t NowUnixMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string IsoTimeUtc(int64_t unixMs) {
    const std::time_t seconds = static_cast<std::time_t>(unixMs / 1000);
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    return Format("%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                  tm.tm_min, tm.tm_sec, static_cast<int>(unixMs % 1000));
}

namespace {

// Well-formed UTF-8 as the server checks it: no overlong forms, no surrogates, nothing past
// U+10FFFF, no NUL.
bool IsUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0) {
            return false;
        }
        if (c < 0x80) {
            ++i;
            continue;
        }
        const size_t length = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        uint32_t code = c & (0x7Fu >> length);
        for (size_t k = 1; k < length; ++k) {
            const auto t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80) {
                return false;
            }
            code = code << 6 | (t & 0x3Fu);
        }
        static constexpr uint32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

}  // namespace

std::string AsUtf8(const std::string& text) {
    const bool valid = IsUtf8(text);
    if (valid) {
        return text;
    }
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == 0) {
            continue;  // the server's text holds no NUL
        }
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace halvo::results
