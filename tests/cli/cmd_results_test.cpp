// halvo-cli results: the runs a station recorded, listed, shown whole (the stored .cal comes back
// out byte for byte), summed up as a yield and a workbook, and sent to the line's server; from
// the embedded database and from the server alike.

#include <regex>

#include "cli/verdict_comparison.h"
#include "common/file_io.h"
#include "common/text_format.h"
#include "results/results_store.h"
#include "results/run_recorder.h"
#include "results/sample_records.h"
#include "support/capture.h"
#include "support/scoped_env.h"
#include "support/scratch_postgres.h"
#include "support/working_directory.h"

namespace halvo {
namespace {

namespace fs = std::filesystem;
using test::RunCliCaptured;
using results::RunKind;

class CliResults : public test::InScratchDirectory {
protected:
    void SetUp() override {
        InScratchDirectory::SetUp();
        dataHome_ = std::make_unique<test::ScopedEnv>("XDG_DATA_HOME", dir_ + "/data");
        resultsDb_ = std::make_unique<test::ScopedEnv>(results::kResultsDbVariable, std::nullopt);
        database = dir_ + "/data/halvo/results.sqlite";
    }
    void TearDown() override {
        resultsDb_.reset();
        dataHome_.reset();
        InScratchDirectory::TearDown();
    }
    // Records put straight into the embedded database.
    void record(const std::vector<results::RunRecord>& runs) {
        std::string problem;
        auto db = results::OpenLocalResults(database, &problem);
        ASSERT_TRUE(db) << problem;
        results::ResultsStore store(*db);
        for (const results::RunRecord& r : runs) {
            ASSERT_EQ(store.put(r, false, &problem), results::PutResult::Stored) << problem;
        }
    }
    static std::string read(const std::string& path) {
        std::string text;
        EXPECT_TRUE(ReadWholeFile(path, text, nullptr)) << path;
        return text;
    }
    std::string database;

private:
    std::unique_ptr<test::ScopedEnv> dataHome_;
    std::unique_ptr<test::ScopedEnv> resultsDb_;
};

TEST_F(CliResults, ACalibrationsStoredCalComesBackByteForByte) {
    const test::CliResult cal = RunCliCaptured({"calibrate", "--simulate", "--targets", "2", "--out", "out",
                                                "--serial", "SN-0815", "--tested-by", "Kim"});
    ASSERT_EQ(cal.exitCode, 0) << cal.err;
    const test::CliResult list = RunCliCaptured({"results", "list", "--json"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(list.out, m, std::regex("\"runId\":\"([0-9a-f-]{36})\""))) << list.out;
    const std::string id = m[1];
    EXPECT_NE(list.out.find("\"serialNumber\":\"SN-0815\""), std::string::npos);
    EXPECT_NE(list.out.find("\"operator\":\"Kim\""), std::string::npos);
    EXPECT_NE(list.out.find("\"kind\":\"calibration\",\"mode\":\"prescribed\""), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("\"total\":1"), std::string::npos);

    const test::CliResult show =
        RunCliCaptured({"results", "show", id.substr(0, 8), "--cal", "back/stored.cal", "--log", "back/log.txt"});
    ASSERT_EQ(show.exitCode, 0) << show.err;
    EXPECT_NE(show.out.find("Outcome            completed, passed"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("S/N                SN-0815"), std::string::npos);
    EXPECT_NE(show.out.find("Mode               prescribed"), std::string::npos) << show.out;
    std::string saved;
    for (const auto& e : fs::directory_iterator("out")) {
        if (e.path().extension() == ".cal") {
            saved = read(e.path().string());
        }
    }
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(read("back/stored.cal"), saved);
    // The run's log is the part of the station's log the run wrote, as the station saves logs.
    const std::string log = read("back/log.txt");
    EXPECT_NE(log.find("\r\n"), std::string::npos);
    bool inSavedLog = false;
    for (const auto& e : fs::directory_iterator("out")) {
        if (e.path().string().find("Log.txt") != std::string::npos) {
            inSavedLog = read(e.path().string()).find(log) != std::string::npos;
        }
    }
    EXPECT_TRUE(inSavedLog);
}

TEST_F(CliResults, ListAnswersItsFiltersAndSaysWhenNothingIsThere) {
    test::CliResult r = RunCliCaptured({"results", "list"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "No runs recorded in " + database + ".\n");
    std::vector<results::RunRecord> runs;
    for (int n = 0; n < 8; ++n) {
        runs.push_back(test::SampleRecord(n % 2 ? RunKind::Verification : RunKind::Calibration, n));
    }
    record(runs);
    r = RunCliCaptured({"results", "list"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("Started (UTC)        Kind          Outcome    Pass  Station", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("8 of 8 run(s) in " + database), std::string::npos);
    // Newest first, with the start of the run id that show takes.
    EXPECT_NE(r.out.find("2024-05-01 19:34:56  verification  failed     no    line-1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(runs[7].runId.substr(0, 8)), std::string::npos);
    r = RunCliCaptured({"results", "list", "--serial", "SN1004"});
    EXPECT_NE(r.out.find("1 of 1 run(s)"), std::string::npos) << r.out;
    r = RunCliCaptured({"results", "list", "--outcome", "failed", "--kind", "all"});
    EXPECT_NE(r.out.find("2 of 2 run(s)"), std::string::npos) << r.out;
    r = RunCliCaptured({"results", "list", "--kind", "Calibration, COPY", "--station", "line-0"});
    EXPECT_NE(r.out.find("2 of 2 run(s)"), std::string::npos) << r.out;  // 0 and 6
    r = RunCliCaptured({"results", "list", "--since", "2024-05-01T17:00", "--limit", "2"});
    EXPECT_NE(r.out.find("2 of 3 run(s) in " + database + " (--limit 0 lists all)"), std::string::npos) << r.out;
    r = RunCliCaptured({"results", "list", "--id", "VRL000009"});
    EXPECT_EQ(r.out, "No runs recorded that match in " + database + ".\n");
}

TEST_F(CliResults, YieldAndReportSumUpTheVerifications) {
    std::vector<results::RunRecord> runs;
    for (int n = 0; n < 4; ++n) {
        runs.push_back(test::SampleRecord(RunKind::Verification, n));
        runs.back().passed = n < 3;
    }
    runs.push_back(test::SampleRecord(RunKind::Calibration, 5));
    record(runs);
    test::CliResult y = RunCliCaptured({"results", "yield", "--json"});
    ASSERT_EQ(y.exitCode, 0) << y.err;
    EXPECT_NE(y.out.find("\"total\":{\"name\":\"all\",\"runs\":4,\"passed\":3,\"passRate\":0.75"), std::string::npos)
        << y.out;
    EXPECT_NE(y.out.find("{\"test\":\"Color Temperature\",\"item\":\"6500K\",\"quantity\":\"\u0394v'\",\"count\":4}"),
              std::string::npos);
    y = RunCliCaptured({"results", "yield", "--by", "station"});
    ASSERT_EQ(y.exitCode, 0);
    EXPECT_NE(y.out.find("Yield of verification runs by station"), std::string::npos) << y.out;
    EXPECT_NE(y.out.find(cli::PadToWidth("line-0", 16) + Format(" %5d %6d %8.1f %%", 2, 1, 50.0)), std::string::npos)
        << y.out;
    EXPECT_NE(y.out.find("Items most often out of range\n     4  Color Temperature 6500K \u0394v'"), std::string::npos);
    y = RunCliCaptured({"results", "yield", "--kind", "calibration"});
    EXPECT_NE(y.out.find("Yield of calibration runs"), std::string::npos);

    const test::CliResult rep = RunCliCaptured({"results", "report", "--out", "made/for/it/yield.xlsx"});
    ASSERT_EQ(rep.exitCode, 0) << rep.err;
    EXPECT_TRUE(fs::exists("made/for/it/yield.xlsx"));
    EXPECT_NE(rep.out.find("4 run(s)"), std::string::npos);
}

TEST_F(CliResults, WrongRequestsAreRefusedWithTheirReason) {
    record({test::SampleRecord(RunKind::Aging, 1)});
    const struct {
        std::vector<std::string> args;
        int code;
        const char* says;
    } cases[] = {
        {{"results"}, 2, "say list, show, yield, report or sync"},
        {{"results", "tally"}, 2, "unknown results action 'tally'"},
        {{"results", "list", "--out", "x.xlsx"}, 2, "that list does not take"},
        {{"results", "sync", "--json"}, 2, "that sync does not take"},
        {{"results", "list", "--all"}, 2, "that list does not take"},
        {{"results", "show"}, 2, "show needs one run id"},
        {{"results", "show", "0000"}, 1, "no run 0000"},
        {{"results", "list", "--since", "2024-13-01"}, 2, "--since needs a date"},
        {{"results", "list", "--outcome", "sometimes"}, 2, "unknown outcome 'sometimes'"},
        {{"results", "list", "--kind", "repair"}, 2, "unknown kind 'repair'"},
        {{"results", "yield", "--by", "week"}, 2, "--by takes day, station, operator or model"},
        {{"results", "report"}, 2, "report needs --out <file.xlsx>"},
        {{"results", "list", "--results-db", "sqlite:"}, 2, "--results-db needs"},
        {{"results", "show", "x", "--cal", "a.cal", "--bogus"}, 2, "unknown option --bogus"},
    };
    for (const auto& c : cases) {
        const test::CliResult r = RunCliCaptured(c.args);
        EXPECT_EQ(r.exitCode, c.code) << c.args.back() << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    // A run without .cal asked for one.
    const test::CliResult list = RunCliCaptured({"results", "list", "--json"});
    std::smatch m;
    ASSERT_TRUE(std::regex_search(list.out, m, std::regex("\"runId\":\"([0-9a-f-]{36})\"")));
    const test::CliResult show = RunCliCaptured({"results", "show", m[1], "--cal", "none.cal"});
    EXPECT_EQ(show.exitCode, 1);
    EXPECT_NE(show.err.find("the run has no stored calibration data"), std::string::npos);
    EXPECT_FALSE(fs::exists("none.cal"));
}

TEST_F(CliResults, ADatabaseOfANewerProgramIsNotReadAndNotChanged) {
    record({test::SampleRecord(RunKind::Aging, 1)});
    {
        std::string error;
        auto db = results::SqliteDatabase::Open(database, results::SqliteDatabase::Mode::ReadWrite, 1000, &error);
        ASSERT_TRUE(db->exec("UPDATE halvo_schema SET version = 5", &error));
    }
    const std::string before = read(database);
    const test::CliResult r = RunCliCaptured({"results", "list"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("written by a newer Halvo (schema version 5"), std::string::npos) << r.err;
    EXPECT_EQ(read(database), before);
}

TEST_F(CliResults, SyncTakesInKeptResultsAndSaysThereIsNoServer) {
    // A run kept aside while the database could not be written.
    const results::RunRecord kept = test::SampleRecord(RunKind::Copy, 2);
    {
        std::string problem;
        const std::string aside = dir_ + "/data/halvo/pending/" + kept.runId + ".sqlite";
        fs::create_directories(fs::path(aside).parent_path());
        auto db = results::OpenLocalResults(aside, &problem);
        ASSERT_TRUE(db) << problem;
        results::ResultsStore store(*db);
        ASSERT_EQ(store.put(kept, false, &problem), results::PutResult::Stored);
    }
    const test::CliResult r = RunCliCaptured({"results", "sync"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Took 1 result(s) kept aside into " + database), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("No results server is set"), std::string::npos);
    const test::CliResult list = RunCliCaptured({"results", "list"});
    EXPECT_NE(list.out.find(kept.runId.substr(0, 8)), std::string::npos);
}

TEST_F(CliResults, TheServerIsReadLikeTheEmbeddedDatabase) {
    std::string error;
    std::unique_ptr<test::ScratchPostgres> server = test::ScratchPostgres::Start(&error);
    ASSERT_TRUE(server) << error;
    ASSERT_TRUE(server->createDatabase("cli", &error)) << error;
    const std::string url = server->url("cli");
    const test::CliResult cal =
        RunCliCaptured({"calibrate", "--simulate", "--targets", "4", "--out", "out", "--results-db", url});
    ASSERT_EQ(cal.exitCode, 0) << cal.err;
    const test::CliResult fromServer = RunCliCaptured({"results", "list", "--results-db", url});
    ASSERT_EQ(fromServer.exitCode, 0) << fromServer.err;
    EXPECT_NE(fromServer.out.find("1 of 1 run(s) in results server"), std::string::npos) << fromServer.out;
    setenv(results::kResultsDbVariable, url.c_str(), 1);
    const test::CliResult local = RunCliCaptured({"results", "list", "--local"});
    unsetenv(results::kResultsDbVariable);
    EXPECT_NE(local.out.find("1 of 1 run(s) in " + database), std::string::npos) << local.out;
    const test::CliResult sync = RunCliCaptured({"results", "sync", "--results-db", url});
    EXPECT_EQ(sync.exitCode, 0) << sync.err;
    EXPECT_NE(sync.out.find("Sent 0 run(s) to"), std::string::npos) << sync.out;
    EXPECT_NE(sync.out.find("; 0 still waiting."), std::string::npos);
    // Runs from before the station had a server go with --all; the one it has is not doubled.
    record({halvo::test::SampleRecord(RunKind::Verification, 4)});
    const test::CliResult all = RunCliCaptured({"results", "sync", "--all", "--results-db", url});
    EXPECT_EQ(all.exitCode, 0) << all.err;
    EXPECT_NE(all.out.find("Queued 2 earlier run(s)"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("Sent 1 run(s) to"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("(1 more it had already)"), std::string::npos) << all.out;
    EXPECT_NE(RunCliCaptured({"results", "list", "--results-db", url}).out.find("2 of 2 run(s)"), std::string::npos);
    // The server stopped: reading it says so and points at the embedded database.
    server->stop();
    const test::CliResult down = RunCliCaptured({"results", "list", "--results-db", url});
    EXPECT_EQ(down.exitCode, 1);
    EXPECT_NE(down.err.find("--local reads this station's embedded database"), std::string::npos) << down.err;
}

}  // namespace
}  // namespace halvo
