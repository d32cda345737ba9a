#pragma once

// What the `results` subcommands share: which database they read (the line's server when one is
// set, else the embedded database; --local for the embedded one always), opened for reading
// only, and the filter options.

#include <memory>
#include <string>

#include "cli/cli_args.h"
#include "cli/subcommand.h"
#include "results/results_source.h"

namespace halvo::cli {

using results::ResultsSource;

// Opens what the options name for reading; false with a message on stderr.
bool OpenResultsSource(const results::ResultsTarget& target, bool local, ResultsSource& source, CliIo& io,
                       const char* command);

// --id, --serial, --station, --since, --kind, --outcome, --limit. False with *error set.
bool TakeRunFilter(Args& args, results::RunFilter& filter, std::string* error, bool withLimit);

// "2024-05-01", "2024-05-01T12:00", "2024-05-01T12:00:00" (UTC): the form the records compare.
bool ParseSinceDate(const std::string& text, std::string& since);

}  // namespace halvo::cli
