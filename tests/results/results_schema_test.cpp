// The schema's versions: a new database is made at the current one, an older one is brought up
// to it in one piece, and a database of a newer program, of another program or a damaged file is
// refused and left exactly as it was.

#include <thread>

#include "common/file_io.h"
#include "common/text_format.h"
#include "results/results_schema.h"
#include "results/results_store.h"
#include "results/sample_records.h"
#include "results/store_backends.h"

namespace halvo {
namespace {

using results::SchemaStatus;
using test::Backend;

std::string FileBytes(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, bytes, nullptr));
    return bytes;
}

// The current schema and one step more: a column for notes.
std::vector<results::SchemaMigration> WithNotes(const char* step) {
    std::vector<results::SchemaMigration> m = results::ResultsMigrations();
    m.push_back({m.back().version + 1, {step}});
    return m;
}

class Schema : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        db = test::OpenBackend(GetParam(), &place);
        ASSERT_TRUE(db);
    }
    int64_t scalar(const std::string& sql) {
        std::vector<results::SqlRow> rows;
        std::string error;
        EXPECT_TRUE(db->exec(sql, {}, &rows, &error)) << error;
        return rows.empty() || !rows[0][0] ? -1 : std::atoll(rows[0][0]->c_str());
    }
    std::unique_ptr<results::SqlDatabase> db;
    std::string place;
};

TEST_P(Schema, ANewDatabaseIsMadeAtTheCurrentVersionAndOpeningItAgainChangesNothing) {
    const results::SchemaCheck first = results::OpenSchema(*db, results::ResultsMigrations(), true);
    ASSERT_EQ(first.status, SchemaStatus::Ready) << first.message;
    EXPECT_EQ(first.version, results::CurrentSchemaVersion());
    EXPECT_EQ(scalar("SELECT count(*) FROM halvo_schema"), 1);
    if (GetParam() == Backend::Sqlite) {
        db.reset();
        const std::string before = FileBytes(place);
        std::string error;
        db = results::SqliteDatabase::Open(place, results::SqliteDatabase::Mode::ReadWrite, 1000, &error);
        ASSERT_TRUE(db);
        EXPECT_EQ(results::OpenSchema(*db, results::ResultsMigrations(), true).status, SchemaStatus::Ready);
        db.reset();
        EXPECT_EQ(FileBytes(place), before);
    }
}

