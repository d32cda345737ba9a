#pragma once

// How a station command keeps its runs: the recorder over the embedded database (and the line's
// server when --results-db, HALVO_RESULTS_DB or Station.ini names one).

#include <memory>
#include <string>

#include "cli/cli_args.h"
#include "cli/subcommand.h"
#include "results/run_recorder.h"
#include "station/station_log.h"

namespace halvo::cli {

// Takes --results-db <url or file>; false with *error for an unusable value.
bool TakeResultsDbOption(Args& args, std::string& value, std::string* error);

// The results target for a command: the option, the environment, Station.ini in the working
// directory. A Station.ini that cannot be read is reported on stderr and its defaults used.
results::ResultsTarget ResolveCliResultsTarget(const std::string& option, CliIo io);

// A recorder whose messages go to the station log (and stderr, since they concern data).
std::unique_ptr<results::RunRecorder> MakeRunRecorder(const std::string& option, CliIo io, StationLog& log);

}  // namespace halvo::cli
