#include "store/sqlite_database.h"

#include "store/client_library.h"

#include <cerrno>
#include <sqlite3.h>
#include <sys/stat.h>

namespace ccp::store {
namespace {

// A writer that finds the lock taken retries for this long: far longer than
// any reservation or record holds it, which is a few milliseconds.
constexpr int kBusyTimeoutMs = 30000;

#define CCP_SQLITE_FUNCTIONS(X)                                                                    \
    X(sqlite3_bind_int64)                                                                          \
    X(sqlite3_bind_null)                                                                           \
    X(sqlite3_bind_text)                                                                           \
    X(sqlite3_busy_timeout)                                                                        \
    X(sqlite3_close)                                                                               \
    X(sqlite3_column_bytes)                                                                        \
    X(sqlite3_column_count)                                                                        \
    X(sqlite3_column_text)                                                                         \
    X(sqlite3_column_type)                                                                         \
    X(sqlite3_errmsg)                                                                              \
    X(sqlite3_errstr)                                                                              \
    X(sqlite3_exec)                                                                                \
    X(sqlite3_finalize)                                                                            \
    X(sqlite3_get_autocommit)                                                                      \
    X(sqlite3_open_v2)                                                                             \
    X(sqlite3_prepare_v2)                                                                          \
    X(sqlite3_step)

struct Sqlite {
    CCP_SQLITE_FUNCTIONS(CCP_CLIENT_POINTER)
    Sqlite(void* library, const char* soname) { CCP_SQLITE_FUNCTIONS(CCP_CLIENT_LOAD) }
};

// SQLite's functions, loaded when the first SQLite store opens.
const Sqlite& sqlite() {
    static constexpr const char* soname = "libsqlite3.so.0";
    static const Sqlite functions(loadClientLibrary(soname, "the SQLite library"), soname);
    return functions;
}

} // namespace

bool makeFoldersFor(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

SqliteDatabase::SqliteDatabase(const std::string& path) : path_(path) {
    const Sqlite& sq = sqlite();
    if (!makeFoldersFor(path))
        throw DatabaseError(path + ": its folder cannot be made");
    const int opened =
        sq.sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (opened != SQLITE_OK) {
        const std::string why = db_ != nullptr ? sq.sqlite3_errmsg(db_) : sq.sqlite3_errstr(opened);
        sq.sqlite3_close(db_);
        db_ = nullptr;
        throw DatabaseError(path + ": " + why);
    }
    // A file that is no database opens and fails at the first statement; the
    // destructor does not run for a constructor that throws.
    try {
        sq.sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        const std::vector<Row> mode = query("PRAGMA journal_mode=WAL", {});
        if (mode.empty() || !mode[0][0] || *mode[0][0] != "wal")
            fail("write-ahead logging cannot be switched on");
        exec("PRAGMA synchronous=FULL");
        exec("PRAGMA foreign_keys=ON");
    } catch (...) {
        sq.sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

SqliteDatabase::~SqliteDatabase() {
    const Sqlite& sq = sqlite(); // loaded before the database was opened
    sq.sqlite3_close(db_);
}

void SqliteDatabase::fail(const std::string& what) const {
    throw DatabaseError(path_ + ": " + what);
}

void SqliteDatabase::each(const std::string& sql, const std::vector<Value>& params,
                          const std::function<bool(const Row&)>& take) {
    const Sqlite& sq = sqlite(); // loaded before the database was opened
    sqlite3_stmt* statement = nullptr;
    if (sq.sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        fail(sq.sqlite3_errmsg(db_));
    struct Finalize {
        decltype(&::sqlite3_finalize) finalize;
        sqlite3_stmt* s;
        ~Finalize() { finalize(s); }
    } finalize{sq.sqlite3_finalize, statement};
    for (std::size_t i = 0; i < params.size(); ++i) {
        const int index = static_cast<int>(i + 1);
        int bound = SQLITE_OK;
        if (const auto* number = std::get_if<std::int64_t>(&params[i]))
            bound = sq.sqlite3_bind_int64(statement, index, *number);
        else if (const auto* text = std::get_if<std::string>(&params[i]))
            bound = sq.sqlite3_bind_text(statement, index, text->c_str(),
                                         static_cast<int>(text->size()), SQLITE_TRANSIENT);
        else
            bound = sq.sqlite3_bind_null(statement, index);
        if (bound != SQLITE_OK)
            fail(sq.sqlite3_errmsg(db_));
    }
    for (;;) {
        const int step = sq.sqlite3_step(statement);
        if (step == SQLITE_DONE)
            break;
        if (step != SQLITE_ROW)
            fail(sq.sqlite3_errmsg(db_));
        Row row;
        const int columns = sq.sqlite3_column_count(statement);
        for (int c = 0; c < columns; ++c) {
            if (sq.sqlite3_column_type(statement, c) == SQLITE_NULL) {
                row.emplace_back();
            } else {
                const auto* text =
                    reinterpret_cast<const char*>(sq.sqlite3_column_text(statement, c));
                row.emplace_back(std::string(
                    text, static_cast<std::size_t>(sq.sqlite3_column_bytes(statement, c))));
            }
        }
        if (!take(row))
            return;
    }
}

std::vector<Row> SqliteDatabase::query(const std::string& sql, const std::vector<Value>& params) {
    std::vector<Row> rows;
    each(sql, params, [&rows](const Row& row) {
        rows.push_back(row);
        return true;
    });
    return rows;
}

void SqliteDatabase::beginWrite() {
    exec("BEGIN IMMEDIATE");
}

void SqliteDatabase::commit() {
    exec("COMMIT");
}

void SqliteDatabase::rollback() noexcept {
    const Sqlite& sq = sqlite(); // loaded before the database was opened
    if (!sq.sqlite3_get_autocommit(db_))
        sq.sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool SqliteDatabase::hasTable(const std::string& name) {
    return !query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?", {name}).empty();
}

} // namespace ccp::store
