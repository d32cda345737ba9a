#pragma once

// Reading the results: the line's server when one is set (unless the embedded database is asked
// for), else the embedded database, opened so that nothing in it is changed.

#include <memory>
#include <string>
#include <vector>

#include "results/results_settings.h"
#include "results/results_store.h"

namespace halvo::results {

struct ResultsSource {
    std::unique_ptr<SqlDatabase> db;
    std::unique_ptr<ResultsStore> store;
    std::string place;   // for the operator: the file or the server
    bool empty = false;  // nothing recorded there yet (no file, or a server without the schema)
};

// False with *error set (a sentence for the operator) when it cannot be read.
bool OpenForReading(const ResultsTarget& target, bool local, ResultsSource& source, std::string* error);

// A monitor's earlier runs: those of its calibration ID and those of its serial number (either
// may be empty), newest first, each once.
bool MonitorHistory(ResultsSource& source, const std::string& calibrationId, const std::string& serialNumber,
                    std::vector<RunRecord>& runs, std::string* error);

// The verification that followed a calibration, from a list of runs; nullptr when none did.
const RunRecord* VerificationAfter(const std::vector<RunRecord>& runs, const std::string& calibrationRunId);

}  // namespace halvo::results
