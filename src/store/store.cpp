#include "store/store.h"

#include "editor/address_rules.h"
#include "store/migrations.h"
#include "store/postgres_database.h"
#include "store/process_owner.h"
#include "store/sqlite_database.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <unistd.h>

namespace ccp::store {

std::string utcNowIso8601() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

namespace {

constexpr std::int64_t kLastValidCapcode = 2097143;
// A reservation that finds this many slots in a row skipped gives up: the
// series' entries meet all the time and should be made again.
constexpr std::size_t kMaxSkippedSlots = 1000;

using Capcodes = std::array<std::int64_t, kEntries>;

template <class A> std::string joined(const A& numbers) {
    std::string text;
    for (const auto n : numbers) {
        if (!text.empty())
            text += ' ';
        text += std::to_string(n);
    }
    return text;
}

template <class T> std::array<T, kEntries> numbersOf(const std::string& text) {
    std::array<T, kEntries> numbers{};
    std::istringstream in(text);
    for (T& n : numbers)
        in >> n;
    return numbers;
}

std::string hexOf(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

std::vector<std::uint8_t> bytesOf(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

const std::string& text(const Row& row, std::size_t column) {
    static const std::string kEmpty;
    return row.at(column) ? *row[column] : kEmpty;
}

std::int64_t number(const Row& row, std::size_t column) {
    return row.at(column) ? std::stoll(*row[column]) : 0;
}

// The capcodes of the slot after one holding `capcodes`; nothing when an
// entry has run past the last valid capcode.
std::optional<Capcodes> advanced(const SeriesDefinition& s, const Capcodes& capcodes) {
    Capcodes next = capcodes;
    for (int i = 0; i < s.entries; ++i) {
        const auto e = static_cast<std::size_t>(i);
        if (s.steps[e] == 0)
            continue;
        const std::optional<std::int64_t> capcode = nextCapcode(capcodes[e], s.steps[e]);
        if (!capcode)
            return std::nullopt;
        next[e] = *capcode;
    }
    return next;
}

bool isServer(const std::string& where) {
    return where.starts_with("postgresql://") || where.starts_with("postgres://") ||
           where.find("host=") != std::string::npos || where.find("dbname=") != std::string::npos;
}

constexpr const char* kSeriesColumns = "id, name, profile, platform, image, entries, "
                                       "first_capcodes, steps, created, written, failed, scrapped";

} // namespace

std::string defaultDataFolder() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/')
        return std::string(data) + "/capcode-programmer";
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
        return std::string(home) + "/.local/share/capcode-programmer";
    return {};
}

std::string defaultStorePath() {
    const std::string folder = defaultDataFolder();
    return folder.empty() ? std::string() : folder + "/production.db";
}

std::optional<std::int64_t> nextCapcode(std::int64_t capcode, int step) {
    for (std::int64_t next = capcode + step; next <= kLastValidCapcode; next += step) {
        if (editor::isValidCapcode(next))
            return next;
    }
    return std::nullopt;
}

Result<std::unique_ptr<Store>> Store::open(const std::string& where) {
    const std::string path = where.empty() ? defaultStorePath() : where;
    if (path.empty())
        return {std::nullopt, {"no store: neither XDG_DATA_HOME nor HOME is set", false}};
    try {
        std::unique_ptr<Database> db;
        if (isServer(path))
            db = std::make_unique<PostgresDatabase>(path);
        else
            db = std::make_unique<SqliteDatabase>(path);
        migrate(*db);
        return {std::make_unique<Store>(std::move(db)), {}};
    } catch (const DatabaseError& error) {
        return {std::nullopt, {std::string("store ") + error.what(), error.lost()}};
    }
}

Store::Store(std::unique_ptr<Database> db) : db_(std::move(db)) {
}

Store::~Store() = default;

std::string Store::owner() const {
    if (db_->dialect() == Dialect::Postgres) {
        const std::vector<Row> rows = db_->query("SELECT pg_backend_pid()");
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        return "session " + text(rows.at(0), 0) + " of " + host + " pid " +
               std::to_string(::getpid());
    }
    return thisProcessOwner();
}

bool Store::holderAlive(std::int64_t id, const std::string& owner) {
    if (held_.contains(id))
        return true;
    if (db_->dialect() == Dialect::Sqlite)
        return processOwnerAlive(owner);
    // The holder's session keeps the slot's lock until it ends.
    const std::vector<Row> rows =
        db_->query("SELECT pg_try_advisory_lock(CAST(? AS BIGINT))", {id});
    if (text(rows.at(0), 0) != "t")
        return true;
    db_->exec("SELECT pg_advisory_unlock(CAST(? AS BIGINT))", {id});
    return false;
}

void Store::reclaim(std::int64_t seriesId) {
    const std::vector<Row> held =
        db_->query("SELECT id, owner, state FROM pagers WHERE series_id = ? AND state IN "
                   "('reserved', 'sending')",
                   {seriesId});
    for (const Row& row : held) {
        // The holder may have confirmed or given the slot back (and let go of
        // its lock) since the rows were read: only a slot still in the same
        // state under the same holder is changed. One that was sending may be
        // in a pager: it is in doubt, never free.
        if (holderAlive(number(row, 0), text(row, 1)))
            continue;
        if (text(row, 2) == "sending")
            db_->exec("UPDATE pagers SET state = 'doubt' WHERE id = ? AND state = 'sending' AND "
                      "owner = ?",
                      {number(row, 0), text(row, 1)});
        else
            db_->exec("UPDATE pagers SET state = 'free', owner = NULL WHERE id = ? AND "
                      "state = 'reserved' AND owner = ?",
                      {number(row, 0), text(row, 1)});
    }
}

// Looks at the holders of one series (`name`) or of all, so that what is
// shown of a series counts a slot whose writer died as in doubt or free.
// Only a lost connection is a failure here.
void Store::reclaimAll(const std::string* name) {
    try {
        inWriteTransaction(*db_, [&] {
            const std::vector<Row> ids =
                name != nullptr ? db_->query("SELECT id FROM series WHERE name = ?", {*name})
                                : db_->query("SELECT id FROM series");
            for (const Row& row : ids)
                reclaim(number(row, 0));
        });
    } catch (const DatabaseError& error) {
        // A store that can only be read (a copy on a read-only disk) is
        // shown as it stands; the next reservation looks at the holders.
        if (error.lost())
            throw;
    }
}

Status Store::createSeries(const SeriesDefinition& d) {
    return guarded<Done>([&] {
        inWriteTransaction(*db_, [&] {
            db_->exec("INSERT INTO series (name, profile, platform, image, entries, "
                      "first_capcodes, steps, created) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                      {d.name, std::int64_t{d.profile}, std::int64_t{d.platform}, hexOf(d.image),
                       std::int64_t{d.entries}, joined(d.first), joined(d.steps), utcNowIso8601()});
            const std::string id =
                text(db_->query("SELECT id FROM series WHERE name = ?", {d.name}).at(0), 0);
            // Group calls are issued once, to every pager: no stepped entry
            // may come to them.
            for (int i = 0; i < d.entries; ++i) {
                const auto e = static_cast<std::size_t>(i);
                if (d.steps[e] == 0)
                    db_->exec("INSERT INTO issued (series_id, capcode, slot) VALUES "
                              "(CAST(? AS BIGINT), ?, -1) ON CONFLICT DO NOTHING",
                              {id, d.first[e]});
            }
        });
        return Done{};
    });
}

// The first slot after the series' last in which no stepped capcode comes
// again, with the slots skipped on the way; nothing (and `exhausted`) when an
// entry has run out of valid capcodes.
struct Store::Fresh {
    std::int64_t slot = 0;
    std::optional<Capcodes> capcodes;
    std::vector<std::pair<std::int64_t, Capcodes>> skipped;
};

Store::Fresh Store::nextFresh(std::int64_t seriesId, const SeriesDefinition& s, bool& exhausted) {
    Fresh fresh;
    const std::vector<Row> last = db_->query(
        "SELECT slot, capcodes FROM pagers WHERE series_id = ? ORDER BY slot DESC LIMIT 1",
        {seriesId});
    fresh.capcodes = s.first;
    if (!last.empty()) {
        fresh.slot = number(last[0], 0) + 1;
        fresh.capcodes = advanced(s, numbersOf<std::int64_t>(text(last[0], 1)));
    }
    for (;; ++fresh.slot) {
        if (!fresh.capcodes) {
            exhausted = true;
            return fresh;
        }
        const Capcodes& capcodes = *fresh.capcodes;
        bool meets = false;
        for (int i = 0; i < s.entries && !meets; ++i) {
            const auto e = static_cast<std::size_t>(i);
            meets = s.steps[e] != 0 &&
                    (!db_->query("SELECT 1 FROM issued WHERE series_id = ? AND capcode = ?",
                                 {seriesId, capcodes[e]})
                          .empty() ||
                     std::count(capcodes.begin(), capcodes.begin() + s.entries, capcodes[e]) > 1);
        }
        if (!meets)
            return fresh;
        if (fresh.skipped.size() == kMaxSkippedSlots)
            throw DatabaseError(db_->where() + ": series '" + s.name +
                                "': its entries keep meeting; no capcodes issued");
        fresh.skipped.emplace_back(fresh.slot, capcodes);
        fresh.capcodes = advanced(s, capcodes);
    }
}

SeriesStatus Store::statusOf(const Row& row) {
    SeriesStatus s;
    const std::int64_t id = number(row, 0);
    s.definition.name = text(row, 1);
    s.definition.profile = static_cast<int>(number(row, 2));
    s.definition.platform = static_cast<int>(number(row, 3));
    s.definition.image = bytesOf(text(row, 4));
    s.definition.entries = static_cast<int>(number(row, 5));
    s.definition.first = numbersOf<std::int64_t>(text(row, 6));
    s.definition.steps = numbersOf<int>(text(row, 7));
    s.created = text(row, 8);
    s.written = number(row, 9);
    s.failed = number(row, 10);
    s.scrapped = number(row, 11);
    // The few being written now, by the state index.
    s.reserved = number(db_->query("SELECT COUNT(*) FROM pagers WHERE series_id = ? AND state IN "
                                   "('reserved', 'sending')",
                                   {id})
                            .at(0),
                        0);
    for (const Row& doubt :
         db_->query("SELECT slot, capcodes, sending_at FROM pagers WHERE series_id = ? AND "
                    "state = 'doubt' ORDER BY slot",
                    {id}))
        s.inDoubt.push_back(
            {number(doubt, 0), numbersOf<std::int64_t>(text(doubt, 1)), text(doubt, 2)});
    const std::vector<Row> free = db_->query("SELECT capcodes FROM pagers WHERE series_id = ? AND "
                                             "state = 'free' ORDER BY slot LIMIT 1",
                                             {id});
    if (!free.empty()) {
        s.next = numbersOf<std::int64_t>(text(free[0], 0));
        return s;
    }
    const Fresh fresh = nextFresh(id, s.definition, s.exhausted);
    s.next = fresh.capcodes.value_or(Capcodes{});
    return s;
}

Result<std::optional<SeriesStatus>> Store::series(const std::string& name) {
    return guarded<std::optional<SeriesStatus>>([&]() -> std::optional<SeriesStatus> {
        reclaimAll(&name);
        const std::vector<Row> rows = db_->query(
            std::string("SELECT ") + kSeriesColumns + " FROM series WHERE name = ?", {name});
        if (rows.empty())
            return std::nullopt;
        return statusOf(rows[0]);
    });
}

Result<std::vector<SeriesStatus>> Store::listSeries() {
    return guarded<std::vector<SeriesStatus>>([&] {
        reclaimAll(nullptr);
        std::vector<SeriesStatus> all;
        for (const Row& row :
             db_->query(std::string("SELECT ") + kSeriesColumns + " FROM series ORDER BY name"))
            all.push_back(statusOf(row));
        return all;
    });
}

Result<Reservation> Store::reserve(const std::string& name) {
    return guarded<Reservation>([&] {
        Reservation r = inWriteTransaction(*db_, [&] {
            // On the server the series' row is the lock that puts reservations
            // in a queue; SQLite's write lock already does.
            const std::vector<Row> rows =
                db_->query(std::string("SELECT ") + kSeriesColumns + " FROM series WHERE name = ?" +
                               (db_->dialect() == Dialect::Postgres ? " FOR UPDATE" : ""),
                           {name});
            if (rows.empty())
                throw DatabaseError(db_->where() + ": there is no series '" + name + "'");
            const std::int64_t seriesId = number(rows[0], 0);
            SeriesDefinition s;
            s.name = name;
            s.entries = static_cast<int>(number(rows[0], 5));
            s.first = numbersOf<std::int64_t>(text(rows[0], 6));
            s.steps = numbersOf<int>(text(rows[0], 7));
            reclaim(seriesId);
            static std::atomic<std::int64_t> count{0};
            const std::string owner = this->owner() + " reservation " + std::to_string(++count);
            const std::string now = utcNowIso8601();
            Reservation reservation;
            const std::vector<Row> free =
                db_->query("SELECT id, slot, capcodes FROM pagers WHERE series_id = ? AND "
                           "state = 'free' ORDER BY slot LIMIT 1",
                           {seriesId});
            if (!free.empty()) {
                reservation = {number(free[0], 0), number(free[0], 1),
                               numbersOf<std::int64_t>(text(free[0], 2))};
                db_->exec("UPDATE pagers SET state = 'reserved', owner = ?, reserved_at = ?, "
                          "sending_at = NULL WHERE id = ?",
                          {owner, now, reservation.id});
            } else {
                bool exhausted = false;
                const Fresh fresh = nextFresh(seriesId, s, exhausted);
                if (exhausted)
                    throw DatabaseError(db_->where() + ": series '" + name +
                                        "' has no valid capcodes left");
                for (const auto& [slot, capcodes] : fresh.skipped)
                    db_->exec("INSERT INTO pagers (series_id, slot, capcodes, state, "
                              "reserved_at) VALUES (?, ?, ?, 'skipped', ?)",
                              {seriesId, slot, joined(capcodes), now});
                const std::vector<Row> inserted =
                    db_->query("INSERT INTO pagers (series_id, slot, capcodes, state, owner, "
                               "reserved_at) VALUES (?, ?, ?, 'reserved', ?, ?) RETURNING id",
                               {seriesId, fresh.slot, joined(*fresh.capcodes), owner, now});
                reservation = {number(inserted.at(0), 0), fresh.slot, *fresh.capcodes};
                for (int i = 0; i < s.entries; ++i) {
                    const auto e = static_cast<std::size_t>(i);
                    if (s.steps[e] != 0)
                        db_->exec("INSERT INTO issued (series_id, capcode, slot) VALUES "
                                  "(?, ?, ?)",
                                  {seriesId, reservation.capcodes[e], fresh.slot});
                }
            }
            if (db_->dialect() == Dialect::Postgres)
                db_->exec("SELECT pg_advisory_lock(CAST(? AS BIGINT))", {reservation.id});
            reservation.holder = owner;
            return reservation;
        });
        held_.insert(r.id);
        return r;
    });
}

Status Store::sending(const Reservation& r) {
    return guarded<Done>([&] {
        const std::vector<Row> rows =
            db_->query("UPDATE pagers SET state = 'sending', sending_at = ? WHERE id = ? AND "
                       "state = 'reserved' AND owner = ? RETURNING id",
                       {utcNowIso8601(), r.id, r.holder});
        if (rows.empty())
            throw DatabaseError(db_->where() + ": the reservation of slot " +
                                std::to_string(r.slot) + " was no longer held");
        return Done{};
    });
}

// The lock of a slot that is written or given back only tells others that
// this session holds it; the row is already right. Letting go of it cannot
// undo a committed change, so its failure is no failure of the call (the
// lock goes with the session).
void Store::release(const Reservation& r) noexcept {
    held_.erase(r.id);
    if (db_->dialect() != Dialect::Postgres)
        return;
    try {
        db_->exec("SELECT pg_advisory_unlock(CAST(? AS BIGINT))", {r.id});
    } catch (const DatabaseError&) {
    }
}

Status Store::confirm(const Reservation& r) {
    return guarded<Done>([&] {
        inWriteTransaction(*db_, [&] {
            const std::vector<Row> rows =
                db_->query("UPDATE pagers SET state = 'written', owner = NULL WHERE id = ? AND "
                           "state IN ('reserved', 'sending') AND owner = ? RETURNING series_id",
                           {r.id, r.holder});
            if (rows.empty())
                throw DatabaseError(db_->where() + ": the reservation of slot " +
                                    std::to_string(r.slot) + " was no longer held");
            db_->exec("UPDATE series SET written = written + 1 WHERE id = ?", {number(rows[0], 0)});
        });
        release(r);
        return Done{};
    });
}

Status Store::giveBack(const Reservation& r) {
    return guarded<Done>([&] {
        db_->exec("UPDATE pagers SET state = 'free', owner = NULL, sending_at = NULL WHERE id = ? "
                  "AND state IN ('reserved', 'sending') AND owner = ?",
                  {r.id, r.holder});
        release(r);
        return Done{};
    });
}

Status Store::settle(const std::string& name, std::int64_t slot, Settlement settlement) {
    static constexpr const char* kStates[] = {"written", "free", "scrapped"};
    return guarded<Done>([&] {
        inWriteTransaction(*db_, [&] {
            const std::vector<Row> series =
                db_->query("SELECT id FROM series WHERE name = ?", {name});
            if (series.empty())
                throw DatabaseError(db_->where() + ": there is no series '" + name + "'");
            reclaim(number(series[0], 0));
            const std::vector<Row> rows = db_->query(
                "UPDATE pagers SET state = ?, owner = NULL WHERE series_id = ? AND slot = ? AND "
                "state = 'doubt' RETURNING id",
                {std::string(kStates[static_cast<int>(settlement)]), number(series[0], 0), slot});
            if (rows.empty())
                throw DatabaseError(db_->where() + ": slot " + std::to_string(slot) +
                                    " of series '" + name + "' is not in doubt");
            if (settlement != Settlement::GivenBack)
                db_->exec(settlement == Settlement::Written
                              ? "UPDATE series SET written = written + 1 WHERE id = ?"
                              : "UPDATE series SET scrapped = scrapped + 1 WHERE id = ?",
                          {number(series[0], 0)});
        });
        return Done{};
    });
}

} // namespace ccp::store
