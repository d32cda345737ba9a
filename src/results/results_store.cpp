#include "results/results_store.h"

#include <cstdlib>

#include "common/text_format.h"

namespace halvo::results {

namespace {

// The runs table's columns in the order records are bound and read.
constexpr const char* kRunColumns =
    "run_id, kind, station, operator, serial_number, model, firmware, calibration_id, instrument, "
    "instrument_serial, instrument_matrix, started_at, ended_at, station_ms, outcome, reason, passed, white_duv, "
    "gamma_error, parent_run_id, program_version, mode";
constexpr int kRunColumnCount = 22;

constexpr const char* kItemColumns = "run_id, position, test, item, quantity, value, limit_text, verdict";
constexpr int kItemColumnCount = 8;

// Items go in batches: one statement each, well inside both databases' parameter limits.
constexpr size_t kItemsPerStatement = 200;

std::vector<SqlValue> RunValues(const RunRecord& r) {
    return {SqlValue::Text(r.runId),
            SqlValue::Text(RunKindName(r.kind)),
            SqlValue::Text(r.station),
            SqlValue::Text(r.operatorName),
            SqlValue::Text(r.serialNumber),
            SqlValue::Text(r.model),
            SqlValue::Text(r.firmware),
            SqlValue::Text(r.calibrationId),
            SqlValue::Text(r.instrument),
            SqlValue::Text(r.instrumentSerial),
            SqlValue::Text(r.instrumentMatrix),
            SqlValue::Text(r.startedAt),
            SqlValue::Text(r.endedAt),
            SqlValue::Integer(r.stationMs),
            SqlValue::Text(RunOutcomeName(r.outcome)),
            SqlValue::Text(r.reason),
            SqlValue::Integer(r.passed ? 1 : 0),
            SqlValue::OptionalReal(r.whiteDuv),
            SqlValue::OptionalReal(r.gammaError),
            SqlValue::Text(r.parentRunId),
            SqlValue::Text(r.programVersion),
            SqlValue::Text(RunModeName(r.mode))};
}

std::string Placeholders(int first, int count) {
    std::string s = "(";
    for (int i = 0; i < count; ++i) {
        s += Format(i == 0 ? "$%d" : ", $%d", first + i);
    }
    return s + ")";
}

std::string Text(const SqlRow& row, size_t column) {
    return column < row.size() && row[column] ? *row[column] : std::string();
}

std::optional<double> Real(const SqlRow& row, size_t column) {
    if (column >= row.size() || !row[column]) {
        return std::nullopt;
    }
    return std::strtod(row[column]->c_str(), nullptr);
}

RunRecord RunFromRow(const SqlRow& row) {
    RunRecord r;
    r.runId = Text(row, 0);
    r.kind = ParseRunKind(Text(row, 1)).value_or(RunKind::Calibration);
    r.station = Text(row, 2);
    r.operatorName = Text(row, 3);
    r.serialNumber = Text(row, 4);
    r.model = Text(row, 5);
    r.firmware = Text(row, 6);
    r.calibrationId = Text(row, 7);
    r.instrument = Text(row, 8);
    r.instrumentSerial = Text(row, 9);
    r.instrumentMatrix = Text(row, 10);
    r.startedAt = Text(row, 11);
    r.endedAt = Text(row, 12);
    r.stationMs = std::atoll(Text(row, 13).c_str());
    r.outcome = ParseRunOutcome(Text(row, 14)).value_or(RunOutcome::Failed);
    r.reason = Text(row, 15);
    r.passed = Text(row, 16) == "1";
    r.whiteDuv = Real(row, 17);
    r.gammaError = Real(row, 18);
    r.parentRunId = Text(row, 19);
    r.programVersion = Text(row, 20);
    // A mode this program does not know (a newer station's) reads as the ordinary one.
    r.mode = ParseRunMode(Text(row, 21)).value_or(RunMode::Prescribed);
    return r;
}

}  // namespace

std::string FilterCondition(const RunFilter& f, const std::string& alias, std::vector<SqlValue>& params) {
    std::string where = "1 = 1";
    const std::string a = alias.empty() ? "" : alias + ".";
    const auto equals = [&](const char* column, const std::string& value) {
        if (!value.empty()) {
            params.push_back(SqlValue::Text(value));
            where += Format(" AND %s%s = $%zu", a.c_str(), column, params.size());
        }
    };
    equals("calibration_id", f.calibrationId);
    equals("serial_number", f.serialNumber);
    equals("station", f.station);
    if (!f.since.empty()) {
        params.push_back(SqlValue::Text(f.since));
        where += Format(" AND %sstarted_at >= $%zu", a.c_str(), params.size());
    }
    const auto oneOf = [&](const char* column, const std::vector<std::string>& names) {
        if (names.empty()) {
            return;
        }
        where += Format(" AND %s%s IN (", a.c_str(), column);
        for (size_t i = 0; i < names.size(); ++i) {
            params.push_back(SqlValue::Text(names[i]));
            where += Format(i == 0 ? "$%zu" : ", $%zu", params.size());
        }
        where += ")";
    };
    std::vector<std::string> kinds;
    for (const RunKind k : f.kinds) {
        kinds.emplace_back(RunKindName(k));
    }
    oneOf("kind", kinds);
    std::vector<std::string> outcomes;
    for (const RunOutcome o : f.outcomes) {
        outcomes.emplace_back(RunOutcomeName(o));
    }
    oneOf("outcome", outcomes);
    return where;
}

SchemaCheck ResultsStore::open(bool migrate) {
    return OpenSchema(db_, ResultsMigrations(), migrate);
}

PutResult ResultsStore::put(const RunRecord& r, bool queue, std::string* error) {
    failure_ = SqlFailure::None;
    // Taken before the transaction's rollback, which is a statement of its own.
    const auto failed = [this] {
        failure_ = db_.failure();
        return PutResult::Failed;
    };
    SqlTransaction transaction(db_, error);
    if (!transaction.begun()) {
        return failed();
    }
    std::vector<SqlValue> values = RunValues(r);
    values.push_back(SqlValue::OptionalBlob(r.calText));
    values.push_back(SqlValue::OptionalBlob(r.logText));
    const std::string insert = Format("INSERT INTO runs (%s, cal_data, log_text) VALUES %s ON CONFLICT (run_id) DO NOTHING",
                                      kRunColumns, Placeholders(1, kRunColumnCount + 2).c_str());
    if (!db_.exec(insert, values, nullptr, error)) {
        return failed();
    }
    const bool fresh = db_.changes() == 1;
    if (fresh) {
        for (size_t first = 0; first < r.items.size(); first += kItemsPerStatement) {
            std::vector<SqlValue> p;
            std::string sql = Format("INSERT INTO run_items (%s) VALUES ", kItemColumns);
            for (size_t i = first; i < r.items.size() && i < first + kItemsPerStatement; ++i) {
                const VerificationItem& item = r.items[i];
                sql += (i == first ? "" : ", ") + Placeholders(static_cast<int>(p.size()) + 1, kItemColumnCount);
                for (SqlValue v : {SqlValue::Text(r.runId), SqlValue::Integer(static_cast<int64_t>(i)),
                                   SqlValue::Text(item.test), SqlValue::Text(item.item), SqlValue::Text(item.quantity),
                                   SqlValue::Text(item.value), SqlValue::Text(item.limit), SqlValue::Text(item.verdict)}) {
                    p.push_back(std::move(v));
                }
            }
            if (!db_.exec(sql, p, nullptr, error)) {
                return failed();
            }
        }
    }
    if (queue) {
        const char* sql =
            "INSERT INTO outbox (run_id, queued_at, attempts, last_error) VALUES ($1, $2, 0, '') "
            "ON CONFLICT (run_id) DO NOTHING";
        if (!db_.exec(sql, {SqlValue::Text(r.runId), SqlValue::Text(IsoTimeUtc(NowUnixMs()))}, nullptr, error)) {
            return failed();
        }
    }
    if (!transaction.commit(error)) {
        return failed();
    }
    return fresh ? PutResult::Stored : PutResult::AlreadyStored;
}

std::optional<RunRecord> ResultsStore::get(const std::string& runId, std::string* error) {
    error->clear();
    std::vector<SqlRow> rows;
    const std::string sql = Format("SELECT %s, cal_data, log_text FROM runs WHERE run_id = $1", kRunColumns);
    if (!db_.exec(sql, {SqlValue::Text(runId)}, &rows, error) || rows.empty()) {
        return std::nullopt;
    }
    RunRecord r = RunFromRow(rows[0]);
    r.calText = rows[0][kRunColumnCount];
    r.logText = rows[0][kRunColumnCount + 1];
    if (!itemsOf(runId, r.items, error)) {
        return std::nullopt;
    }
    return r;
}

bool ResultsStore::itemsOf(const std::string& runId, std::vector<VerificationItem>& items, std::string* error) {
    std::vector<SqlRow> rows;
    const char* sql =
        "SELECT test, item, quantity, value, limit_text, verdict FROM run_items WHERE run_id = $1 ORDER BY position";
    if (!db_.exec(sql, {SqlValue::Text(runId)}, &rows, error)) {
        return false;
    }
    for (const SqlRow& row : rows) {
        items.push_back({Text(row, 0), Text(row, 1), Text(row, 2), Text(row, 3), Text(row, 4), Text(row, 5)});
    }
    return true;
}

bool ResultsStore::matchRunIds(const std::string& prefix, std::vector<std::string>& ids, std::string* error) {
    std::vector<SqlRow> rows;
    // Not LIKE: the prefix's own "_" and "%" stay plain characters.
    const char* sql =
        "SELECT run_id FROM runs WHERE substr(run_id, 1, length(CAST($1 AS TEXT))) = CAST($1 AS TEXT) "
        "ORDER BY run_id LIMIT 2";
    if (!db_.exec(sql, {SqlValue::Text(prefix)}, &rows, error)) {
        return false;
    }
    for (const SqlRow& row : rows) {
        ids.push_back(Text(row, 0));
    }
    return true;
}

bool ResultsStore::list(const RunFilter& filter, std::vector<RunRecord>& runs, std::string* error) {
    std::vector<SqlValue> params;
    std::string sql = Format("SELECT %s FROM runs WHERE %s ORDER BY started_at DESC, run_id", kRunColumns,
                             FilterCondition(filter, "", params).c_str());
    if (filter.limit > 0) {
        sql += Format(" LIMIT %d", filter.limit);
    }
    std::vector<SqlRow> rows;
    if (!db_.exec(sql, params, &rows, error)) {
        return false;
    }
    for (const SqlRow& row : rows) {
        runs.push_back(RunFromRow(row));
    }
    return true;
}

bool ResultsStore::count(const RunFilter& filter, int64_t& n, std::string* error) {
    std::vector<SqlValue> params;
    const std::string sql = "SELECT count(*) FROM runs WHERE " + FilterCondition(filter, "", params);
    std::vector<SqlRow> rows;
    if (!db_.exec(sql, params, &rows, error) || rows.empty()) {
        return false;
    }
    n = std::atoll(Text(rows[0], 0).c_str());
    return true;
}

bool ResultsStore::failingItems(const RunFilter& filter, std::vector<ItemCount>& items, std::string* error) {
    std::vector<SqlValue> params;
    const std::string sql =
        "SELECT i.test, i.item, i.quantity, count(*) FROM run_items i JOIN runs r ON r.run_id = i.run_id "
        "WHERE i.verdict = 'OR' AND " +
        FilterCondition(filter, "r", params) +
        " GROUP BY i.test, i.item, i.quantity ORDER BY count(*) DESC, i.test, i.item, i.quantity";
    std::vector<SqlRow> rows;
    if (!db_.exec(sql, params, &rows, error)) {
        return false;
    }
    for (const SqlRow& row : rows) {
        items.push_back({Text(row, 0), Text(row, 1), Text(row, 2), std::atoll(Text(row, 3).c_str())});
    }
    return true;
}

bool ResultsStore::queued(std::vector<QueuedRun>& runs, std::string* error) {
    std::vector<SqlRow> rows;
    if (!db_.exec("SELECT run_id, queued_at, attempts, last_error FROM outbox ORDER BY queued_at, run_id", {}, &rows,
                  error)) {
        return false;
    }
    for (const SqlRow& row : rows) {
        runs.push_back({Text(row, 0), Text(row, 1), std::atoi(Text(row, 2).c_str()), Text(row, 3)});
    }
    return true;
}

bool ResultsStore::queueAll(int64_t& added, std::string* error) {
    const char* sql =
        "INSERT INTO outbox (run_id, queued_at, attempts, last_error) SELECT run_id, $1, 0, '' FROM runs "
        "WHERE run_id NOT IN (SELECT run_id FROM outbox)";
    if (!db_.exec(sql, {SqlValue::Text(IsoTimeUtc(NowUnixMs()))}, nullptr, error)) {
        return false;
    }
    added = db_.changes();
    return true;
}

bool ResultsStore::unqueue(const std::string& runId, std::string* error) {
    return db_.exec("DELETE FROM outbox WHERE run_id = $1", {SqlValue::Text(runId)}, nullptr, error);
}

bool ResultsStore::noteAttempt(const std::string& runId, const std::string& failure, std::string* error) {
    return db_.exec("UPDATE outbox SET attempts = attempts + 1, last_error = $1 WHERE run_id = $2",
                    {SqlValue::Text(failure), SqlValue::Text(runId)}, nullptr, error);
}

}  // namespace halvo::results
