// The production store: series of pagers and the record of every write
// attempt, in one SQLite file on this machine or on a PostgreSQL server that
// several benches share. Opening applies the numbered schema migrations that
// the store lacks and refuses a store made by a newer program. Every call
// returns its outcome; a failure carries a message that names the store
// (never with a password) and says whether the connection was lost.
//
// A series hands out pagers by slot: slot 0 carries the first capcodes, each
// later slot every entry's capcode advanced by its step, stepping over the
// capcodes that are not valid. Entries with step 0 (group calls) keep theirs.
// A stepped capcode is issued once per series: a slot in which one would come
// again (two entries' progressions meeting, or a group call's capcode) is
// skipped. reserve() hands out the lowest slot given back, else a new one;
// sending() marks it before the first byte goes to the pager; confirm()
// marks it written, giveBack() frees it for the next pager. A reservation
// whose holder is gone is looked at again by the next reserve() or look at
// the series: one that never reached sending() comes back, one that did is
// in doubt (the pager may hold its capcodes) and stays out of the way until
// settle() says what the pager holds. On SQLite the holder is a process of
// this machine (pid, its start time, its PID namespace and the boot it
// belongs to); on PostgreSQL it is the holder's server session, which keeps
// an advisory lock on the slot until it ends, and the server ends it when
// the connection drops.
#pragma once

#include "store/database.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ccp::store {

inline constexpr int kEntries = 8;

// Now, in UTC, as the records and series write it: 2026-12-08T10:57:51Z.
std::string utcNowIso8601();

struct Failure {
    std::string message;
    bool lost = false; // the connection to the server went away
};

// A value, or why there is none.
template <class T> struct Result {
    std::optional<T> value;
    Failure failure;
    bool ok() const { return value.has_value(); }
};
struct Done {};
using Status = Result<Done>;

struct SeriesDefinition {
    std::string name;
    int profile = 0;
    int platform = 0;
    std::vector<std::uint8_t> image; // the image file as the platform lays it out
    int entries = kEntries;          // 6 on the 5003 platforms
    std::array<std::int64_t, kEntries> first{};
    std::array<int, kEntries> steps{};
};

// A slot whose writer died or lost the store after the first byte went out.
struct Doubt {
    std::int64_t slot = 0;
    std::array<std::int64_t, kEntries> capcodes{};
    std::string since; // when its write started sending, UTC
};

struct SeriesStatus {
    SeriesDefinition definition;
    std::string created;
    std::array<std::int64_t, kEntries> next{}; // the next pager's capcodes
    bool exhausted = false;                    // no valid capcodes left
    std::int64_t written = 0;                  // pagers verified
    std::int64_t reserved = 0;                 // being written now
    std::int64_t failed = 0;                   // attempts that did not end verified
    std::int64_t scrapped = 0;                 // settled as gone: never issued again
    std::vector<Doubt> inDoubt;                // lowest slot first
};

// What a person found of a pager in doubt.
enum class Settlement {
    Written,   // it holds the slot's capcodes, verified
    GivenBack, // it does not: the next pager gets them
    Scrapped,  // it is gone: its capcodes are never issued again
};

struct Reservation {
    std::int64_t id = 0;
    std::int64_t slot = 0;
    std::array<std::int64_t, kEntries> capcodes{};
    std::string holder = {}; // who holds it, and which of its reservations this is
};

struct Record {
    std::string time; // UTC, ISO 8601
    std::string series;
    std::string serial;
    std::vector<std::string> capcodes;
    std::string result;
    std::string line;    // the whole record as one line of JSON
    std::string id = {}; // made with the record; the store keeps one row per id
};

struct RecordQuery {
    std::optional<std::string> series = std::nullopt;
    std::optional<std::int64_t> capcode = std::nullopt;
    std::optional<std::string> serial = std::nullopt;
    // At or after this instant: "YYYY-MM-DDTHH:MM:SSZ", or a date (its midnight, UTC).
    std::optional<std::string> since = std::nullopt;
    // The latest first, and at most this many (the instant index read
    // backwards, so the cost is that of the rows handed out).
    bool newestFirst = false;
    std::optional<std::int64_t> limit = std::nullopt;
};

