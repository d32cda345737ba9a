#include "results/run_recorder.h"

#include <filesystem>

#include "common/text_format.h"
#include "results/results_store.h"

namespace halvo::results {

namespace {

// Another process (a `results` command, a sync) may hold the file for a moment; a run's end
// waits at most this long for it.
constexpr int kRecordBusyMs = 1500;

std::string Sentence(SqlFailure failure, const std::string& path, const std::string& error) {
    switch (failure) {
        case SqlFailure::ReadOnly:
            return Format("The results database %s cannot be written (%s).", path.c_str(), error.c_str());
        case SqlFailure::Damaged:
            return Format("The results database %s is damaged (%s). It is left as it is.", path.c_str(), error.c_str());
        case SqlFailure::Busy:
            return Format("The results database %s is held by another program (%s).", path.c_str(), error.c_str());
        default: return Format("The results database %s cannot be used (%s).", path.c_str(), error.c_str());
    }
}

}  // namespace

std::unique_ptr<SqliteDatabase> OpenLocalResults(const std::string& path, std::string* problem) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty() && !std::filesystem::exists(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            *problem = Format("The results database's folder %s cannot be made (%s).", folder.c_str(),
                              ec.message().c_str());
            return nullptr;
        }
    }
    std::string error;
    SqlFailure failure = SqlFailure::None;
    std::unique_ptr<SqliteDatabase> db =
        SqliteDatabase::Open(path, SqliteDatabase::Mode::Create, kRecordBusyMs, &error, &failure);
    if (!db) {
        *problem = Sentence(failure, path, error);
        return nullptr;
    }
    ResultsStore store(*db);
    const SchemaCheck check = store.open(true);
    if (check.status == SchemaStatus::Ready) {
        return db;
    }
    *problem = check.status == SchemaStatus::Failed && check.failure != SqlFailure::Damaged
                   ? Sentence(check.failure, path, check.message)
                   : check.message;
    return nullptr;
}

RunRecorder::RunRecorder(ResultsTarget target, int closingGraceMs)
    : target_(std::move(target)), closingGraceMs_(closingGraceMs) {
    if (!target_.serverUrl.empty()) {
        // The recorder waits out the grace itself, so that it can say what is left.
        sender_ = std::make_unique<ResultsSender>(target_.localPath, target_.serverUrl, target_.timeouts, 0);
    }
}

RunRecorder::~RunRecorder() {
    std::vector<RunRecord> held;
    held.swap(unkept_);
    for (const RunRecord& r : held) {
        std::string problem;
        std::string where;
        if (!storeLocally(r, &problem) && !keepAside(r, &where, &problem)) {
            say(Format("The result of run %s is lost: %s", r.runId.c_str(), problem.c_str()));
        }
    }
    if (!sender_) {
        return;
    }
    // The sender's grace for its last round is the one wait of the station's close.
    const bool idle = sender_->waitIdle(closingGraceMs_);
    const SyncCounts last = sender_->lastRound();
    int64_t waiting = 0;
    if (db_) {
        ResultsStore store(*db_);
        std::vector<QueuedRun> queue;
        std::string error;
        if (store.queued(queue, &error)) {
            waiting = static_cast<int64_t>(queue.size());
        }
    }
    if (waiting > 0) {
        const std::string why = idle && !last.error.empty() ? last.error : "no answer before the station closed";
        say(Format("%lld result(s) wait for the results server (%s). They are sent at the next run's end or by "
                   "`halvo-cli results sync`.",
                   static_cast<long long>(waiting), why.c_str()));
    }
    sender_.reset();
}

void RunRecorder::say(const std::string& line) {
    if (notify) {
        notify(line);
    }
}

bool RunRecorder::storeLocally(const RunRecord& record, std::string* problem) {
    if (!db_) {
        db_ = OpenLocalResults(target_.localPath, problem);
        if (!db_) {
            return false;
        }
    }
    ResultsStore store(*db_);
    std::string error;
    if (store.put(record, sender_ != nullptr, &error) != PutResult::Failed) {
        return true;
    }
    *problem = Sentence(store.failure(), target_.localPath, error);
    // Opened again for the next record: the file may have been mended or replaced meanwhile.
    db_.reset();
    return false;
}

bool RunRecorder::keepAside(const RunRecord& record, std::string* where, std::string* error) {
    std::string reasons;
    for (const std::string& dir : PendingDirectories(target_.localPath)) {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        const std::string path = dir + "/" + record.runId + ".sqlite";
        std::string problem;
        std::unique_ptr<SqliteDatabase> db = OpenLocalResults(path, &problem);
        if (db) {
            ResultsStore store(*db);
            if (store.put(record, sender_ != nullptr, &problem) != PutResult::Failed) {
                *where = path;
                return true;
            }
        }
        reasons += (reasons.empty() ? "" : "; ") + problem;
    }
    *error = reasons;
    return false;
}

void RunRecorder::recordRun(RunRecord record) {
    if (record.station.empty()) {
        record.station = target_.station;
    }
    std::string problem;
    if (storeLocally(record, &problem)) {
        lastKeptIn_ = target_.localPath;
    } else {
        std::string where;
        std::string error;
        if (keepAside(record, &where, &error)) {
            lastKeptIn_ = where;
            say(problem + Format(" This run's result is kept in %s until `halvo-cli results sync` can take it in.",
                                 where.c_str()));
        } else {
            lastKeptIn_.clear();
            say(problem + Format(" This run's result could not be kept aside either (%s); it is held until the "
                                 "station closes.",
                                 error.c_str()));
            unkept_.push_back(std::move(record));
        }
    }
    if (!sender_) {
        return;
    }
    // How the previous round went, said once per new problem, not at every run.
    const SyncCounts last = sender_->lastRound();
    if (sender_->rounds() > 0 && last.waiting > 0 && !last.error.empty() && last.error != lastSendProblem_) {
        say(Format("%d result(s) wait for the results server (%s). They are sent at the next run's end or by "
                   "`halvo-cli results sync`.",
                   last.waiting, last.error.c_str()));
    }
    lastSendProblem_ = last.waiting > 0 ? last.error : std::string();
    sender_->kick();
}

}  // namespace halvo::results
