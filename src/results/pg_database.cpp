#include "results/pg_database.h"

#include <libpq-fe.h>
#include <poll.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "common/text_format.h"
#include "results/run_record.h"

namespace halvo::results {

namespace {

// How often a wait looks at the give-up flag.
constexpr int kSliceMs = 50;
constexpr Oid kByteaOid = 17;

int64_t MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

enum class Wait { Ready, TimedOut, Cancelled, Broken };

// Waits until the socket is readable (or writable) or the deadline passes.
Wait WaitSocket(PGconn* conn, short events, int64_t deadline, const std::atomic<bool>* abort) {
    const int fd = PQsocket(conn);
    if (fd < 0) {
        return Wait::Broken;
    }
    for (;;) {
        if (abort != nullptr && abort->load()) {
            return Wait::Cancelled;
        }
        const int64_t remaining = deadline - MonotonicMs();
        if (remaining <= 0) {
            return Wait::TimedOut;
        }
        pollfd p{fd, events, 0};
        const int rc = ::poll(&p, 1, static_cast<int>(remaining < kSliceMs ? remaining : kSliceMs));
        if (rc > 0) {
            return Wait::Ready;
        }
        if (rc < 0 && errno != EINTR) {
            return Wait::Broken;
        }
    }
}

// libpq's message on one line: it becomes a line of the station's log.
std::string Trimmed(const char* message) {
    std::string m;
    for (const char* c = message != nullptr ? message : ""; *c != '\0'; ++c) {
        if (*c == '\n' || *c == '\t') {
            if (!m.empty() && m.back() != ' ') {
                m += ' ';
            }
        } else {
            m += *c;
        }
    }
    while (!m.empty() && m.back() == ' ') {
        m.pop_back();
    }
    return m;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// bytea in the server's text form, "\x" and two hex digits a byte.
std::string DecodeBytea(const char* text, int length) {
    std::string out;
    if (length < 2 || text[0] != '\\' || text[1] != 'x') {
        return std::string(text, static_cast<size_t>(length));
    }
    out.reserve(static_cast<size_t>(length - 2) / 2);
    for (int i = 2; i + 1 < length; i += 2) {
        const int hi = HexDigit(text[i]);
        const int lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) {
            break;
        }
        out += static_cast<char>(hi << 4 | lo);
    }
    return out;
}

SqlFailure FailureOfState(const char* sqlstate) {
    if (sqlstate == nullptr) {
        return SqlFailure::Unreachable;
    }
    if (std::strcmp(sqlstate, "57014") == 0 || std::strcmp(sqlstate, "55P03") == 0) {
        return SqlFailure::TimedOut;  // statement or lock time-out on the server
    }
    if (std::strncmp(sqlstate, "08", 2) == 0 || std::strncmp(sqlstate, "57P", 3) == 0) {
        return SqlFailure::Unreachable;
    }
    if (std::strcmp(sqlstate, "25006") == 0) {
        return SqlFailure::ReadOnly;
    }
    return SqlFailure::Other;
}

}  // namespace

bool IsServerUrl(const std::string& text) {
    return text.rfind("postgresql://", 0) == 0 || text.rfind("postgres://", 0) == 0;
}

std::string RedactUrl(const std::string& url) {
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos) {
        return url;
    }
    const size_t start = scheme + 3;
    const size_t at = url.find('@', start);
    const size_t slash = url.find('/', start);
    if (at == std::string::npos || (slash != std::string::npos && slash < at)) {
        return url;
    }
    const size_t colon = url.find(':', start);
    if (colon == std::string::npos || colon > at) {
        return url;
    }
    return url.substr(0, colon) + ":***" + url.substr(at);
}

