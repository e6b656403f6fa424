// The record in the store: a row the store cannot take is said once and kept
// in the pending JSON-lines file, which the store takes in when it is opened.
#include "ops/stored_records.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace ccp::ops {
namespace {

TEST(StoredRecords, WhatTheStoreCannotTakeWaitsInThePendingFile) {
    testing::TempDir dir;
    const std::string pending = dir.file("data/production.jsonl");
    const std::string db = dir.file("data/production.db");
    ProductionLog file(dir.file("copy.jsonl"), {});
    std::vector<std::string> complaints;
    StoredRecords records(nullptr, "store /nowhere: unable to open", file, pending,
                          [&](const std::string& why) { complaints.push_back(why); });
    records.setSeries("north");
    WriteRecord r;
    r.time = "2026-01-01T00:00:00Z";
    r.serial = "S1";
    r.capcodes[0] = "2004000";
    r.result = "Verify OK !";
    records.append(r);
    r.serial = "S2";
    records.append(r);
    ASSERT_EQ(complaints.size(), 1u);
    EXPECT_EQ(complaints[0], "Production record not stored: store /nowhere: unable to open; it "
                             "is kept in " +
                                 pending + " until the store takes it");
    EXPECT_FALSE(records.allStored());

    auto opened = openProductionStore(db, pending);
    ASSERT_TRUE(opened.ok()) << opened.failure.message;
    store::Store& store = **opened.value;
    const std::vector<store::Record> taken = *store.records({.series = "north"}).value;
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[1].serial, "S2");
    EXPECT_EQ(taken[1].line.substr(taken[1].line.size() - 18), ",\"series\":\"north\"}");
    // The run's own file has the same lines; opening again takes nothing twice.
    EXPECT_EQ(testing::TempDir::read(dir.file("copy.jsonl")), testing::TempDir::read(pending));
    EXPECT_EQ((*openProductionStore(db, pending).value)->records({}).value->size(), 2u);

    records.setStore(&store, {});
    r.serial = "S3";
    records.append(r);
    EXPECT_EQ(store.records({.serial = "S3"}).value->size(), 1u);
    EXPECT_EQ(complaints.size(), 1u);
}

// A series name goes into the line as it is, UTF-8, its control characters
// escaped; any byte that is not UTF-8 leaves the line JSON all the same.
TEST(StoredRecords, TheSeriesNameKeepsTheLineJson) {
    const std::string line = R"({"serial":"S1"})";
    for (const std::string name : {"Nord-S\xC3\xBC"
                                   "d",
                                   "a\"b\\c", "tab\there\x01\x7F"}) {
        SCOPED_TRACE(name);
        const nlohmann::json json = nlohmann::json::parse(withSeries(line, name), nullptr, false);
        ASSERT_TRUE(json.is_object());
        EXPECT_EQ(json.value("series", ""), name);
        EXPECT_EQ(json.value("serial", ""), "S1");
    }
    const nlohmann::json latin1 =
        nlohmann::json::parse(withSeries(line, "nord\xE9"), nullptr, false);
    EXPECT_EQ(latin1.value("series", ""), "nord\xEF\xBF\xBD");
}

// The window opens the store when its first record comes, once, and takes in
// what waited in the pending file then; a store that will not open is said
// as at start-up.
TEST(StoredRecords, TheStoreOpensWhenTheFirstRecordComes) {
    testing::TempDir dir;
    const std::string pending = dir.file("production.jsonl");
    ProductionLog file({}, {});
    ProductionLog(pending, {}).appendLine(R"({"serial":"S0","result":"Verify OK !"})");
    for (const bool opens : {true, false}) {
        SCOPED_TRACE(opens);
        const std::string db = opens ? dir.file("production.db") : pending + "/x.db";
        std::vector<std::string> complaints;
        StoredRecords records(nullptr, {}, file, pending,
                              [&](const std::string& why) { complaints.push_back(why); });
        int opened = 0;
        records.openWhenFirstNeeded([&] {
            ++opened;
            return openProductionStore(db, pending);
        });
        EXPECT_EQ(opened, 0);
        WriteRecord r;
        r.serial = "S1";
        records.append(r);
        r.serial = "S2";
        records.append(r);
        EXPECT_EQ(opened, 1);
        EXPECT_EQ(records.allStored(), opens);
        EXPECT_EQ(complaints.size(), opens ? 0u : 1u);
    }
    auto store = openProductionStore(dir.file("production.db"), {});
    EXPECT_EQ(store.value->get()->records({}).value->size(), 3u);
}

} // namespace
} // namespace ccp::ops
