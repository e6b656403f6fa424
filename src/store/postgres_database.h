// The store's database on a PostgreSQL server, for several benches sharing
// one series and one record. The connection is libpq's usual URL or
// key=value string (so ~/.pgpass, PGPASSWORD, sslmode and the rest work as
// everywhere else); its password is never part of a message or of where().
// Connecting, a server gone silent and a lock another bench keeps are each
// bounded unless the string says otherwise.
#pragma once

#include "store/database.h"

struct pg_conn;

namespace ccp::store {

class PostgresDatabase final : public Database {
public:
    // Connects; throws DatabaseError.
    explicit PostgresDatabase(const std::string& conninfo);
    ~PostgresDatabase() override;
    PostgresDatabase(const PostgresDatabase&) = delete;
    PostgresDatabase& operator=(const PostgresDatabase&) = delete;

    Dialect dialect() const override { return Dialect::Postgres; }
    std::vector<Row> query(const std::string& sql, const std::vector<Value>& params) override;
    void beginWrite() override;
    void commit() override;
    void rollback() noexcept override;
    bool hasTable(const std::string& name) override;
    std::string where() const override { return where_; }

private:
    [[noreturn]] void fail(const std::string& what) const;
    std::string scrub(std::string text) const;

    std::string password_; // only to keep it out of messages
    std::string where_;
    pg_conn* conn_ = nullptr;
};

} // namespace ccp::store
