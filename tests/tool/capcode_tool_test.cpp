// The built program run as a child process: images it makes load back in the
// window's code, what it refuses leaves no file, file failures give status 1,
// the JSON document is complete, and diff names settings and bytes.
#include "model/checksum.h"
#include "model/folder_slots.h"
#include "support/form_fixture.h"
#include "support/temp_dir.h"
#include "tool/tool_process.h"

#include <algorithm>
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

using Args = std::vector<std::string>;

Args withSettings(Args args, const std::vector<std::string>& settings) {
    for (const std::string& setting : settings) {
        args.push_back("--set");
        args.push_back(setting);
    }
    return args;
}

class CapcodeTool : public ::testing::Test {
protected:
    // An image made by the tool on `platform` from `settings`.
    std::string make(const std::string& name, int platform,
                     const std::vector<std::string>& settings) {
        const std::string file = dir.file(name);
        const testing::ToolResult run = runTool(withSettings(
            {"--profile", "1", "--platform", std::to_string(platform), "--save", file}, settings));
        EXPECT_EQ(run.status, 0) << run.err;
        return file;
    }

    TempDir dir;
};

class MadeImage : public CapcodeTool, public ::testing::WithParamInterface<int> {};

TEST_P(MadeImage, LoadsBackInTheWindowWithTheSameSettings) {
    const int platform = GetParam();
    const std::string file = make("made.eep", platform,
                                  {"address1=1234567", "msgtype1=Public", "alerttime=16 sec",
                                   "hellomsg1=Grüße!", "tonepatternA=ab1", "channelfreq=4591250",
                                   "language=GERMAN", "unread_alert=0", "pubboxlength0=12"});
    const std::size_t expectedSize = platform < 2 ? 560 : platform < 5 ? 307 : 512;
    EXPECT_EQ(std::filesystem::file_size(file), expectedSize);

    testing::FormRig rig;
    app::TForm1& form = rig.start(1);
    while (form.HardwarePlatform != platform)
        form.N5003T6K041Click();
    ASSERT_TRUE(form.imageFiles.load(file)) << form.Memo1.lines().back();
    EXPECT_EQ(form.address[0].text(), "1234567");
    EXPECT_EQ(form.msgtype[0].text(), "Public");
    EXPECT_EQ(form.alerttime.text(), "16 sec");
    EXPECT_EQ(form.hellomsg1.text(), "Gr\xFC\xDF"
                                     "e!        ")
        << "Latin-1, padded on leaving";
    EXPECT_EQ(form.tonepatternA.text(), "AB10") << "upper-cased by the filter, padded on leaving";
    EXPECT_EQ(form.channelfreq.text(), "459.12500") << "the separator came from the key filter";
    EXPECT_EQ(form.language.text(), "GERMAN");
    EXPECT_FALSE(form.unread_alert.checked());
    EXPECT_EQ(form.pubboxlength[0].text(), "12");
}

INSTANTIATE_TEST_SUITE_P(Platforms, MadeImage, ::testing::Values(0, 3, 6));

struct Refusal {
    const char* label;
    Args args;
    const char* control;
    const char* reason;
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.label;
}

class RefusedRun : public CapcodeTool, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedRun, GivesStatusTwoAMessageNamingTheControlAndNoFile) {
    const Refusal& refusal = GetParam();
    const std::string file = dir.file("refused.eep");
    Args args = refusal.args;
    args.insert(args.end(), {"--set", "address2=0000016", "--save", file});
    const testing::ToolResult run = runTool(args);
    EXPECT_EQ(run.status, 2) << run.out << run.err;
    EXPECT_THAT(run.err, HasSubstr(std::string("capcode-tool: ") + refusal.control + ": "));
    EXPECT_THAT(run.err, HasSubstr(refusal.reason));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_THAT(run.out, ::testing::Not(HasSubstr("Save data to")));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, RefusedRun,
    ::testing::Values(
        Refusal{"RejectedCharacter",
                {"--set", "address1=12x4567"},
                "address1",
                "the key filter rejects 'x' (Number Key and backspace key only)"},
        Refusal{"UnknownName", {"--set", "address9=1"}, "address9", "no control of that name"},
        Refusal{"DisabledControl", {"--set", "contrast=20"}, "contrast", "disabled"},
        Refusal{"MissingItem", {"--set", "msgtype1=Both"}, "msgtype1", "no item 'Both'"},
        Refusal{"HiddenControl",
                {"--platform", "0", "--set", "address7=0000024"},
                "address7",
                "hidden"},
        Refusal{"NotASetting", {"--set", "L_pn=1"}, "L_pn", "label"},
        Refusal{"CharacterOutsideLatin1",
                {"--set", "hellomsg1=5 \xE2\x82\xAC"},
                "hellomsg1",
                "'\xE2\x82\xAC' is not a character"},
        Refusal{"TooLong", {"--set", "address1=12345678"}, "address1", "longer than"},
        Refusal{"RuleRejectsTheValue",
                {"--set", "address1=2099999"},
                "address1",
                "Address [1] range out"},
        Refusal{"CheckBoxValue", {"--set", "ota=yes"}, "ota", "1 or 0"},
        Refusal{"PlatformItemDisabled",
                {"--profile", "4", "--platform", "2"},
                "N5003T6K041",
                "the platform stays 5"},
        Refusal{"StopsAtTheFirstRefusal",
                {"--set", "address1=1234567", "--set", "msgtype1=None", "--set", "nosuch=1"},
                "msgtype1",
                "no item"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.label); });

