#pragma once

// The embedded results database: one SQLite file.

#include <memory>
#include <string>

#include "results/sql_database.h"

struct sqlite3;

namespace halvo::results {

class SqliteDatabase : public SqlDatabase {
public:
    enum class Mode { ReadOnly, ReadWrite, Create };

    // Opens the file; Create makes it (and nothing else) when it is missing. nullptr with
    // *error set when it cannot be opened. busyMs bounds the wait for another process's lock.
    static std::unique_ptr<SqliteDatabase> Open(const std::string& path, Mode mode, int busyMs, std::string* error,
                                                SqlFailure* failure = nullptr);
    ~SqliteDatabase() override;

    using SqlDatabase::exec;
    SqlDialect dialect() const override { return SqlDialect::Sqlite; }
    std::string describe() const override { return path_; }
    bool exec(const std::string& sql, const std::vector<SqlValue>& params, std::vector<SqlRow>* rows,
              std::string* error) override;
    int64_t changes() const override { return changes_; }
    SqlFailure failure() const override { return failure_; }

private:
    SqliteDatabase(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}
    bool fail(int code, std::string* error);

    sqlite3* db_;
    std::string path_;
    int64_t changes_ = 0;
    SqlFailure failure_ = SqlFailure::None;
};

// SQLite wants "?NNN" where the store writes "$NNN".
std::string SqliteParameters(const std::string& sql);

}  // namespace halvo::results
