// The tool on the production bench: what a write would change, and the
// production record of every write attempt.
#include "support/temp_dir.h"
#include "tool/tool_process.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ccp::tool {
namespace {

using testing::linesOf;
using testing::runTool;

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
    EXPECT_EQ(shown[0], "serial: CHANGED1 -> 00000000");
    EXPECT_EQ(shown[1].rfind("hellomsg1: Other hello", 0), 0u) << shown[1];
    EXPECT_EQ(shown[2].rfind("byte 0x", 0), 0u) << shown[2];

    const testing::ToolResult unread =
        runTool({"diff", "pager", written, "--jig", "sim:" + dir.file("blank.bin")});
    EXPECT_EQ(unread.status, 2);
    EXPECT_NE(unread.err.find("Pager Read error, please check the connection."), std::string::npos);
}

// Every write attempt leaves one record; a log that cannot be written is
// said once and does not stop the write.
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

} // namespace
} // namespace ccp::tool
