#include "store/postgres_database.h"

#include "store/client_library.h"

#include <libpq-fe.h>
#include <memory>

namespace ccp::store {
namespace {

// "?" placeholders become "$1", "$2", ...; the store's statements hold no
// question mark of their own.
std::string numberedPlaceholders(const std::string& sql) {
    std::string out;
    int n = 0;
    for (const char c : sql) {
        if (c == '?') {
            out += '$';
            out += std::to_string(++n);
        } else {
            out += c;
        }
    }
    return out;
}

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

#define CCP_LIBPQ_FUNCTIONS(X)                                                                     \
    X(PQclear)                                                                                     \
    X(PQconnectdbParams)                                                                           \
    X(PQconninfoFree)                                                                              \
    X(PQconninfoParse)                                                                             \
    X(PQerrorMessage)                                                                              \
    X(PQexec)                                                                                      \
    X(PQexecParams)                                                                                \
    X(PQfinish)                                                                                    \
    X(PQfreemem)                                                                                   \
    X(PQgetisnull)                                                                                 \
    X(PQgetlength)                                                                                 \
    X(PQgetvalue)                                                                                  \
    X(PQnfields)                                                                                   \
    X(PQntuples)                                                                                   \
    X(PQresultErrorMessage)                                                                        \
    X(PQresultStatus)                                                                              \
    X(PQsetNoticeProcessor)                                                                        \
    X(PQstatus)                                                                                    \
    X(PQtransactionStatus)

struct LibPq {
    CCP_LIBPQ_FUNCTIONS(CCP_CLIENT_POINTER)
    LibPq(void* library, const char* soname) { CCP_LIBPQ_FUNCTIONS(CCP_CLIENT_LOAD) }
};

// libpq's functions, loaded when the first PostgreSQL store opens.
const LibPq& libpq() {
    static constexpr const char* soname = "libpq.so.5";
    static const LibPq functions(loadClientLibrary(soname, "the PostgreSQL client library"),
                                 soname);
    return functions;
}

} // namespace

PostgresDatabase::PostgresDatabase(const std::string& conninfo) {
    const LibPq& pq = libpq();
    char* parseError = nullptr;
    PQconninfoOption* options = pq.PQconninfoParse(conninfo.c_str(), &parseError);
    if (options == nullptr) {
        // The parser's message may quote the string, password and all.
        pq.PQfreemem(parseError);
        throw DatabaseError("the --db connection string is not one libpq understands");
    }
    std::string host, port, dbname, user;
    for (PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
        if (o->val == nullptr)
            continue;
        const std::string key = o->keyword;
        if (key == "password")
            password_ = o->val;
        else if (key == "host")
            host = o->val;
        else if (key == "port")
            port = o->val;
        else if (key == "dbname")
            dbname = o->val;
        else if (key == "user")
            user = o->val;
    }
    pq.PQconninfoFree(options);
    where_ = "postgresql://" + (user.empty() ? "" : user + "@") + host +
             (port.empty() ? "" : ":" + port) + "/" + dbname;
    // Bounds on every wait, each of which the connection string may set
    // otherwise: a server that does not answer the connection, one that
    // went away without closing it (keepalives, and unacknowledged data
    // for 30 s), and a row or lock that another bench holds in a
    // transaction it does not end (30 s, as SQLite's busy time-out).
    const char* const keywords[] = {"connect_timeout",
                                    "keepalives",
                                    "keepalives_idle",
                                    "keepalives_interval",
                                    "keepalives_count",
                                    "tcp_user_timeout",
                                    "options",
                                    "dbname",
                                    nullptr};
    const char* const values[] = {
        "10", "1", "10", "5", "3", "30000", "-c lock_timeout=30s", conninfo.c_str(), nullptr};
    conn_ = pq.PQconnectdbParams(keywords, values, 1);
    if (pq.PQstatus(conn_) != CONNECTION_OK) {
        const std::string why = scrub(trimmed(pq.PQerrorMessage(conn_)));
        pq.PQfinish(conn_);
        conn_ = nullptr;
        throw DatabaseError(where_ + ": " + why, true);
    }
    // Notices (such as "relation already exists") are not the user's concern.
    pq.PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
}

PostgresDatabase::~PostgresDatabase() {
    const LibPq& pq = libpq(); // loaded before the connection was made
    pq.PQfinish(conn_);
}

std::string PostgresDatabase::scrub(std::string text) const {
    if (password_.empty())
        return text;
    for (std::size_t at; (at = text.find(password_)) != std::string::npos;)
        text.replace(at, password_.size(), "********");
    return text;
}

void PostgresDatabase::fail(const std::string& what) const {
    const LibPq& pq = libpq(); // loaded before the connection was made
    const bool lost = pq.PQstatus(conn_) != CONNECTION_OK;
    throw DatabaseError(where_ + ": " + scrub(trimmed(what)), lost);
}

std::vector<Row> PostgresDatabase::query(const std::string& sql, const std::vector<Value>& params) {
    const LibPq& pq = libpq(); // loaded before the connection was made
    std::vector<std::string> texts(params.size());
    std::vector<const char*> values(params.size(), nullptr);
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (const auto* number = std::get_if<std::int64_t>(&params[i]))
            texts[i] = std::to_string(*number);
        else if (const auto* text = std::get_if<std::string>(&params[i]))
            texts[i] = *text;
        else
            continue;
        values[i] = texts[i].c_str();
    }
    std::unique_ptr<PGresult, decltype(&::PQclear)> result(
        pq.PQexecParams(conn_, numberedPlaceholders(sql).c_str(), static_cast<int>(params.size()),
                        nullptr, values.data(), nullptr, nullptr, 0),
        pq.PQclear);
    const ExecStatusType status = result ? pq.PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result ? pq.PQresultErrorMessage(result.get()) : pq.PQerrorMessage(conn_));
    std::vector<Row> rows;
    const int columns = pq.PQnfields(result.get());
    for (int r = 0; r < pq.PQntuples(result.get()); ++r) {
        Row row;
        for (int c = 0; c < columns; ++c) {
            if (pq.PQgetisnull(result.get(), r, c))
                row.emplace_back();
            else
                row.emplace_back(
                    std::string(pq.PQgetvalue(result.get(), r, c),
                                static_cast<std::size_t>(pq.PQgetlength(result.get(), r, c))));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void PostgresDatabase::beginWrite() {
    exec("BEGIN");
}

void PostgresDatabase::commit() {
    exec("COMMIT");
}

void PostgresDatabase::rollback() noexcept {
    const LibPq& pq = libpq(); // loaded before the connection was made
    if (pq.PQstatus(conn_) == CONNECTION_OK && pq.PQtransactionStatus(conn_) != PQTRANS_IDLE)
        pq.PQclear(pq.PQexec(conn_, "ROLLBACK"));
}

bool PostgresDatabase::hasTable(const std::string& name) {
    const std::vector<Row> rows = query("SELECT to_regclass(?) IS NOT NULL", {name});
    return !rows.empty() && rows[0][0] && *rows[0][0] == "t";
}

} // namespace ccp::store
