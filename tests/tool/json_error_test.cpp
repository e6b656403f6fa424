// With --json the built program answers with a document whatever the run's
// outcome: a refused step or a failed file or pager step adds the reason as
// "error" beside the state as it stood, and the exit status stays its own.
#include "support/temp_dir.h"
#include "tool/tool_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace ccp::tool {
namespace {

using ::testing::HasSubstr;
using testing::runTool;
using testing::TempDir;

struct JsonCase {
    const char* label;
    std::vector<std::string> args; // "@" stands for the test's folder
    int status;
    const char* error; // nullptr: no "error" key
    bool state;        // the window's state is in the document
};

void PrintTo(const JsonCase& c, std::ostream* out) {
    *out << c.label;
}

class JsonAnswers : public ::testing::TestWithParam<JsonCase> {
protected:
    TempDir dir;
};

TEST_P(JsonAnswers, WithTheReasonAndTheStatusOfTheRun) {
    const JsonCase& c = GetParam();
    TempDir::write(dir.file("short.bin"), std::vector<unsigned char>(10, 0));
    std::vector<std::string> args = c.args;
    for (std::string& arg : args) {
        if (const std::size_t at = arg.find('@'); at != std::string::npos)
            arg.replace(at, 1, dir.file(""));
    }
    args.push_back("--json");
    const testing::ToolResult run = runTool(args);
    EXPECT_EQ(run.status, c.status) << run.err;
    const nlohmann::json doc = nlohmann::json::parse(run.out);
    if (c.error == nullptr) {
        EXPECT_FALSE(doc.contains("error")) << doc["error"];
    } else {
        EXPECT_THAT(doc.value("error", ""), HasSubstr(c.error));
        EXPECT_THAT(run.err, HasSubstr(c.error)) << "standard error keeps the reason";
    }
    EXPECT_EQ(doc.contains("controls") && doc.contains("eeprom") && doc.contains("log"), c.state);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, JsonAnswers,
    ::testing::Values(
        JsonCase{"Done", {"--set", "address1=1234567"}, 0, nullptr, true},
        JsonCase{"RefusedSetting",
                 {"--set", "address9=1"},
                 2,
                 "address9: there is no control of that name",
                 true},
        JsonCase{"FailedLoad", {"--load", "@missing.eep"}, 1, "missing.eep not loaded: ", true},
        JsonCase{"FailedRead", {"--jig", "sim:@blank.bin", "--read"}, 1, "pager not read: ", true},
        JsonCase{"RefusedPagerFile",
                 {"--jig", "sim:@short.bin", "--read"},
                 2,
                 "a pager file holds 560 bytes",
                 false},
        JsonCase{"MalformedSet", {"--set", "serial"}, 2, "--set takes NAME=VALUE", false},
        JsonCase{"UnknownJig", {"--jig", "lpt3"}, 2, "--jig takes ", false},
        JsonCase{"UnknownOption", {"--frobnicate"}, 2, "frobnicate", false}),
    [](const ::testing::TestParamInfo<JsonCase>& info) { return std::string(info.param.label); });

} // namespace
} // namespace ccp::tool
