// A production line: sixteen simulated stations, each its own halvo-cli process on the virtual
// clock running the full job (a verification, a full calibration, a verification again), all
// writing to one results server at once. Every run arrives exactly once; and when the server is
// stopped half way and started again, `results sync` on each station delivers the rest, nothing
// doubled and no run failed for it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "common/file_io.h"
#include "results/pg_database.h"
#include "results/results_store.h"
#include "results/sqlite_database.h"
#include "support/scratch_postgres.h"

namespace halvo {
namespace {

namespace fs = std::filesystem;
constexpr int kStations = 16;
constexpr int kRunsPerStation = 3;

std::string Cli() {
    const char* cli = std::getenv("HALVO_CLI");
    return cli != nullptr ? cli : "";
}

struct Station {
    std::string dir;
    pid_t pid = -1;
    int status = -1;
};

// Runs halvo-cli in the station's folder with its own data folder; output into files there.
pid_t Spawn(const Station& s, const std::vector<std::string>& args, const std::string& outName) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(s.dir.c_str()) != 0) {
            _exit(120);
        }
        setenv("XDG_DATA_HOME", (s.dir + "/data").c_str(), 1);
        unsetenv("HALVO_RESULTS_DB");
        const int out = open((outName + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open((outName + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
        const std::string cli = Cli();
        std::vector<char*> argv{const_cast<char*>(cli.c_str())};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(cli.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

std::string Text(const std::string& path) {
    std::string t;
    ReadWholeFile(path, t, nullptr);
    return t;
}

class Line : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        server_ = test::ScratchPostgres::Start(&error).release();
        ASSERT_NE(server_, nullptr) << error;
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(server_, nullptr);
        ASSERT_FALSE(Cli().empty()) << "HALVO_CLI names the halvo-cli to run";
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::string error;
        ASSERT_TRUE(server_->start(&error)) << error;
        ASSERT_TRUE(server_->createDatabase("line_" + std::to_string(getpid()) + "_" + std::to_string(++databases_),
                                            &error))
            << error;
        url = server_->url("line_" + std::to_string(getpid()) + "_" + std::to_string(databases_));
        root = ::testing::TempDir() + "halvo_line_" + std::to_string(getpid()) + "_" + name;
        fs::remove_all(root);
        for (int n = 0; n < kStations; ++n) {
            Station s;
            s.dir = root + "/station-" + std::to_string(n);
            fs::create_directories(s.dir);
            // Each station's own name, in its own settings file beside its Config.ini.
            ASSERT_TRUE(WriteFileAtomically(s.dir + "/Station.ini", "[Station]\r\nName=line-" + std::to_string(n) + "\r\n",
                                            nullptr));
            stations.push_back(s);
        }
    }
    void TearDown() override { fs::remove_all(root); }

    void startAll() {
        for (size_t n = 0; n < stations.size(); ++n) {
            stations[n].pid = Spawn(stations[n],
                                    {"demo", "--out", "out", "--seed", std::to_string(n + 1), "--results-db", url},
                                    "demo");
            ASSERT_GT(stations[n].pid, 0);
        }
    }
    void waitAll() {
        for (Station& s : stations) {
            waitpid(s.pid, &s.status, 0);
        }
    }
    int64_t serverCount(const char* sql) {
        std::string error;
        auto db = results::PgDatabase::Connect(url, {1000, 5000}, nullptr, &error);
        std::vector<results::SqlRow> rows;
        if (!db || !db->exec(sql, {}, &rows, &error) || rows.empty() || !rows[0][0]) {
            return -1;
        }
        return std::atoll(rows[0][0]->c_str());
    }
    // Every station's own record of its runs: the run ids, each run's outcome and the queue.
    void readStations(std::map<std::string, std::string>& outcomes, size_t& queued) {
        queued = 0;
        for (const Station& s : stations) {
            std::string error;
            auto db = results::SqliteDatabase::Open(s.dir + "/data/halvo/results.sqlite",
                                                    results::SqliteDatabase::Mode::ReadOnly, 5000, &error);
            ASSERT_TRUE(db) << error;
            results::ResultsStore store(*db);
            ASSERT_EQ(store.open(false).status, results::SchemaStatus::Ready);
            std::vector<results::RunRecord> runs;
            ASSERT_TRUE(store.list({}, runs, &error)) << error;
            EXPECT_EQ(runs.size(), static_cast<size_t>(kRunsPerStation)) << s.dir;
            for (const results::RunRecord& r : runs) {
                outcomes[r.runId] = results::RunOutcomeName(r.outcome);
            }
            std::vector<results::QueuedRun> q;
            ASSERT_TRUE(store.queued(q, &error));
            queued += q.size();
        }
    }
    // The server holds exactly these runs, each once.
    void expectOnServerOnce(const std::map<std::string, std::string>& outcomes) {
        EXPECT_EQ(serverCount("SELECT count(*) FROM runs"), static_cast<int64_t>(outcomes.size()));
        EXPECT_EQ(serverCount("SELECT count(DISTINCT run_id) FROM runs"), static_cast<int64_t>(outcomes.size()));
        EXPECT_EQ(serverCount("SELECT count(DISTINCT station) FROM runs"), kStations);
        EXPECT_EQ(serverCount("SELECT count(*) FROM runs WHERE outcome <> 'completed'"), 0);
        std::string error;
        auto db = results::PgDatabase::Connect(url, {3000, 30000}, nullptr, &error);
        ASSERT_TRUE(db) << error;
        results::ResultsStore store(*db);
        ASSERT_EQ(store.open(false).status, results::SchemaStatus::Ready);
        std::vector<results::RunRecord> runs;
        ASSERT_TRUE(store.list({}, runs, &error)) << error;
        std::set<std::string> ids;
        for (const results::RunRecord& r : runs) {
            ids.insert(r.runId);
            EXPECT_TRUE(outcomes.count(r.runId)) << r.runId << " is no station's run";
        }
        EXPECT_EQ(ids.size(), outcomes.size());
    }
    void expectEveryStationRanThrough() {
        for (const Station& s : stations) {
            ASSERT_TRUE(WIFEXITED(s.status)) << s.dir;
            // 0: the calibrated monitor passed; 1: an item just out of range after the calibration,
            // as the simulated station's noise allows now and then. Never a failed run.
            EXPECT_LE(WEXITSTATUS(s.status), 1) << Text(s.dir + "/demo.err");
            EXPECT_EQ(Text(s.dir + "/demo.err").find("Calibration failed"), std::string::npos) << Text(s.dir + "/demo.err");
        }
    }

    static test::ScratchPostgres* server_;
    static int databases_;
    std::string url;
    std::string root;
    std::vector<Station> stations;
};

test::ScratchPostgres* Line::server_ = nullptr;
int Line::databases_ = 0;

TEST_F(Line, SixteenStationsAtOnceEachRunArrivesExactlyOnce) {
    startAll();
    waitAll();
    expectEveryStationRanThrough();
    std::map<std::string, std::string> outcomes;
    size_t queued = 0;
    readStations(outcomes, queued);
    EXPECT_EQ(outcomes.size(), static_cast<size_t>(kStations * kRunsPerStation));
    EXPECT_EQ(queued, 0u) << "every run was sent at its end";
    expectOnServerOnce(outcomes);
}

TEST_F(Line, AServerStoppedHalfWayGetsEverythingAfterSyncAndNothingTwice) {
    const int64_t all = kStations * kRunsPerStation;
    startAll();
    // Half the runs in, the server goes away while the stations go on.
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    while (serverCount("SELECT count(*) FROM runs") < all / 2 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    server_->stop();
    waitAll();
    expectEveryStationRanThrough();
    std::map<std::string, std::string> outcomes;
    size_t queued = 0;
    readStations(outcomes, queued);
    EXPECT_EQ(outcomes.size(), static_cast<size_t>(all));
    EXPECT_GT(queued, 0u) << "runs ended while the server was away";
    for (const auto& [id, outcome] : outcomes) {
        EXPECT_EQ(outcome, "completed") << id;
    }

    std::string error;
    ASSERT_TRUE(server_->start(&error)) << error;
    const int64_t arrived = serverCount("SELECT count(*) FROM runs");
    EXPECT_LT(arrived, all);
    std::printf("The server had %lld of %lld runs when it was stopped; %zu waited on the stations for the sync\n",
                static_cast<long long>(arrived), static_cast<long long>(all), queued);
    for (Station& s : stations) {
        s.pid = Spawn(s, {"results", "sync", "--results-db", url}, "sync");
    }
    waitAll();
    for (const Station& s : stations) {
        EXPECT_TRUE(WIFEXITED(s.status) && WEXITSTATUS(s.status) == 0) << Text(s.dir + "/sync.err");
        EXPECT_NE(Text(s.dir + "/sync.out").find("; 0 still waiting."), std::string::npos) << Text(s.dir + "/sync.out");
    }
    readStations(outcomes, queued);
    EXPECT_EQ(queued, 0u);
    expectOnServerOnce(outcomes);
    // Once more: nothing is left to send and nothing is doubled.
    for (Station& s : stations) {
        s.pid = Spawn(s, {"results", "sync", "--results-db", url}, "sync");
    }
    waitAll();
    expectOnServerOnce(outcomes);
}

}  // namespace
}  // namespace halvo
