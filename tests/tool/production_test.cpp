// The tool on the production bench: what a write would change, and the
// production record of every write attempt.
#include "ops/sha256.h"
#include "support/temp_dir.h"
#include "tool/tool_process.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace ccp::tool {
namespace {

using testing::linesOf;
using testing::runTool;
using Json = nlohmann::json;

std::vector<Json> recordsIn(const std::string& path) {
    std::ifstream in(path);
    std::vector<Json> records;
    for (std::string line; std::getline(in, line);)
        records.push_back(Json::parse(line));
    return records;
}

// A file that differs from the pager in two settings lists those two first,
// then bytes; a pager that cannot be read is status 2 with its line.
TEST(DiffPager, ListsWhatAWriteWouldChange) {
    testing::TempDir dir;
    const std::string pager = dir.file("pager.bin");
    const std::string written = dir.file("written.eep");
    const std::string changed = dir.file("changed.eep");
    ASSERT_EQ(runTool({"--jig", "sim:" + pager, "--repair", "--write", "--save", written}).status,
              0);
    ASSERT_EQ(runTool({"--jig", "sim:" + pager, "--read", "--set", "serial=CHANGED1", "--set",
                       "hellomsg1=Other hello", "--save", changed})
                  .status,
              0);
    EXPECT_EQ(runTool({"diff", "pager", written, "--jig", "sim:" + pager}).status, 0);

    const testing::ToolResult diff = runTool({"diff", "pager", changed, "--jig", "sim:" + pager});
    EXPECT_EQ(diff.status, 1) << diff.err;
    const std::vector<std::string> shown = linesOf(diff.out);
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown[0], "serial: 00000000 -> CHANGED1") << "the pager's, then the file's";
    EXPECT_EQ(shown[1].rfind("hellomsg1: ", 0), 0u) << shown[1];
    EXPECT_NE(shown[1].find(" -> Other hello"), std::string::npos) << shown[1];
    EXPECT_EQ(shown[2].rfind("byte 0x", 0), 0u) << shown[2];

    const testing::ToolResult unread =
        runTool({"diff", "pager", written, "--jig", "sim:" + dir.file("blank.bin")});
    EXPECT_EQ(unread.status, 2);
    EXPECT_NE(unread.err.find("Pager Read error, please check the connection."), std::string::npos);
}

// Every write attempt leaves one record; a log that cannot be written is
// said once and does not stop the write.
// A series' template holds what the window shows once its settings are set,
// not only the file it loaded.
TEST(SeriesTemplate, HoldsTheSettingsSetAfterTheLoad) {
    testing::TempDir dir;
    const std::string pager = dir.file("pager.bin");
    const std::string db = dir.file("production.db");
    const std::vector<std::string> data = {"XDG_DATA_HOME=" + dir.file("data")};
    ASSERT_EQ(runTool({"--jig", "sim:" + pager, "--repair", "--write", "--save",
                       dir.file("template.eep")},
                      data)
                  .status,
              0);
    ASSERT_EQ(runTool({"series", "create", "s", "--load", dir.file("template.eep"), "--set",
                       "hellomsg1=SERIES HELLO", "--set", "autoinc1=1", "--db", db},
                      data)
                  .status,
              0);
    ASSERT_EQ(
        runTool({"--series", "s", "--jig", "sim:" + pager, "--write", "--db", db}, data).status, 0);
    const testing::ToolResult read = runTool({"--jig", "sim:" + pager, "--read", "--json"}, data);
    EXPECT_NE(read.out.find("\"text\": \"SERIES HELLO"), std::string::npos) << read.out;
}

TEST(ProductionRecord, ThroughTheOption) {
    testing::TempDir dir;
    const std::string pager = dir.file("pager.bin");
    const std::string log = dir.file("records/production.jsonl");
    EXPECT_EQ(
        runTool({"--jig", "sim:" + pager, "--repair", "--write", "--production-log", log}).status,
        0);
    EXPECT_EQ(runTool({"--jig", "sim:" + dir.file("blank.bin"), "--write", "--production-log", log})
                  .status,
              1);
    std::ifstream in(log);
    std::vector<std::string> records;
    for (std::string line; std::getline(in, line);)
        records.push_back(line);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_NE(records[0].find("\"result\":\"Verify OK !\""), std::string::npos);
    EXPECT_NE(records[1].find("\"result\":\"Pager Read error, please check the connection.\""),
              std::string::npos);

    const testing::ToolResult full =
        runTool({"--jig", "sim:" + pager, "--repair", "--write", "--production-log", "/dev/full"});
    EXPECT_EQ(full.status, 0) << full.err;
    EXPECT_EQ(linesOf(full.err).size(), 1u) << full.err;
    EXPECT_NE(full.err.find("Production log /dev/full"), std::string::npos);
}

