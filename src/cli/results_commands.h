#pragma once

// The actions of `halvo-cli results`, over the options all of them are parsed into.

#include <optional>
#include <string>
#include <vector>

#include "cli/subcommand.h"
#include "results/results_settings.h"
#include "results/results_store.h"

namespace halvo::cli {

struct ResultsOptions {
    std::string resultsDb;
    bool local = false;
    results::RunFilter filter;
    bool limitGiven = false;
    bool json = false;
    std::optional<std::string> by;
    std::optional<std::string> out;
    std::optional<std::string> cal;
    std::optional<std::string> log;
    bool all = false;  // sync: every run of this station, not only those queued
    std::vector<std::string> positionals;  // after the action
};

extern const Subcommand kResultsCommand;

int ResultsYield(const ResultsOptions& options, CliIo& io, const results::ResultsTarget& target);
int ResultsReport(const ResultsOptions& options, CliIo& io, const results::ResultsTarget& target);
int ResultsSync(const ResultsOptions& options, CliIo& io, const results::ResultsTarget& target);

}  // namespace halvo::cli
