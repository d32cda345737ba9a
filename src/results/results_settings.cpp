#include "results/results_settings.h"

#include <cstdlib>

#include "common/text_format.h"

namespace halvo::results {

namespace {

constexpr const char* kStationSection = "Station";
constexpr const char* kResultsSection = "Results";

bool TakeSeconds(const std::optional<std::string>& value, int& into, const char* key, std::string* error) {
    if (!value) {
        return true;
    }
    char* end = nullptr;
    const long n = std::strtol(value->c_str(), &end, 10);
    if (value->empty() || *end != '\0' || n < 1 || n > 300) {
        *error = Format("%s: %s must be whole seconds from 1 to 300, not \"%s\"", kStationSettingsFile, key,
                        value->c_str());
        return false;
    }
    into = static_cast<int>(n);
    return true;
}

}  // namespace

bool ReadResultsSettings(const SettingsText& file, ResultsSettings& settings, std::string* error) {
    settings = ResultsSettings();
    settings.station = file.value(kStationSection, "Name").value_or("");
    settings.server = file.value(kResultsSection, "Server").value_or("");
    const bool connect = TakeSeconds(file.value(kResultsSection, "ConnectTimeout"), settings.connectTimeoutSeconds,
                                     "ConnectTimeout", error);
    const bool statement = TakeSeconds(file.value(kResultsSection, "StatementTimeout"),
                                       settings.statementTimeoutSeconds, "StatementTimeout", error);
    return connect && statement;
}

void WriteResultsSettings(const ResultsSettings& s, SettingsText& file) {
    file.set(kStationSection, "Name", s.station);
    file.set(kResultsSection, "Server", s.server);
    file.set(kResultsSection, "ConnectTimeout", std::to_string(s.connectTimeoutSeconds));
    file.set(kResultsSection, "StatementTimeout", std::to_string(s.statementTimeoutSeconds));
}

bool LoadResultsSettings(const std::string& directory, ResultsSettings& settings, std::string* error) {
    settings = ResultsSettings();
    SettingsText file;
    return LoadStationSettings(directory, file, error) && ReadResultsSettings(file, settings, error);
}

bool SaveResultsSettings(const std::string& directory, const ResultsSettings& s, std::string* error) {
    // What else the file holds stays; a file that cannot be read is not written over.
    SettingsText file;
    if (!LoadStationSettings(directory, file, error)) {
        return false;
    }
    WriteResultsSettings(s, file);
    return SaveStationSettings(directory, file, error);
}

std::string StationName(const ResultsSettings& settings) {
    return StationNameOrHostName(settings.station);
}

std::string DefaultResultsDatabasePath() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        base = std::string(home) + "/.local/share";
    } else {
        base = ".";
    }
    return base + "/halvo/results.sqlite";
}

bool ResolveResultsTarget(const std::string& option, const ResultsSettings& settings, ResultsTarget& target,
                          std::string* error) {
    target = ResultsTarget();
    target.localPath = DefaultResultsDatabasePath();
    target.station = StationName(settings);
    target.timeouts.connectMs = settings.connectTimeoutSeconds * 1000;
    target.timeouts.statementMs = settings.statementTimeoutSeconds * 1000;
    std::string chosen = option;
    if (chosen.empty()) {
        if (const char* env = std::getenv(kResultsDbVariable); env != nullptr) {
            chosen = env;
        }
    }
    if (chosen.empty()) {
        chosen = settings.server;
    }
    if (chosen.empty()) {
        return true;
    }
    if (IsServerUrl(chosen)) {
        target.serverUrl = chosen;
        return true;
    }
    std::string path = chosen.rfind("sqlite:", 0) == 0 ? chosen.substr(7) : chosen;
    if (path.empty()) {
        *error = "the results database needs a file name after \"sqlite:\"";
        return false;
    }
    target.localPath = path;
    return true;
}

}  // namespace halvo::results
