// Handing out capcodes: on SQLite and on PostgreSQL.
#include "store/postgres_database.h"
#include "store/process_owner.h"
#include "store/sqlite_database.h"
#include "store_fixture.h"

#include <chrono>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ccp::store {
namespace {

using Capcodes = std::array<std::int64_t, kEntries>;

class SeriesTest : public StoreTest {};

std::unique_ptr<Database> rawDatabase(Dialect dialect, const std::string& where) {
    if (dialect == Dialect::Sqlite)
        return std::make_unique<SqliteDatabase>(where);
    return std::make_unique<PostgresDatabase>(where);
}

SeriesDefinition definition(const std::string& name, Capcodes first, std::array<int, 8> steps,
                            int entries = 8) {
    SeriesDefinition d;
    d.name = name;
    d.platform = 6;
    d.image = {1, 2, 0xFE};
    d.entries = entries;
    d.first = first;
    d.steps = steps;
    return d;
}

Capcodes reserveOk(Store& store, const std::string& name, Reservation* out = nullptr) {
    const Result<Reservation> r = store.reserve(name);
    EXPECT_TRUE(r.ok()) << r.failure.message;
    if (!r.ok())
        return {};
    if (out != nullptr)
        *out = *r.value;
    return r.value->capcodes;
}

TEST_P(SeriesTest, SeriesIsCreatedOnceAndKeepsItsDefinition) {
    std::unique_ptr<Store> store = open();
    ASSERT_NE(store, nullptr);
    const SeriesDefinition d =
        definition("north", {8, 16, 24, 32, 40, 48, 56, 64}, {1, 0, 8, 0, 0, 0, 0, 2}, 6);
    ASSERT_TRUE(store->createSeries(d).ok());
    const Status again = store->createSeries(d);
    EXPECT_FALSE(again.ok());
    const SeriesStatus s = **store->series("north").value;
    EXPECT_EQ(s.definition.image, d.image);
    EXPECT_EQ(s.definition.first, d.first);
    EXPECT_EQ(s.definition.steps, d.steps);
    EXPECT_EQ(s.definition.entries, 6);
    EXPECT_EQ(s.next, d.first);
    EXPECT_FALSE(store->series("south").value->has_value());
    EXPECT_FALSE(store->reserve("south").ok());
}

// Stepped entries advance and step over the capcodes that are not valid;
// group calls stay; entries 7 and 8 of a 6-entry series stay too.
TEST_P(SeriesTest, StepsOverInvalidCapcodes) {
    std::unique_ptr<Store> store = open();
    ASSERT_NE(store, nullptr);
    ASSERT_TRUE(
        store
            ->createSeries(definition("s", {2007662, 2045055, 1000, 2097136, 500, 600, 700, 800},
                                      {1, 3, 0, 8, 0, 0, 5, 5}, 6))
            .ok());
    EXPECT_EQ(reserveOk(*store, "s"),
              (Capcodes{2007662, 2045055, 1000, 2097136, 500, 600, 700, 800}));
    // 2097136 + 8 = 2097144 is past the last valid capcode: the series ends.
    const Result<Reservation> past = store->reserve("s");
    EXPECT_FALSE(past.ok());
    EXPECT_NE(past.failure.message.find("no valid capcodes left"), std::string::npos);

    ASSERT_TRUE(store
                    ->createSeries(definition("t", {2007662, 2045055, 1000, 7, 0, 0, 0, 0},
                                              {1, 3, 0, 0, 0, 0, 0, 0}))
                    .ok());
    reserveOk(*store, "t");
    EXPECT_EQ(reserveOk(*store, "t"), (Capcodes{2007663, 2045064, 1000, 7, 0, 0, 0, 0}));
    EXPECT_EQ(reserveOk(*store, "t"), (Capcodes{2007672, 2045067, 1000, 7, 0, 0, 0, 0}));
}

// The last valid capcode is handed out; nothing after it.
TEST_P(SeriesTest, TheLastValidCapcodeIsTheSeriesLast) {
    std::unique_ptr<Store> store = open();
    ASSERT_NE(store, nullptr);
    ASSERT_TRUE(store->createSeries(definition("s", {2097142}, {1}, 1)).ok());
    EXPECT_EQ(reserveOk(*store, "s")[0], 2097142);
    EXPECT_EQ((**store->series("s").value).next[0], 2097143);
    EXPECT_EQ(reserveOk(*store, "s")[0], 2097143);
    EXPECT_TRUE((**store->series("s").value).exhausted);
    EXPECT_FALSE(store->reserve("s").ok());
}

// A slot in which a stepped capcode would come a second time (entries whose
// progressions meet, or a group call in the way) is skipped.
TEST_P(SeriesTest, NoSteppedCapcodeIsIssuedTwice) {
    std::unique_ptr<Store> store = open();
    ASSERT_NE(store, nullptr);
    ASSERT_TRUE(store
                    ->createSeries(definition("s", {2004000, 2004008, 2004013, 2004003, 0, 0, 0, 0},
                                              {8, 8, 1, 0, 0, 0, 0, 0}, 4))
                    .ok());
    std::multiset<std::int64_t> issued;
    for (int pager = 0; pager < 12; ++pager) {
        const Capcodes c = reserveOk(*store, "s");
        issued.insert(c.begin(), c.begin() + 3);
        EXPECT_EQ(c[3], 2004003);
    }
    for (const std::int64_t capcode : issued)
        EXPECT_EQ(issued.count(capcode), 1u) << capcode;
}

// A write that failed gives its capcodes back to the next pager; a written
// pager's capcodes never come again.
TEST_P(SeriesTest, GivenBackCapcodesGoToTheNextPager) {
    std::unique_ptr<Store> store = open();
    ASSERT_NE(store, nullptr);
    ASSERT_TRUE(store->createSeries(definition("s", {100, 0, 0, 0, 0, 0, 0, 0}, {1})).ok());
    Reservation a, b, c;
    EXPECT_EQ(reserveOk(*store, "s", &a)[0], 100);
    EXPECT_EQ(reserveOk(*store, "s", &b)[0], 101);
    ASSERT_TRUE(store->giveBack(a).ok());
    ASSERT_TRUE(store->confirm(b).ok());
    EXPECT_EQ(reserveOk(*store, "s", &c)[0], 100);
    EXPECT_EQ(reserveOk(*store, "s")[0], 102);
    const SeriesStatus s = **store->series("s").value;
    EXPECT_EQ(s.written, 1);
    EXPECT_EQ(s.reserved, 2);
    EXPECT_EQ(s.next[0], 103);
    // A reservation given back is no longer the holder's to confirm.
    EXPECT_FALSE(store->confirm(a).ok());
}

// A holder that ends without a word (killed) gives its capcodes back once it
// is gone: its process on SQLite, its server session on PostgreSQL.
TEST_P(SeriesTest, ADeadHoldersCapcodesComeBack) {
    std::unique_ptr<Store> store = open();
    ASSERT_NE(store, nullptr);
    ASSERT_TRUE(store->createSeries(definition("s", {100, 0, 0, 0, 0, 0, 0, 0}, {1})).ok());
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        Result<std::unique_ptr<Store>> own = Store::open(where_);
        const bool reserved = own.ok() && (*own.value)->reserve("s").ok();
        const char done = reserved ? 'y' : 'n';
        (void)!::write(pipeFds[1], &done, 1);
        // Holds the reservation until it is killed.
        for (;;)
            ::pause();
    }
    ::close(pipeFds[1]);
    char reserved = 0;
    ASSERT_EQ(::read(pipeFds[0], &reserved, 1), 1);
    ASSERT_EQ(reserved, 'y');
    // Alive: the next pager gets the next capcodes.
    EXPECT_EQ(reserveOk(*store, "s")[0], 101);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(pipeFds[0]);
    // The server ends the session when it sees the connection gone; wait for
    // that, for a bounded time.
    std::int64_t capcode = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    do {
        Reservation r;
        capcode = reserveOk(*store, "s", &r)[0];
        if (capcode != 100) {
            ASSERT_TRUE(store->giveBack(r).ok());
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    } while (capcode != 100 && std::chrono::steady_clock::now() < deadline);
    EXPECT_EQ(capcode, 100);
}

// What the series shows as next is what the next reservation hands out,
// across a slot skipped for meeting a group call and across two slots given
// back (the lowest first).
TEST_P(SeriesTest, TheNextCapcodesShownAreTheOnesHandedOut) {
    std::unique_ptr<Store> store = open();
    ASSERT_NE(store, nullptr);
    ASSERT_TRUE(store->createSeries(definition("s", {2004000, 2004001}, {1, 0}, 2)).ok());
    Reservation a, b, c;
    const std::int64_t handed[] = {reserveOk(*store, "s", &a)[0], reserveOk(*store, "s", &b)[0],
                                   reserveOk(*store, "s", &c)[0]};
    EXPECT_EQ(handed[1], 2004002) << "slot 1 meets the group call";
    ASSERT_TRUE(store->giveBack(c).ok());
    ASSERT_TRUE(store->giveBack(b).ok());
    for (const std::int64_t expected : {handed[1], handed[2], std::int64_t{2004004}}) {
        const std::int64_t shown = (**store->series("s").value).next[0];
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(reserveOk(*store, "s")[0], shown);
    }
}

// A slot whose write started sending is in doubt once its holder is gone,
// never handed out again by itself, and settled by a person: written,
// given back (the next pager gets it) or scrapped (never again).
TEST_P(SeriesTest, ASlotInDoubtWaitsForAPerson) {
    std::unique_ptr<Store> store = open();
    ASSERT_NE(store, nullptr);
    ASSERT_TRUE(store->createSeries(definition("s", {100}, {1})).ok());
    {
        std::unique_ptr<Store> writer = open(); // a writer that is gone once this block ends
        ASSERT_NE(writer, nullptr);
        for (int k = 0; k < 3; ++k) {
            Reservation r;
            reserveOk(*writer, "s", &r);
            ASSERT_TRUE(writer->sending(r).ok());
        }
        EXPECT_FALSE(store->settle("s", 0, Settlement::Written).ok()) << "its holder is alive";
    }
    // On SQLite the writer was this process: its reservations are handed to
    // a process that has ended.
    if (GetParam() == Dialect::Sqlite) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            const std::string owner = thisProcessOwner();
            (void)!::write(fds[1], owner.data(), owner.size());
            ::_exit(0);
        }
        ::close(fds[1]);
        char owner[512] = {};
        ASSERT_GT(::read(fds[0], owner, sizeof owner - 1), 0);
        ::close(fds[0]);
        ::waitpid(child, nullptr, 0);
        rawDatabase(GetParam(), where_)
            ->exec("UPDATE pagers SET owner = ? || substr(owner, instr(owner, ' reservation'))",
                   {std::string(owner)});
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((**store->series("s").value).inDoubt.size() < 3 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const SeriesStatus doubt = **store->series("s").value;
    ASSERT_EQ(doubt.inDoubt.size(), 3u);
    EXPECT_EQ(doubt.reserved, 0);
    EXPECT_EQ(reserveOk(*store, "s")[0], 103);
    ASSERT_TRUE(store->settle("s", 0, Settlement::Written).ok());
    ASSERT_TRUE(store->settle("s", 1, Settlement::GivenBack).ok());
    ASSERT_TRUE(store->settle("s", 2, Settlement::Scrapped).ok());
    EXPECT_FALSE(store->settle("s", 2, Settlement::GivenBack).ok()) << "settled twice";
    EXPECT_EQ(reserveOk(*store, "s")[0], 101);
    EXPECT_EQ(reserveOk(*store, "s")[0], 104);
    const SeriesStatus settled = **store->series("s").value;
    EXPECT_TRUE(settled.inDoubt.empty());
    EXPECT_EQ(settled.written, 1);
    EXPECT_EQ(settled.scrapped, 1);
}

// A database that runs `before` ahead of each statement. Joined, it has no
// transactions of its own: its statements go into the one already open on
// the connection.
class Interleaved final : public Database {
public:
    Interleaved(Database& db, bool joined) : db_(db), joined_(joined) {}
    Dialect dialect() const override { return db_.dialect(); }
    std::vector<Row> query(const std::string& sql, const std::vector<Value>& p) override {
        if (before)
            before(sql);
        return db_.query(sql, p);
    }
    void each(const std::string& sql, const std::vector<Value>& p,
              const std::function<bool(const Row&)>& row) override {
        db_.each(sql, p, row);
    }
    void beginWrite() override {
        if (!joined_)
            db_.beginWrite();
    }
    void commit() override {
        if (!joined_)
            db_.commit();
    }
    void rollback() noexcept override {
        if (!joined_)
            db_.rollback();
    }
    bool hasTable(const std::string& name) override { return db_.hasTable(name); }
    std::string where() const override { return db_.where(); }

