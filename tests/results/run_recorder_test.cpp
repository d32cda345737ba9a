// Keeping a run's record when the embedded database cannot take it: a damaged file, one written
// by a newer program, a folder that cannot be written. The record is kept aside, the operator is
// told where, the database is left as it was, and `results sync` takes the record in later.

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "common/file_io.h"
#include "results/results_sync.h"
#include "results/run_recorder.h"
#include "results/sample_records.h"
#include "results/store_backends.h"

namespace halvo {
namespace {

namespace fs = std::filesystem;
using results::RunKind;

class Recorder : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = ::testing::TempDir() + "halvo_recorder_" + std::to_string(getpid()) + "_" + info->name();
        fs::remove_all(root);
        fs::create_directories(root + "/tmp");
        fs::permissions(root, fs::perms::all);
        fs::permissions(root + "/tmp", fs::perms::all);
        setenv("TMPDIR", (root + "/tmp").c_str(), 1);
        target.localPath = root + "/data/halvo/results.sqlite";
        target.station = "bench-3";
    }
    void TearDown() override {
        unsetenv("TMPDIR");
        fs::remove_all(root);
    }
    std::optional<results::RunRecord> stored(const std::string& path, const std::string& runId) {
        std::string error;
        auto db = results::SqliteDatabase::Open(path, results::SqliteDatabase::Mode::ReadOnly, 1000, &error);
        if (!db) {
            return std::nullopt;
        }
        results::ResultsStore store(*db);
        if (store.open(false).status != results::SchemaStatus::Ready) {
            return std::nullopt;
        }
        return store.get(runId, &error);
    }
    std::unique_ptr<results::RunRecorder> recorder() {
        auto r = std::make_unique<results::RunRecorder>(target, 100);
        r->notify = [this](const std::string& line) { said.push_back(line); };
        return r;
    }
    std::string root;
    results::ResultsTarget target;
    std::vector<std::string> said;
};

TEST_F(Recorder, ARunGoesIntoTheEmbeddedDatabaseWithTheStationsName) {
    results::RunRecord r = test::SampleRecord(RunKind::Calibration, 1);
    r.station.clear();
    recorder()->recordRun(r);
    EXPECT_TRUE(said.empty());
    const auto back = stored(target.localPath, r.runId);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->station, "bench-3");
    EXPECT_EQ(back->calText, r.calText);
    // Without a server nothing waits to be sent.
    std::string error;
    auto db = results::SqliteDatabase::Open(target.localPath, results::SqliteDatabase::Mode::ReadOnly, 1000, &error);
    results::ResultsStore store(*db);
    std::vector<results::QueuedRun> q;
    ASSERT_TRUE(store.queued(q, &error));
    EXPECT_TRUE(q.empty());
}

TEST_F(Recorder, ADamagedDatabaseIsLeftAsItWasAndTheRunIsKeptAsideUntilSync) {
    fs::create_directories(fs::path(target.localPath).parent_path());
    const std::string garbage(4096, 'x');
    ASSERT_TRUE(WriteFileAtomically(target.localPath, garbage, nullptr));
    const results::RunRecord r = test::SampleRecord(RunKind::Verification, 1);
    auto rec = recorder();
    rec->recordRun(r);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("is damaged"), std::string::npos) << said[0];
    const std::string kept = fs::path(target.localPath).parent_path().string() + "/pending/" + r.runId + ".sqlite";
    EXPECT_NE(said[0].find("kept in " + kept), std::string::npos) << said[0];
    EXPECT_EQ(rec->lastKeptIn(), kept);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(target.localPath, bytes, nullptr));
    EXPECT_EQ(bytes, garbage);
    ASSERT_TRUE(stored(kept, r.runId));
    EXPECT_EQ(*stored(kept, r.runId), r);

    // The operator moves the damaged file aside; sync takes the kept run into a new database.
    fs::rename(target.localPath, target.localPath + ".damaged");
    std::string problem;
    EXPECT_EQ(results::TakeInKeptResults(target.localPath, false, &problem), 1) << problem;
    EXPECT_FALSE(fs::exists(kept));
    const auto back = stored(target.localPath, r.runId);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, r);
}

