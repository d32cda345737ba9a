#include "cli/results_recording.h"

namespace halvo::cli {

bool TakeResultsDbOption(Args& args, std::string& value, std::string* error) {
    // A file names the embedded database, which the recorder makes with its folder.
    const std::optional<std::string> v = args.takeOutput("--results-db", OutputKind::File);
    if (!v) {
        return true;
    }
    if (v->empty() || *v == "sqlite:") {
        *error = "--results-db needs a postgresql:// URL or a database file";
        return false;
    }
    value = *v;
    return true;
}

results::ResultsTarget ResolveCliResultsTarget(const std::string& option, CliIo io) {
    results::ResultsSettings settings;
    std::string error;
    if (!results::LoadResultsSettings(".", settings, &error)) {
        std::fprintf(io.err, "halvo-cli: %s\n", error.c_str());
    }
    results::ResultsTarget target;
    if (!results::ResolveResultsTarget(option, settings, target, &error)) {
        std::fprintf(io.err, "halvo-cli: %s; the embedded database is used\n", error.c_str());
        results::ResolveResultsTarget("", results::ResultsSettings(), target, &error);
    }
    return target;
}

std::unique_ptr<results::RunRecorder> MakeRunRecorder(const std::string& option, CliIo io, StationLog& log) {
    auto recorder = std::make_unique<results::RunRecorder>(ResolveCliResultsTarget(option, io));
    std::FILE* err = io.err;
    recorder->notify = [err, &log](const std::string& line) {
        log.logMessage(line, kChannelSys);
        std::fprintf(err, "halvo-cli: %s\n", line.c_str());
    };
    return recorder;
}

}  // namespace halvo::cli
