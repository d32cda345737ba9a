#include "results/results_sync.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "common/text_format.h"
#include "results/run_recorder.h"
#include "results/sqlite_database.h"

namespace halvo::results {

namespace {

constexpr int kLocalBusyMs = 2000;

bool ServerGone(SqlFailure f) {
    return f == SqlFailure::Unreachable || f == SqlFailure::TimedOut || f == SqlFailure::Cancelled ||
           f == SqlFailure::Busy;
}

// Opens an embedded database or a kept-aside file as a source of queued records.
std::unique_ptr<SqliteDatabase> OpenSource(const std::string& path, std::string* error) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return nullptr;
    }
    std::unique_ptr<SqliteDatabase> db = SqliteDatabase::Open(path, SqliteDatabase::Mode::ReadWrite, kLocalBusyMs, error);
    if (!db) {
        return nullptr;
    }
    ResultsStore store(*db);
    const SchemaCheck check = store.open(false);
    if (check.status != SchemaStatus::Ready) {
        *error = check.message;
        return nullptr;
    }
    return db;
}

}  // namespace

SyncCounts SendQueued(ResultsStore& source, ResultsStore& server, const std::atomic<bool>* abort,
                      const SyncProgress& progress) {
    SyncCounts counts;
    counts.serverReached = true;
    std::vector<QueuedRun> queue;
    std::string error;
    if (!source.queued(queue, &error)) {
        counts.error = error;
        return counts;
    }
    const int total = static_cast<int>(queue.size());
    int done = 0;
    for (const QueuedRun& q : queue) {
        if (abort != nullptr && abort->load()) {
            counts.error = "given up: the station is closing";
            break;
        }
        const std::optional<RunRecord> record = source.get(q.runId, &error);
        if (!record) {
            // A queue entry whose run is gone has nothing to send.
            if (error.empty()) {
                source.unqueue(q.runId, &error);
                ++done;
                continue;
            }
            counts.error = error;
            break;
        }
        const PutResult put = server.put(*record, false, &error);
        if (put == PutResult::Failed) {
            std::string ignored;
            source.noteAttempt(q.runId, error, &ignored);
            counts.error = error;
            if (ServerGone(server.failure())) {
                counts.serverLost = true;
                break;
            }
            ++counts.refused;
            ++done;
            continue;
        }
        (put == PutResult::Stored ? counts.sent : counts.alreadyThere) += 1;
        std::string unqueueError;
        if (!source.unqueue(q.runId, &unqueueError)) {
            // Sent, still queued: the next round finds it on the server and only unqueues it.
            counts.error = unqueueError;
            break;
        }
        ++done;
        if (progress) {
            progress(done, total);
        }
    }
    counts.waiting = total - counts.sent - counts.alreadyThere;
    return counts;
}

std::vector<std::string> PendingDirectories(const std::string& localPath) {
    const std::filesystem::path local(localPath);
    std::filesystem::path folder = local.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    const char* tmp = std::getenv("TMPDIR");
    const std::string temporary =
        Format("%s/halvo-pending-%u", tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp", static_cast<unsigned>(getuid()));
    return {(folder / "pending").string(), temporary};
}

std::vector<std::string> PendingFiles(const std::string& localPath) {
    std::vector<std::pair<std::filesystem::file_time_type, std::string>> found;
    for (const std::string& dir : PendingDirectories(localPath)) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
            if (entry.path().extension() == ".sqlite") {
                found.emplace_back(entry.last_write_time(ec), entry.path().string());
            }
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> files;
    for (auto& f : found) {
        files.push_back(std::move(f.second));
    }
    return files;
}

int TakeInKeptResults(const std::string& localPath, bool queue, std::string* problem) {
    const std::vector<std::string> files = PendingFiles(localPath);
    if (files.empty()) {
        return 0;
    }
    std::unique_ptr<SqliteDatabase> target = OpenLocalResults(localPath, problem);
    if (!target) {
        return 0;
    }
    ResultsStore into(*target);
    int taken = 0;
    for (const std::string& file : files) {
        std::string error;
        std::unique_ptr<SqliteDatabase> db = OpenSource(file, &error);
        if (!db) {
            *problem = Format("%s: %s", file.c_str(), error.c_str());
            continue;
        }
        ResultsStore kept(*db);
        std::vector<RunRecord> runs;
        bool whole = kept.list(RunFilter(), runs, &error);
        for (const RunRecord& listed : runs) {
            const std::optional<RunRecord> r = kept.get(listed.runId, &error);
            if (!r || into.put(*r, queue, &error) == PutResult::Failed) {
                whole = false;
                break;
            }
            ++taken;
        }
        db.reset();
        if (!whole) {
            *problem = Format("%s: %s", file.c_str(), error.c_str());
            continue;
        }
        std::error_code ec;
        std::filesystem::remove(file, ec);
        std::filesystem::remove(file + "-journal", ec);
    }
    return taken;
}

SyncCounts SyncToServer(const std::string& localPath, const std::string& url, const PgTimeouts& timeouts,
                        const std::atomic<bool>* abort, const SyncProgress& progress) {
    SyncCounts total;
    std::vector<std::string> sources = {localPath};
    for (const std::string& f : PendingFiles(localPath)) {
        sources.push_back(f);
    }
    std::vector<std::unique_ptr<SqliteDatabase>> opened;
    int queued = 0;
    for (const std::string& path : sources) {
        std::string error;
        std::unique_ptr<SqliteDatabase> db = OpenSource(path, &error);
        if (!db) {
            continue;
        }
        ResultsStore store(*db);
        std::vector<QueuedRun> q;
        if (store.queued(q, &error) && !q.empty()) {
            queued += static_cast<int>(q.size());
            opened.push_back(std::move(db));
        }
    }
    if (opened.empty()) {
        return total;
    }
    std::string error;
    SqlFailure failure = SqlFailure::None;
    std::unique_ptr<PgDatabase> server = PgDatabase::Connect(url, timeouts, abort, &error, &failure);
    if (!server) {
        total.error = error;
        total.waiting = queued;
        return total;
    }
    ResultsStore serverStore(*server);
    const SchemaCheck check = serverStore.open(true);
    if (check.status != SchemaStatus::Ready) {
        total.error = check.message;
        total.waiting = queued;
        return total;
    }
    total.serverReached = true;
    int before = 0;
    for (const auto& db : opened) {
        ResultsStore source(*db);
        const SyncCounts c = SendQueued(source, serverStore, abort, [&](int done, int) {
            if (progress) {
                progress(before + done, queued);
            }
        });
        total.sent += c.sent;
        total.alreadyThere += c.alreadyThere;
        total.refused += c.refused;
        if (!c.error.empty()) {
            total.error = c.error;
        }
        before += c.sent + c.alreadyThere + c.refused;
        if (c.serverLost) {
            total.serverLost = true;
            break;
        }
    }
    total.waiting = queued - total.sent - total.alreadyThere;
    return total;
}

}  // namespace halvo::results