// A series from one template, each pager on its own virtual jig: every record
// describes the pager it was made for (capcodes before they advance), as a
// read of that pager shows it. Platform 0 keeps its capcodes in the decoder,
// which the digest covers too.
TEST(ProductionRecord, DescribesThePagerWrittenNotTheNext) {
    for (const std::string platform : {"2", "0"}) {
        testing::TempDir dir;
        const std::string series = dir.file("series.eep");
        const std::string log = dir.file("production.jsonl");
        ASSERT_EQ(runTool({"--platform", platform, "--set", "address1=1234567", "--set",
                           "address2=0000100", "--save", series})
                      .status,
                  0);
        for (int n = 0; n < 3; ++n) {
            const std::string pager = dir.file("pager" + std::to_string(n));
            const testing::ToolResult write =
                runTool({"--platform", platform, "--repair", "--jig", "sim:" + pager, "--load",
                         series, "--set", "autoinc1=8", "--set", "autoinc2=1", "--set",
                         "serial=SN00000" + std::to_string(n), "--write", "--save", series,
                         "--production-log", log});
            ASSERT_EQ(write.status, 0) << write.err;
        }
        const std::vector<Json> records = recordsIn(log);
        ASSERT_EQ(records.size(), 3u);
        for (int n = 0; n < 3; ++n) {
            SCOPED_TRACE("platform " + platform + ", pager " + std::to_string(n));
            const std::string pager = dir.file("pager" + std::to_string(n));
            const testing::ToolResult read =
                runTool({"--platform", platform, "--jig", "sim:" + pager, "--read", "--json"});
            ASSERT_EQ(read.status, 0) << read.err;
            const Json controls = Json::parse(read.out)["controls"];
            const Json& record = records[static_cast<std::size_t>(n)];
            EXPECT_EQ(record["serial"], controls["serial"]["text"]);
            // The 5003 decoder has six entries: 7-8 are the window's alone.
            const std::size_t entries = platform == "0" ? 6 : 8;
            ASSERT_EQ(record["capcodes"].size(), entries);
            for (std::size_t i = 0; i < entries; ++i) {
                const std::string number = std::to_string(i + 1);
                EXPECT_EQ(record["capcodes"][i]["capcode"], controls["address" + number]["text"]);
                EXPECT_EQ(record["capcodes"][i]["enabled"],
                          controls["addr" + number + "en"]["checked"]);
            }
            EXPECT_EQ(record["capcodes"][0]["capcode"], std::to_string(1234567 + 8 * n));
            // The pager file: the EEPROM, then on platform 0 the decoder,
            // whose registers hold the capcodes.
            std::vector<unsigned char> bytes = testing::TempDir::read(pager);
            bytes.resize(platform == "0" ? 560 : 512);
            EXPECT_EQ(record["sha256"], ops::sha256Hex(bytes));
        }
    }
}

// The block B question on a pager whose decoder block is damaged: on standard
// error, in the document and in the record, with the answer given.
TEST(ProductionRecord, EveryQuestionShowsWithItsAnswer) {
    testing::TempDir dir;
    const std::string damaged = dir.file("damaged");
    const std::vector<std::string> onBench = {"--profile", "2", "--platform", "3", "--jig"};
    auto run = [&](const std::string& pager, std::vector<std::string> args) {
        args.insert(args.begin(), onBench.begin(), onBench.end());
        args.insert(args.begin() + static_cast<std::ptrdiff_t>(onBench.size()), "sim:" + pager);
        return runTool(args);
    };
    ASSERT_EQ(run(damaged, {"--repair", "--write"}).status, 0);
    std::vector<unsigned char> bytes = testing::TempDir::read(damaged);
    bytes[300] ^= 0x01; // inside block B (256-305), outside block A
    testing::TempDir::write(damaged, bytes);

    for (const std::string answer : {"yes", "no"}) {
        SCOPED_TRACE(answer);
        const std::string pager = dir.file("pager-" + answer);
        const std::string log = dir.file("log-" + answer);
        std::filesystem::copy_file(damaged, pager);
        const testing::ToolResult write =
            run(pager, {"--answer", answer, "--write", "--json", "--production-log", log});
        EXPECT_EQ(write.status, answer == "yes" ? 0 : 1) << write.err;
        EXPECT_NE(write.err.find("question: Checksum error! / Continue to repair the unit? -> " +
                                 answer + "\n"),
                  std::string::npos)
            << write.err;
        const Json asked = Json::array({{{"caption", "Checksum error!"},
                                         {"text", "Continue to repair the unit?"},
                                         {"answer", answer}}});
        EXPECT_EQ(Json::parse(write.out)["questions"], asked);
        const std::vector<Json> records = recordsIn(log);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].value("questions", Json()), asked);
    }
}

} // namespace
} // namespace ccp::tool
