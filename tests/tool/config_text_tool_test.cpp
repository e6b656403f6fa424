// Configurations as text through the built program: an image goes to text
// and back to the same file, diff takes either form on either side, a text
// the window refuses gives status 2 and leaves the target file as it was, and
// the README's format table is the one the program prints.
#include "support/temp_dir.h"
#include "tool/tool_process.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>

namespace ccp::tool {
namespace {

using ::testing::HasSubstr;
using testing::runTool;
using testing::TempDir;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(ConfigTextTool, AnImageGoesToTextAndBackAndDiffTakesEitherForm) {
    TempDir dir;
    const std::string image = dir.file("customer.eep");
    const std::string text = dir.file("customer.toml");
    ASSERT_EQ(runTool({"--profile", "1", "--platform", "2", "--set", "address1=1234567", "--set",
                       "hellomsg1=Grüße", "--save", image})
                  .status,
              0);
    const testing::ToolResult exported =
        runTool({"--profile", "1", "--platform", "2", "--load", image, "--export", text});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_THAT(readAll(text), HasSubstr("hellomsg1 = \"Grüße         \"\n"));

    const std::string back = dir.file("back.eep");
    const testing::ToolResult imported = runTool({"--import", text, "--save", back});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(readAll(back), readAll(image));

    const testing::ToolResult same = runTool({"diff", image, text});
    EXPECT_EQ(same.status, 0) << same.out << same.err;
    const std::string other = dir.file("other.eep");
    ASSERT_EQ(runTool({"--import", text, "--set", "address1=1234575", "--save", other}).status, 0);
    const testing::ToolResult differs = runTool({"diff", text, other});
    EXPECT_EQ(differs.status, 1);
    EXPECT_THAT(differs.out, HasSubstr("address1: 1234567 -> 1234575\n"));
}

TEST(ConfigTextTool, ARefusedTextGivesStatus2AndLeavesTheTargetFileAsItWas) {
    struct Case {
        const char* from;
        const char* to;
        const char* message;
    };
    TempDir dir;
    const std::string text = dir.file("good.toml");
    ASSERT_EQ(runTool({"--profile", "1", "--export", text}).status, 0);
    const std::string good = readAll(text);
    for (const Case& c : {Case{"[settings]\n", "[settings]\naddress9 = \"1\"\n",
                               "line 11: address9: there is no control of that name"},
                          Case{"0x000 = \"00\"", "0x000 = \"0\"", ": 0x000: the value is bytes"},
                          Case{"format = 1", "format = 7", "line 4: format: format 7 is newer"}}) {
        std::string bad = good;
        bad.replace(bad.find(c.from), std::string(c.from).size(), c.to);
        writeAll(dir.file("bad.toml"), bad);
        const std::string target = dir.file("target.eep");
        writeAll(target, "kept as it was");
        const testing::ToolResult run =
            runTool({"--import", dir.file("bad.toml"), "--save", target});
        EXPECT_EQ(run.status, 2) << c.message;
        EXPECT_THAT(run.err, HasSubstr(c.message));
        EXPECT_EQ(readAll(target), "kept as it was") << c.message;
    }
}

TEST(ConfigTextTool, TheReadmeTableIsTheOneTheProgramPrints) {
    const testing::ToolResult printed = runTool({"--text-format", "--profile", "1"});
    ASSERT_EQ(printed.status, 0) << printed.err;
    const std::string readme = readAll(std::string(CCP_SOURCE_DIR) + "/README.md");
    const std::string begin = "<!-- capcode-tool --text-format: begin -->\n";
    const std::string end = "<!-- capcode-tool --text-format: end -->";
    const std::size_t from = readme.find(begin);
    const std::size_t to = readme.find(end);
    ASSERT_NE(from, std::string::npos);
    ASSERT_NE(to, std::string::npos);
    EXPECT_EQ(readme.substr(from + begin.size(), to - from - begin.size()), printed.out)
        << "README.md's format table differs from capcode-tool --text-format --profile 1";
}

} // namespace
} // namespace ccp::tool
