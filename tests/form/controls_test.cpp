#include "form/controls.h"
#include "form/conversion.h"
#include "support/recording_ui.h"

#include <gtest/gtest.h>

namespace ccp::form {
namespace {

struct Recorder : ControlObserver {
    void controlChanged(Control& control) override { changed.push_back(control.name()); }
    std::vector<std::string> changed;
};

class ControlsTest : public ::testing::Test {
protected:
    ControlsTest() {
        form.setUserInterface(&ui);
        form.setObserver(&observer);
    }
    Form form;
    testing::RecordingUi ui;
    Recorder observer;
};

TEST_F(ControlsTest, ListSetFromCodeRunsNothingButAUserPickRunsTheChangeRule) {
    ComboBox list(form, "baudrate");
    int changes = 0;
    list.onChange = [&] { ++changes; };
    list.setItems({"512 bps", "1200 bps", "2400 bps"});
    list.setIndex(1);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(list.text(), "1200 bps");
    list.userPick(1);
    list.userPick(2);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(list.index(), 2);
    list.setIndex(7);
    EXPECT_EQ(list.index(), -1) << "an index beyond the items selects nothing";
    EXPECT_EQ(list.text(), "");
}

TEST_F(ControlsTest, ListEditsKeepTheSelectedItemOrLoseIt) {
    ComboBox list(form, "alerttime");
    list.setItems({"4 sec", "8 sec", "16 sec", "32 sec"});
    list.setIndex(2);
    list.insertItem(4, "64 sec");
    EXPECT_EQ(list.text(), "16 sec");
    list.insertItem(0, "x");
    EXPECT_EQ(list.text(), "16 sec");
    list.deleteItem(0);
    EXPECT_EQ(list.text(), "16 sec");
    list.setIndex(4);
    list.deleteItem(4);
    EXPECT_EQ(list.index(), -1) << "deleting the selected item leaves no selection";
    EXPECT_EQ(list.count(), 4);
    list.setIndex(1);
    list.setItems({"a", "b"});
    EXPECT_EQ(list.index(), -1);
}

TEST_F(ControlsTest, CheckBoxRunsItsClickRuleOnlyWhenTheStateChanges) {
    CheckBox box(form, "pubboxact0");
    std::vector<bool> seen;
    box.onClick = [&] { seen.push_back(box.checked()); };
    box.setChecked(false);
    EXPECT_TRUE(seen.empty()) << "setting a box to its own state runs nothing";
    box.setChecked(true);
    box.setChecked(true);
    box.userClick();
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST_F(ControlsTest, EditFromCodeRunsTheChangeRuleWhenTheTextDiffersAndIgnoresTheLimit) {
    Edit edit(form, "firmwareversion");
    edit.setMaxLength(2);
    int changes = 0;
    edit.onChange = [&] { ++changes; };
    edit.setText("10");
    edit.setText("10");
    EXPECT_EQ(changes, 1);
    edit.setText("123");
    EXPECT_EQ(edit.text(), "123") << "the limit binds typing, not code";
    EXPECT_EQ(changes, 2);
}

TEST_F(ControlsTest, TypingRunsTheKeyFilterBeforeTheChangeRule) {
    Edit edit(form, "tonepatternA");
    edit.setMaxLength(4);
    std::vector<std::string> log;
    edit.onKeyPress = [&](Edit&, int code) -> std::optional<int> {
        log.push_back("key " + std::to_string(code) + " with '" + edit.text() + "'");
        if (code == 'G')
            return std::nullopt;
        return code == 'a' ? 'A' : code;
    };
    edit.onChange = [&] { log.push_back("change to '" + edit.text() + "'"); };
    EXPECT_TRUE(edit.userType('a'));
    EXPECT_FALSE(edit.userType('G'));
    EXPECT_TRUE(edit.userType(kBackspace));
    EXPECT_EQ(log, (std::vector<std::string>{"key 97 with ''", "change to 'A'", "key 71 with 'A'",
                                             "key 8 with 'A'", "change to ''"}));
    for (char c : std::string("12345"))
        edit.userType(c);
    EXPECT_EQ(edit.text(), "1234") << "typing stops at the maximum length";
}

TEST_F(ControlsTest, ExitRuleRunsWhenTheUserLeaves) {
    Edit edit(form, "password");
    int exits = 0;
    edit.onExit = [&] { ++exits; };
    edit.userLeave();
    EXPECT_EQ(exits, 1);
}

TEST_F(ControlsTest, ConversionErrorFromANestedRuleReachesTheErrorBoxOnce) {
    Edit version(form, "firmwareversion");
    version.setText("10");
    CheckBox box(form, "handprogram");
    std::vector<std::string> steps;
    version.onChange = [&] {
        steps.push_back("first step");
        strToInt(version.text());
        steps.push_back("not reached");
    };
    box.onClick = [&] {
        version.setText("");
        steps.push_back("not reached either");
    };
    box.userClick();
    EXPECT_EQ(steps, std::vector<std::string>{"first step"});
    EXPECT_EQ(ui.errors, std::vector<std::string>{"'' is not a valid integer value"});
    EXPECT_TRUE(box.checked()) << "what happened before the failing step stays";
    EXPECT_FALSE(form.inEvent());

    version.onChange = [&] { steps.push_back("carries on"); };
    version.userEdit("5");
    EXPECT_EQ(steps.back(), "carries on");
    EXPECT_EQ(ui.errors.size(), 1u);
}

TEST_F(ControlsTest, OtherExceptionsAreNotSwallowedButLeaveTheDispatcherReady) {
    MenuItem item(form, "Open1", "&Open...");
    item.onClick = [] { throw std::runtime_error("boom"); };
    EXPECT_THROW(item.userClick(), std::runtime_error);
    EXPECT_FALSE(form.inEvent());
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(ControlsTest, LookupByNameAndChangeNotification) {
    Edit edit(form, "serial");
    Label label(form, "L_serial", "Serial no.");
    EXPECT_EQ(form.find("serial"), &edit);
    EXPECT_EQ(form.find("L_serial"), &label);
    EXPECT_EQ(form.find("nothing"), nullptr);
    EXPECT_THROW(Edit(form, "serial"), std::logic_error);

    observer.changed.clear();
    edit.setVisible(false);
    edit.setVisible(false);
    label.setCaption("Serial no.");
    edit.setText("00000000");
    edit.setEnabled(false);
    EXPECT_EQ(observer.changed, (std::vector<std::string>{"serial", "serial", "serial"}));
}

TEST_F(ControlsTest, ReachableNeedsTheControlAndItsContainersShownAndEnabled) {
    GroupBox group(form, "hw_misc", "Misc");
    ComboBox list(form, "mcu_clk");
    list.place(&group, {});
    EXPECT_TRUE(list.reachable());
    group.setVisible(false);
    EXPECT_FALSE(list.reachable());
    group.setVisible(true);
    list.setEnabled(false);
    EXPECT_FALSE(list.reachable());
}

TEST_F(ControlsTest, LogPaneAppendsWholeLinesAndTakesTheUsersText) {
    LogPane log(form, "Memo1");
    log.append("Parallel ports ready.");
    log.append("");
    EXPECT_EQ(log.lines().size(), 2u);
    log.userEdit("one\ntwo\n");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"one", "two"}));
}

TEST_F(ControlsTest, ProgressBarStaysInsideItsRange) {
    ProgressBar bar(form, "ProgressBar1");
    bar.setRange(0, 64);
    bar.stepIt();
    EXPECT_EQ(bar.position(), 10);
    bar.stepBy(100);
    EXPECT_EQ(bar.position(), 64);
    bar.setMax(512);
    bar.setPosition(0);
    bar.stepBy(32);
    EXPECT_EQ(bar.position(), 32);
}

} // namespace
} // namespace ccp::form
