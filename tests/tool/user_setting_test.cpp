// Settings made as a user makes them: key filters that convert, supply or
// reject characters, the length limit, the exit and click rules that follow,
// and the reasons a setting is refused.
#include "form/conversion.h"
#include "tool/user_setting.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ccp::tool {
namespace {

using ::testing::HasSubstr;

class UserSetting : public ::testing::Test {
protected:
    // Quiet form on profile 1 (platform 6); the locale of the test machine
    // decides the separator, so tests read it from the form.
    UserSetting() : headless(1, nullptr, nullptr), form(headless.form()) {}

    StepResult set(const std::string& name, const std::string& value) {
        return applySetting(headless, {name, value});
    }
    std::string frequency(const char* whole, const char* fraction) const {
        return std::string(whole) + form.decimalSeparator() + fraction;
    }

    HeadlessForm headless;
    app::TForm1& form;
};

TEST(Assignment, SplitsAtTheFirstEqualsSign) {
    EXPECT_EQ(parseAssignment("hellomsg1=a=b")->value, "a=b");
    EXPECT_EQ(parseAssignment("hellomsg1=")->value, "");
    EXPECT_EQ(parseAssignment("hellomsg1=x")->name, "hellomsg1");
    EXPECT_FALSE(parseAssignment("hellomsg1"));
    EXPECT_FALSE(parseAssignment("=5"));
}

TEST_F(UserSetting, TheWholeOldTextGoesBeforeTheNewOneIsTyped) {
    ASSERT_EQ(form.address[0].text().size(), 7u);
    ASSERT_TRUE(set("address1", "16").done());
    EXPECT_EQ(form.address[0].text(), "0000016") << "padded by the exit rule, nothing kept";
    EXPECT_EQ(form.frame[0].text(), "0");
}

TEST_F(UserSetting, TheFrequencyFilterSuppliesTheSeparatorWhichMayBeTypedOver) {
    ASSERT_TRUE(set("channelfreq", "4591250").done());
    EXPECT_EQ(form.channelfreq.text(), frequency("459", "12500"));
    ASSERT_TRUE(set("channelfreq", frequency("460", "1")).done());
    EXPECT_EQ(form.channelfreq.text(), frequency("460", "10000"));
    const char other = form.decimalSeparator() == '.' ? ',' : '.';
    const StepResult wrong = set("channelfreq", std::string("461") + other + "5");
    EXPECT_EQ(wrong.outcome, Outcome::Refused);
    EXPECT_THAT(wrong.reason, HasSubstr(std::string("rejects '") + other + "'"));
    const StepResult twice = set("channelfreq", frequency("46", "1"));
    EXPECT_EQ(twice.outcome, Outcome::Refused) << "a separator the filter did not supply";
}

TEST_F(UserSetting, AFilterThatConvertsAKeyIsNoRefusal) {
    ASSERT_TRUE(set("tonepatternB", "c0f").done());
    EXPECT_EQ(form.tonepatternB.text(), "C0F0");
    ASSERT_TRUE(set("serial", "ab12").done());
    EXPECT_EQ(form.serial.text().substr(0, 4), "ab12");
}

TEST_F(UserSetting, AValueUpToTheLengthLimitIsTakenOneMoreIsRefused) {
    ASSERT_TRUE(
        set("hellomsg1", std::string(static_cast<std::size_t>(form.hellomsg1.maxLength()), 'x'))
            .done());
    const std::string before = form.hellomsg1.text();
    const StepResult longer = set(
        "hellomsg1", std::string(static_cast<std::size_t>(form.hellomsg1.maxLength()) + 1, 'y'));
    EXPECT_EQ(longer.outcome, Outcome::Refused);
    EXPECT_THAT(longer.reason, HasSubstr("longer than the field's"));
}

TEST_F(UserSetting, ARuleThatClampsWhileTypingIsNoRefusal) {
    ASSERT_TRUE(set("lcdholdtime", "999").done());
    EXPECT_EQ(form.lcdholdtime.text(), "255") << "the change rule's limit";
    EXPECT_EQ(set("lcdholdtime", "2559").reason,
              "lcdholdtime: '2559' is longer than the field's 3 characters");
}

TEST_F(UserSetting, ClickAndChangeRulesRunAsAtTheWindow) {
    ASSERT_TRUE(set("contrast_mask", "0").done());
    EXPECT_TRUE(form.contrast.enabled()) << "the click rule opened the contrast";
    ASSERT_TRUE(set("contrast", "20").done());
    EXPECT_EQ(form.contrast.text(), "20");
    ASSERT_TRUE(set("contrast_mask", "0").done()) << "no click when the state is already 0";
    EXPECT_TRUE(form.contrast.enabled());

    ASSERT_TRUE(set("pubboxact0", "0").done());
    EXPECT_FALSE(form.pubboxact[1].enabled()) << "the click rule greyed the chain";
    const StepResult greyed = set("pubboxlength3", "5");
    EXPECT_EQ(greyed.outcome, Outcome::Refused);
    EXPECT_EQ(greyed.reason, "pubboxlength3: the control is disabled");
}

TEST_F(UserSetting, ValuesTheRulesRejectAreRefusedWithTheirLogLine) {
    const StepResult zero = set("pubboxlength0", "0");
    EXPECT_EQ(zero.outcome, Outcome::Refused);
    EXPECT_EQ(zero.reason,
              "pubboxlength0: the field's rule rejects the value: " + form.Memo1.lines().back());
    const StepResult empty = set("lcdholdtime", "");
    EXPECT_EQ(empty.outcome, Outcome::Refused);
    ASSERT_TRUE(set("pubboxlength0", "7").done()) << "the next good value is taken";
}

TEST_F(UserSetting, ReadOnlyHiddenAndContainedControlsAreNamedInTheReason) {
    form.frame[0].setEnabled(true);
    EXPECT_EQ(set("frame1", "3").reason, "frame1: the field is read-only");
    form.gb_addresses.setVisible(false);
    EXPECT_EQ(set("address2", "0000016").reason,
              "address2: the control's container gb_addresses is hidden");
    EXPECT_EQ(set("Memo1", "x").reason,
              "Memo1: the control is a log; only an edit, a list or a check box can be set");
    EXPECT_EQ(set("hellomsg1", "\x01").reason, "hellomsg1: a control character cannot be typed");
}

TEST_F(UserSetting, AClickTheRuleUndoesIsRefused) {
    ASSERT_TRUE(set("pubboxactF", "0").done());
    ASSERT_TRUE(set("pubboxlength0", "85").done()); // 85 + 14 one-message folders = 99
    const StepResult full = set("pubboxactF", "1");
    EXPECT_EQ(full.outcome, Outcome::Refused);
    EXPECT_EQ(full.reason, "pubboxactF: the click rule keeps it at 0: Total length already "
                           "reached max. 99, can not enable this mail box");
}

TEST_F(UserSetting, PlatformStepsGoRoundTheCycle) {
    ASSERT_TRUE(headless.stepToPlatform(2).done());
    EXPECT_EQ(form.HardwarePlatform, 2);
    ASSERT_TRUE(headless.stepToPlatform(1).done());
    EXPECT_EQ(form.HardwarePlatform, 1);
    form.N5003T6K041.setEnabled(false);
    EXPECT_TRUE(headless.stepToPlatform(1).done()) << "no step needed";
}

} // namespace
} // namespace ccp::tool