TEST_F(CapcodeTool, ASaveTheEncoderRefusesGivesStatusOneAndItsLogLineAndNoFile) {
    // Folders of 90 and 20 messages: a decoded image can bring a total the
    // editor's own rules would have trimmed.
    const std::string made = make("folders.eep", 6, {});
    model::EepromImage image{};
    const std::vector<unsigned char> bytes = TempDir::read(made);
    std::copy(bytes.begin(), bytes.end(), image.begin());
    std::vector<model::FolderUse> folders(model::kFolderCount, {true, 1});
    folders[0].length = 90;
    folders[1].length = 20;
    model::storeFolderSlots(image, folders);
    model::storeChecksums(image, model::layoutOf(6));
    TempDir::write(made, {image.begin(), image.end()});

    const std::string file = dir.file("refused.eep");
    const testing::ToolResult run = runTool({"--load", made, "--save", file});
    EXPECT_EQ(run.status, 1) << run.err;
    const std::vector<std::string> lines = linesOf(run.out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Save data to " + file);
    EXPECT_EQ(lines.back(), "Total number of public messages is greater than 99. Write aborted.");
    EXPECT_THAT(run.err, HasSubstr("not saved"));
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(CapcodeTool, AFileThatDoesNotLoadGivesStatusOneAndStopsTheRunBeforeTheSave) {
    const std::string made = make("good.eep", 6, {});
    std::vector<unsigned char> bytes = TempDir::read(made);
    bytes[0x10] ^= 0x01;
    TempDir::write(made, bytes);
    const std::string file = dir.file("out.eep");
    const testing::ToolResult run =
        runTool({"--load", made, "--set", "address1=1234567", "--save", file});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(linesOf(run.out).back(), "File checksum error!!!");
    EXPECT_FALSE(std::filesystem::exists(file)) << "no image from defaults after a failed load";
}

TEST_F(CapcodeTool, JsonHoldsTheWindowStateAndTheWholeImage) {
    const std::string file = make("shown.eep", 6, {"address1=1234567", "hellomsg1=Grüße"});
    const testing::ToolResult plain = runTool({"--load", file});
    const testing::ToolResult run = runTool({"--load", file, "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json doc = nlohmann::json::parse(run.out);
    EXPECT_EQ(doc["profile"], 1);
    EXPECT_EQ(doc["platform"], 6);
    EXPECT_EQ(doc["caption"], "A31/A35/A36/A37 Capcode Programmer-Customer version");
    EXPECT_EQ(doc["log"].get<std::vector<std::string>>(), linesOf(plain.out))
        << "the same lines the plain run prints";
    EXPECT_TRUE(doc["messages"].empty());

    const std::string hex = doc["eeprom"];
    ASSERT_EQ(hex.size(), 1024u);
    EXPECT_TRUE(std::all_of(hex.begin(), hex.end(),
                            [](char c) { return std::isxdigit(c) && !std::isupper(c); }));
    const std::vector<unsigned char> saved = TempDir::read(file);
    for (std::size_t i = 0; i < saved.size(); ++i)
        ASSERT_EQ(std::stoi(hex.substr(2 * i, 2), nullptr, 16), saved[i]) << "byte " << i;
    EXPECT_EQ(doc["decoder"].get<std::string>().size(), 96u);

    const nlohmann::json& controls = doc["controls"];
    EXPECT_EQ(controls["address1"]["kind"], "edit");
    EXPECT_EQ(controls["address1"]["text"], "1234567");
    EXPECT_EQ(controls["hellomsg1"]["text"], "Grüße         ") << "Latin-1 shown as UTF-8";
    EXPECT_EQ(controls["msgtype1"]["items"], nlohmann::json({"Private", "Public"}));
    EXPECT_EQ(controls["contrast"]["enabled"], false);
    EXPECT_EQ(controls["address7"]["visible"], true);
    EXPECT_EQ(controls["contrast_mask"]["checked"], true);
    EXPECT_EQ(controls["N5003T6K041"]["caption"], "A37");
}

TEST_F(CapcodeTool, DiffOfAFileWithItselfIsEmpty) {
    const std::string file = make("same.eep", 6, {"address1=1234567"});
    const testing::ToolResult run = runTool({"diff", file, file});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
}

TEST_F(CapcodeTool, DiffNamesTheCapcodeAndItsBytes) {
    // One capcode apart on the extended layout (address in the EEPROM) and on
    // platform 0 (address in the DecoderImage, after the 512 EEPROM bytes).
    for (int platform : {6, 0}) {
        const std::string a = make("a.eep", platform, {"address1=1234567"});
        const std::string b = make("b.eep", platform, {"address1=1234575"});
        const testing::ToolResult run =
            runTool({"diff", a, b, "--platform", std::to_string(platform)});
        EXPECT_EQ(run.status, 1) << run.err;
        const std::vector<std::string> lines = linesOf(run.out);
        ASSERT_GE(lines.size(), 2u) << run.out;
        EXPECT_EQ(lines[0], "address1: 1234567 -> 1234575");
        for (std::size_t i = 1; i < lines.size(); ++i)
            EXPECT_THAT(lines[i], ::testing::MatchesRegex("byte 0x[0-9A-F]{3}: [0-9A-F]{2} -> "
                                                          "[0-9A-F]{2}"));
        if (platform == 0) {
            EXPECT_THAT(lines[1], ::testing::StartsWith("byte 0x2")) << "a DecoderImage byte";
        }
    }
}

TEST_F(CapcodeTool, DiffOfAFileThatDoesNotLoadGivesStatusTwo) {
    const std::string file = make("whole.eep", 6, {});
    const std::string shorter = dir.file("short.eep");
    std::vector<unsigned char> bytes = TempDir::read(file);
    bytes.resize(100);
    TempDir::write(shorter, bytes);
    const testing::ToolResult run = runTool({"diff", file, shorter});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr(shorter + " not loaded: File size error, stop load!!!"));
}

// Repair mode opens the firmware version; a new one is typed over the old,
// so its change rule never sees an empty field.
TEST_F(CapcodeTool, RepairModeTakesANewFirmwareVersion) {
    int profilesWithTheField = 0;
    for (int profile = 0; profile <= 6; ++profile) {
        const Args start = {"--profile", std::to_string(profile), "--platform", "0", "--repair",
                            "--json"};
        const nlohmann::json before = nlohmann::json::parse(runTool(start).out);
        if (!before.contains("controls") || !before["controls"]["firmwareversion"]["enabled"])
            continue;
        ++profilesWithTheField;
        const testing::ToolResult run = runTool(withSettings(start, {"firmwareversion=2"}));
        EXPECT_EQ(run.status, 0) << "profile " << profile << ": " << run.err;
        EXPECT_EQ(nlohmann::json::parse(run.out)["controls"]["firmwareversion"]["text"], "2")
            << "profile " << profile;
    }
    EXPECT_GE(profilesWithTheField, 5);
}

TEST_F(CapcodeTool, VersionNamesTheProgram) {
    const testing::ToolResult run = runTool({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_THAT(run.out, ::testing::MatchesRegex("capcode-tool [0-9]+\\.[0-9]+\n"));
}

TEST_F(CapcodeTool, MalformedCommandLinesAreUsageErrors) {
    for (const Args& args :
         {Args{"--profile", "7"}, Args{"--set", "address1"}, Args{"--bogus"},
          Args{"diff", "only-one.eep"}, Args{"diff", "a.eep", "b.eep", "--save", "c.eep"},
          Args{"--read"}, Args{"--jig", "lpt3", "--write"}, Args{"--jig", "sim-usb:", "--read"},
          Args{"--answer", "maybe"}}) {
        const testing::ToolResult run = runTool(args);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
        EXPECT_THAT(run.err, HasSubstr("capcode-tool: "));
    }
}

} // namespace
} // namespace ccp::tool