std::unique_ptr<PgDatabase> PgDatabase::Connect(const std::string& url, const PgTimeouts& timeouts,
                                                const std::atomic<bool>* abort, std::string* error,
                                                SqlFailure* failure) {
    const std::string place = RedactUrl(url);
    const auto refuse = [&](SqlFailure kind, const std::string& message) -> std::unique_ptr<PgDatabase> {
        *error = Format("results server %s: %s", place.c_str(), message.c_str());
        if (failure != nullptr) {
            *failure = kind;
        }
        return nullptr;
    };
    PGconn* conn = PQconnectStart(url.c_str());
    if (conn == nullptr) {
        return refuse(SqlFailure::Other, "out of memory");
    }
    std::unique_ptr<PGconn, void (*)(PGconn*)> guard(conn, PQfinish);
    if (PQstatus(conn) == CONNECTION_BAD) {
        return refuse(SqlFailure::Other, Trimmed(PQerrorMessage(conn)));
    }
    const int64_t deadline = MonotonicMs() + timeouts.connectMs;
    PostgresPollingStatusType state = PGRES_POLLING_WRITING;
    while (state != PGRES_POLLING_OK) {
        if (state == PGRES_POLLING_FAILED) {
            return refuse(SqlFailure::Unreachable, Trimmed(PQerrorMessage(conn)));
        }
        const Wait w = WaitSocket(conn, state == PGRES_POLLING_READING ? POLLIN : POLLOUT, deadline, abort);
        if (w == Wait::TimedOut) {
            return refuse(SqlFailure::TimedOut, Format("no answer within %d ms", timeouts.connectMs));
        }
        if (w == Wait::Cancelled) {
            return refuse(SqlFailure::Cancelled, "given up: the station is closing");
        }
        if (w == Wait::Broken) {
            return refuse(SqlFailure::Unreachable, Trimmed(PQerrorMessage(conn)));
        }
        state = PQconnectPoll(conn);
    }
    // The server's notices ("already exists, skipping") are not the operator's business.
    PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
    if (PQsetnonblocking(conn, 1) != 0) {
        return refuse(SqlFailure::Other, Trimmed(PQerrorMessage(conn)));
    }
    const std::string where = Format("%s/%s", PQhost(conn), PQdb(conn));
    std::unique_ptr<PgDatabase> db(new PgDatabase(guard.release(), where, timeouts, abort));
    // The server's own time-outs as well, for a server that answers but works slowly: the
    // statement is then cancelled there rather than left running.
    std::string message;
    if (!db->exec(Format("SET statement_timeout = %d", timeouts.statementMs), &message) ||
        !db->exec(Format("SET lock_timeout = %d", timeouts.statementMs), &message) ||
        !db->exec("SET client_encoding = 'UTF8'", &message)) {
        *error = message;
        if (failure != nullptr) {
            *failure = db->failure();
        }
        return nullptr;
    }
    return db;
}

PgDatabase::~PgDatabase() {
    drop();
}

void PgDatabase::drop() {
    if (conn_ != nullptr) {
        PQfinish(conn_);
        conn_ = nullptr;
    }
}

bool PgDatabase::fail(SqlFailure failure, const std::string& message, std::string* error) {
    failure_ = failure;
    if (error != nullptr) {
        *error = Format("results server %s: %s", place_.c_str(), message.c_str());
    }
    // After a time-out or a broken link the connection's state is unknown: nothing more goes
    // over it.
    if (failure == SqlFailure::TimedOut || failure == SqlFailure::Unreachable || failure == SqlFailure::Cancelled) {
        drop();
    }
    return false;
}

