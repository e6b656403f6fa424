#include "tool/record_command.h"

#include "ops/production_log.h"
#include "ops/stored_records.h"
#include "tool/json_report.h"

#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdio>
#include <ostream>

namespace ccp::tool {
namespace {

constexpr std::int64_t kDay = 86400;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and
// back: eras of 400 years, each 146097 days, counted from March so that the
// leap day ends a year.
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

struct Civil {
    std::int64_t year;
    int month;
    int day;
};

Civil civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (month <= 2), month, day};
}

int daysInMonth(std::int64_t year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// Reads the text left to right; every read moves on only when it matches.
class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}
    bool done() const { return at_ == text_.size(); }
    bool take(char c) {
        if (done() || text_[at_] != c)
            return false;
        ++at_;
        return true;
    }
    bool digit() const { return !done() && text_[at_] >= '0' && text_[at_] <= '9'; }
    // Exactly `count` digits; -1 when they are not there.
    int number(int count) {
        int value = 0;
        for (int i = 0; i < count; ++i) {
            if (!digit())
                return -1;
            value = value * 10 + (text_[at_++] - '0');
        }
        return value;
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

} // namespace

Since parseSince(std::string_view text) {
    const std::string quoted = "'" + std::string(text) + "'";
    const Since refused{std::nullopt, "--since takes a date (2026-12-08) or a date and time with "
                                      "its zone (2026-12-08T14:00:00Z, 2026-12-08T15:00+01:00), "
                                      "not " +
                                          quoted};
    Cursor c(text);
    const int year = c.number(4);
    const int month = c.take('-') ? c.number(2) : -1;
    const int day = c.take('-') ? c.number(2) : -1;
    if (year < 0 || month < 0 || day < 0)
        return refused;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return {std::nullopt, "--since: " + quoted + " is not a day of the calendar"};
    std::int64_t seconds = daysFromCivil(year, month, day) * kDay;
    if (!c.done()) {
        if (!c.take('T'))
            return refused;
        const int hour = c.number(2);
        const int minute = c.take(':') ? c.number(2) : -1;
        int second = 0;
        bool fraction = false;
        if (c.take(':')) {
            second = c.number(2);
            if (c.take('.') || c.take(',')) {
                if (!c.digit())
                    return refused;
                while (c.digit())
                    fraction = c.number(1) != 0 || fraction;
            }
        }
        if (hour < 0 || minute < 0 || second < 0)
            return refused;
        if (hour > 23 || minute > 59 || second > 59)
            return {std::nullopt, "--since: " + quoted + " is not a time of day"};
        // The records' times are UTC: a time without its zone names no
        // instant.
        if (c.done())
            return {std::nullopt, "--since: " + quoted +
                                      " has no zone: end it with Z (UTC) or an offset such as "
                                      "+01:00"};
        std::int64_t offset = 0;
        if (!c.take('Z')) {
            const int sign = c.take('+') ? 1 : (c.take('-') ? -1 : 0);
            const int hours = sign != 0 ? c.number(2) : -1;
            c.take(':');
            const int minutes = hours >= 0 ? c.number(2) : -1;
            if (minutes < 0 || hours > 23 || minutes > 59)
                return refused;
            offset = sign * (hours * 3600 + minutes * 60);
        }
        seconds += hour * 3600 + minute * 60 + second - offset + (fraction ? 1 : 0);
    }
    if (!c.done())
        return refused;
    const std::int64_t days = seconds >= 0 ? seconds / kDay : (seconds - kDay + 1) / kDay;
    const std::int64_t rest = seconds - days * kDay;
    const Civil date = civilFromDays(days);
    // The store compares texts: only four-digit years order as the times do.
    if (date.year < 0 || date.year > 9999)
        return {std::nullopt, "--since: " + quoted + " is outside the years 0000-9999 in UTC"};
    char utc[80];
    std::snprintf(utc, sizeof utc, "%04d-%02d-%02dT%02d:%02d:%02dZ", static_cast<int>(date.year),
                  date.month, date.day, static_cast<int>(rest / 3600),
                  static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
    return {utc, {}};
}

void addRecordCommand(CLI::App& app, RecordOptions& o) {
    o.command = app.add_subcommand("record", "the production record: every write attempt");
    o.command->add_option("--series", o.series, "only this series' pagers")->type_name("NAME");
    o.command->add_option("--capcode", o.capcode, "only pagers that hold this capcode")
        ->check(CLI::Range(0, 2097151))
        ->type_name("C");
    o.command->add_option("--serial", o.serial, "only pagers with this serial no.")->type_name("S");
    o.command
        ->add_option("--since", o.since,
                     "only attempts at or after this instant: a date (midnight UTC), or a date "
                     "and time with Z or an offset (2026-12-08T15:00:00+01:00)")
        ->type_name("DATE");
    CLI::Option* json = o.command->add_flag("--json", o.json, "print one JSON array");
    o.command->add_flag("--jsonl", o.jsonl, "print each record's JSON line")->excludes(json);
    o.command
        ->add_option("--db", o.db,
                     "the store: a postgresql:// URL, or a SQLite file (default: "
                     "$XDG_DATA_HOME/capcode-programmer/production.db)")
        ->type_name("URL");
}

int runRecordCommand(const RecordOptions& o, std::ostream& out, std::ostream& err) {
    constexpr int kUsageError = 2;
    if (o.json && o.jsonl) {
        err << "capcode-tool: record: --json excludes --jsonl\n";
        return kUsageError;
    }
    std::optional<std::string> since;
    if (o.since) {
        Since parsed = parseSince(*o.since);
        if (!parsed.utc) {
            err << "capcode-tool: " << parsed.reason << '\n';
            return kUsageError;
        }
        since = std::move(parsed.utc);
    }
    auto opened = ops::openProductionStore(o.db, ops::defaultProductionLogPath());
    if (!opened.ok()) {
        err << "capcode-tool: " << opened.failure.message << '\n';
        return 1;
    }
    // Each row is printed as it comes, so that memory stays the same for a
    // million rows; a reader that has gone (| head) ends the query.
    std::size_t printed = 0;
    const store::Status done =
        (*opened.value)
            ->eachRecord({o.series, o.capcode, o.serial, since}, [&](const store::Record& r) {
                if (o.jsonl) {
                    out << r.line << '\n';
                } else if (o.json) {
                    Json record = Json::parse(r.line, nullptr, false);
                    if (record.is_discarded())
                        record = Json{{"line", r.line}};
                    if (!r.series.empty() && !record.contains("series"))
                        record["series"] = r.series;
                    // As one array printed whole would be: each element two
                    // spaces in.
                    std::string text = record.dump(2, ' ', false, Json::error_handler_t::replace);
                    for (std::size_t at = text.find('\n'); at != std::string::npos;
                         at = text.find('\n', at + 3))
                        text.insert(at + 1, "  ");
                    out << (printed == 0 ? "[\n  " : ",\n  ") << text;
                } else {
                    std::string capcodes;
                    for (const std::string& c : r.capcodes)
                        capcodes += (capcodes.empty() ? "" : " ") + c;
                    out << r.time << "  " << r.result << "  serial " << r.serial << "  capcodes "
                        << capcodes << (r.series.empty() ? "" : "  series " + r.series) << '\n';
                }
                ++printed;
                return static_cast<bool>(out);
            });
    if (!done.ok()) {
        err << "capcode-tool: " << done.failure.message << '\n';
        return 1;
    }
    if (o.json)
        out << (printed == 0 ? "[]\n" : "\n]\n");
    out.flush();
    return 0;
}

} // namespace ccp::tool
