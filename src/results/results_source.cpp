#include "results/results_source.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "results/pg_database.h"
#include "results/sqlite_database.h"

namespace halvo::results {

namespace {

constexpr int kReadBusyMs = 5000;

}  // namespace

bool OpenForReading(const ResultsTarget& target, bool local, ResultsSource& source, std::string* error) {
    source = ResultsSource();
    if (!local && !target.serverUrl.empty()) {
        std::unique_ptr<PgDatabase> db = PgDatabase::Connect(target.serverUrl, target.timeouts, nullptr, error);
        if (!db) {
            return false;
        }
        source.place = "results server " + db->describe();
        source.db = std::move(db);
    } else {
        std::error_code ec;
        source.place = target.localPath;
        if (!std::filesystem::exists(target.localPath, ec)) {
            source.empty = true;
            return true;
        }
        std::unique_ptr<SqliteDatabase> db =
            SqliteDatabase::Open(target.localPath, SqliteDatabase::Mode::ReadOnly, kReadBusyMs, error);
        if (!db) {
            return false;
        }
        source.db = std::move(db);
    }
    source.store = std::make_unique<ResultsStore>(*source.db);
    const SchemaCheck check = source.store->open(false);
    if (check.status == SchemaStatus::Ready) {
        return true;
    }
    if (check.status == SchemaStatus::Older && check.version == 0) {
        source.empty = true;
        return true;
    }
    *error = check.message;
    return false;
}

bool MonitorHistory(ResultsSource& source, const std::string& calibrationId, const std::string& serialNumber,
                    std::vector<RunRecord>& runs, std::string* error) {
    runs.clear();
    if (source.empty) {
        return true;
    }
    std::set<std::string> seen;
    for (int pass = 0; pass < 2; ++pass) {
        RunFilter f;
        (pass == 0 ? f.calibrationId : f.serialNumber) = pass == 0 ? calibrationId : serialNumber;
        if ((pass == 0 ? calibrationId : serialNumber).empty()) {
            continue;
        }
        std::vector<RunRecord> found;
        if (!source.store->list(f, found, error)) {
            return false;
        }
        for (RunRecord& r : found) {
            if (seen.insert(r.runId).second) {
                runs.push_back(std::move(r));
            }
        }
    }
    std::sort(runs.begin(), runs.end(), [](const RunRecord& a, const RunRecord& b) {
        return a.startedAt != b.startedAt ? a.startedAt > b.startedAt : a.runId < b.runId;
    });
    return true;
}

const RunRecord* VerificationAfter(const std::vector<RunRecord>& runs, const std::string& calibrationRunId) {
    const RunRecord* found = nullptr;
    for (const RunRecord& r : runs) {
        // The list is newest first: the last match is the first verification after it.
        if (r.kind == RunKind::Verification && r.parentRunId == calibrationRunId) {
            found = &r;
        }
    }
    return found;
}

}  // namespace halvo::results
