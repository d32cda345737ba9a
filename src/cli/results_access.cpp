#include "cli/results_access.h"

#include <cctype>

#include "common/text_format.h"

namespace halvo::cli {

namespace {

// The names of an enumeration's values as the items of a list option, in the enumeration's
// order, so that the chosen indices are its values.
template <typename Enum>
ListVocabulary Vocabulary(int count, const char* (*name)(Enum)) {
    ListVocabulary v;
    for (int i = 0; i < count; ++i) {
        v.items.push_back({name(static_cast<Enum>(i))});
    }
    return v;
}

// --kind and --outcome: the values chosen into `into`; false with *error naming what was wrong.
template <typename Enum>
bool TakeChoice(Args& args, const char* option, int count, const char* (*name)(Enum), const char* what,
                std::vector<Enum>& into, std::string* error) {
    const ListVocabulary vocabulary = Vocabulary(count, name);
    bool bad = false;
    std::string unknown;
    const std::optional<std::vector<int>> chosen = args.takeList(option, vocabulary, &bad, &unknown);
    if (bad) {
        std::string names;
        for (const auto& item : vocabulary.items) {
            names += item[0] + ", ";
        }
        *error = Format("unknown %s '%s' (%sor all)", what, unknown.c_str(), names.c_str());
        return false;
    }
    if (chosen) {
        into.clear();
        for (const int i : *chosen) {
            into.push_back(static_cast<Enum>(i));
        }
    }
    return true;
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
    if (!TakeChoice(args, "--kind", results::kRunKindCount, results::RunKindName, "kind", filter.kinds, error) ||
        !TakeChoice(args, "--outcome", results::kRunOutcomeCount, results::RunOutcomeName, "outcome",
                    filter.outcomes, error)) {
        return false;
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
