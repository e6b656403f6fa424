// The store's database in one SQLite file, for one machine: write-ahead
// logging, so that readers never wait for a writer, and a busy time-out, so
// that several programs on the machine take turns at the write lock.
#pragma once

#include "store/database.h"

#include <memory>

struct sqlite3;

namespace ccp::store {

class SqliteDatabase final : public Database {
public:
    // Opens (and creates) the file and its folders; throws DatabaseError.
    explicit SqliteDatabase(const std::string& path);
    ~SqliteDatabase() override;
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    Dialect dialect() const override { return Dialect::Sqlite; }
    std::vector<Row> query(const std::string& sql, const std::vector<Value>& params) override;
    void each(const std::string& sql, const std::vector<Value>& params,
              const std::function<bool(const Row&)>& row) override;
    void beginWrite() override;
    void commit() override;
    void rollback() noexcept override;
    bool hasTable(const std::string& name) override;
    std::string where() const override { return path_; }

private:
    [[noreturn]] void fail(const std::string& what) const;

    std::string path_;
    sqlite3* db_ = nullptr;
};

// Creates every missing folder on the way to `path`'s folder; false when one
// cannot be made.
bool makeFoldersFor(const std::string& path);

} // namespace ccp::store
