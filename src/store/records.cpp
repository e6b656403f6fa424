// The record half of the store: one row per write attempt, its JSON line kept
// whole beside the columns a query filters on.
#include "store/store.h"

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <limits.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

namespace ccp::store {
namespace {

std::string capcodeColumn(const std::vector<std::string>& capcodes) {
    std::string column = " ";
    for (const std::string& capcode : capcodes) {
        // "0002004" and "2004" are the same capcode.
        try {
            column += std::to_string(std::stoll(capcode)) + " ";
        } catch (const std::exception&) {
            column += capcode + " ";
        }
    }
    return column;
}

const std::string& at(const std::optional<std::string>& value) {
    static const std::string kEmpty;
    return value ? *value : kEmpty;
}

// FNV-1a, 64 bits, as 16 hex digits: stable from one build to the next.
std::string fingerprint(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

} // namespace

std::optional<std::int64_t> instantOf(const std::string& time) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char zone = 0;
    int length = 0;
    const bool dateOnly = time.size() == 10;
    if (dateOnly ? std::sscanf(time.c_str(), "%4d-%2d-%2d%n", &year, &month, &day, &length) != 3
                 : std::sscanf(time.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%n", &year, &month, &day,
                               &hour, &minute, &second, &zone, &length) != 7 ||
                       zone != 'Z')
        return std::nullopt;
    if (static_cast<std::size_t>(length) != time.size() || time[4] != '-' || time[7] != '-')
        return std::nullopt;
    std::tm utc{};
    utc.tm_year = year - 1900;
    utc.tm_mon = month - 1;
    utc.tm_mday = day;
    utc.tm_hour = hour;
    utc.tm_min = minute;
    utc.tm_sec = second;
    const std::time_t instant = ::timegm(&utc);
    // timegm() carries a 30 February into March: such a time is no time.
    if (utc.tm_mday != day || utc.tm_mon != month - 1 || utc.tm_hour != hour ||
        utc.tm_min != minute || utc.tm_sec != second)
        return std::nullopt;
    return static_cast<std::int64_t>(instant);
}

namespace {

// A record written before records had an id of their own is known by its
// line: the same line taken twice is one row.
std::string identityOf(const Record& r) {
    return r.id.empty() ? "line-" + fingerprint(r.line) : r.id;
}

// A record's line is one JSON object.
bool readable(const Record& r) {
    return nlohmann::json::parse(r.line, nullptr, false).is_object();
}

// One row per identity: a record that reaches the store again (the pending
// file, a second log, another bench) changes nothing. Its capcodes and its
// series' count of failed attempts go with it, in the caller's transaction.
std::int64_t insert(Database& db, const Record& r) {
    const std::optional<std::int64_t> instant = instantOf(r.time);
    const std::vector<Row> inserted =
        db.query("INSERT INTO records (uid, time, instant, series, serial, capcodes, result, "
                 "line) VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (uid) DO NOTHING RETURNING id",
                 {identityOf(r), r.time, instant ? Value{*instant} : Value{},
                  r.series.empty() ? Value{} : Value{r.series}, r.serial, capcodeColumn(r.capcodes),
                  r.result, r.line});
    if (inserted.empty())
        return 0;
    const std::int64_t id = std::stoll(at(inserted[0][0]));
    for (const std::string& capcode : r.capcodes) {
        // "0002004" and "2004" are the same capcode; a text that is no
        // capcode is in the line only.
        if (capcode.empty() || capcode.size() > 9 ||
            capcode.find_first_not_of("0123456789") != std::string::npos)
            continue;
        db.exec("INSERT INTO record_capcodes (capcode, record_id) VALUES (?, ?) "
                "ON CONFLICT DO NOTHING",
                {std::stoll(capcode), id});
    }
    if (!r.series.empty() && r.result != "Verify OK !")
        db.exec("UPDATE series SET failed = failed + 1 WHERE name = ?", {r.series});
    return 1;
}

// Which file a path names now: its device and inode, and its first line (a
// file emptied and written anew in place keeps its inode).
std::string fileIdentity(int fd, const struct stat& st) {
    std::string first(4096, '\0');
    const ssize_t n = ::pread(fd, first.data(), first.size(), 0);
    first.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    first = first.substr(0, first.find('\n'));
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + fingerprint(first);
}

// Whether the import may go on from `offset`: the file is the one it was
// read in (an offset from before identities were kept is taken as it is),
// it is at least that long, and the offset ends a line.
bool offsetHolds(int fd, const struct stat& st, std::int64_t offset,
                 const std::optional<std::string>& keptIdentity, const std::string& identity) {
    if (offset <= 0)
        return offset == 0;
    if ((keptIdentity && *keptIdentity != identity) || offset > st.st_size)
        return false;
    char before = 0;
    return ::pread(fd, &before, 1, offset - 1) == 1 && before == '\n';
}

} // namespace

Record recordFromJsonLine(const std::string& line) {
    Record record;
    record.line = line;
    const nlohmann::json json = nlohmann::json::parse(line, nullptr, false);
    if (!json.is_object())
        return record;
    auto string = [&json](const char* key) {
        const auto it = json.find(key);
        return it != json.end() && it->is_string() ? it->get<std::string>() : std::string();
    };
    record.id = string("id");
    record.time = string("time");
    record.series = string("series");
    record.serial = string("serial");
    record.result = string("result");
    if (const auto capcodes = json.find("capcodes");
        capcodes != json.end() && capcodes->is_array()) {
        for (const nlohmann::json& entry : *capcodes) {
            if (entry.is_object() && entry.contains("capcode") && entry["capcode"].is_string())
                record.capcodes.push_back(entry["capcode"].get<std::string>());
        }
    }
    return record;
}

Status Store::append(const Record& r) {
    return guarded<Done>([&] {
        if (!readable(r))
            throw DatabaseError(db_->where() + ": the record is not one this program reads");
        inWriteTransaction(*db_, [&] { insert(*db_, r); });
        return Done{};
    });
}

Status Store::eachRecord(const RecordQuery& q, const std::function<bool(const Record&)>& take) {
    return guarded<Done>([&] {
        // Each filter has an index; the order is that of the instant index.
        std::string sql = "SELECT time, series, serial, capcodes, result, line, uid FROM records "
                          "WHERE 1 = 1";
        std::vector<Value> params;
        if (q.series) {
            sql += " AND series = ?";
            params.emplace_back(*q.series);
        }
        if (q.capcode) {
            sql += " AND id IN (SELECT record_id FROM record_capcodes WHERE capcode = ?)";
            params.emplace_back(*q.capcode);
        }
        if (q.serial) {
            sql += " AND serial = ?";
            params.emplace_back(*q.serial);
        }
        if (q.since) {
            const std::optional<std::int64_t> since = instantOf(*q.since);
            if (!since)
                throw DatabaseError(db_->where() + ": '" + *q.since + "' is no UTC time");
            sql += " AND instant >= ?";
            params.emplace_back(*since);
        }
        sql += q.newestFirst ? " ORDER BY instant DESC, id DESC" : " ORDER BY instant, id";
        if (q.limit) {
            sql += " LIMIT ?";
            params.emplace_back(*q.limit);
        }
        db_->each(sql, params, [&](const Row& row) {
            Record r = recordFromJsonLine(at(row.at(5)));
            r.time = at(row[0]);
            r.series = at(row[1]);
            r.serial = at(row[2]);
            r.result = at(row[4]);
            r.id = at(row[6]);
            return take(r);
        });
        return Done{};
    });
}

Result<std::vector<Record>> Store::records(const RecordQuery& q) {
    std::vector<Record> records;
    const Status done = eachRecord(q, [&records](const Record& r) {
        records.push_back(r);
        return true;
    });
    if (!done.ok())
        return {std::nullopt, done.failure};
    return {std::move(records), {}};
}

Result<std::int64_t> Store::importJsonLines(const std::string& file) {
    return guarded<std::int64_t>([&]() -> std::int64_t {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return 0;
        std::unique_ptr<FILE, int (*)(FILE*)> in(::fdopen(fd, "r"), &std::fclose);
        struct stat st {};
        if (!in || ::fstat(fd, &st) != 0) {
            if (!in)
                ::close(fd);
            return 0;
        }
        const std::string identity = fileIdentity(fd, st);
        // The same file by another path (a symlink, "./") is the same source.
        char resolved[PATH_MAX];
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        const std::string source = std::string(host) + ":" +
                                   (::realpath(file.c_str(), resolved) ? resolved : file.c_str());
        return inWriteTransaction(*db_, [&]() -> std::int64_t {
            // The source's row is the lock that puts two benches' imports of
            // one file in a queue (SQLite's write lock already does).
            db_->exec("INSERT INTO imports (source, bytes, file) VALUES (?, 0, ?) "
                      "ON CONFLICT DO NOTHING",
                      {source, identity});
            const std::vector<Row> done =
                db_->query(std::string("SELECT bytes, file FROM imports WHERE source = ?") +
                               (db_->dialect() == Dialect::Postgres ? " FOR UPDATE" : ""),
                           {source});
            std::int64_t offset = std::stoll(at(done.at(0)[0]));
            // A file removed, rotated or cut since is read again from its
            // start: the records' identities keep what was taken from
            // being taken twice.
            if (!offsetHolds(fd, st, offset, done[0][1], identity))
                offset = 0;
            const std::int64_t from = offset;
            if (std::fseek(in.get(), static_cast<long>(from), SEEK_SET) != 0)
                throw DatabaseError(file + ": it cannot be read");
            std::int64_t taken = 0;
            char* buffer = nullptr;
            std::size_t capacity = 0;
            struct Free {
                char*& b;
                ~Free() { std::free(b); }
            } freeBuffer{buffer};
            // Only whole lines: one being appended right now waits for the
            // next time.
            for (ssize_t n; (n = ::getline(&buffer, &capacity, in.get())) > 0;) {
                if (buffer[n - 1] != '\n')
                    break;
                offset += n;
                const std::string line(buffer, static_cast<std::size_t>(n - 1));
                const Record r = recordFromJsonLine(line);
                if (readable(r))
                    taken += insert(*db_, r);
            }
            if (offset != from || at(done[0][1]) != identity)
                db_->exec("UPDATE imports SET bytes = ?, file = ? WHERE source = ?",
                          {offset, identity, source});
            return taken;
        });
    });
}

} // namespace ccp::store