bool PgDatabase::exec(const std::string& sql, const std::vector<SqlValue>& params, std::vector<SqlRow>* rows,
                      std::string* error) {
    failure_ = SqlFailure::None;
    changes_ = 0;
    if (conn_ == nullptr) {
        return fail(SqlFailure::Unreachable, "the connection was closed after an earlier failure", error);
    }
    std::vector<std::string> texts(params.size());
    std::vector<const char*> values(params.size(), nullptr);
    std::vector<int> lengths(params.size(), 0);
    std::vector<int> formats(params.size(), 0);
    std::vector<Oid> types(params.size(), 0);
    for (size_t i = 0; i < params.size(); ++i) {
        const SqlValue& p = params[i];
        switch (p.type) {
            case SqlValue::Type::Null: continue;
            case SqlValue::Type::Text: texts[i] = AsUtf8(p.text); break;
            case SqlValue::Type::Blob:
                texts[i] = p.text;
                formats[i] = 1;
                types[i] = kByteaOid;
                break;
            case SqlValue::Type::Integer: texts[i] = std::to_string(p.integer); break;
            case SqlValue::Type::Real: texts[i] = Format("%.17g", p.real); break;
        }
        values[i] = texts[i].data();
        lengths[i] = static_cast<int>(texts[i].size());
    }
    const int64_t deadline = MonotonicMs() + timeouts_.statementMs;
    const auto waitFor = [&](short events) -> bool {
        switch (WaitSocket(conn_, events, deadline, abort_)) {
            case Wait::Ready: return true;
            case Wait::TimedOut:
                return fail(SqlFailure::TimedOut, Format("no answer within %d ms", timeouts_.statementMs), error);
            case Wait::Cancelled: return fail(SqlFailure::Cancelled, "given up: the station is closing", error);
            case Wait::Broken: return fail(SqlFailure::Unreachable, Trimmed(PQerrorMessage(conn_)), error);
        }
        return false;
    };
    if (PQsendQueryParams(conn_, sql.c_str(), static_cast<int>(params.size()), types.data(), values.data(),
                          lengths.data(), formats.data(), 0) == 0) {
        return fail(SqlFailure::Unreachable, Trimmed(PQerrorMessage(conn_)), error);
    }
    for (;;) {
        const int flushed = PQflush(conn_);
        if (flushed == 0) {
            break;
        }
        if (flushed < 0) {
            return fail(SqlFailure::Unreachable, Trimmed(PQerrorMessage(conn_)), error);
        }
        if (!waitFor(POLLIN | POLLOUT)) {
            return false;
        }
        if (PQconsumeInput(conn_) == 0) {
            return fail(SqlFailure::Unreachable, Trimmed(PQerrorMessage(conn_)), error);
        }
    }
    std::unique_ptr<PGresult, void (*)(PGresult*)> last(nullptr, PQclear);
    for (;;) {
        while (PQisBusy(conn_) != 0) {
            if (!waitFor(POLLIN)) {
                return false;
            }
            if (PQconsumeInput(conn_) == 0) {
                return fail(SqlFailure::Unreachable, Trimmed(PQerrorMessage(conn_)), error);
            }
        }
        PGresult* result = PQgetResult(conn_);
        if (result == nullptr) {
            break;
        }
        last.reset(result);
    }
    if (!last) {
        return fail(SqlFailure::Unreachable, Trimmed(PQerrorMessage(conn_)), error);
    }
    const ExecStatusType status = PQresultStatus(last.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const SqlFailure kind =
            status == PGRES_FATAL_ERROR ? FailureOfState(PQresultErrorField(last.get(), PG_DIAG_SQLSTATE))
                                        : SqlFailure::Other;
        return fail(kind, Trimmed(PQresultErrorMessage(last.get())), error);
    }
    changes_ = std::atoll(PQcmdTuples(last.get()));
    if (rows != nullptr && status == PGRES_TUPLES_OK) {
        const int n = PQntuples(last.get());
        const int columns = PQnfields(last.get());
        for (int r = 0; r < n; ++r) {
            SqlRow row;
            for (int c = 0; c < columns; ++c) {
                if (PQgetisnull(last.get(), r, c) != 0) {
                    row.emplace_back(std::nullopt);
                    continue;
                }
                const char* value = PQgetvalue(last.get(), r, c);
                const int length = PQgetlength(last.get(), r, c);
                row.emplace_back(PQftype(last.get(), c) == kByteaOid ? DecodeBytea(value, length)
                                                                      : std::string(value, static_cast<size_t>(length)));
            }
            rows->push_back(std::move(row));
        }
    }
    return true;
}

}  // namespace halvo::results