// $XDG_DATA_HOME (or ~/.local/share)/capcode-programmer; empty without either.
std::string defaultDataFolder();
// production.db in it.
std::string defaultStorePath();

// The next capcode of an entry after `capcode` with step `step`, stepping over
// invalid capcodes; nothing past the last valid one.
std::optional<std::int64_t> nextCapcode(std::int64_t capcode, int step);

class Store {
public:
    // `where`: a postgresql:// or postgres:// URL, or a key=value string with
    // host= or dbname=, is a server; anything else a SQLite file. Empty: the
    // default file.
    static Result<std::unique_ptr<Store>> open(const std::string& where);
    explicit Store(std::unique_ptr<Database> db);
    ~Store();

    std::string where() const { return db_->where(); }
    Dialect dialect() const { return db_->dialect(); }

    Status createSeries(const SeriesDefinition& definition);
    // Nothing (and no failure message) when there is no such series.
    Result<std::optional<SeriesStatus>> series(const std::string& name);
    Result<std::vector<SeriesStatus>> listSeries();
    Result<Reservation> reserve(const std::string& name);
    // Before the first byte goes to the pager: from here on a holder that is
    // gone leaves the slot in doubt.
    Status sending(const Reservation& reservation);
    Status confirm(const Reservation& reservation);
    // Only while the holder is alive to say that the pager does not hold the
    // capcodes.
    Status giveBack(const Reservation& reservation);
    // Settles slot `slot` of series `name`, which must be in doubt.
    Status settle(const std::string& name, std::int64_t slot, Settlement settlement);

    Status append(const Record& record);
    // The records the query finds, oldest first (or newest first), each handed to `take` as it
    // comes until it returns false; memory does not grow with their number.
    Status eachRecord(const RecordQuery& query, const std::function<bool(const Record&)>& take);
    Result<std::vector<Record>> records(const RecordQuery& query);
    // Takes the JSON lines of `file` that it has not taken before (it keeps
    // how far it read in which file, per machine and path, and takes each
    // record's id once); how many it took. A line that is not a record is
    // left out.
    Result<std::int64_t> importJsonLines(const std::string& file);

private:
    // Runs `body`, turning a database failure into the result's failure.
    template <class T, class F> Result<T> guarded(F&& body) {
        try {
            return {body(), {}};
        } catch (const DatabaseError& error) {
            return {std::nullopt, {std::string("store ") + error.what(), error.lost()}};
        } catch (const std::exception& error) {
            // A row that is not what this program wrote.
            return {std::nullopt, {"store " + db_->where() + ": " + error.what(), false}};
        }
    }
    std::string owner() const;
    bool holderAlive(std::int64_t id, const std::string& owner);
    // Frees the reservations of holders that are gone, or puts them in doubt
    // once they were sending.
    void reclaim(std::int64_t seriesId);
    void reclaimAll(const std::string* name);
    // Lets go of a slot this process held, once its row says written or free.
    void release(const Reservation& reservation) noexcept;
    struct Fresh;
    Fresh nextFresh(std::int64_t seriesId, const SeriesDefinition& s, bool& exhausted);
    SeriesStatus statusOf(const Row& row);

    std::unique_ptr<Database> db_;
    std::set<std::int64_t> held_; // this process's reservations
};

// Seconds since 1970 of a UTC time as records keep it ("2026-12-08T10:57:51Z")
// or of a date's midnight ("2026-12-08"); nothing for any other text.
std::optional<std::int64_t> instantOf(const std::string& time);

// Parses one JSON line of the record into its columns; the line is kept whole.
Record recordFromJsonLine(const std::string& line);

} // namespace ccp::store
