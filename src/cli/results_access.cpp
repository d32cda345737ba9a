#include "cli/results_access.h"

#include <cctype>
#include <filesystem>
#include <sstream>

#include "common/text_format.h"

namespace halvo::cli {

namespace {

bool TakeList(Args& args, const char* option, std::vector<std::string>& names) {
    const std::optional<std::string> v = args.takeOption(option);
    if (!v) {
        return true;
    }
    if (*v == "all") {
        names.clear();
        return true;
    }
    std::stringstream list(*v);
    std::string item;
    while (std::getline(list, item, ',')) {
        if (item.empty()) {
            return false;
        }
        names.push_back(item);
    }
    return !names.empty();
}

bool Digits(const std::string& s, size_t at, size_t count) {
    if (at + count > s.size()) {
        return false;
    }
    for (size_t i = at; i < at + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParseSinceDate(const std::string& text, std::string& since) {
    std::string t = text;
    if (!t.empty() && t.back() == 'Z') {
        t.pop_back();
    }
    if (t.size() >= 11 && t[10] == ' ') {
        t[10] = 'T';
    }
    const bool date = t.size() >= 10 && Digits(t, 0, 4) && t[4] == '-' && Digits(t, 5, 2) && t[7] == '-' &&
                      Digits(t, 8, 2);
    if (!date) {
        return false;
    }
    const int month = std::stoi(t.substr(5, 2));
    const int day = std::stoi(t.substr(8, 2));
    if (month < 1 || month > 12 || day < 1 || day > 31) {
        return false;
    }
    if (t.size() == 10) {
        since = t;
        return true;
    }
    const bool minutes = t.size() >= 16 && t[10] == 'T' && Digits(t, 11, 2) && t[13] == ':' && Digits(t, 14, 2);
    const bool seconds = t.size() == 19 && t[16] == ':' && Digits(t, 17, 2);
    if (!minutes || (t.size() != 16 && !seconds)) {
        return false;
    }
    since = t;
    return true;
}

bool MakeParentFolder(const std::string& path, std::string* error) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) {
        return true;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        *error = Format("cannot make the folder %s: %s", folder.c_str(), ec.message().c_str());
        return false;
    }
    return true;
}

bool TakeRunFilter(Args& args, results::RunFilter& filter, std::string* error, bool withLimit) {
    if (auto v = args.takeOption("--id")) {
        filter.calibrationId = *v;
    }
    if (auto v = args.takeOption("--serial")) {
        filter.serialNumber = *v;
    }
    if (auto v = args.takeOption("--station")) {
        filter.station = *v;
    }
    if (auto v = args.takeOption("--since")) {
        if (!ParseSinceDate(*v, filter.since)) {
            *error = "--since needs a date, 2024-05-01, or a time, 2024-05-01T14:30 (UTC)";
            return false;
        }
    }
    std::vector<std::string> kinds;
    if (!TakeList(args, "--kind", kinds)) {
        *error = "--kind takes all, or kinds out of calibration, verification, copy, eeprom-read, eeprom-write, "
                 "aging separated by commas";
        return false;
    }
    for (const std::string& k : kinds) {
        const auto kind = results::ParseRunKind(k);
        if (!kind) {
            *error = "unknown kind '" + k +
                     "' (calibration, verification, copy, eeprom-read, eeprom-write, aging, or all)";
            return false;
        }
        filter.kinds.push_back(*kind);
    }
    std::vector<std::string> outcomes;
    if (!TakeList(args, "--outcome", outcomes)) {
        *error = "--outcome takes all, or outcomes out of completed, failed, stopped separated by commas";
        return false;
    }
    for (const std::string& o : outcomes) {
        const auto outcome = results::ParseRunOutcome(o);
        if (!outcome) {
            *error = "unknown outcome '" + o + "' (completed, failed, stopped, or all)";
            return false;
        }
        filter.outcomes.push_back(*outcome);
    }
    if (withLimit) {
        if (auto v = args.takeOption("--limit")) {
            const auto n = ParseLong(*v);
            if (!n || *n < 0 || *n > 100000000) {
                *error = "--limit needs a number of runs (0 for all)";
                return false;
            }
            filter.limit = static_cast<int>(*n);
        }
    }
    return true;
}

bool OpenResultsSource(const results::ResultsTarget& target, bool local, ResultsSource& source, CliIo& io,
                       const char* command) {
    std::string error;
    if (results::OpenForReading(target, local, source, &error)) {
        return true;
    }
    const bool server = !local && !target.serverUrl.empty() && !source.db;
    std::fprintf(io.err, "halvo-cli results %s: %s%s\n", command, error.c_str(),
                 server ? " (--local reads this station's embedded database)" : "");
    return false;
}

}  // namespace halvo::cli
