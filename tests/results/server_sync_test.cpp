// Records on their way to the line's server: queued in the embedded database, sent once, kept
// queued while the server is down, and a server that takes the connection but never answers
// holding nothing up for longer than its time-out.

#include <chrono>
#include <thread>

#include "results/results_sync.h"
#include "results/run_recorder.h"
#include "results/sample_records.h"
#include "results/store_backends.h"
#include "support/silent_server.h"

namespace halvo {
namespace {

using Clock = std::chrono::steady_clock;
using results::RunKind;

int64_t MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

using test::SilentServer;

class ServerSync : public ::testing::Test {
protected:
    void SetUp() override {
        url = test::FreshServerDatabase();
        ASSERT_FALSE(url.empty());
        local = test::ScratchFile(std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                                  ".sqlite");
        std::string problem;
        db = results::OpenLocalResults(local, &problem);
        ASSERT_TRUE(db) << problem;
        store = std::make_unique<results::ResultsStore>(*db);
    }
    int64_t onServer(const std::string& sql) {
        std::string error;
        auto s = results::PgDatabase::Connect(url, {3000, 30000}, nullptr, &error);
        EXPECT_TRUE(s) << error;
        std::vector<results::SqlRow> rows;
        if (!s || !s->exec(sql, {}, &rows, &error)) {
            ADD_FAILURE() << error;
            return -1;
        }
        return std::atoll(rows[0][0]->c_str());
    }
    size_t queued() {
        std::vector<results::QueuedRun> q;
        std::string error;
        EXPECT_TRUE(store->queued(q, &error)) << error;
        return q.size();
    }
    std::string url;
    std::string local;
    std::unique_ptr<results::SqliteDatabase> db;
    std::unique_ptr<results::ResultsStore> store;
};

TEST_F(ServerSync, QueuedRecordsArriveOnceWhateverHowOftenTheyAreSent) {
    std::vector<results::RunRecord> sent = test::OneOfEachKind();
    std::string error;
    for (const results::RunRecord& r : sent) {
        ASSERT_EQ(store->put(r, true, &error), results::PutResult::Stored);
    }
    results::SyncCounts c = results::SyncToServer(local, url, {3000, 30000}, nullptr, {});
    EXPECT_TRUE(c.error.empty()) << c.error;
    EXPECT_EQ(c.sent, 6);
    EXPECT_EQ(c.waiting, 0);
    EXPECT_EQ(queued(), 0u);
    EXPECT_EQ(onServer("SELECT count(*) FROM runs"), 6);
    // Sent, but the station never heard so: queued again, it is not stored twice.
    for (const results::RunRecord& r : sent) {
        ASSERT_TRUE(db->exec("INSERT INTO outbox VALUES ($1, '2024-01-01', 0, '')", {results::SqlValue::Text(r.runId)},
                             nullptr, &error));
    }
    c = results::SyncToServer(local, url, {3000, 30000}, nullptr, {});
    EXPECT_EQ(c.sent, 0);
    EXPECT_EQ(c.alreadyThere, 6);
    EXPECT_EQ(onServer("SELECT count(*) FROM runs"), 6);
    EXPECT_EQ(onServer("SELECT count(*) FROM run_items"), static_cast<int64_t>(sent[1].items.size()));
    // What the server holds is the record.
    auto server = results::PgDatabase::Connect(url, {3000, 30000}, nullptr, &error);
    ASSERT_TRUE(server);
    results::ResultsStore serverStore(*server);
    ASSERT_EQ(serverStore.open(false).status, results::SchemaStatus::Ready);
    for (const results::RunRecord& r : sent) {
        EXPECT_EQ(serverStore.get(r.runId, &error), r);
    }
}

TEST_F(ServerSync, AServerDownLeavesEverythingQueuedAndNamesWhy) {
    std::string error;
    ASSERT_EQ(store->put(test::SampleRecord(RunKind::Calibration, 1), true, &error), results::PutResult::Stored);
    const std::string nowhere = "postgresql://halvo@/halvo?host=/nonexistent-socket-dir&port=5999";
    const results::SyncCounts c = results::SyncToServer(local, nowhere, {1000, 1000}, nullptr, {});
    EXPECT_FALSE(c.serverReached);
    EXPECT_EQ(c.waiting, 1);
    EXPECT_NE(c.error.find("results server"), std::string::npos) << c.error;
    EXPECT_EQ(queued(), 1u);
}

TEST_F(ServerSync, AServerThatNeverAnswersCostsNoMoreThanTheTimeOut) {
    SilentServer silent;
    std::string error;
    results::SqlFailure failure = results::SqlFailure::None;
    auto start = Clock::now();
    EXPECT_FALSE(results::PgDatabase::Connect(silent.url(), {500, 500}, nullptr, &error, &failure));
    const int64_t took = MsSince(start);
    EXPECT_EQ(failure, results::SqlFailure::TimedOut);
    EXPECT_NE(error.find("no answer within 500 ms"), std::string::npos) << error;
    EXPECT_GE(took, 450);
    EXPECT_LT(took, 1500);

    // Given up from outside (the station closing) well before the time-out.
    std::atomic<bool> abort{false};
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        abort = true;
    });
    start = Clock::now();
    EXPECT_FALSE(results::PgDatabase::Connect(silent.url(), {10000, 10000}, &abort, &error, &failure));
    closer.join();
    EXPECT_EQ(failure, results::SqlFailure::Cancelled);
    EXPECT_LT(MsSince(start), 1000);
}

