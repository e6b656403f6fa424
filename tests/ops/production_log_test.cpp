#include "ops/production_log.h"
#include "ops/sha256.h"
#include "support/pager_rig.h"
#include "support/temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>
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
    EXPECT_EQ(lines[0].rfind("{\"time\":\"20", 0), 0u);
    EXPECT_EQ(lines[0].back(), '}');
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
