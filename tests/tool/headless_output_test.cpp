// What a headless run writes: Latin-1 texts as UTF-8 and back, log lines and
// boxes in the order they happened, file steps with the reason they failed,
// and the JSON shape of each kind of control.
#include "form/conversion.h"
#include "support/temp_dir.h"
#include "tool/json_report.h"
#include "tool/latin1.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>

namespace ccp::tool {
namespace {

TEST(Latin1, EveryByteSurvivesTheWayOutAndBack) {
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    const std::string utf8 = latin1ToUtf8(all);
    EXPECT_EQ(utf8.size(), 128u + 2 * 128u);
    EXPECT_EQ(utf8ToLatin1(utf8), all);
    EXPECT_EQ(latin1ToUtf8("\xFC"), "\xC3\xBC");
}

TEST(Latin1, TextsOutsideLatin1OrBrokenUtf8AreRefusedNamingTheCharacter) {
    struct Case {
        const char* utf8;
        const char* offending;
    };
    for (const Case& c :
         {Case{"ok \xC4\x80", "\xC4\x80"},                                          // U+0100
          Case{"\xE2\x82\xAC 5", "\xE2\x82\xAC"},                                   // euro sign
          Case{"x\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"}, Case{"\xC0\x80", "\\xC0"}, // overlong NUL
          Case{"\xED\xA0\x80", "\\xED"},                                            // surrogate
          Case{"ab\xC3", "\\xC3"},                                                  // cut short
          Case{"\xC3(", "\\xC3"},   // no continuation
          Case{"\x80", "\\x80"}}) { // stray continuation
        std::string offending;
        EXPECT_FALSE(utf8ToLatin1(c.utf8, &offending)) << c.utf8;
        EXPECT_EQ(offending, c.offending) << c.utf8;
    }
}

TEST(Latin1, ControlBytesAreEscapedForTheTerminal) {
    EXPECT_EQ(printableUtf8(std::string("a\x1B[2Jb\x7F\xE9\n", 9)), "a\\x1B[2Jb\\x7F\xC3\xA9\\x0A");
}

TEST(HeadlessOutput, LogLinesAndBoxesKeepTheirOrderOnTheirStreams) {
    std::ostringstream both;
    HeadlessForm headless(1, &both, &both);
    app::TForm1& form = headless.form();
    const std::string startUp = both.str();
    EXPECT_EQ(startUp, form.Memo1.lines().front() + "\n") << "start-up lines come first";

    form.dispatch([&] {
        form.Memo1.append("before the box");
        throw form::ConversionError("'x' is not a valid integer value");
    });
    form.ui().showMessage("Gr\xFC\xDF");
    form.Memo1.append("after the boxes");
    EXPECT_EQ(both.str(), startUp + "before the box\n"
                                    "error: 'x' is not a valid integer value\n"
                                    "message: Grüß\n"
                                    "after the boxes\n");
    EXPECT_EQ(headless.ui().boxTexts(),
              (std::vector<std::string>{"'x' is not a valid integer value", "Gr\xFC\xDF"}));
}

TEST(HeadlessOutput, QuietFormsSayOnlyTheirQuestionsAndNeverOfferTheParallelPort) {
    std::ostringstream boxes;
    HeadlessForm headless(0, nullptr, &boxes);
    EXPECT_THAT(headless.form().Memo1.lines(),
                ::testing::Not(::testing::Contains(::testing::HasSubstr("Parallel ports"))));
    EXPECT_FALSE(headless.form().ui().askYesNo("Checksum error!", "Continue?"));
    EXPECT_EQ(boxes.str(), "question: Checksum error! / Continue? -> no\n")
        << "a question is said with the answer it got";
}

TEST(HeadlessOutput, FileStepsReportTheLineThatSaysWhyTheyFailed) {
    testing::TempDir dir;
    HeadlessForm headless(1, nullptr, nullptr);
    const StepResult missing = headless.load(dir.file("missing.eep"));
    EXPECT_EQ(missing.outcome, Outcome::Failed);
    EXPECT_EQ(missing.reason, "Load file error");
    const StepResult unwritable = headless.save(dir.file("no/such/folder.eep"));
    EXPECT_EQ(unwritable.outcome, Outcome::Failed);
    EXPECT_EQ(unwritable.reason, "write error!");

    const std::string file = dir.file("image.eep");
    ASSERT_TRUE(headless.save(file).done());
    EXPECT_EQ(testing::TempDir::read(file), headless.fileBytes());
    headless.form().Open1.setEnabled(false);
    EXPECT_EQ(headless.load(file).reason, "Open1: the menu item is disabled");
}

TEST(Json, EachKindShowsTheStateItHasInCreationOrder) {
    HeadlessForm headless(1, nullptr, nullptr);
    const app::TForm1& form = headless.form();
    const Json edit = controlJson(form.address[0]);
    EXPECT_FALSE(edit.contains("items") || edit.contains("checked") || edit.contains("caption"));
    EXPECT_FALSE(controlJson(form.msgtype[0]).contains("text"));
    EXPECT_TRUE(controlJson(form.contrast_mask).contains("caption"));
    const Json item = controlJson(form.Repair1);
    EXPECT_EQ(item["kind"], "menuitem");
    EXPECT_EQ(item["checked"], false);
    EXPECT_EQ(item["hint"], form.Repair1.hint());

    const Json report = reportJson(headless);
    EXPECT_EQ(report["controls"].size(), form.controls().size());
    EXPECT_EQ(report["controls"].begin().key(), form.controls().front()->name());
}

} // namespace
} // namespace ccp::tool
