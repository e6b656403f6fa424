// The store's database on a PostgreSQL server, for several benches sharing
// one series and one record. The connection is libpq's usual URL or
// key=value string (so ~/.pgpass, PGPASSWORD, sslmode and the rest work as
// everywhere else); its password is never part of a message or of where().
// Connecting, a server gone silent and a lock another bench keeps are each
// bounded unless the string says otherwise; every statement, ROLLBACK too,
// is bounded on this side as well (45 s, or CCP_DB_ANSWER_TIMEOUT_MS), and a
// connection whose server did not answer in time is given up.
#pragma once

#include "store/database.h"

#include <chrono>

struct pg_conn;
struct pg_result;

namespace ccp::store {

// `text` with every password a connection string in it may carry replaced
// by asterisks: a password keyword's value (key=value, or a URL's query) and
// the password of a URL's user:password@.
std::string scrubPasswords(const std::string& text);

class PostgresDatabase final : public Database {
public:
    // Connects; throws DatabaseError.
    explicit PostgresDatabase(const std::string& conninfo);
    ~PostgresDatabase() override;
    PostgresDatabase(const PostgresDatabase&) = delete;
    PostgresDatabase& operator=(const PostgresDatabase&) = delete;

    Dialect dialect() const override { return Dialect::Postgres; }
    std::vector<Row> query(const std::string& sql, const std::vector<Value>& params) override;
    void each(const std::string& sql, const std::vector<Value>& params,
              const std::function<bool(const Row&)>& row) override;
    void beginWrite() override;
    void commit() override;
    void rollback() noexcept override;
    bool hasTable(const std::string& name) override;
    std::string where() const override { return where_; }

private:
    using Deadline = std::chrono::steady_clock::time_point;
    [[noreturn]] void fail(const std::string& what) const;
    // Sends the statement queued and collects its results: the last one, or
    // the first error.
    pg_result* answer(Deadline deadline);
    // The next result of the statement sent, or nullptr after its last.
    pg_result* nextResult(Deadline deadline);
    void send(const std::string& sql, const std::vector<Value>& params);
    // Asks the server to stop the statement running, waiting for it 2 s at most.
    void cancel();
    // Returns when the socket is ready for `events`; gives up at `deadline`.
    void await(short events, Deadline deadline);
    [[noreturn]] void giveUp();

    std::string where_;
    std::chrono::milliseconds answerBound_;
    std::string givenUp_; // why the connection was given up, once it is
    pg_conn* conn_ = nullptr;
};

} // namespace ccp::store
