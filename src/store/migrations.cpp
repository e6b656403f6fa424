#include "store/migrations.h"

#include <string>
#include <vector>

namespace ccp::store {
namespace {

struct Migration {
    std::vector<std::string> sqlite;
    std::vector<std::string> postgres;
};

// Any number that no other program locks with: it serialises migrations of
// several benches that open a new server at the same time.
constexpr const char* kMigrationLock = "SELECT pg_advisory_xact_lock(4356127)";

std::vector<std::string> migration2() {
    return {"ALTER TABLE records ADD COLUMN uid TEXT",
            "CREATE UNIQUE INDEX records_uid ON records (uid)",
            "ALTER TABLE imports ADD COLUMN file TEXT",
            "ALTER TABLE pagers ADD COLUMN sending_at TEXT",
            "CREATE INDEX pagers_state ON pagers (series_id, state, slot)"};
}

// Every query by its own index, whatever the store's size: a record's
// capcodes one row each; its time as seconds since 1970 (UTC), so that
// --since compares instants; its serial; the counts a series shows, kept in
// its row as each pager is written, scrapped or fails. Times that are no
// time this program writes stay without an instant.
Migration migration3() {
    const std::vector<std::string> common = {
        "CREATE TABLE record_capcodes (capcode BIGINT NOT NULL, record_id BIGINT NOT NULL, "
        "PRIMARY KEY (capcode, record_id))",
        "ALTER TABLE records ADD COLUMN instant BIGINT",
        "CREATE INDEX records_serial ON records (serial)",
        "CREATE INDEX records_instant ON records (instant, id)",
        "CREATE INDEX records_series_instant ON records (series, instant, id)",
        // The few slots a reservation looks at, each state in an index of
        // its own: no statistics can make the engine walk the written ones.
        "DROP INDEX pagers_state",
        "CREATE INDEX pagers_free ON pagers (series_id, slot) WHERE state = 'free'",
        "CREATE INDEX pagers_doubt ON pagers (series_id, slot) WHERE state = 'doubt'",
        "CREATE INDEX pagers_active ON pagers (series_id) WHERE state IN ('reserved', 'sending')",
        "ALTER TABLE series ADD COLUMN written BIGINT NOT NULL DEFAULT 0",
        "ALTER TABLE series ADD COLUMN failed BIGINT NOT NULL DEFAULT 0",
        "ALTER TABLE series ADD COLUMN scrapped BIGINT NOT NULL DEFAULT 0",
        "UPDATE series SET written = (SELECT COUNT(*) FROM pagers WHERE series_id = series.id "
        "AND state = 'written'), scrapped = (SELECT COUNT(*) FROM pagers WHERE series_id = "
        "series.id AND state = 'scrapped'), failed = (SELECT COUNT(*) FROM records WHERE "
        "records.series = series.name AND (result IS NULL OR result <> 'Verify OK !'))"};
    Migration m{common, common};
    m.sqlite.push_back(
        "UPDATE records SET instant = CAST(strftime('%s', time) AS INTEGER) "
        "WHERE time GLOB "
        "'[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]T[0-9][0-9]:[0-9][0-9]:[0-9][0-9]Z'");
    m.postgres.push_back("UPDATE records SET instant = CAST(EXTRACT(EPOCH FROM CAST(time AS "
                         "TIMESTAMPTZ)) AS BIGINT) WHERE time ~ "
                         "'^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$'");
    // The capcodes column is " C1 C2 ... ": each capcode followed by a space.
    m.sqlite.push_back(
        "INSERT OR IGNORE INTO record_capcodes (capcode, record_id) WITH RECURSIVE "
        "split(id, rest, capcode) AS (SELECT id, ltrim(capcodes), '' FROM records WHERE "
        "capcodes IS NOT NULL UNION ALL SELECT id, ltrim(substr(rest, instr(rest, ' '))), "
        "substr(rest, 1, instr(rest, ' ') - 1) FROM split WHERE instr(rest, ' ') > 0) "
        "SELECT CAST(capcode AS INTEGER), id FROM split WHERE capcode <> '' AND capcode NOT GLOB "
        "'*[^0-9]*' AND length(capcode) < 10");
    m.postgres.push_back(
        "INSERT INTO record_capcodes (capcode, record_id) SELECT DISTINCT "
        "CAST(c AS BIGINT), id FROM records, regexp_split_to_table(trim(capcodes), "
        "' +') AS c WHERE c ~ '^[0-9]{1,9}$' ON CONFLICT DO NOTHING");
    return m;
}

const std::vector<Migration>& migrations() {
    // Capcodes and slots are numbers; a series' first capcodes and steps are
    // eight numbers separated by spaces; the image is the image file in hex;
    // a record's capcodes are " C1 C2 ... " for a LIKE '% C %' match.
    static const std::vector<Migration> all = {
        {{"CREATE TABLE series (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, "
          "profile INTEGER NOT NULL, platform INTEGER NOT NULL, image TEXT NOT NULL, "
          "entries INTEGER NOT NULL, first_capcodes TEXT NOT NULL, steps TEXT NOT NULL, "
          "created TEXT NOT NULL)",
          "CREATE TABLE pagers (id INTEGER PRIMARY KEY, series_id INTEGER NOT NULL "
          "REFERENCES series(id), slot INTEGER NOT NULL, capcodes TEXT NOT NULL, "
          "state TEXT NOT NULL, owner TEXT, reserved_at TEXT, UNIQUE (series_id, slot))",
          "CREATE TABLE issued (series_id INTEGER NOT NULL REFERENCES series(id), "
          "capcode INTEGER NOT NULL, slot INTEGER NOT NULL, PRIMARY KEY (series_id, capcode))",
          "CREATE TABLE records (id INTEGER PRIMARY KEY, time TEXT NOT NULL, series TEXT, "
          "serial TEXT, capcodes TEXT, result TEXT, line TEXT NOT NULL)",
          "CREATE INDEX records_time ON records (time)",
          "CREATE INDEX records_series ON records (series)",
          "CREATE TABLE imports (source TEXT PRIMARY KEY, bytes INTEGER NOT NULL)"},
         {"CREATE TABLE series (id BIGSERIAL PRIMARY KEY, name TEXT NOT NULL UNIQUE, "
          "profile INTEGER NOT NULL, platform INTEGER NOT NULL, image TEXT NOT NULL, "
          "entries INTEGER NOT NULL, first_capcodes TEXT NOT NULL, steps TEXT NOT NULL, "
          "created TEXT NOT NULL)",
          "CREATE TABLE pagers (id BIGSERIAL PRIMARY KEY, series_id BIGINT NOT NULL "
          "REFERENCES series(id), slot BIGINT NOT NULL, capcodes TEXT NOT NULL, "
          "state TEXT NOT NULL, owner TEXT, reserved_at TEXT, UNIQUE (series_id, slot))",
          "CREATE TABLE issued (series_id BIGINT NOT NULL REFERENCES series(id), "
          "capcode BIGINT NOT NULL, slot BIGINT NOT NULL, PRIMARY KEY (series_id, capcode))",
          "CREATE TABLE records (id BIGSERIAL PRIMARY KEY, time TEXT NOT NULL, series TEXT, "
          "serial TEXT, capcodes TEXT, result TEXT, line TEXT NOT NULL)",
          "CREATE INDEX records_time ON records (time)",
          "CREATE INDEX records_series ON records (series)",
          "CREATE TABLE imports (source TEXT PRIMARY KEY, bytes BIGINT NOT NULL)"}},
        // A record's identity, taken once; which file an import's offset
        // belongs to; when a slot's write started sending.
        {migration2(), migration2()},
        migration3(),
    };
    return all;
}

int currentVersion(Database& db) {
    if (!db.hasTable("schema_version"))
        return 0;
    const std::vector<Row> rows = db.query("SELECT MAX(version) FROM schema_version");
    return rows.empty() || !rows[0][0] ? 0 : std::stoi(*rows[0][0]);
}

} // namespace

int newestMigration() {
    return static_cast<int>(migrations().size());
}

void migrate(Database& db) {
    migrate(db, newestMigration());
}

void migrate(Database& db, int newest) {
    // A store that is up to date is only read.
    int version = currentVersion(db);
    if (version == newest)
        return;
    inWriteTransaction(db, [&] {
        if (db.dialect() == Dialect::Postgres)
            db.exec(kMigrationLock);
        // Another bench may have made the table while this one waited for
        // the lock, and a server backend looks names up (to_regclass) in a
        // cache that hears of other sessions' tables only when it next locks
        // a table, which an advisory lock does not: it may still say there is
        // none. CREATE TABLE locks the schema first and so sees the table.
        db.exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
        const std::vector<Row> rows = db.query("SELECT MAX(version) FROM schema_version");
        version = rows.empty() || !rows[0][0] ? 0 : std::stoi(*rows[0][0]);
        if (version > newest)
            return;
        for (int n = version + 1; n <= newest; ++n) {
            const Migration& m = migrations()[static_cast<std::size_t>(n - 1)];
            for (const std::string& sql : db.dialect() == Dialect::Sqlite ? m.sqlite : m.postgres)
                db.exec(sql);
            db.exec("INSERT INTO schema_version (version) VALUES (?)", {std::int64_t{n}});
        }
    });
    if (version > newest)
        throw DatabaseError(db.where() +
                            ": the store was made by a newer version of the program "
                            "(schema " +
                            std::to_string(version) + ", this program knows up to " +
                            std::to_string(newest) + "); it is left as it is");
}

} // namespace ccp::store
