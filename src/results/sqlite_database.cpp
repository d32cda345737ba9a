#include "results/sqlite_database.h"

#include <sqlite3.h>

#include <cctype>
#include <climits>

#include "common/text_format.h"

namespace halvo::results {

namespace {

SqlFailure FailureOf(int code) {
    switch (code & 0xFF) {
        case SQLITE_OK:
        case SQLITE_DONE:
        case SQLITE_ROW: return SqlFailure::None;
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return SqlFailure::Busy;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_CANTOPEN: return SqlFailure::ReadOnly;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_FORMAT: return SqlFailure::Damaged;
        default: return SqlFailure::Other;
    }
}

}  // namespace

std::string SqliteParameters(const std::string& sql) {
    std::string out;
    out.reserve(sql.size());
    bool quoted = false;
    for (size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == '\'') {
            quoted = !quoted;
        }
        if (!quoted && c == '$' && i + 1 < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i + 1]))) {
            out += '?';
            continue;
        }
        out += c;
    }
    return out;
}

std::unique_ptr<SqliteDatabase> SqliteDatabase::Open(const std::string& path, Mode mode, int busyMs,
                                                     std::string* error, SqlFailure* failure) {
    int flags = SQLITE_OPEN_NOMUTEX;
    flags |= mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (mode == Mode::Create) {
        flags |= SQLITE_OPEN_CREATE;
    }
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const int extended = db != nullptr ? sqlite3_extended_errcode(db) : rc;
        *error = Format("cannot open %s: %s", path.c_str(), db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        if (failure != nullptr) {
            *failure = FailureOf(extended);
        }
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, busyMs);
    std::unique_ptr<SqliteDatabase> opened(new SqliteDatabase(db, path));
    // Foreign keys keep an item from outliving its run.
    if (!opened->exec("PRAGMA foreign_keys = ON", error)) {
        if (failure != nullptr) {
            *failure = opened->failure();
        }
        return nullptr;
    }
    return opened;
}

SqliteDatabase::~SqliteDatabase() {
    sqlite3_close_v2(db_);
}

bool SqliteDatabase::fail(int code, std::string* error) {
    failure_ = FailureOf(code);
    if (error != nullptr) {
        *error = Format("%s: %s", path_.c_str(), sqlite3_errmsg(db_));
    }
    return false;
}

bool SqliteDatabase::exec(const std::string& sql, const std::vector<SqlValue>& params, std::vector<SqlRow>* rows,
                          std::string* error) {
    failure_ = SqlFailure::None;
    changes_ = 0;
    const std::string text = SqliteParameters(sql);
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db_, text.c_str(), static_cast<int>(text.size()), &raw, nullptr);
    if (rc != SQLITE_OK) {
        return fail(rc, error);
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
    for (size_t i = 0; i < params.size(); ++i) {
        const SqlValue& p = params[i];
        const int n = static_cast<int>(i) + 1;
        switch (p.type) {
            case SqlValue::Type::Null: rc = sqlite3_bind_null(raw, n); break;
            case SqlValue::Type::Text:
                rc = sqlite3_bind_text64(raw, n, p.text.data(), p.text.size(), SQLITE_STATIC, SQLITE_UTF8);
                break;
            case SqlValue::Type::Blob: rc = sqlite3_bind_blob64(raw, n, p.text.data(), p.text.size(), SQLITE_STATIC); break;
            case SqlValue::Type::Integer: rc = sqlite3_bind_int64(raw, n, p.integer); break;
            case SqlValue::Type::Real: rc = sqlite3_bind_double(raw, n, p.real); break;
        }
        if (rc != SQLITE_OK) {
            return fail(rc, error);
        }
    }
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        if (rows == nullptr) {
            continue;
        }
        SqlRow row;
        const int columns = sqlite3_column_count(raw);
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(raw, c)) {
                case SQLITE_NULL: row.emplace_back(std::nullopt); break;
                case SQLITE_INTEGER: row.emplace_back(std::to_string(sqlite3_column_int64(raw, c))); break;
                case SQLITE_FLOAT: row.emplace_back(Format("%.17g", sqlite3_column_double(raw, c))); break;
                default: {
                    // Blob first: asking for the text of a blob could convert it.
                    const void* data = sqlite3_column_blob(raw, c);
                    const int size = sqlite3_column_bytes(raw, c);
                    row.emplace_back(size > 0 ? std::string(static_cast<const char*>(data), static_cast<size_t>(size))
                                              : std::string());
                    break;
                }
            }
        }
        rows->push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        return fail(rc, error);
    }
    changes_ = sqlite3_changes64(db_);
    return true;
}

}  // namespace halvo::results
