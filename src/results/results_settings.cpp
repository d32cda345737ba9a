#include "results/results_settings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <sstream>

#include "common/file_io.h"
#include "common/text_format.h"

namespace halvo::results {

namespace {

constexpr size_t kMaxSettingsBytes = 64 * 1024;

std::string Trim(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) {
        ++b;
    }
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) {
        --e;
    }
    return s.substr(b, e - b);
}

// A value as one line of text: control characters (a line feed would start a line of its own, a
// NUL would end the value early) go.
std::string OneLine(std::string value) {
    value.erase(std::remove_if(value.begin(), value.end(),
                               [](char c) { return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f; }),
                value.end());
    return Trim(value);
}

std::string Join(const std::string& directory, const char* name) {
    if (directory.empty() || directory == ".") {
        return name;
    }
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

bool TakeSeconds(const std::string& value, int& into, const char* key, std::string* error) {
    char* end = nullptr;
    const long n = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || n < 1 || n > 300) {
        *error = Format("%s: %s must be whole seconds from 1 to 300, not \"%s\"", kResultsSettingsFile, key,
                        value.c_str());
        return false;
    }
    into = static_cast<int>(n);
    return true;
}

}  // namespace

std::string FormatResultsSettings(const ResultsSettings& s) {
    return WithCrLf(Format("[Results]\nStation=%s\nServer=%s\nConnectTimeout=%d\nStatementTimeout=%d\n",
                           OneLine(s.station).c_str(), OneLine(s.server).c_str(), s.connectTimeoutSeconds,
                           s.statementTimeoutSeconds));
}

bool ParseResultsSettings(const std::string& text, ResultsSettings& settings, std::string* error) {
    settings = ResultsSettings();
    std::istringstream lines(text);
    std::string line;
    bool ok = true;
    while (std::getline(lines, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';' || line[0] == '[') {
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = OneLine(line.substr(eq + 1));
        if (key == "Station") {
            settings.station = value;
        } else if (key == "Server") {
            settings.server = value;
        } else if (key == "ConnectTimeout") {
            ok = TakeSeconds(value, settings.connectTimeoutSeconds, "ConnectTimeout", error) && ok;
        } else if (key == "StatementTimeout") {
            ok = TakeSeconds(value, settings.statementTimeoutSeconds, "StatementTimeout", error) && ok;
        }
    }
    return ok;
}

bool LoadResultsSettings(const std::string& directory, ResultsSettings& settings, std::string* error) {
    settings = ResultsSettings();
    const std::string path = Join(directory, kResultsSettingsFile);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return true;
    }
    std::string text;
    if (!ReadWholeFile(path, text, error, kMaxSettingsBytes)) {
        return false;
    }
    return ParseResultsSettings(text, settings, error);
}

bool SaveResultsSettings(const std::string& directory, const ResultsSettings& s, std::string* error) {
    const std::string path = Join(directory, kResultsSettingsFile);
    if (!WriteFileAtomically(path, FormatResultsSettings(s), error)) {
        return false;
    }
    ::chmod(path.c_str(), 0600);
    return true;
}

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "station";
    }
    return name;
}

std::string StationName(const ResultsSettings& settings) {
    return settings.station.empty() ? HostName() : settings.station;
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
