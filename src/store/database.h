// The seam between the store and a database engine: statements with
// positional parameters ("?" in the text, bound as texts or numbers; NULL for
// an absent value), rows of texts back, and transactions. A failure throws
// DatabaseError inside the store layer only; the store turns it into a result
// for its callers. No message of a back-end ever holds a password.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace ccp::store {

class DatabaseError : public std::runtime_error {
public:
    // `lost`: the connection itself is gone (the server went away).
    explicit DatabaseError(const std::string& what, bool lost = false)
        : std::runtime_error(what), lost_(lost) {}
    bool lost() const { return lost_; }

private:
    bool lost_;
};

using Value = std::variant<std::monostate, std::int64_t, std::string>;
using Row = std::vector<std::optional<std::string>>;

enum class Dialect { Sqlite, Postgres };

class Database {
public:
    virtual ~Database() = default;
    virtual Dialect dialect() const = 0;
    // Runs one statement; rows when it returns any.
    virtual std::vector<Row> query(const std::string& sql,
                                   const std::vector<Value>& params = {}) = 0;
    void exec(const std::string& sql, const std::vector<Value>& params = {}) { query(sql, params); }
    // Runs one statement and hands each row to `row` as the engine gives it,
    // until `row` returns false: only the row at hand is held, however many
    // the statement finds.
    virtual void each(const std::string& sql, const std::vector<Value>& params,
                      const std::function<bool(const Row&)>& row) = 0;
    // A transaction that writes: SQLite takes the write lock at once
    // (BEGIN IMMEDIATE), so two writers never deadlock on an upgrade.
    virtual void beginWrite() = 0;
    virtual void commit() = 0;
    // Never throws: a rollback after a lost connection has nothing to undo.
    virtual void rollback() noexcept = 0;
    // True when a table `name` exists.
    virtual bool hasTable(const std::string& name) = 0;
    // Where the data lives, without a password.
    virtual std::string where() const = 0;
};

// Runs `body` in a write transaction, rolled back when it throws.
template <class F> auto inWriteTransaction(Database& db, F&& body) {
    db.beginWrite();
    try {
        if constexpr (std::is_void_v<decltype(body())>) {
            body();
            db.commit();
        } else {
            auto result = body();
            db.commit();
            return result;
        }
    } catch (...) {
        db.rollback();
        throw;
    }
}

} // namespace ccp::store
