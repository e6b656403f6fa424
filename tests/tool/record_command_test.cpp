// The record and series subcommands: --since as an instant compared with the
// records' UTC times, main options written before a subcommand, and series
// names that a record can carry.
#include "store/store.h"
#include "support/temp_dir.h"
#include "tool/record_command.h"
#include "tool/tool_process.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace ccp::tool {
namespace {

using ::testing::HasSubstr;
using testing::linesOf;
using testing::runTool;
using testing::TempDir;

struct SinceCase {
    std::string text;
    std::string utc; // empty: refused
};

TEST(RecordSince, IsAnInstantInTheRecordsUtcForm) {
    const SinceCase cases[] = {
        {"2026-12-08", "2026-12-08T00:00:00Z"},
        {"2026-12-08T14:05Z", "2026-12-08T14:05:00Z"},
        {"2026-12-08T14:05:09Z", "2026-12-08T14:05:09Z"},
        {"2026-12-08T15:05:09+01:00", "2026-12-08T14:05:09Z"},
        {"2026-12-08T09:35:09-0430", "2026-12-08T14:05:09Z"},
        // Across a day, a month and a year, both ways.
        {"2026-12-09T00:30:00+01:00", "2026-12-08T23:30:00Z"},
        {"2026-12-31T23:30:00-01:00", "2027-01-01T00:30:00Z"},
        {"2024-03-01T00:00:00+00:01", "2024-02-29T23:59:00Z"},
        // At or after: a fraction moves to the next whole second, zeros do not.
        {"2026-12-08T14:05:09.000Z", "2026-12-08T14:05:09Z"},
        {"2026-12-08T14:05:09.001Z", "2026-12-08T14:05:10Z"},
        {"2026-12-08T23:59:59,5Z", "2026-12-09T00:00:00Z"},
        {"2000-02-29", "2000-02-29T00:00:00Z"},
        // Refused: no zone, impossible dates and times, other forms.
        {"2026-12-08T14:05:09", ""},
        {"2026-12-08T14:05", ""},
        {"2026-02-30", ""},
        {"2026-02-29", ""},
        {"1900-02-29", ""},
        {"2026-13-01", ""},
        {"2026-00-10", ""},
        {"2026-12-08T24:00Z", ""},
        {"2026-12-08T14:60Z", ""},
        {"2026-12-08T14:05:60Z", ""},
        {"2026-12-08T14:05:09.Z", ""},
        {"2026-12-08T14:05:09+1", ""},
        {"2026-12-08T14:05:09+01:60", ""},
        {"2026-12-08T14:05:09Zjunk", ""},
        {"2026-12-08 14:05:09Z", ""},
        {"2026-1-8", ""},
        {"26-12-08", ""},
        {"yesterday", ""},
        {"", ""},
        {"0000-01-01T00:30:00+01:00", ""},
    };
    for (const SinceCase& c : cases) {
        SCOPED_TRACE(c.text);
        const Since since = parseSince(c.text);
        EXPECT_EQ(since.utc.value_or(""), c.utc);
        EXPECT_EQ(since.reason.empty(), since.utc.has_value());
    }
    EXPECT_THAT(parseSince("2026-12-08T14:05").reason, HasSubstr("no zone"));
    EXPECT_THAT(parseSince("2026-02-30").reason, HasSubstr("not a day of the calendar"));
}

// Records one second apart: --since keeps the one at the instant, whatever
// the zone it is written in, and not the one a second before.
TEST(RecordSince, KeepsTheRecordAtTheInstantAndNotTheSecondBefore) {
    TempDir dir;
    const std::string db = dir.file("production.db");
    {
        auto opened = store::Store::open(db);
        ASSERT_TRUE(opened.ok()) << opened.failure.message;
        for (const char* time :
             {"2026-12-08T13:59:59Z", "2026-12-08T14:00:00Z", "2026-12-08T14:00:01Z"}) {
            const std::string line = std::string(R"({"id":")") + time + R"(","time":")" + time +
                                     R"(","serial":"S","capcodes":[],"result":"Verify OK !"})";
            ASSERT_TRUE((*opened.value)->append(store::recordFromJsonLine(line)).ok());
        }
    }
    const std::pair<std::string, std::size_t> cases[] = {
        {"2026-12-08T14:00:00Z", 2}, {"2026-12-08T15:00+01:00", 2},   {"2026-12-08T13:59:59.5Z", 2},
        {"2026-12-08T13:59:59Z", 3}, {"2026-12-08T09:00:01-0500", 1}, {"2026-12-08", 3},
    };
    for (const auto& [since, count] : cases) {
        SCOPED_TRACE(since);
        const testing::ToolResult run = runTool({"record", "--since", since, "--db", db},
                                                {"XDG_DATA_HOME=" + dir.file("data")});
        ASSERT_EQ(run.status, 0) << run.err;
        const std::vector<std::string> lines = linesOf(run.out);
        ASSERT_EQ(lines.size(), count) << run.out;
        EXPECT_EQ(lines.back().rfind("2026-12-08T14:00:01Z", 0), 0u) << run.out;
    }
    const testing::ToolResult refused = runTool({"record", "--since", "2026-02-30", "--db", db});
    EXPECT_EQ(refused.status, 2);
    EXPECT_THAT(refused.err, HasSubstr("'2026-02-30' is not a day of the calendar"));
}

class SeriesCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(runTool({"--platform", "6", "--save", template_}).status, 0);
    }

    testing::ToolResult run(std::vector<std::string> args) const {
        return runTool(args, {"XDG_DATA_HOME=" + dir_.file("home")});
    }

    // The series that the store at `db` holds.
    std::vector<std::string> seriesIn(const std::string& db) const {
        auto opened = store::Store::open(db);
        EXPECT_TRUE(opened.ok()) << opened.failure.message;
        const auto all = (*opened.value)->listSeries();
        EXPECT_TRUE(all.ok()) << all.failure.message;
        std::vector<std::string> names;
        for (const store::SeriesStatus& s : all.value.value_or(std::vector<store::SeriesStatus>{}))
            names.push_back(s.definition.name);
        return names;
    }

    TempDir dir_;
    const std::string template_ = dir_.file("template.eep");
    const std::string db_ = dir_.file("line.db");
    const std::string home_ = dir_.file("home/capcode-programmer/production.db");
};

// --db before the subcommand is the store it works on; the window's other
// options there are refused, never ignored.
TEST_F(SeriesCommand, MainOptionsBeforeTheSubcommandAreTakenOrRefused) {
    const testing::ToolResult created =
        run({"--db", db_, "--platform", "6", "series", "create", "north", "--load", template_});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(seriesIn(db_), std::vector<std::string>{"north"});
    EXPECT_TRUE(seriesIn(home_).empty());
    const testing::ToolResult listed = run({"--db", db_, "series", "list"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_THAT(listed.out, HasSubstr("north: next"));
    EXPECT_EQ(run({"--db", db_, "record", "--series", "north", "--db", db_}).status, 0);
    const testing::ToolResult shown = run({"--json", "--db", db_, "series", "show", "north"});
    EXPECT_EQ(nlohmann::json::parse(shown.out, nullptr, false).value("name", ""), "north")
        << shown.out << shown.err;

    using Args = std::vector<std::string>;
    const std::pair<Args, std::string> refused[] = {
        {{"--db", db_, "record", "--db", home_}, "--db is given before record and after it"},
        {{"--platform", "3", "series", "create", "s", "--load", template_, "--platform", "6"},
         "--platform is given before series create and after it"},
        {{"--production-log", dir_.file("log"), "record"}, "--production-log does not go with"},
        {{"--profile", "2", "series", "list"}, "--profile does not go with series list"},
        {{"--json", "series", "create", "s", "--load", template_}, "--json does not go with"},
        {{"--answer", "no", "diff", template_, template_}, "--answer does not go with diff"},
        {{"--series", "north", "record"}, "--series does not go with record"},
        {{"--db", db_, "jigs"}, "--db does not go with jigs"},
        {{"--jig", "sim:" + dir_.file("a"), "series", "settle", "north", "--jig",
          "sim:" + dir_.file("b")},
         "--jig is given before series settle and after it"},
    };
    for (const auto& [args, message] : refused) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const testing::ToolResult r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_THAT(r.err, HasSubstr(message));
    }
    EXPECT_EQ(seriesIn(db_), std::vector<std::string>{"north"});
}

// A series is made once and holds the capcodes and their steps: making it
// again, or setting them on a run of it, is refused and writes nothing.
TEST_F(SeriesCommand, WhatASeriesHoldsIsNotGivenAgain) {
    ASSERT_EQ(run({"series", "create", "north", "--load", template_, "--db", db_}).status, 0);
    const std::string pager = dir_.file("pager");
    const std::string jig = "sim:" + pager;
    using Args = std::vector<std::string>;
    const std::pair<Args, std::string> refused[] = {
        {{"series", "create", "north", "--load", template_, "--db", db_},
         "series 'north' already exists"},
        {{"--series", "north", "--jig", jig, "--write", "--db", db_, "--set", "autoinc1=8"},
         "--set autoinc1: the series holds the capcodes and steps"},
        {{"--series", "north", "--jig", jig, "--write", "--db", db_, "--set", "address1=0001000"},
         "--set address1: the series holds"},
    };
    for (const auto& [args, message] : refused) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const testing::ToolResult r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_THAT(r.err, HasSubstr(message));
    }
    EXPECT_FALSE(std::filesystem::exists(pager));
}

// A name that a record could not carry whole is refused, and says where.
TEST_F(SeriesCommand, ANameWithAControlCharacterOrNotUtf8IsRefused) {
    const std::pair<std::string, std::string> names[] = {
        {"nord\xC3\xA9\n2027", "the series name has a control character (0x0a) at position 6"},
        {"north\x7f", "the series name has a control character (0x7f) at position 6"},
        {"nord\xE9", "the series name is not valid UTF-8 at byte 5"},
        {"", "the series name is empty"},
    };
    for (const auto& [name, message] : names) {
        SCOPED_TRACE(name);
        const testing::ToolResult r =
            run({"series", "create", name, "--load", template_, "--db", db_});
        EXPECT_EQ(r.status, 2);
        EXPECT_THAT(r.err, HasSubstr(message));
    }
    EXPECT_TRUE(seriesIn(db_).empty());
    EXPECT_EQ(run({"series", "create",
                   "Nord-S\xC3\xBC"
                   "d",
                   "--load", template_, "--db", db_})
                  .status,
              0);
}

} // namespace
} // namespace ccp::tool
