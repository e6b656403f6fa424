#include "ops/production_log.h"
#include "ops/sha256.h"
#include "support/pager_rig.h"
#include "support/temp_dir.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace ccp::ops {
namespace {

TEST(Sha256, KnownDigests) {
    const std::string abc = "abc";
    EXPECT_EQ(sha256Hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256Hex({reinterpret_cast<const std::uint8_t*>(abc.data()), abc.size()}),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::vector<std::uint8_t> block(64, 'a'); // the padding spills into a second block
    EXPECT_EQ(sha256Hex(block), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
}

std::vector<std::string> linesOf(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Three writes, the second failing: three records with their results, one
// per line, in a folder the log made itself.
TEST(ProductionLog, EveryWriteAttemptLeavesOneRecord) {
    testing::TempDir dir;
    const std::string path = dir.file("logs/bench/production.jsonl");
    testing::PagerRig rig;
    app::TForm1& window = rig.startWithPagerImage(5, 6);
    ProductionLog log(path, [](const std::string&) { FAIL() << "the log was writable"; });
    window.pagerOperations.setProductionLog(&log);
    window.serial.setText("SN\"0001\xE9");

    ASSERT_TRUE(window.pagerOperations.WriteToPagerClick());
    rig.eeprom->setAbsent(true);
    EXPECT_FALSE(window.pagerOperations.WriteToPagerClick());
    rig.eeprom->setAbsent(false);
    ASSERT_TRUE(window.pagerOperations.WriteToPagerClick());

    const std::vector<std::string> lines = linesOf(path);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("\"result\":\"Verify OK !\""), std::string::npos);
    EXPECT_NE(lines[1].find("\"result\":\"Hardware error, please check connection or a Rohs "
                            "mode or not!\""),
              std::string::npos);
    EXPECT_NE(lines[0].find("\"jig\":\"LPT1\",\"profile\":5,\"platform\":6"), std::string::npos);
    EXPECT_NE(lines[0].find("\"serial\":\"SN\\\"0001\xC3\xA9\""), std::string::npos)
        << "quotes escaped, Latin-1 as UTF-8";
    EXPECT_NE(lines[2].find("\"sha256\":\"" + sha256Hex(window.EepromImage) + "\""),
              std::string::npos);
    EXPECT_EQ(lines[0].back(), '}');
    // Each record's own identity comes first: 128 random bits in hex.
    std::set<std::string> ids;
    for (const std::string& line : lines) {
        EXPECT_THAT(line, ::testing::MatchesRegex("\\{\"id\":\"[0-9a-f]{32}\",\"time\":\"20.*"));
        ids.insert(line.substr(7, 32));
    }
    EXPECT_EQ(ids.size(), lines.size());
}

// A series name comes from the command line as UTF-8: what would not come
// back whole from a record's JSON line is named, with where it is.
TEST(ProductionLog, TextFaultsOfASeriesName) {
    const std::pair<std::string, std::string> cases[] = {
        {"north-2027", ""},
        {"Nord-S\xC3\xBC"
         "d \xE2\x82\xAC \xF0\x9F\x93\x9F",
         ""},
        {"a\tb", "has a control character (0x09) at position 2"},
        {"\xC3\xA9\xC3\xA9\x1B", "has a control character (0x1b) at position 3"},
        {"del\x7F", "has a control character (0x7f) at position 4"},
        {"nord\xE9", "is not valid UTF-8 at byte 5"},          // Latin-1
        {"ab\xC3", "is not valid UTF-8 at byte 3"},            // cut short
        {"ab\xC0\xAF", "is not valid UTF-8 at byte 3"},        // overlong '/'
        {"\xED\xA0\x80", "is not valid UTF-8 at byte 1"},      // a surrogate
        {"x\xF4\x90\x80\x80", "is not valid UTF-8 at byte 2"}, // past U+10FFFF
        {"\xE2\x82", "is not valid UTF-8 at byte 1"},
        {"\x80", "is not valid UTF-8 at byte 1"},
    };
    for (const auto& [text, fault] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(utf8TextFault(text).value_or(""), fault);
    }
}

// A log that cannot be written is said once and stops no write.
TEST(ProductionLog, AnUnwritableLogIsReportedOnce) {
    testing::PagerRig rig;
    app::TForm1& window = rig.startWithPagerImage(5, 6);
    std::vector<std::string> complaints;
    ProductionLog log("/dev/full", [&](const std::string& why) { complaints.push_back(why); });
    window.pagerOperations.setProductionLog(&log);
    EXPECT_TRUE(window.pagerOperations.WriteToPagerClick());
    EXPECT_TRUE(window.pagerOperations.WriteToPagerClick());
    ASSERT_EQ(complaints.size(), 1u);
    EXPECT_NE(complaints[0].find("/dev/full"), std::string::npos);
}

} // namespace
} // namespace ccp::ops
