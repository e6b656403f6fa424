// Configurations as text: an image made by varied settings goes to text and
// back to the same bytes, and back to the same text, on every platform under
// every customer profile; a text the window cannot take changes nothing; a
// changed capcode changes one line.
#include "app/config_text.h"
#include "app/settings_diff.h"
#include "app/user_setting.h"
#include "support/form_fixture.h"
#include "support/settings_table.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace ccp::app {
namespace {

using namespace testing::settings_table;

// Platform steps to `platform`; false when the profile locks the item away.
bool stepTo(TForm1& form, int platform) {
    for (int step = 0; step < 7 && form.HardwarePlatform != platform; ++step) {
        if (!form.N5003T6K041.reachable())
            return false;
        form.N5003T6K041.userClick();
    }
    return form.HardwarePlatform == platform;
}

std::string writeText(const testing::TempDir& dir, const std::string& name,
                      const std::string& text) {
    const std::string path = dir.file(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class TextRoundTrip : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(TextRoundTrip, ImageToTextToImageKeepsTheBytesAndTextToImageKeepsTheText) {
    const auto [profile, platform] = GetParam();
    testing::TempDir dir;
    testing::FormRig makerRig;
    TForm1& maker = makerRig.start(profile);
    if (!stepTo(maker, platform))
        GTEST_SKIP() << "profile " << profile << " keeps the platform item locked";
    // Varied settings: the table's first values, on what the window shows.
    for (const Setting& s : kSettings) {
        const form::Control* control = maker.find(s.name);
        if ((s.layouts & layoutBit(platform)) != 0 && control != nullptr && isShown(*control))
            apply(maker, s, s.a);
    }
    const std::string image = dir.file("made.eep");
    ASSERT_TRUE(maker.imageFiles.save(image));

    testing::FormRig loadedRig;
    TForm1& loaded = loadedRig.start(profile);
    ASSERT_TRUE(stepTo(loaded, platform));
    ASSERT_TRUE(loaded.imageFiles.load(image));
    const std::string text = exportText(loaded);

    testing::FormRig importedRig;
    TForm1& imported = importedRig.start(profile);
    const TextImport result = imported.importText(writeText(dir, "made.toml", text));
    ASSERT_TRUE(result.done()) << result.reason << "\n" << text;
    EXPECT_TRUE(result.warnings.empty()) << result.warnings.front();
    EXPECT_EQ(imageFileBytes(imported), testing::TempDir::read(image)) << text;
    EXPECT_EQ(exportText(imported), text);
    for (const std::string& line : diffLines(diffWindows(loaded, imported)))
        ADD_FAILURE() << "differs from the loaded image: " << line;
}

INSTANTIATE_TEST_SUITE_P(EveryProfileAndPlatform, TextRoundTrip,
                         ::testing::Combine(::testing::Range(0, 7), ::testing::Range(0, 7)));

// The line of `text` that starts with `start`, counted from 1.
int lineStarting(const std::string& text, const std::string& start) {
    const std::vector<std::string> lines = linesOf(text);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].starts_with(start))
            return static_cast<int>(i) + 1;
    return 0;
}

std::string replaced(std::string text, const std::string& from, const std::string& to,
                     bool needed = true) {
    const std::size_t at = text.find(from);
    EXPECT_TRUE(!needed || at != std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(TextImport, ARefusedTextNamesLineKeyAndReasonAndLeavesTheWindowAsItWas) {
    struct Case {
        const char* what;
        const char* from;    // replaced in the exported text...
        const char* to;      // ...by this
        const char* key;     // the line that starts with it is named
        const char* message; // the message after "line N: "
    };
    const Case cases[] = {
        {"unknown key", "[settings]\n", "[settings]\nnosuch = \"1\"\n", "nosuch",
         "nosuch: there is no control of that name"},
        {"rule rejects", "address1 = \"2004000\"", "address1 = \"2097160\"", "address1",
         "address1: the field's rule rejects the value"},
        {"filter rejects", "bs1 = \"30\"", "bs1 = \"3x\"", "bs1", "bs1: the field takes no 'x'"},
        {"hidden control", "[settings]\n", "[settings]\nvibrateWithFlash = \"1\"\n",
         "vibrateWithFlash", "vibrateWithFlash: the control is hidden on platform 6"},
        {"not Latin-1", "hellomsg1 = \"--Halvo A37---\"", "hellomsg1 = \"--Halvo \xCE\xA9\"",
         "hellomsg1", "hellomsg1: '\xCE\xA9' is not a character of the pager's set (Latin-1)"},
        {"no format", "format = 1\n", "", "", "format: missing: the text gives no format version"},
        {"newer format", "format = 1", "format = 2", "format",
         "format: format 2 is newer than this program reads (up to format 1)"},
        {"other profile", "profile = 1", "profile = 0", "profile",
         "profile: the text was made under profile 0; this window runs profile 1"},
        {"bad hex", "0x000 = \"00\"", "0x000 = \"0G\"", "0x000",
         "0x000: the value is bytes of two hex digits"},
        {"byte of a setting", "0x000 = \"00\"", "0x001 = \"00\"", "0x001",
         "0x001: byte 0x001 is not one that no setting writes on platform 6"},
        {"not TOML", "address1 = \"2004000\"", "address1 = \"2004000", "address1",
         "the text is not TOML"},
    };
    for (const Case& c : cases) {
        testing::TempDir dir;
        testing::FormRig rig;
        TForm1& form = rig.start(1);
        form.address[1].setText("1234567");
        const std::string before = exportText(form);
        const std::vector<std::uint8_t> bytesBefore = imageFileBytes(form);
        const std::string text = replaced(before, c.from, c.to);
        const int line = *c.key != 0 ? lineStarting(text, c.key) : 0;
        rig.ui.paths.push_back(writeText(dir, "bad.toml", text));

        form.ImportText1.userClick();

        // The box shows a character outside Latin-1 as '?'.
        std::string expected =
            replaced((line > 0 ? "line " + std::to_string(line) + ": " : std::string()) + c.message,
                     "\xCE\xA9", "?", false);
        ASSERT_EQ(rig.ui.errors.size(), 1u) << c.what;
        EXPECT_NE(rig.ui.errors[0].find("Import refused: " + expected), std::string::npos)
            << c.what << ": " << rig.ui.errors[0];
        EXPECT_EQ(exportText(form), before) << c.what;
        EXPECT_EQ(imageFileBytes(form), bytesBefore) << c.what;
    }
}

TEST(TextImport, APlatformTheProfileCannotReachIsRefused) {
    testing::TempDir dir;
    testing::FormRig rig;
    TForm1& form = rig.start(4); // the platform item stays locked
    const std::string before = exportText(form);
    const int other = (form.HardwarePlatform + 1) % 7;
    const std::string text = replaced(before, "platform = " + std::to_string(form.HardwarePlatform),
                                      "platform = " + std::to_string(other));
    const TextImport result = form.importText(writeText(dir, "other.toml", text));
    EXPECT_EQ(result.outcome, TextImport::Outcome::Refused);
    EXPECT_EQ(result.reason, "line " + std::to_string(lineStarting(text, "platform")) +
                                 ": platform: profile 4 cannot reach platform " +
                                 std::to_string(other) + ": its platform item stays on platform " +
                                 std::to_string(form.HardwarePlatform));
    EXPECT_EQ(exportText(form), before);
}

TEST(TextImport, AValueTheExitRuleChangesIsKeptAsTheRuleSaysAndNamedInAWarning) {
    testing::TempDir dir;
    testing::FormRig rig;
    TForm1& form = rig.start(1);
    const std::string text =
        replaced(exportText(form), "rangetime = \"30\"", "rangetime = \"300\"");
    rig.ui.paths.push_back(writeText(dir, "clamped.toml", text));
    form.ImportText1.userClick();
    EXPECT_EQ(form.rangetime.text(), "255");
    const std::string warning = "line " + std::to_string(lineStarting(text, "rangetime")) +
                                ": rangetime: '300' given, '255' kept";
    const auto& log = form.Memo1.lines();
    EXPECT_NE(std::find(log.begin(), log.end(), "Warning: " + warning), log.end());
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_NE(rig.ui.messages[0].find(warning), std::string::npos);
    EXPECT_TRUE(rig.ui.errors.empty());
}

TEST(TextImport, AFolderLengthenedBeforeTheFoldersAfterItAreClearedKeepsItsLength) {
    testing::TempDir dir;
    testing::FormRig rig;
    TForm1& form = rig.start(1);
    RecordingUi shown;
    // Folders 5-8 off, 1-4 and 9-16 filled to the total of 99.
    for (auto [name, value] : {std::pair{"pubboxact4", "0"}, std::pair{"pubboxlength0", "20"},
                               std::pair{"pubboxlength1", "20"}, std::pair{"pubboxlength2", "20"},
                               std::pair{"pubboxlength3", "31"}})
        ASSERT_FALSE(applySetting(form, shown, name, value)) << name;
    const std::string text = exportText(form);
    testing::FormRig importedRig;
    TForm1& imported = importedRig.start(1);
    const TextImport result = imported.importText(writeText(dir, "full.toml", text));
    ASSERT_TRUE(result.done()) << result.reason;
    EXPECT_EQ(imported.pubboxlength[3].text(), "31");
    for (const std::string& warning : result.warnings)
        EXPECT_EQ(warning.find("pubbox"), std::string::npos) << warning;
}

TEST(TextImport, TheFrequencyIsWrittenWithAPointAndTypedWithTheWindowsSeparator) {
    testing::TempDir dir;
    testing::FormRig commaRig;
    commaRig.os.separator = ',';
    TForm1& comma = commaRig.start(1);
    RecordingUi shown;
    ASSERT_FALSE(applySetting(comma, shown, "channelfreq", "4591250"));
    ASSERT_EQ(comma.channelfreq.text(), "459,12500");
    const std::string text = exportText(comma);
    EXPECT_NE(text.find("channelfreq = \"459.12500\"\n"), std::string::npos);

    testing::FormRig pointRig;
    TForm1& point = pointRig.start(1);
    const TextImport result = point.importText(writeText(dir, "comma.toml", text));
    ASSERT_TRUE(result.done()) << result.reason;
    EXPECT_EQ(point.channelfreq.text(), "459.12500");
    ASSERT_TRUE(comma.importText(writeText(dir, "point.toml", exportText(point))).done());
    EXPECT_EQ(comma.channelfreq.text(), "459,12500");
}

TEST(TextExport, ANewCapcodeChangesExactlyOneLine) {
    testing::FormRig rig;
    TForm1& form = rig.start(1);
    const std::vector<std::string> before = linesOf(exportText(form));
    RecordingUi shown;
    ASSERT_FALSE(applySetting(form, shown, "address3", "1234567"));
    const std::vector<std::string> after = linesOf(exportText(form));
    ASSERT_EQ(before.size(), after.size());
    std::vector<std::string> changed;
    for (std::size_t i = 0; i < before.size(); ++i)
        if (before[i] != after[i])
            changed.push_back(after[i]);
    EXPECT_EQ(changed, std::vector<std::string>{"address3 = \"1234567\""});
}

} // namespace
} // namespace ccp::app
