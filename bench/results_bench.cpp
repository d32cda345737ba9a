// The results database: records per second into the embedded SQLite file and into a PostgreSQL
// server (a throwaway one on a Unix socket, as the tests start it), and the time a run's end
// spends recording: storing the record locally, queueing it and waking the sender, with the
// server there and with a server that takes the connection and never answers.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "caldata/cal_file.h"
#include "results/pg_database.h"
#include "results/results_store.h"
#include "results/run_recorder.h"
#include "support/scratch_postgres.h"
#include "support/silent_server.h"

namespace {

using namespace halvo;

// A calibration's record as a full run leaves it: the whole .cal (about 290 kB) and a log of
// about 100 kB.
results::RunRecord Calibration() {
    static const std::string cal = WriteCalFile(CalibrationData());
    static const std::string log = [] {
        std::string l;
        while (l.size() < 100 * 1024) {
            l += "CAL: u:0.1978 v':0.4683 x:0.3127 y:0.3290 Lv: 99.87 T: 6504 \xce\x94uv:0.0001\r\n";
        }
        return l;
    }();
    results::RunRecord r;
    r.runId = results::NewRunId();
    r.kind = results::RunKind::Calibration;
    r.station = "bench";
    r.calibrationId = "VRL000001";
    r.startedAt = r.endedAt = results::IsoTimeUtc(results::NowUnixMs());
    r.calText = cal;
    r.logText = log;
    r.passed = true;
    return r;
}

// A verification's: 70 judged items and a log of about 20 kB.
results::RunRecord Verification() {
    results::RunRecord r = Calibration();
    r.kind = results::RunKind::Verification;
    r.calText.reset();
    r.logText = r.logText->substr(0, 20 * 1024);
    for (int i = 0; i < 70; ++i) {
        r.items.push_back({"Primary Colors", "BT-709", "\xce\x94u' r", "0.0012", "\xe2\x89\xa4 0.0060", "OK"});
    }
    return r;
}

results::RunRecord Sample(int kind) {
    results::RunRecord r = kind == 0 ? Calibration() : Verification();
    r.runId = results::NewRunId();
    return r;
}

std::string Scratch(const char* name) {
    const std::string dir = std::filesystem::temp_directory_path() / "halvo_bench_results";
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/" + name;
    std::filesystem::remove(path);
    return path;
}

test::ScratchPostgres* Server() {
    static std::unique_ptr<test::ScratchPostgres> server = [] {
        std::string error;
        auto s = test::ScratchPostgres::Start(&error, true);
        if (s) {
            s->createDatabase("bench", &error);
        }
        return s;
    }();
    return server.get();
}

// Records one after the other into a store; each its own transaction, as at a run's end.
void PutRecords(benchmark::State& state, results::ResultsStore& store, bool queue) {
    store.open(true);
    std::string error;
    for (auto _ : state) {
        state.PauseTiming();
        const results::RunRecord r = Sample(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        if (store.put(r, queue, &error) != results::PutResult::Stored) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(state.range(0) == 0 ? "calibration, 390 kB" : "verification, 70 items");
}

void BM_SqliteRecords(benchmark::State& state) {
    std::string error;
    auto db = results::SqliteDatabase::Open(Scratch("store.sqlite"), results::SqliteDatabase::Mode::Create, 2000, &error);
    results::ResultsStore store(*db);
    PutRecords(state, store, true);
}
BENCHMARK(BM_SqliteRecords)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PostgresRecords(benchmark::State& state) {
    test::ScratchPostgres* server = Server();
    std::string error;
    auto db = server ? results::PgDatabase::Connect(server->url("bench"), {3000, 30000}, nullptr, &error) : nullptr;
    if (!db) {
        state.SkipWithError("no PostgreSQL server");
        return;
    }
    results::ResultsStore store(*db);
    PutRecords(state, store, false);
}
BENCHMARK(BM_PostgresRecords)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// What recordRun costs the run's end: arg 0 the server there, 1 a silent server, 2 none.
void BM_RunEndRecording(benchmark::State& state) {
    results::ResultsTarget target;
    target.localPath = Scratch("run_end.sqlite");
    target.station = "bench";
    target.timeouts = {1000, 1000};
    std::unique_ptr<test::SilentServer> silent;
    if (state.range(0) == 0) {
        test::ScratchPostgres* server = Server();
        if (server == nullptr) {
            state.SkipWithError("no PostgreSQL server");
            return;
        }
        target.serverUrl = server->url("bench");
    } else if (state.range(0) == 1) {
        silent = std::make_unique<test::SilentServer>();
        target.serverUrl = silent->url();
    }
    {
        results::RunRecorder recorder(target, 0);
        for (auto _ : state) {
            state.PauseTiming();
            results::RunRecord r = Sample(0);
            state.ResumeTiming();
            recorder.recordRun(std::move(r));
        }
    }
    state.SetLabel(state.range(0) == 0 ? "server there" : state.range(0) == 1 ? "server silent" : "no server");
}
BENCHMARK(BM_RunEndRecording)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(50)->UseRealTime();

}  // namespace
