#include "results/sql_database.h"

namespace halvo::results {

SqlTransaction::SqlTransaction(SqlDatabase& db, std::string* error) : db_(db) {
    // SQLite's IMMEDIATE takes the write lock at once, so two writers never both read and then
    // find they cannot write; PostgreSQL's rows lock as they are written.
    begun_ = db_.exec(db_.dialect() == SqlDialect::Sqlite ? "BEGIN IMMEDIATE" : "BEGIN", error);
}

SqlTransaction::~SqlTransaction() {
    if (begun_ && !done_) {
        std::string ignored;
        db_.exec("ROLLBACK", &ignored);
    }
}

bool SqlTransaction::commit(std::string* error) {
    if (!begun_ || done_) {
        return false;
    }
    done_ = true;
    if (db_.exec("COMMIT", error)) {
        return true;
    }
    std::string ignored;
    db_.exec("ROLLBACK", &ignored);
    return false;
}

}  // namespace halvo::results
