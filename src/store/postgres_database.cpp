#include "store/postgres_database.h"

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
        if (c == '?')
            out += "$" + std::to_string(++n);
        else
            out += c;
    }
    return out;
}

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

} // namespace

PostgresDatabase::PostgresDatabase(const std::string& conninfo) {
    char* parseError = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &parseError);
    if (options == nullptr) {
        // The parser's message may quote the string, password and all.
        PQfreemem(parseError);
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
    PQconninfoFree(options);
    where_ = "postgresql://" + (user.empty() ? "" : user + "@") + host +
             (port.empty() ? "" : ":" + port) + "/" + dbname;
    conn_ = PQconnectdb(conninfo.c_str());
    if (PQstatus(conn_) != CONNECTION_OK) {
        const std::string why = scrub(trimmed(PQerrorMessage(conn_)));
        PQfinish(conn_);
        conn_ = nullptr;
        throw DatabaseError(where_ + ": " + why, true);
    }
    // Notices (such as "relation already exists") are not the user's concern.
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
}

PostgresDatabase::~PostgresDatabase() {
    PQfinish(conn_);
}

std::string PostgresDatabase::scrub(std::string text) const {
    if (password_.empty())
        return text;
    for (std::size_t at; (at = text.find(password_)) != std::string::npos;)
        text.replace(at, password_.size(), "********");
    return text;
}

void PostgresDatabase::fail(const std::string& what) const {
    const bool lost = PQstatus(conn_) != CONNECTION_OK;
    throw DatabaseError(where_ + ": " + scrub(trimmed(what)), lost);
}

std::vector<Row> PostgresDatabase::query(const std::string& sql, const std::vector<Value>& params) {
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
    std::unique_ptr<PGresult, decltype(&PQclear)> result(
        PQexecParams(conn_, numberedPlaceholders(sql).c_str(), static_cast<int>(params.size()),
                     nullptr, values.data(), nullptr, nullptr, 0),
        &PQclear);
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result ? PQresultErrorMessage(result.get()) : PQerrorMessage(conn_));
    std::vector<Row> rows;
    const int columns = PQnfields(result.get());
    for (int r = 0; r < PQntuples(result.get()); ++r) {
        Row row;
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(result.get(), r, c))
                row.emplace_back();
            else
                row.emplace_back(
                    std::string(PQgetvalue(result.get(), r, c),
                                static_cast<std::size_t>(PQgetlength(result.get(), r, c))));
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
    if (PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) != PQTRANS_IDLE)
        PQclear(PQexec(conn_, "ROLLBACK"));
}

bool PostgresDatabase::hasTable(const std::string& name) {
    const std::vector<Row> rows = query("SELECT to_regclass(?) IS NOT NULL", {name});
    return !rows.empty() && rows[0][0] && *rows[0][0] == "t";
}

} // namespace ccp::store
