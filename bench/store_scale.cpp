// The production store at a carrier's scale: stores of 10^3, 10^5 and 10^6
// records, and series of 10^3 and 10^6 pagers, on SQLite and on a throwaway
// PostgreSQL server; for each size the time of every single-pager operation
// (the median of repeated runs) and the time and peak memory of printing
// every row through capcode-tool. Then the same queries from outside, through
// capcode-tool, on stores that took in a pending JSON-lines file of 10^3 and
// of 2*10^5 records. What matters are the ratios: an operation should cost
// the same at any size, and printing every row the same per row.
//
//   store_scale [--quick]    (--quick: 10^5 instead of 10^6)
#include "store/database.h"
#include "store/postgres_database.h"
#include "store/sqlite_database.h"
#include "store/store.h"
#include "support/postgres_server.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace ccp::store;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 15;
constexpr std::int64_t kFirstRecordCapcode = 300000;
constexpr std::int64_t kFirstPagerCapcode = 100000;
// Records are 10 s apart, the newest now: the last hour holds 360 of them at
// every size.
constexpr std::int64_t kSpacing = 10;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double median(const std::function<void()>& run) {
    std::vector<double> times;
    for (int r = 0; r < kRuns; ++r) {
        const auto start = Clock::now();
        run();
        times.push_back(seconds(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string utc(std::int64_t instant) {
    const std::time_t t = instant;
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

struct Child {
    double seconds = 0;
    long peakKiB = 0;
    int status = -1;
};

// capcode-tool with `args`, its output to /dev/null, `env` added.
Child tool(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    std::vector<std::string> argvText = {CCP_TOOL_PATH};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvText)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envText;
    for (char** e = environ; *e != nullptr; ++e)
        envText.emplace_back(*e);
    envText.insert(envText.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (std::string& e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    Child child;
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        child.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        child.peakKiB = usage.ru_maxrss;
    }
    child.seconds = seconds(Clock::now() - start);
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

double toolMedian(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    std::vector<double> times;
    for (int r = 0; r < 5; ++r)
        times.push_back(tool(args, env).seconds);
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::unique_ptr<Database> raw(Dialect dialect, const std::string& where) {
    if (dialect == Dialect::Sqlite)
        return std::make_unique<SqliteDatabase>(where);
    return std::make_unique<PostgresDatabase>(where);
}

// `records` records of series "scale" and a series "scale" of `pagers`
// written pagers, made by the engine itself in a few statements.
void fill(const std::string& where, Dialect dialect, std::int64_t records, std::int64_t pagers) {
    {
        auto opened = Store::open(where);
        SeriesDefinition d;
        d.name = "scale";
        d.platform = 6;
        d.image = {1, 2, 3};
        d.first = {kFirstPagerCapcode, 2004008, 0, 0, 0, 0, 0, 0};
        d.steps = {1, 0, 0, 0, 0, 0, 0, 0};
        (*opened.value)->createSeries(d);
    }
    std::unique_ptr<Database> db = raw(dialect, where);
    const std::int64_t newest = std::time(nullptr);
    const std::string t0 = std::to_string(newest - records * kSpacing);
    const bool lite = dialect == Dialect::Sqlite;
    // The numbers 0 to n - 1, as a table of one column i.
    auto numbersTo = [lite](std::int64_t n) {
        return lite ? "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE "
                      "i + 1 < " +
                          std::to_string(n) + ") "
                    : std::string();
    };
    auto from = [&](std::int64_t n) {
        return lite ? std::string(" FROM n")
                    : " FROM generate_series(0, " + std::to_string(n - 1) + ") AS i";
    };
    const std::string instant = t0 + " + i * " + std::to_string(kSpacing);
    const std::string time = lite ? "strftime('%Y-%m-%dT%H:%M:%SZ', " + instant + ", 'unixepoch')"
                                  : "to_char(to_timestamp(" + instant +
                                        ") AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"')";
    const std::string capcode = "(" + std::to_string(kFirstRecordCapcode) + " + i)";
    db->beginWrite();
    db->exec(numbersTo(records) +
             "INSERT INTO records (uid, time, instant, series, serial, capcodes, result, line) "
             "SELECT 'b' || i, " +
             time + ", " + instant + ", 'scale', 'S' || i, ' ' || " + capcode +
             " || ' 2004008 ', 'Verify OK !', '{\"id\":\"b' || i || '\",\"time\":\"' || " + time +
             " || '\",\"serial\":\"S' || i || '\",\"capcodes\":[{\"capcode\":\"' || " + capcode +
             " || '\",\"enabled\":true},{\"capcode\":\"2004008\",\"enabled\":true}],\"result\":"
             "\"Verify OK !\",\"series\":\"scale\"}'" +
             from(records));
    db->exec("INSERT INTO record_capcodes (capcode, record_id) SELECT " +
             std::to_string(kFirstRecordCapcode) +
             " + CAST(substr(uid, 2) AS BIGINT), id FROM records WHERE uid LIKE 'b%'");
    db->exec("INSERT INTO record_capcodes (capcode, record_id) SELECT 2004008, id FROM records "
             "WHERE uid LIKE 'b%'");
    const std::string series = "(SELECT id FROM series WHERE name = 'scale')";
    const std::string pagerNumbers = numbersTo(pagers);
    db->exec(pagerNumbers + "INSERT INTO pagers (series_id, slot, capcodes, state) SELECT " +
             series + ", i, (" + std::to_string(kFirstPagerCapcode) +
             " + i) || ' 2004008 0 0 0 0 0 0', 'written'" + from(pagers));
    db->exec(pagerNumbers + "INSERT INTO issued (series_id, capcode, slot) SELECT " + series +
             ", " + std::to_string(kFirstPagerCapcode) + " + i, i" + from(pagers));
    db->exec("UPDATE series SET written = " + std::to_string(pagers) + " WHERE name = 'scale'");
    db->commit();
    // The engine's statistics, and on the server the table vacuumed now
    // rather than by autovacuum in the middle of the measurements.
    db->exec(lite ? "ANALYZE" : "VACUUM ANALYZE");
}

struct Figures {
    std::string label;
    double reserve = 0, capcode = 0, serial = 0, since = 0, show = 0, all = 0;
    long allKiB = 0;
    std::int64_t records = 0;
};

Figures measure(const std::string& label, const std::string& where, std::int64_t records) {
    Figures row{label};
    row.records = records;
    auto opened = Store::open(where);
    Store& store = **opened.value;
    row.reserve = median([&] {
        Reservation r = *store.reserve("scale").value;
        (void)store.sending(r);
        (void)store.confirm(r);
    });
    auto count = [&](const RecordQuery& q) {
        std::int64_t n = 0;
        (void)store.eachRecord(q, [&n](const Record&) {
            ++n;
            return true;
        });
        return n;
    };
    // Ten records spread over the store per run, so that no one page of an
    // index decides the figure.
    row.capcode = median([&] {
        for (std::int64_t k = 0; k < 10; ++k)
            count({.capcode = kFirstRecordCapcode + records * k / 10});
    }) / 10;
    row.serial = median([&] {
        for (std::int64_t k = 0; k < 10; ++k)
            count({.serial = std::string("S").append(std::to_string(records * k / 10))});
    }) / 10;
    const std::string hourAgo = utc(std::time(nullptr) - 3600);
    row.since = median([&] { count({.since = hourAgo}); });
    row.show = median([&] { (void)store.series("scale"); });
    const Child all = tool({"record", "--jsonl", "--db", where});
    row.all = all.seconds;
    row.allKiB = all.peakKiB;
    return row;
}

void print(const std::vector<Figures>& rows) {
    std::printf("%-22s %10s %10s %10s %10s %10s %12s %9s\n", "store", "reserve+", "--capcode",
                "--serial", "--since", "series", "all rows", "peak");
    std::printf("%-22s %10s %10s %10s %10s %10s %12s %9s\n", "", "confirm ms", "ms", "ms",
                "1 h, ms", "show ms", "us per row", "MB");
    for (const Figures& r : rows)
        std::printf("%-22s %10.2f %10.2f %10.2f %10.2f %10.2f %12.2f %9.1f\n", r.label.c_str(),
                    r.reserve * 1e3, r.capcode * 1e3, r.serial * 1e3, r.since * 1e3, r.show * 1e3,
                    r.all / static_cast<double>(r.records) * 1e6, r.allKiB / 1024.0);
    const Figures& small = rows.front();
    const Figures& large = rows.back();
    std::printf("%-22s %10.2f %10.2f %10.2f %10.2f %10.2f %12.2f\n",
                ("ratio, " + large.label.substr(0, large.label.find(' '))).c_str(),
                large.reserve / small.reserve, large.capcode / small.capcode,
                large.serial / small.serial, large.since / small.since, large.show / small.show,
                (large.all / large.records) / (rows[1].all / rows[1].records));
}

// A pending JSON-lines file of `n` records taken in by a store of its own;
// then the queries through the tool.
void fromOutside(const std::string& folder, const std::vector<std::int64_t>& sizes) {
    std::printf("\nFrom outside: capcode-tool on a store that took in a pending file "
                "(SQLite, ms per run incl. start)\n");
    std::printf("%-10s %10s %10s %10s %10s %10s %9s\n", "records", "take in s", "--capcode",
                "--serial", "--since", "all rows s", "peak MB");
    for (const std::int64_t n : sizes) {
        const std::string data = folder + "/outside" + std::to_string(n);
        std::filesystem::create_directories(data + "/capcode-programmer");
        const std::int64_t newest = std::time(nullptr);
        {
            std::ofstream out(data + "/capcode-programmer/production.jsonl");
            for (std::int64_t i = 0; i < n; ++i) {
                const std::string time = utc(newest - (n - i) * kSpacing);
                out << "{\"id\":\"o" << i << "\",\"time\":\"" << time << "\",\"serial\":\"S" << i
                    << "\",\"capcodes\":[{\"capcode\":\"" << kFirstRecordCapcode + i
                    << "\",\"enabled\":true}],\"result\":\"Verify OK !\"}\n";
            }
        }
        const std::vector<std::string> env = {"XDG_DATA_HOME=" + data};
        const Child taken = tool({"record", "--serial", "none"}, env);
        const std::string minutes = utc(newest - 600);
        std::printf(
            "%-10lld %10.2f %10.1f %10.1f %10.1f", static_cast<long long>(n), taken.seconds,
            1e3 * toolMedian({"record", "--capcode", std::to_string(kFirstRecordCapcode + n / 2)},
                             env),
            1e3 * toolMedian({"record", "--serial", "S" + std::to_string(n / 2)}, env),
            1e3 * toolMedian({"record", "--since", minutes}, env));
        const Child all = tool({"record", "--jsonl"}, env);
        std::printf(" %10.2f %9.1f\n", all.seconds, all.peakKiB / 1024.0);
    }
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
    const std::int64_t large = quick ? 100000 : 1000000;
    const std::string folder =
        std::filesystem::temp_directory_path() / ("ccp-store-scale-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    ccp::testing::PostgresServer& server = ccp::testing::PostgresServer::instance();
    for (const Dialect dialect : {Dialect::Sqlite, Dialect::Postgres}) {
        const bool lite = dialect == Dialect::Sqlite;
        if (!lite && !server.running()) {
            std::printf("\nPostgreSQL: no server (%s)\n", server.failure().c_str());
            continue;
        }
        std::printf("\n%s\n", lite ? "SQLite" : "PostgreSQL");
        std::vector<Figures> rows;
        for (const auto& [records, pagers] : std::vector<std::pair<std::int64_t, std::int64_t>>{
                 {1000, 1000}, {large / 10, 1000}, {large, large}}) {
            const std::string where =
                lite ? folder + "/s" + std::to_string(records) + ".db" : server.freshDatabase();
            const auto start = Clock::now();
            fill(where, dialect, records, pagers);
            const double made = seconds(Clock::now() - start);
            rows.push_back(
                measure(std::to_string(records) + " rec / " + std::to_string(pagers) + " pg", where,
                        records));
            std::fprintf(stderr, "  made %lld records in %.1f s\n", static_cast<long long>(records),
                         made);
        }
        print(rows);
    }
    fromOutside(folder, {1000, quick ? 20000 : 200000});
    std::filesystem::remove_all(folder);
    return 0;
}
