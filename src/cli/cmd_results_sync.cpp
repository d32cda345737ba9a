// halvo-cli results sync: the records still waiting go to the line's server.

#include <unistd.h>

#include "cli/results_commands.h"
#include "results/results_sync.h"
#include "results/run_recorder.h"

namespace halvo::cli {

int ResultsSync(const ResultsOptions& o, CliIo& io, const results::ResultsTarget& target) {
    const bool server = !target.serverUrl.empty();
    if (o.all && server) {
        std::string problem;
        std::unique_ptr<results::SqliteDatabase> db = results::OpenLocalResults(target.localPath, &problem);
        int64_t added = 0;
        if (!db || !results::ResultsStore(*db).queueAll(added, &problem)) {
            std::fprintf(io.err, "halvo-cli results sync: %s\n", problem.c_str());
            return kExitFailure;
        }
        if (added > 0) {
            std::fprintf(io.out, "Queued %lld earlier run(s) of this station for the server.\n",
                         static_cast<long long>(added));
        }
    }
    std::string problem;
    const int taken = results::TakeInKeptResults(target.localPath, server, &problem);
    if (taken > 0) {
        std::fprintf(io.out, "Took %d result(s) kept aside into %s.\n", taken, target.localPath.c_str());
    }
    if (!problem.empty()) {
        std::fprintf(io.err, "halvo-cli results sync: results kept aside stay where they are: %s\n", problem.c_str());
    }
    if (!server) {
        std::fprintf(io.out,
                     "No results server is set (--results-db, HALVO_RESULTS_DB or Station.ini): every record stays "
                     "in %s.\n",
                     target.localPath.c_str());
        return problem.empty() ? kExitOk : kExitFailure;
    }
    const bool tty = ::isatty(::fileno(io.err)) != 0;
    const results::SyncCounts c = results::SyncToServer(
        target.localPath, target.serverUrl, target.timeouts, nullptr, [&](int done, int total) {
            if (tty) {
                std::fprintf(io.err, "\rSending %d/%d", done, total);
                std::fflush(io.err);
            }
        });
    if (tty && (c.sent + c.alreadyThere) > 0) {
        std::fputc('\n', io.err);
    }
    const std::string place = results::RedactUrl(target.serverUrl);
    std::fprintf(io.out, "Sent %d run(s) to %s", c.sent, place.c_str());
    if (c.alreadyThere > 0) {
        std::fprintf(io.out, " (%d more it had already)", c.alreadyThere);
    }
    std::fprintf(io.out, "; %d still waiting.\n", c.waiting);
    if (!c.error.empty()) {
        std::fprintf(io.err, "halvo-cli results sync: %s\n", c.error.c_str());
    }
    return c.waiting == 0 && problem.empty() ? kExitOk : kExitFailure;
}

}  // namespace halvo::cli