    std::function<void(const std::string& sql)> before;

private:
    Database& db_;
    bool joined_;
};

// A store that has read a dead holder's slot changes it only if it is still
// as read: between this store's read and its update the slot may have been
// taken by another bench (the other bench's pager keeps it), or marked
// sending by its holder just before it went (it is in doubt, never free).
TEST_P(SeriesTest, ADeadHoldersSlotChangedSinceItWasReadIsLeftAlone) {
    ASSERT_NE(open(), nullptr);
    const std::unique_ptr<Database> db = rawDatabase(GetParam(), where_);
    auto interleaved = std::make_unique<Interleaved>(*db, false);
    Interleaved& seen = *interleaved;
    Store store(std::move(interleaved));
    // The other bench: on the server a connection of its own; SQLite lets
    // one writer in at a time, so there it comes inside this store's
    // transaction.
    Store other(GetParam() == Dialect::Postgres
                    ? rawDatabase(GetParam(), where_)
                    : std::unique_ptr<Database>(std::make_unique<Interleaved>(*db, true)));
    ASSERT_TRUE(store.createSeries(definition("s", {100}, {1})).ok());
    struct Case {
        const char* meanwhile;
        std::string readAs;
        bool taken; // by the other bench
    };
    const Case cases[] = {
        {"reserved by another bench", "reserved", true},
        {"settled, then reserved and sending at another bench", "sending", true},
        {"marked sending by its holder", "reserved", false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.meanwhile);
        Reservation dead;
        reserveOk(store, "s", &dead);
        ASSERT_TRUE(store.giveBack(dead).ok());
        // Its holder has gone without a word: no process of that name, no
        // session holding the slot's lock.
        db->exec("UPDATE pagers SET state = ?, owner = 'gone' WHERE id = ?", {k.readAs, dead.id});
        Reservation taken;
        bool acted = false;
        seen.before = [&](const std::string& sql) {
            if (acted || !sql.starts_with("UPDATE pagers"))
                return;
            acted = true;
            if (!k.taken) {
                db->exec("UPDATE pagers SET state = 'sending' WHERE id = ?", {dead.id});
                return;
            }
            if (k.readAs == "sending") {
                ASSERT_TRUE(other.settle("s", dead.slot, Settlement::GivenBack).ok());
            }
            reserveOk(other, "s", &taken);
            if (k.readAs == "sending") {
                ASSERT_TRUE(other.sending(taken).ok());
            }
        };
        ASSERT_TRUE(store.series("s").ok());
        seen.before = nullptr;
        ASSERT_TRUE(acted) << "the dead holder's slot was not looked at";
        const SeriesStatus s = **store.series("s").value;
        if (k.taken) {
            EXPECT_EQ(taken.slot, dead.slot);
            EXPECT_EQ(s.reserved, 1);
            EXPECT_TRUE(s.inDoubt.empty());
            const Status confirmed = other.confirm(taken);
            ASSERT_TRUE(confirmed.ok()) << confirmed.failure.message;
        } else {
            EXPECT_EQ(s.reserved, 0);
            ASSERT_EQ(s.inDoubt.size(), 1u);
            ASSERT_TRUE(store.settle("s", dead.slot, Settlement::Scrapped).ok());
        }
    }
}

// The confirm is the row; letting go of the slot's lock afterwards cannot
// undo it, so a connection lost then is no failed confirm.
TEST_P(SeriesTest, ACommittedConfirmIsASuccess) {
    if (GetParam() == Dialect::Sqlite)
        GTEST_SKIP() << "a SQLite slot has no lock to let go of";
    class UnlockFails final : public Database {
    public:
        explicit UnlockFails(std::unique_ptr<Database> db) : db_(std::move(db)) {}
        Dialect dialect() const override { return db_->dialect(); }
        std::vector<Row> query(const std::string& sql, const std::vector<Value>& p) override {
            if (sql.find("pg_advisory_unlock") != std::string::npos)
                throw DatabaseError("server closed the connection unexpectedly", true);
            return db_->query(sql, p);
        }
        void each(const std::string& sql, const std::vector<Value>& p,
                  const std::function<bool(const Row&)>& row) override {
            db_->each(sql, p, row);
        }
        void beginWrite() override { db_->beginWrite(); }
        void commit() override { db_->commit(); }
        void rollback() noexcept override { db_->rollback(); }
        bool hasTable(const std::string& name) override { return db_->hasTable(name); }
        std::string where() const override { return db_->where(); }

    private:
        std::unique_ptr<Database> db_;
    };
    ASSERT_NE(open(), nullptr);
    Store store(std::make_unique<UnlockFails>(rawDatabase(GetParam(), where_)));
    ASSERT_TRUE(store.createSeries(definition("s", {100}, {1})).ok());
    Reservation r;
    reserveOk(store, "s", &r);
    const Status confirmed = store.confirm(r);
    EXPECT_TRUE(confirmed.ok()) << confirmed.failure.message;
    EXPECT_EQ((**store.series("s").value).written, 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, SeriesTest,
                         ::testing::Values(Dialect::Sqlite, Dialect::Postgres), dialectName);

} // namespace
} // namespace ccp::store