TEST_F(ServerSync, AStatementTheServerSitsOnIsGivenUpAtTheDeadline) {
    std::string error;
    auto server = results::PgDatabase::Connect(url, {3000, 400}, nullptr, &error);
    ASSERT_TRUE(server) << error;
    // The server's own time-out off: only the station's deadline is left.
    ASSERT_TRUE(server->exec("SET statement_timeout = 0", &error));
    const auto start = Clock::now();
    EXPECT_FALSE(server->exec("SELECT pg_sleep(5)", &error));
    EXPECT_EQ(server->failure(), results::SqlFailure::TimedOut);
    EXPECT_LT(MsSince(start), 1500);
    // The connection is not used again after that.
    EXPECT_FALSE(server->exec("SELECT 1", &error));
    EXPECT_EQ(server->failure(), results::SqlFailure::Unreachable);
}

TEST_F(ServerSync, ARunsEndNeverWaitsOnASilentServerAndTheRecordIsSentLater) {
    SilentServer silent;
    results::ResultsTarget target;
    target.localPath = local;
    target.serverUrl = silent.url();
    target.station = "line-1";
    target.timeouts = {800, 800};
    const results::RunRecord r = test::SampleRecord(RunKind::Verification, 3);
    std::vector<std::string> said;
    auto start = Clock::now();
    {
        results::RunRecorder recorder(target, 300);
        recorder.notify = [&](const std::string& line) { said.push_back(line); };
        recorder.recordRun(r);
        EXPECT_LT(MsSince(start), 500) << "the run's end only stores locally and wakes the sender";
        start = Clock::now();
    }
    // Closing: the grace, then the attempt is given up within a slice of its wait.
    EXPECT_LT(MsSince(start), 300 + 1000);
    ASSERT_FALSE(said.empty());
    EXPECT_NE(said.back().find("wait for the results server"), std::string::npos) << said.back();
    EXPECT_EQ(queued(), 1u) << "nothing stored is lost";
    std::string error;
    EXPECT_EQ(store->get(r.runId, &error), r);
    // The next sync, with the server there, delivers it.
    const results::SyncCounts c = results::SyncToServer(local, url, {3000, 30000}, nullptr, {});
    EXPECT_EQ(c.sent, 1);
    EXPECT_EQ(queued(), 0u);
}

TEST_F(ServerSync, TheSenderDeliversAtTheRunsEndWhenTheServerIsThere) {
    results::ResultsTarget target;
    target.localPath = local;
    target.serverUrl = url;
    target.station = "line-2";
    results::RunRecorder recorder(target, 2000);
    for (int n = 0; n < 3; ++n) {
        recorder.recordRun(test::SampleRecord(RunKind::Calibration, n));
    }
    ASSERT_TRUE(recorder.sender()->waitIdle(10000));
    EXPECT_EQ(onServer("SELECT count(*) FROM runs WHERE station = 'line-1' OR station = 'line-0' OR station = 'line-2'"),
              3);
    EXPECT_EQ(queued(), 0u);
}

}  // namespace
}  // namespace halvo