TEST_P(Schema, AnOlderSchemaIsMigratedWithItsRecordsAndAFailedStepLeavesItAsItWas) {
    ASSERT_EQ(results::OpenSchema(*db, results::ResultsMigrations(), true).status, SchemaStatus::Ready);
    results::ResultsStore store(*db);
    const results::RunRecord r = test::SampleRecord(results::RunKind::Verification, 1);
    std::string error;
    ASSERT_EQ(store.put(r, false, &error), results::PutResult::Stored);

    const int current = results::CurrentSchemaVersion();
    // A step that cannot be carried out: nothing of it stays, the version neither.
    const results::SchemaCheck broken = results::OpenSchema(*db, WithNotes("ALTER TABLE no_such_table ADD x TEXT"), true);
    EXPECT_EQ(broken.status, SchemaStatus::Failed);
    EXPECT_NE(broken.message.find("migrating to schema version"), std::string::npos) << broken.message;
    EXPECT_EQ(scalar("SELECT max(version) FROM halvo_schema"), current);

    const auto notes = WithNotes("ALTER TABLE runs ADD COLUMN note TEXT");
    EXPECT_EQ(results::OpenSchema(*db, notes, false).status, SchemaStatus::Older);
    const results::SchemaCheck migrated = results::OpenSchema(*db, notes, true);
    ASSERT_EQ(migrated.status, SchemaStatus::Ready) << migrated.message;
    EXPECT_EQ(migrated.version, current + 1);
    EXPECT_EQ(scalar("SELECT max(version) FROM halvo_schema"), current + 1);
    EXPECT_EQ(scalar("SELECT count(*) FROM runs WHERE note IS NULL"), 1);
    const std::optional<results::RunRecord> back = store.get(r.runId, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(*back, r);
    // This program now meets a database of a newer one.
    EXPECT_EQ(results::OpenSchema(*db, results::ResultsMigrations(), true).status, SchemaStatus::Newer);
}

TEST_P(Schema, ARunRecordedBeforeTheRunModeReadsAsPrescribedAndAFastRunComesBackFast) {
    const std::vector<results::SchemaMigration> first = {results::ResultsMigrations().front()};
    ASSERT_EQ(results::OpenSchema(*db, first, true).version, 1);
    std::string error;
    ASSERT_TRUE(db->exec("INSERT INTO runs (run_id, kind, station, operator, serial_number, model, firmware, "
                         "calibration_id, instrument, instrument_serial, instrument_matrix, started_at, ended_at, "
                         "station_ms, outcome, reason, passed, parent_run_id, program_version) VALUES ('old-run', "
                         "'calibration', 'line-1', 'Ann', 'SN1', 'LVM-170A', 'LVM-170A V1.2', 'VRL000001', 'CA-210', "
                         "'', '', '2024-01-01T00:00:00.000Z', '2024-01-01T00:20:00.000Z', 1200000, 'completed', '', "
                         "1, '', '3.10')",
                         &error))
        << error;

    const results::SchemaCheck migrated = results::OpenSchema(*db, results::ResultsMigrations(), true);
    ASSERT_EQ(migrated.status, SchemaStatus::Ready) << migrated.message;
    EXPECT_GE(migrated.version, 2);
    results::ResultsStore store(*db);
    const std::optional<results::RunRecord> old = store.get("old-run", &error);
    ASSERT_TRUE(old) << error;
    EXPECT_EQ(old->mode, results::RunMode::Prescribed);
    EXPECT_EQ(old->calibrationId, "VRL000001");

    results::RunRecord fast = test::SampleRecord(results::RunKind::Calibration, 2);
    fast.mode = results::RunMode::Fast;
    ASSERT_EQ(store.put(fast, false, &error), results::PutResult::Stored) << error;
    const std::optional<results::RunRecord> back = store.get(fast.runId, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->mode, results::RunMode::Fast);
    EXPECT_EQ(*back, fast);
}

TEST_P(Schema, ADatabaseOfANewerProgramIsRefusedAndLeftUntouched) {
    ASSERT_EQ(results::OpenSchema(*db, results::ResultsMigrations(), true).status, SchemaStatus::Ready);
    std::string error;
    ASSERT_TRUE(db->exec("UPDATE halvo_schema SET version = 99", &error)) << error;
    ASSERT_TRUE(db->exec("CREATE TABLE later_things (x INTEGER)", &error)) << error;
    std::string before;
    if (GetParam() == Backend::Sqlite) {
        db.reset();
        before = FileBytes(place);
        db = results::SqliteDatabase::Open(place, results::SqliteDatabase::Mode::ReadWrite, 1000, &error);
    }
    results::ResultsStore store(*db);
    const results::SchemaCheck check = store.open(true);
    EXPECT_EQ(check.status, SchemaStatus::Newer);
    EXPECT_EQ(check.version, 99);
    EXPECT_NE(check.message.find(Format("written by a newer Halvo (schema version 99; this one knows up to %d)",
                                        results::CurrentSchemaVersion())),
              std::string::npos)
        << check.message;
    EXPECT_NE(check.message.find("left as it is"), std::string::npos);
    EXPECT_EQ(scalar("SELECT max(version) FROM halvo_schema"), 99);
    if (GetParam() == Backend::Sqlite) {
        db.reset();
        EXPECT_EQ(FileBytes(place), before);
    }
}

TEST_P(Schema, TablesOfAnotherProgramAreNotTakenOver) {
    std::string error;
    ASSERT_TRUE(db->exec("CREATE TABLE invoices (id INTEGER)", &error)) << error;
    const results::SchemaCheck check = results::OpenSchema(*db, results::ResultsMigrations(), true);
    EXPECT_EQ(check.status, SchemaStatus::Foreign);
    EXPECT_NE(check.message.find("another program"), std::string::npos);
    EXPECT_EQ(scalar("SELECT count(*) FROM invoices"), 0);
}

INSTANTIATE_TEST_SUITE_P(Results, Schema, ::testing::Values(Backend::Sqlite, Backend::Postgres), test::BackendName);

TEST(SchemaOnTheServer, StationsOpeningANewServerAtOnceMigrateItOnce) {
    const std::string url = test::FreshServerDatabase();
    ASSERT_FALSE(url.empty());
    std::vector<std::thread> stations;
    std::vector<results::SchemaStatus> status(8, SchemaStatus::Failed);
    std::vector<std::string> messages(8);
    for (size_t i = 0; i < status.size(); ++i) {
        stations.emplace_back([&, i] {
            std::string error;
            auto db = results::PgDatabase::Connect(url, {5000, 30000}, nullptr, &error);
            if (!db) {
                messages[i] = error;
                return;
            }
            const results::SchemaCheck c = results::OpenSchema(*db, results::ResultsMigrations(), true);
            status[i] = c.status;
            messages[i] = c.message;
        });
    }
    for (std::thread& t : stations) {
        t.join();
    }
    for (size_t i = 0; i < status.size(); ++i) {
        EXPECT_EQ(status[i], SchemaStatus::Ready) << messages[i];
    }
    std::string error;
    auto db = results::PgDatabase::Connect(url, {3000, 30000}, nullptr, &error);
    ASSERT_TRUE(db);
    std::vector<results::SqlRow> rows;
    ASSERT_TRUE(db->exec("SELECT count(*) FROM halvo_schema", {}, &rows, &error));
    EXPECT_EQ(*rows[0][0], "1");
}

TEST(SchemaOnAFile, ADamagedFileIsReportedAsSuchAndLeftAsItWas) {
    const std::string path = test::ScratchFile("damaged.sqlite");
    std::string garbage(8192, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<char>((i * 7919 + 13) % 251);
    }
    ASSERT_TRUE(WriteFileAtomically(path, garbage, nullptr));
    std::string error;
    auto db = results::SqliteDatabase::Open(path, results::SqliteDatabase::Mode::ReadWrite, 1000, &error);
    ASSERT_TRUE(db) << error;
    const results::SchemaCheck check = results::OpenSchema(*db, results::ResultsMigrations(), true);
    EXPECT_EQ(check.status, SchemaStatus::Failed);
    EXPECT_EQ(check.failure, results::SqlFailure::Damaged);
    EXPECT_NE(check.message.find("is damaged"), std::string::npos) << check.message;
    db.reset();
    EXPECT_EQ(FileBytes(path), garbage);
}

// A file whose first page is intact and whose later pages are not: readable until a damaged
// page is met, and then reported as damaged.
TEST(SchemaOnAFile, APartlyOverwrittenFileFailsAsDamagedWhereItIsRead) {
    const std::string path = test::ScratchFile("torn.sqlite");
    std::string error;
    {
        auto db = results::SqliteDatabase::Open(path, results::SqliteDatabase::Mode::Create, 1000, &error);
        ASSERT_TRUE(db);
        results::ResultsStore store(*db);
        ASSERT_EQ(store.open(true).status, SchemaStatus::Ready);
        for (int n = 0; n < 40; ++n) {
            ASSERT_EQ(store.put(test::SampleRecord(results::RunKind::Calibration, n), false, &error),
                      results::PutResult::Stored);
        }
    }
    std::string bytes = FileBytes(path);
    ASSERT_GT(bytes.size(), 64u * 1024u);
    for (size_t i = 8192; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(0xA5);
    }
    ASSERT_TRUE(WriteFileAtomically(path, bytes, nullptr));
    auto db = results::SqliteDatabase::Open(path, results::SqliteDatabase::Mode::ReadWrite, 1000, &error);
    ASSERT_TRUE(db);
    results::ResultsStore store(*db);
    std::vector<results::RunRecord> runs;
    const bool listed = store.open(true).status == SchemaStatus::Ready && store.list({}, runs, &error);
    EXPECT_FALSE(listed);
    EXPECT_EQ(db->failure(), results::SqlFailure::Damaged) << error;
    db.reset();
    EXPECT_EQ(FileBytes(path), bytes);
}

}  // namespace
}  // namespace halvo
