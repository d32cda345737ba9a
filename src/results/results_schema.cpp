#include "results/results_schema.h"

#include <cstdlib>

#include "common/text_format.h"

namespace halvo::results {

namespace {

// Stations of a line open the server at the same moment; one of them migrates, the others wait
// on this lock and then find the work done.
constexpr const char* kMigrationLock = "SELECT pg_advisory_xact_lock(2022122)";

std::string ForDialect(std::string sql, SqlDialect dialect) {
    const auto replace = [&](const std::string& token, const char* sqlite, const char* postgres) {
        for (size_t at = sql.find(token); at != std::string::npos; at = sql.find(token, at)) {
            const char* with = dialect == SqlDialect::Sqlite ? sqlite : postgres;
            sql.replace(at, token.size(), with);
            at += std::string(with).size();
        }
    };
    replace("{blob}", "BLOB", "BYTEA");
    replace("{real}", "REAL", "DOUBLE PRECISION");
    // Run ids and times are compared and sorted as bytes, whatever the server's locale.
    replace("{bytewise}", "", "COLLATE \"C\"");
    return sql;
}

// Number of tables in the database (ours or anyone's), or -1.
int TableCount(SqlDatabase& db, std::string* error) {
    const char* sql = db.dialect() == SqlDialect::Sqlite
                          ? "SELECT count(*) FROM sqlite_master WHERE type = 'table'"
                          : "SELECT count(*) FROM information_schema.tables WHERE table_schema = current_schema()";
    std::vector<SqlRow> rows;
    if (!db.exec(sql, {}, &rows, error) || rows.empty() || !rows[0][0]) {
        return -1;
    }
    return std::atoi(rows[0][0]->c_str());
}

// The recorded version: 0 when the database has no schema table, -1 on failure.
int ReadVersion(SqlDatabase& db, std::string* error) {
    const char* exists = db.dialect() == SqlDialect::Sqlite
                             ? "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'halvo_schema'"
                             : "SELECT count(*) FROM information_schema.tables WHERE table_schema = current_schema() "
                               "AND table_name = 'halvo_schema'";
    std::vector<SqlRow> rows;
    if (!db.exec(exists, {}, &rows, error) || rows.empty() || !rows[0][0]) {
        return -1;
    }
    if (std::atoi(rows[0][0]->c_str()) == 0) {
        return 0;
    }
    rows.clear();
    if (!db.exec("SELECT max(version) FROM halvo_schema", {}, &rows, error)) {
        return -1;
    }
    if (rows.empty() || !rows[0][0]) {
        return 0;
    }
    return std::atoi(rows[0][0]->c_str());
}

SchemaCheck Failed(SqlDatabase& db, const std::string& error) {
    SchemaCheck c;
    c.status = SchemaStatus::Failed;
    c.failure = db.failure();
    if (db.failure() == SqlFailure::Damaged) {
        c.message = Format("The results database %s is damaged (%s). It is left as it is.", db.describe().c_str(),
                           error.c_str());
    } else {
        c.message = error;
    }
    return c;
}

}  // namespace

const std::vector<SchemaMigration>& ResultsMigrations() {
    static const std::vector<SchemaMigration> migrations = {
        {1,
         {
             "CREATE TABLE halvo_schema (version INTEGER NOT NULL)",
             "CREATE TABLE runs ("
             " run_id TEXT {bytewise} PRIMARY KEY,"
             " kind TEXT NOT NULL,"
             " station TEXT NOT NULL,"
             " operator TEXT NOT NULL,"
             " serial_number TEXT NOT NULL,"
             " model TEXT NOT NULL,"
             " firmware TEXT NOT NULL,"
             " calibration_id TEXT NOT NULL,"
             " instrument TEXT NOT NULL,"
             " instrument_serial TEXT NOT NULL,"
             " instrument_matrix TEXT NOT NULL,"
             " started_at TEXT {bytewise} NOT NULL,"
             " ended_at TEXT NOT NULL,"
             " station_ms BIGINT NOT NULL,"
             " outcome TEXT NOT NULL,"
             " reason TEXT NOT NULL,"
             " passed INTEGER NOT NULL,"
             " white_duv {real},"
             " gamma_error {real},"
             " parent_run_id TEXT NOT NULL,"
             " program_version TEXT NOT NULL,"
             " cal_data {blob},"
             " log_text {blob})",
             "CREATE INDEX runs_by_calibration_id ON runs (calibration_id)",
             "CREATE INDEX runs_by_serial_number ON runs (serial_number)",
             "CREATE INDEX runs_by_started_at ON runs (started_at)",
             "CREATE TABLE run_items ("
             " run_id TEXT {bytewise} NOT NULL REFERENCES runs (run_id),"
             " position INTEGER NOT NULL,"
             " test TEXT NOT NULL,"
             " item TEXT NOT NULL,"
             " quantity TEXT NOT NULL,"
             " value TEXT NOT NULL,"
             " limit_text TEXT NOT NULL,"
             " verdict TEXT NOT NULL,"
             " PRIMARY KEY (run_id, position))",
             // Records waiting for the line's server (used in the embedded database only).
             "CREATE TABLE outbox ("
             " run_id TEXT {bytewise} PRIMARY KEY REFERENCES runs (run_id),"
             " queued_at TEXT NOT NULL,"
             " attempts INTEGER NOT NULL,"
             " last_error TEXT NOT NULL)",
         }},
        {2,
         {
             // Runs recorded before calibrations had a fast mode were all prescribed ones.
             "ALTER TABLE runs ADD COLUMN mode TEXT NOT NULL DEFAULT 'prescribed'",
         }},
    };
    return migrations;
}

int CurrentSchemaVersion() {
    return ResultsMigrations().back().version;
}

SchemaCheck OpenSchema(SqlDatabase& db, const std::vector<SchemaMigration>& migrations, bool migrate) {
    const int current = migrations.empty() ? 0 : migrations.back().version;
    std::string error;
    SchemaCheck check;
    // Counted before the version is read: a station migrating a new server meanwhile has made
    // its tables by the time the version is read, never after, so its tables are not taken for
    // another program's.
    const int tables = TableCount(db, &error);
    if (tables < 0) {
        return Failed(db, error);
    }
    check.version = ReadVersion(db, &error);
    if (check.version < 0) {
        return Failed(db, error);
    }
    if (check.version > current) {
        check.status = SchemaStatus::Newer;
        check.message = Format(
            "The results database %s was written by a newer Halvo (schema version %d; this one knows up to %d). "
            "It is left as it is: use the newer Halvo with it, or give this one another database.",
            db.describe().c_str(), check.version, current);
        return check;
    }
    if (check.version == 0) {
        if (tables > 0) {
            check.status = SchemaStatus::Foreign;
            check.message = Format("%s holds tables of another program, not Halvo's results. It is left as it is.",
                                   db.describe().c_str());
            return check;
        }
    }
    if (check.version == current) {
        check.status = SchemaStatus::Ready;
        return check;
    }
    if (!migrate) {
        check.status = SchemaStatus::Older;
        check.message = Format("The results database %s has schema version %d; it is brought to version %d when a "
                               "station next writes to it.",
                               db.describe().c_str(), check.version, current);
        return check;
    }

    SqlTransaction transaction(db, &error);
    if (!transaction.begun()) {
        return Failed(db, error);
    }
    if (db.dialect() == SqlDialect::Postgres && !db.exec(kMigrationLock, {}, nullptr, &error)) {
        return Failed(db, error);
    }
    // Read again under the lock: another station may have migrated meanwhile.
    const int found = ReadVersion(db, &error);
    if (found < 0) {
        return Failed(db, error);
    }
    if (found > current) {
        return OpenSchema(db, migrations, false);
    }
    for (const SchemaMigration& m : migrations) {
        if (m.version <= found) {
            continue;
        }
        for (const std::string& statement : m.statements) {
            if (!db.exec(ForDialect(statement, db.dialect()), &error)) {
                return Failed(db, Format("migrating to schema version %d: %s", m.version, error.c_str()));
            }
        }
        const char* record = m.version == 1 ? "INSERT INTO halvo_schema (version) VALUES ($1)"
                                            : "UPDATE halvo_schema SET version = $1";
        if (!db.exec(record, {SqlValue::Integer(m.version)}, nullptr, &error)) {
            return Failed(db, error);
        }
    }
    if (!transaction.commit(&error)) {
        return Failed(db, error);
    }
    check.status = SchemaStatus::Ready;
    check.version = current;
    return check;
}

}  // namespace halvo::results