TEST_F(Recorder, ADatabaseOfANewerProgramIsNotWrittenAndTheRunIsKeptAside) {
    {
        std::string problem;
        auto db = results::OpenLocalResults(target.localPath, &problem);
        ASSERT_TRUE(db) << problem;
        std::string error;
        ASSERT_TRUE(db->exec("UPDATE halvo_schema SET version = 7", &error));
    }
    std::string before;
    ASSERT_TRUE(ReadWholeFile(target.localPath, before, nullptr));
    const results::RunRecord r = test::SampleRecord(RunKind::Aging, 1);
    recorder()->recordRun(r);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("written by a newer Halvo (schema version 7"), std::string::npos) << said[0];
    std::string after;
    ASSERT_TRUE(ReadWholeFile(target.localPath, after, nullptr));
    EXPECT_EQ(after, before);
    EXPECT_EQ(results::PendingFiles(target.localPath).size(), 1u);
}

// Runs `body` as a user who may not write the database's folder: "nobody" when the test runs as
// root (which may write anywhere), else the test's own user with the folder made read-only.
// Returns the child's exit status.
int AsUserWhoCannotWrite(const std::string& folder, const std::function<int()>& body) {
    fs::create_directories(folder);
    const pid_t child = fork();
    if (child == 0) {
        if (getuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (nobody == nullptr || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) {
                _exit(90);
            }
        } else {
            chmod(folder.c_str(), 0555);
        }
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    chmod(folder.c_str(), 0755);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

TEST_F(Recorder, AFolderThatCannotBeWrittenSendsTheRunToTheTemporaryDirectory) {
    const std::string folder = fs::path(target.localPath).parent_path().string();
    // Made by the station's owner earlier: a database the operator's account may only read.
    {
        std::string problem;
        ASSERT_TRUE(results::OpenLocalResults(target.localPath, &problem)) << problem;
    }
    chmod(target.localPath.c_str(), 0644);
    const results::RunRecord r = test::SampleRecord(RunKind::Calibration, 4);
    const int status = AsUserWhoCannotWrite(folder, [&] {
        std::vector<std::string> lines;
        results::RunRecorder rec(target, 100);
        rec.notify = [&](const std::string& line) { lines.push_back(line); };
        rec.recordRun(r);
        if (lines.size() != 1 || lines[0].find("cannot be written") == std::string::npos) {
            return 1;
        }
        return rec.lastKeptIn().rfind(root + "/tmp/halvo-pending-", 0) == 0 ? 0 : 2;
    });
    ASSERT_EQ(status, 0);
    EXPECT_FALSE(stored(target.localPath, r.runId)) << "the database stayed as it was";
    // Kept in the temporary directory's folder of the operator's account.
    std::vector<std::string> kept;
    for (const auto& e : fs::recursive_directory_iterator(root + "/tmp")) {
        if (e.path().extension() == ".sqlite") {
            kept.push_back(e.path().string());
        }
    }
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(fs::path(kept[0]).filename().string(), r.runId + ".sqlite");
    EXPECT_EQ(*stored(kept[0], r.runId), r);
}

TEST_F(Recorder, ARunKeptNowhereIsHeldAndKeptWhenTheStationCloses) {
    // A folder where the database file should be, a file where the folder for kept results
    // should be, and a temporary directory nobody can write: nothing takes the record.
    const std::string folder = fs::path(target.localPath).parent_path().string();
    fs::create_directories(target.localPath);
    ASSERT_TRUE(WriteFileAtomically(folder + "/pending", "", nullptr));
    setenv("TMPDIR", "/proc", 1);
    const results::RunRecord r = test::SampleRecord(RunKind::Copy, 5);
    auto rec = recorder();
    rec->recordRun(r);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("held until the station closes"), std::string::npos) << said[0];
    EXPECT_EQ(rec->unkeptCount(), 1u);
    EXPECT_TRUE(rec->lastKeptIn().empty());
    // Mended before the station closes: the held record is kept then.
    fs::remove(target.localPath);
    rec.reset();
    const auto back = stored(target.localPath, r.runId);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, r);
}

}  // namespace
}  // namespace halvo
