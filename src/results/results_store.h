#pragma once

// The results of every run over one database connection, embedded or on the line's server:
// recording a run (once, whatever how often it is sent), reading it back, listing runs, and the
// queue of records still to go to the server.

#include <optional>
#include <string>
#include <vector>

#include "results/results_schema.h"
#include "results/run_record.h"
#include "results/sql_database.h"

namespace halvo::results {

struct RunFilter {
    std::string calibrationId;
    std::string serialNumber;
    std::string station;
    std::string since;  // runs started at or after this UTC time ("2024-05-01" or a full time)
    std::vector<RunKind> kinds;        // empty: every kind
    std::vector<RunOutcome> outcomes;  // empty: every outcome
    int limit = 0;                     // 0: all
};

enum class PutResult { Stored, AlreadyStored, Failed };

// A queued record and how its sending went so far.
struct QueuedRun {
    std::string runId;
    std::string queuedAt;
    int attempts = 0;
    std::string lastError;
};

struct ItemCount {
    std::string test;
    std::string item;
    std::string quantity;
    int64_t count = 0;
};

class ResultsStore {
public:
    explicit ResultsStore(SqlDatabase& db) : db_(db) {}

    // Checks the schema, migrating it when allowed. Anything but Ready leaves the store unusable.
    SchemaCheck open(bool migrate);

    SqlDatabase& database() { return db_; }

    // Stores the run with its items; a run already there (the same run id) is left as it is.
    // With queue set the run also waits in the outbox for the server.
    PutResult put(const RunRecord& record, bool queue, std::string* error);
    // Why the last put failed.
    SqlFailure failure() const { return failure_; }

    // The whole record; nullopt with *error empty when there is no such run.
    std::optional<RunRecord> get(const std::string& runId, std::string* error);
    // The run ids that start with prefix (at most two, enough to tell a unique one).
    bool matchRunIds(const std::string& prefix, std::vector<std::string>& ids, std::string* error);

    // Newest first, without items, .cal and log.
    bool list(const RunFilter& filter, std::vector<RunRecord>& runs, std::string* error);
    bool count(const RunFilter& filter, int64_t& n, std::string* error);
    // The items judged out of range in the filtered runs, most frequent first.
    bool failingItems(const RunFilter& filter, std::vector<ItemCount>& items, std::string* error);

    bool queued(std::vector<QueuedRun>& runs, std::string* error);
    // Every run queued, those recorded before there was a server too. The number newly queued.
    bool queueAll(int64_t& added, std::string* error);
    bool unqueue(const std::string& runId, std::string* error);
    bool noteAttempt(const std::string& runId, const std::string& failure, std::string* error);

private:
    bool itemsOf(const std::string& runId, std::vector<VerificationItem>& items, std::string* error);

    SqlDatabase& db_;
    SqlFailure failure_ = SqlFailure::None;
};

// The SQL condition and its parameters for a filter on the runs table aliased `alias`.
std::string FilterCondition(const RunFilter& filter, const std::string& alias, std::vector<SqlValue>& params);

}  // namespace halvo::results
