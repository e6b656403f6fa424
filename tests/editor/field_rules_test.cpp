#include "editor/field_rules.h"
#include "support/editor_fixture.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace ccp::editor {
namespace {

using form::Edit;
using Lines = std::vector<std::string>;

class FieldRulesTest : public ::testing::Test {
protected:
    FieldRulesTest() { rules.bind(); }

    // The user replaces the text and moves on.
    void enter(Edit& field, const std::string& text) {
        field.userEdit(text);
        field.userLeave();
    }

    testing::EditorRig rig;
    model::PagerSettings& s = rig.settings;
    FieldRules rules{rig.context};
};

struct KeyCase {
    const char* field;
    int code;
    std::optional<int> passed;
    const char* message; // nullptr: nothing logged
};

TEST_F(FieldRulesTest, KeyFiltersPassConvertOrRejectEachCode) {
    const KeyCase cases[] = {
        {"address1", '0', '0', nullptr},
        {"pubboxlength3", '9', '9', nullptr},
        {"bs1", 0, 0, nullptr},
        {"contrast", form::kBackspace, form::kBackspace, nullptr},
        {"firmwareversion", 26, 26, nullptr},
        {"lcdholdtime", 27, std::nullopt, kDigitKeysOnly},
        {"rangetime", 'a', std::nullopt, kDigitKeysOnly},
        {"password", 128, std::nullopt, kDigitKeysOnly},
        {"bs3", 255, std::nullopt, kDigitKeysOnly},
        {"address8", 0x4E2D, std::nullopt, kDigitKeysOnly},
        {"tonepatternA", 'F', 'F', nullptr},
        {"tonepatternUcall", 'a', 'A', nullptr},
        {"tonepatternPon", 'f', 'F', nullptr},
        {"tonepatternB", '7', '7', nullptr},
        {"tonepatternC", 'G', std::nullopt, kHexKeysOnly},
        {"tonepatternD", 'g', std::nullopt, kHexKeysOnly},
        {"tonepatternLcell", 27, std::nullopt, kHexKeysOnly},
        {"tonepatternA", 0xE1, std::nullopt, kHexKeysOnly},
        {"subversion", 'c', 'C', nullptr},
        {"subversion", 'E', 'E', nullptr},
        {"subversion", '5', std::nullopt, kLetterKeysOnly},
        {"subversion", 'G', std::nullopt, kLetterKeysOnly},
        {"subversion", 13, 13, nullptr},
        {"serial", 'z', 'z', nullptr},
        {"serial", 'Q', 'Q', nullptr},
        {"serial", '5', '5', nullptr},
        {"serial", '-', std::nullopt, kSerialKeysOnly},
        {"serial", ' ', std::nullopt, kSerialKeysOnly},
        {"serial", 200, std::nullopt, kSerialKeysOnly},
    };
    for (const KeyCase& c : cases) {
        auto* field = dynamic_cast<Edit*>(rig.form.find(c.field));
        ASSERT_NE(field, nullptr) << c.field;
        const std::size_t before = rig.log.lines().size();
        EXPECT_EQ(field->filterKey(c.code), c.passed) << c.field << " code " << c.code;
        const Lines logged(rig.log.lines().begin() + static_cast<long>(before),
                           rig.log.lines().end());
        EXPECT_EQ(logged, c.message ? Lines{c.message} : Lines{}) << c.field << " " << c.code;
    }
    EXPECT_EQ(rig.ui.beeps, 0) << "a rejected key is logged without a beep";
}

TEST_F(FieldRulesTest, ARejectedKeyLeavesTheFieldAsItWas) {
    EXPECT_FALSE(s.bs1.userType(27));
    EXPECT_FALSE(s.tonepatternA.userType('x'));
    EXPECT_EQ(s.bs1.text(), "30");
    EXPECT_EQ(s.tonepatternA.text(), "FFFC");
}

TEST_F(FieldRulesTest, PaddingFillsTheFieldToItsMaximumLength) {
    s.tonepatternB.userEdit("");
    s.tonepatternB.userType('a');
    s.tonepatternB.userLeave();
    EXPECT_EQ(s.tonepatternB.text(), "A000");

    struct Case {
        Edit& field;
        const char* typed;
        const char* left;
    } cases[] = {
        {s.password, "12", "1200"},
        {s.serial, "ab12", "ab12    "},
        {s.pubbox[4], "NEWS", "NEWS     "},
        {s.hellomsg1, "HELLO", "HELLO         "},
        {s.pubbox[15], "", "         "},
        {s.hellomsg1, "a text too long to fit", "a text too long to fit"},
    };
    for (Case& c : cases) {
        enter(c.field, c.typed);
        EXPECT_EQ(c.field.text(), c.left) << c.field.name();
    }
    s.serial.setText("x");
    rules.serialExit();
    EXPECT_EQ(s.serial.text(), "x       ");
}

TEST_F(FieldRulesTest, ContrastEndsBetween1And63) {
    const std::pair<const char*, const char*> cases[] = {
        {"0", "1"}, {"64", "63"}, {"99", "63"}, {"8", "8"}, {"08", "08"}, {"63", "63"}, {"1", "1"},
    };
    for (const auto& [typed, left] : cases) {
        enter(s.contrast, typed);
        EXPECT_EQ(s.contrast.text(), left) << typed;
    }
    EXPECT_EQ(rig.ui.beeps, 0);

    enter(s.contrast, "");
    EXPECT_EQ(s.contrast.text(), "");
    EXPECT_EQ(rig.ui.beeps, 1);
    EXPECT_EQ(rig.log.lines(), Lines{kEnterValidNumber});
    EXPECT_EQ(rig.ui.focused, Lines{"contrast"});
}

TEST_F(FieldRulesTest, HoldTimeCapsAt255AndZeroOpensTheLcdOnOffTimes) {
    s.lcdholdtime.userEdit("0");
    EXPECT_TRUE(s.lcd_on_time.enabled());
    EXPECT_TRUE(s.lcd_off_time.enabled());
    s.lcd_on_time.userPick(3);
    s.lcd_off_time.userPick(8);
    s.lcdholdtime.userEdit("00");
    EXPECT_EQ(s.lcd_on_time.text(), "3s") << "selections are kept while the time stays 0";

    for (const char* typed : {"256", "999"}) {
        s.lcdholdtime.userEdit(typed);
        EXPECT_EQ(s.lcdholdtime.text(), "255");
    }
    s.lcdholdtime.userEdit("0");
    s.lcd_off_time.userPick(2);
    s.lcdholdtime.userEdit("7");
    EXPECT_EQ(s.lcdholdtime.text(), "7");
    for (form::ComboBox* choice : {&s.lcd_on_time, &s.lcd_off_time}) {
        EXPECT_FALSE(choice->enabled());
        EXPECT_EQ(choice->text(), "Disabled");
    }

    s.lcdholdtime.userEdit("");
    EXPECT_FALSE(s.lcd_on_time.enabled()) << "an empty text changes nothing";
    s.lcdholdtime.userLeave();
    EXPECT_EQ(rig.log.lines(), Lines{kEnterValidNumber});
    EXPECT_EQ(rig.ui.focused, Lines{"lcdholdtime"});
    EXPECT_EQ(rig.ui.beeps, 0);
}

TEST_F(FieldRulesTest, RangeDelayDefaultsTo30AndCapsAt255) {
    const std::pair<const char*, const char*> cases[] = {
        {"0", "0"}, {"300", "255"}, {"", "30"}, {"255", "255"}, {"256", "255"}, {"1", "1"},
    };
    for (const auto& [typed, left] : cases) {
        enter(s.rangetime, typed);
        EXPECT_EQ(s.rangetime.text(), left) << typed;
    }
    EXPECT_TRUE(rig.log.lines().empty());
}

TEST_F(FieldRulesTest, BsRuleClampsBothAndTheFieldLeftGivesWay) {
    struct Case {
        const char* bs1;
        const char* bs3;
        bool leaveBs1;
        const char* bs1After;
        const char* bs3After;
    } cases[] = {
        {"1", "1", true, "2", "3"},      {"40", "30", true, "29", "30"},
        {"40", "30", false, "40", "41"}, {"61", "61", false, "61", "62"},
        {"99", "2", true, "2", "3"},     {"99", "2", false, "61", "62"},
        {"0", "99", false, "2", "62"},   {"05", "31", true, "05", "31"},
    };
    for (const Case& c : cases) {
        s.bs1.setText(c.bs1);
        s.bs3.setText(c.bs3);
        (c.leaveBs1 ? s.bs1 : s.bs3).userLeave();
        EXPECT_EQ(s.bs1.text(), c.bs1After) << c.bs1 << "/" << c.bs3 << " " << c.leaveBs1;
        EXPECT_EQ(s.bs3.text(), c.bs3After) << c.bs1 << "/" << c.bs3 << " " << c.leaveBs1;
    }
}

TEST_F(FieldRulesTest, OpaBelow3IsRaisedTo3AbovePlatform0) {
    const struct {
        std::uint8_t platform;
        int picked;
        const char* kept;
    } cases[] = {{0, 1, "1"}, {0, 0, "0"}, {3, 1, "3"}, {1, 0, "3"}, {6, 2, "3"}, {3, 4, "4"}};
    for (const auto& c : cases) {
        rig.hardwarePlatform = c.platform;
        s.lcddrv_opa.userPick(c.picked);
        EXPECT_EQ(s.lcddrv_opa.text(), c.kept) << int(c.platform) << " " << c.picked;
    }
}

TEST_F(FieldRulesTest, RepeatCallRejectionOnlyWhileTheCheckIsOn) {
    s.repeatcallreject.userPick(3);
    for (int check : {2, 1, 2, 0}) {
        s.repeatcallcheck.userPick(check);
        EXPECT_EQ(s.repeatcallreject.enabled(), check != 2) << check;
        EXPECT_EQ(s.repeatcallreject.text(), "5-6 min");
    }
}

TEST_F(FieldRulesTest, APastedNonNumberShowsOneErrorAndCorrectsNothing) {
    enter(s.contrast, "1x");
    s.lcdholdtime.userEdit("9O");
    s.bs1.setText("70");
    s.bs3.setText("");
    s.bs1.userLeave();
    s.rangetime.userEdit("3 0");
    s.rangetime.userLeave();
    EXPECT_EQ(rig.ui.errors,
              (Lines{"'1x' is not a valid integer value", "'9O' is not a valid integer value",
                     "'' is not a valid integer value", "'3 0' is not a valid integer value"}));
    EXPECT_EQ(s.contrast.text(), "1x");
    EXPECT_EQ(s.bs1.text(), "70") << "the rule stops before its corrections";
    EXPECT_FALSE(s.lcd_on_time.enabled());
    EXPECT_EQ(rig.ui.beeps, 0);
    s.contrast.userEdit("70");
    s.contrast.userLeave();
    EXPECT_EQ(s.contrast.text(), "63") << "the window carries on";
}

} // namespace
} // namespace ccp::editor
