#pragma once

// Where a station's results go, and what it calls itself there and on its certificates: the
// [Station] and [Results] sections of the station's own settings file, Station.ini. A command
// line's --results-db and the environment's HALVO_RESULTS_DB come before the file's server.

#include <string>

#include "common/station_settings.h"
#include "results/pg_database.h"

namespace halvo::results {

inline constexpr const char* kResultsDbVariable = "HALVO_RESULTS_DB";

struct ResultsSettings {
    std::string station;  // empty: the host name
    std::string server;   // postgresql://... ; empty: the embedded database alone
    int connectTimeoutSeconds = 3;
    int statementTimeoutSeconds = 10;

    bool operator==(const ResultsSettings&) const = default;
};

// The settings from the file's text (defaults for what it does not set; false with *error for a
// value out of range, whose default stands), and into it, keeping the rest of the file.
bool ReadResultsSettings(const SettingsText& file, ResultsSettings& settings, std::string* error);
void WriteResultsSettings(const ResultsSettings& settings, SettingsText& file);

// From <directory>/Station.ini; a missing file gives the defaults. False with *error set for a
// file that cannot be read or holds a value out of range (the defaults stand for those).
bool LoadResultsSettings(const std::string& directory, ResultsSettings& settings, std::string* error);
// Into it, keeping what else it holds; false with *error, and nothing written, when the file
// there cannot be read.
bool SaveResultsSettings(const std::string& directory, const ResultsSettings& settings, std::string* error);

// The settings' station name, or the host name.
std::string StationName(const ResultsSettings& settings);

// $XDG_DATA_HOME/halvo/results.sqlite, or ~/.local/share/halvo/results.sqlite.
std::string DefaultResultsDatabasePath();

struct ResultsTarget {
    std::string localPath;  // the embedded database, always written first
    std::string serverUrl;  // the line's server; empty: none
    std::string station;
    PgTimeouts timeouts;
};

// What the station records into: `option` (--results-db; empty when not given), else the
// environment, else the settings file. A postgresql:// URL names the server; anything else the
// embedded database's file ("sqlite:" before a path is allowed). False with *error for an
// empty path.
bool ResolveResultsTarget(const std::string& option, const ResultsSettings& settings, ResultsTarget& target,
                          std::string* error);

}  // namespace halvo::results
