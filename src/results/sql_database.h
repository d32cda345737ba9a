#pragma once

// The one small interface the results store talks to: a connection that runs a statement with
// numbered parameters ($1, $2, ... in the order they first appear) and hands back its rows as
// text. The embedded database (SQLite) and the line's server (PostgreSQL) each implement it;
// the store's statements are written once for both, with the few differences of their dialects
// asked of the connection.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace halvo::results {

enum class SqlDialect { Sqlite, Postgres };

struct SqlValue {
    enum class Type { Null, Text, Blob, Integer, Real };
    Type type = Type::Null;
    std::string text;  // Text and Blob
    int64_t integer = 0;
    double real = 0.0;

    static SqlValue Null() { return {}; }
    static SqlValue Text(std::string value) { return {Type::Text, std::move(value), 0, 0.0}; }
    static SqlValue Blob(std::string bytes) { return {Type::Blob, std::move(bytes), 0, 0.0}; }
    static SqlValue Integer(int64_t value) { return {Type::Integer, {}, value, 0.0}; }
    static SqlValue Real(double value) { return {Type::Real, {}, 0, value}; }
    static SqlValue OptionalReal(const std::optional<double>& value) { return value ? Real(*value) : Null(); }
    static SqlValue OptionalBlob(const std::optional<std::string>& value) { return value ? Blob(*value) : Null(); }
};

// A row: each column's text (a blob's bytes), nullopt for NULL.
using SqlRow = std::vector<std::optional<std::string>>;

// What kind of trouble the last statement met, for the messages and for what to do next.
enum class SqlFailure {
    None,
    Busy,         // another process holds the database; try again later
    ReadOnly,     // the file or its folder cannot be written
    Damaged,      // not a database, or a damaged one
    Unreachable,  // the server cannot be reached or the connection broke
    TimedOut,     // the server did not answer in time
    Cancelled,    // given up because the station is closing
    Other,
};

class SqlDatabase {
public:
    virtual ~SqlDatabase() = default;

    virtual SqlDialect dialect() const = 0;
    // The database's place for messages: a file path or the server's host and database.
    virtual std::string describe() const = 0;

    // Runs one statement. rows may be null when none are wanted. False with *error set (and
    // failure() telling its kind).
    virtual bool exec(const std::string& sql, const std::vector<SqlValue>& params, std::vector<SqlRow>* rows,
                      std::string* error) = 0;
    // Rows the last insert, update or delete changed.
    virtual int64_t changes() const = 0;
    virtual SqlFailure failure() const = 0;

    bool exec(const std::string& sql, std::string* error) { return exec(sql, {}, nullptr, error); }
};

// Begins a transaction that no other writer can enter until it ends (the schema's migration, a
// record and its items); rolled back unless committed.
class SqlTransaction {
public:
    SqlTransaction(SqlDatabase& db, std::string* error);
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction&) = delete;
    SqlTransaction& operator=(const SqlTransaction&) = delete;

    bool begun() const { return begun_; }
    bool commit(std::string* error);

private:
    SqlDatabase& db_;
    bool begun_ = false;
    bool done_ = false;
};

}  // namespace halvo::results
