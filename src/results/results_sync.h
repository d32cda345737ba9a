#pragma once

// Sending the records that wait in the embedded database (and in results kept aside while it
// could not be written) to the line's server. Each record goes in its own transaction and is
// taken off the queue only once the server has it; a record the server already has (the same
// run id) is not stored twice. A server that cannot be reached or does not answer in time ends
// the round: the rest stays queued for the next run's end or `halvo-cli results sync`.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "results/pg_database.h"
#include "results/results_store.h"

namespace halvo::results {

struct SyncCounts {
    int sent = 0;          // newly stored on the server
    int alreadyThere = 0;  // the server had them (sent before); taken off the queue
    int refused = 0;       // the server refused them for their content; they stay queued
    int waiting = 0;       // still queued when the round ended
    bool serverReached = false;
    bool serverLost = false;  // the server went away or stopped answering during the round
    std::string error;  // why the round ended early, or the last refusal

    bool operator==(const SyncCounts&) const = default;
};

using SyncProgress = std::function<void(int done, int total)>;

// One source's queue to an open server.
SyncCounts SendQueued(ResultsStore& source, ResultsStore& server, const std::atomic<bool>* abort,
                      const SyncProgress& progress);

// Everything queued for the server: the embedded database at localPath and the results kept
// aside beside it. Connects, migrates the server's schema when it is older, sends.
SyncCounts SyncToServer(const std::string& localPath, const std::string& url, const PgTimeouts& timeouts,
                        const std::atomic<bool>* abort, const SyncProgress& progress);

// Takes the results kept aside into the embedded database at localPath (queued for the server
// when queue is set) and removes each file once its records are in. Returns how many records
// were taken in; *problem says why some could not be.
int TakeInKeptResults(const std::string& localPath, bool queue, std::string* problem);

// Where results are kept while the embedded database cannot take them: <its folder>/pending,
// then a folder of the user's in the temporary directory.
std::vector<std::string> PendingDirectories(const std::string& localPath);
// The kept results, oldest first.
std::vector<std::string> PendingFiles(const std::string& localPath);

}  // namespace halvo::results
