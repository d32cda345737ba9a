#pragma once

// The results database's schema and its versions. A database records its version in the table
// halvo_schema; opening one brings an older schema up to this program's version in one
// transaction, and refuses one written by a newer program without changing anything in it.

#include <string>
#include <vector>

#include "results/sql_database.h"

namespace halvo::results {

// One step from version - 1 to version. Statements may name "{blob}" and "{real}" for the
// dialect's byte-string and floating-point types, and "{bytewise}" for a text column compared
// byte by byte.
struct SchemaMigration {
    int version;
    std::vector<std::string> statements;
};

// The steps this program knows, oldest first; the last one's version is the current schema.
const std::vector<SchemaMigration>& ResultsMigrations();
int CurrentSchemaVersion();

enum class SchemaStatus {
    Ready,      // at the program's version (migrated if it was older)
    Older,      // older, and migration was not allowed (a read-only look)
    Newer,      // written by a newer program: refused, untouched
    Foreign,    // holds tables, but none of ours
    Failed,     // could not be read or migrated; failure() of the database tells why
};

struct SchemaCheck {
    SchemaStatus status = SchemaStatus::Failed;
    int version = 0;      // what the database said (0: empty)
    std::string message;  // for the operator, when not Ready
    SqlFailure failure = SqlFailure::None;  // when Failed
};

// Reads the version and, with migrate set, brings the schema to the last of `migrations`.
SchemaCheck OpenSchema(SqlDatabase& db, const std::vector<SchemaMigration>& migrations, bool migrate);

}  // namespace halvo::results
