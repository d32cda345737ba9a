#pragma once

// Keeps every run's record: first in the embedded database, where it also waits for the line's
// server when there is one, and the worker is woken to send it. A database that cannot take it
// (damaged, read-only, written by a newer program) is left as it is and the record is kept aside
// in a file of its own beside it (or in the temporary directory), which `halvo-cli results sync`
// takes in later. Whatever happens is said in one line for the station's log; nothing waits on
// the server.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "results/results_sender.h"
#include "results/results_settings.h"
#include "results/results_sink.h"
#include "results/sqlite_database.h"

namespace halvo::results {

class RunRecorder : public ResultsSink {
public:
    explicit RunRecorder(ResultsTarget target, int closingGraceMs = 2000);
    ~RunRecorder() override;

    // Fills in the station's name, stores the record, queues it for the server and wakes the
    // sender.
    void recordRun(RunRecord record) override;

    // Lines for the operator (the station's log).
    std::function<void(const std::string&)> notify;

    const ResultsTarget& target() const { return target_; }
    ResultsSender* sender() { return sender_.get(); }
    // Where the last record went: the database's path or the file it was kept in; empty when it
    // could not be kept at all.
    const std::string& lastKeptIn() const { return lastKeptIn_; }
    // Records that could be kept nowhere, held until the recorder closes.
    size_t unkeptCount() const { return unkept_.size(); }

private:
    bool storeLocally(const RunRecord& record, std::string* problem);
    bool keepAside(const RunRecord& record, std::string* where, std::string* error);
    void say(const std::string& line);

    ResultsTarget target_;
    int closingGraceMs_;
    std::unique_ptr<SqliteDatabase> db_;
    std::unique_ptr<ResultsSender> sender_;
    std::string lastKeptIn_;
    std::vector<RunRecord> unkept_;
    std::string lastSendProblem_;
};

// The embedded database at path, created with its folder when missing and migrated. nullptr
// with *problem set (a sentence for the operator) when it cannot be used.
std::unique_ptr<SqliteDatabase> OpenLocalResults(const std::string& path, std::string* problem);

}  // namespace halvo::results
