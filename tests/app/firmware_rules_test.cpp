#include "support/form_fixture.h"
#include "support/snapshot.h"

#include <gtest/gtest.h>

namespace ccp::app {
namespace {

class FirmwareRules : public ::testing::Test {
protected:
    // The window of `profile` with the firmware rules run for `version`.
    TForm1& at(int profile, const std::string& version, const std::string& sub = " ") {
        TForm1& form = rig.start(profile);
        form.subversion.setText(sub);
        form.firmwareversion.setText(version);
        form.firmwareversionChange();
        return form;
    }
    testing::FormRig rig;
};

bool matrixShown(const TForm1& form) {
    bool all = true, none = true;
    for (const auto& row : form.chbUC)
        for (const form::CheckBox& box : row) {
            all = all && box.visible();
            none = none && !box.visible();
        }
    EXPECT_TRUE(all || none) << "the UC boxes are shown or hidden together";
    EXPECT_EQ(form.labelUC[0].visible(), all);
    EXPECT_EQ(form.urgentcall.visible(), !all) << "the single setting takes the matrix's place";
    EXPECT_EQ(form.Label21.visible(), !all);
    EXPECT_EQ(form.urgcalltype.visible(), !all);
    return all;
}

TEST_F(FirmwareRules, SerialAndRangeDelayFromVersion2) {
    EXPECT_FALSE(at(0, "1").serial.visible());
    EXPECT_FALSE(rig.form->L_rangetimeSec.visible());
    EXPECT_TRUE(at(0, "2").serial.visible());
    EXPECT_TRUE(rig.form->rangetime.visible());
    EXPECT_TRUE(rig.form->L_serial.visible());
}

TEST_F(FirmwareRules, HandProgrammingNeedsWideChannelsBeforeVersion3) {
    struct Case {
        const char* version;
        int spacing;
        bool enabled;
    } cases[] = {{"2", 2, false}, {"2", 1, true}, {"3", 2, true}, {"1", 5, false}, {"3", 5, true}};
    for (const Case& c : cases) {
        testing::FormRig local;
        TForm1& form = local.start(0);
        form.channelspace.setIndex(c.spacing);
        form.firmwareversion.setText(c.version);
        form.firmwareversionChange();
        EXPECT_EQ(form.handprogram.enabled(), c.enabled) << c.version << " / " << c.spacing;
    }
}

TEST_F(FirmwareRules, LongTimesComeWithVersion4ForProfile1AndStay) {
    TForm1& form = at(1, "3");
    form.firmwareversion.setText("4");
    EXPECT_EQ(form.alerttime.count(), 5);
    EXPECT_EQ(form.msgdisptime.items().back(), "64 sec");
    EXPECT_TRUE(form.outrangespecial.visible());
    EXPECT_TRUE(form.lowbatteryspecial.visible());
    form.firmwareversion.setText("3");
    EXPECT_EQ(form.alerttime.count(), 5) << "a version below 4 does not remove the entry";
    EXPECT_FALSE(form.outrangespecial.visible());
}

TEST_F(FirmwareRules, OtherProfilesAtVersion4DropLongTimesAndTakeTheFastClock) {
    TForm1& form = at(1, "20");
    ASSERT_EQ(form.alerttime.count(), 5);
    form.alerttime.setIndex(4);
    form.mcu_clk.setIndex(1);
    form.CustomerProfile = 0;
    form.firmwareversion.setText("4");
    EXPECT_EQ(form.alerttime.count(), 4);
    EXPECT_EQ(form.msgdisptime.count(), 4);
    EXPECT_EQ(form.alerttime.index(), -1) << "the deleted entry was selected";
    EXPECT_EQ(form.mcu_clk.text(), "4 MHz");
    EXPECT_FALSE(form.mcu_clk.enabled());
}

TEST_F(FirmwareRules, Version5ShowsMiscAndForProfile1TheDisplaySettings) {
    TForm1& form = at(1, "4");
    EXPECT_FALSE(form.hw_misc.visible());
    EXPECT_FALSE(form.back_light.visible());
    form.firmwareversion.setText("5");
    EXPECT_TRUE(form.hw_misc.visible());
    for (form::Control* c : std::initializer_list<form::Control*>{
             &form.L_back_light, &form.back_light, &form.L_lcd_on, &form.lcd_on_time,
             &form.L_lcd_off, &form.lcd_off_time, &form.L_del_menu, &form.del_menu,
             &form.delall_w_unread})
        EXPECT_TRUE(c->visible()) << c->name();
    TForm1& other = at(3, "4");
    other.firmwareversion.setText("5");
    EXPECT_TRUE(other.hw_misc.visible());
    EXPECT_FALSE(other.back_light.visible());
    EXPECT_FALSE(other.del_menu.visible());
}

TEST_F(FirmwareRules, AutoBacklightAtVersion5WithSubVersionAOrAbove5) {
    struct Case {
        int profile;
        const char* version;
        const char* sub;
        bool shown;
    } cases[] = {{1, "5", "A", true},  {1, "5", " ", false}, {1, "5", "B", false},
                 {1, "6", " ", true},  {0, "6", " ", true},  {3, "6", " ", false},
                 {4, "6", " ", false}, {5, "6", " ", false}, {2, "1", " ", true}};
    for (const Case& c : cases) {
        testing::FormRig local;
        TForm1& form = local.start(c.profile);
        form.subversion.setText(c.sub);
        form.firmwareversion.setText(c.version);
        form.firmwareversionChange();
        EXPECT_EQ(form.autobacklight.visible(), c.shown)
            << "profile " << c.profile << " V" << c.version << c.sub;
    }
}

TEST_F(FirmwareRules, Version6ByProfile) {
    TForm1& one = at(1, "6");
    EXPECT_TRUE(one.back_light.visible());
    EXPECT_TRUE(one.hw_lcddrv.visible());
    EXPECT_TRUE(one.del_menu.visible());
    TForm1& zero = at(0, "6");
    EXPECT_TRUE(zero.back_light.visible());
    for (form::Control* c : std::initializer_list<form::Control*>{
             &zero.L_del_menu, &zero.del_menu, &zero.delall_w_unread, &zero.lcd_on_time,
             &zero.lcd_off_time, &zero.qsound, &zero.outrangespecial, &zero.lowbatteryspecial})
        EXPECT_FALSE(c->visible()) << c->name();
}

TEST_F(FirmwareRules, FontAndPowerOffBoxesByVersionAndProfile) {
    struct Case {
        int profile;
        const char* version;
        bool font;
        bool powerOff;
    } cases[] = {{0, "11", false, false}, {0, "12", true, false},  {5, "12", true, false},
                 {5, "13", true, true},   {3, "12", false, false}, {1, "20", false, false},
                 {5, "12", true, false}};
    for (const Case& c : cases) {
        TForm1& form = at(c.profile, c.version);
        EXPECT_EQ(form.showFontMenu.visible(), c.font) << c.profile << " V" << c.version;
        EXPECT_EQ(form.useLargeFont.visible(), c.font);
        EXPECT_EQ(form.vibrateWithFlash.visible(), c.font);
        EXPECT_EQ(form.showPowerOffMenu.visible(), c.powerOff) << c.profile << " V" << c.version;
        EXPECT_EQ(form.beepWithFlash.visible(), c.powerOff);
    }
}

TEST_F(FirmwareRules, UrgentCallMatrixByVersionAndProfile) {
    struct Case {
        int profile;
        const char* version;
        bool matrix;
    } cases[] = {{0, "13", false}, {0, "14", true},  {3, "13", false}, {3, "14", true},
                 {5, "13", false}, {5, "14", true},  {4, "2", true},   {4, "20", true},
                 {1, "20", false}, {2, "20", false}, {6, "20", false}};
    for (const Case& c : cases)
        EXPECT_EQ(matrixShown(at(c.profile, c.version)), c.matrix)
            << "profile " << c.profile << " V" << c.version;
}

TEST_F(FirmwareRules, WallMountProfilesLookTheSameAtEveryVersionAndNeverConvert) {
    for (int profile : {2, 6}) {
        TForm1& form = at(profile, "20");
        const auto reference = testing::snapshot(form);
        for (const char* version : {"1", "5", "13", "", "x"}) {
            form.firmwareversion.userEdit(version);
            EXPECT_TRUE(rig.ui.errors.empty()) << "profile " << profile << " '" << version << "'";
            auto diff = testing::changes(reference, testing::snapshot(form));
            diff.erase("firmwareversion");
            EXPECT_TRUE(diff.empty()) << diff.begin()->first << ": " << diff.begin()->second;
        }
        EXPECT_FALSE(form.ota.visible());
        EXPECT_FALSE(form.back_light.visible());
        EXPECT_EQ(form.rangetime.hint(),
                  "0: always on; 1: always off for firmware V2 or above; 2-255: delay in seconds");
    }
}

TEST_F(FirmwareRules, RunningTwiceChangesNothing) {
    for (int profile = 0; profile <= 6; ++profile) {
        for (const char* version : {"1", "4", "5", "6", "12", "14", "20"}) {
            TForm1& form = at(profile, version);
            const auto once = testing::snapshot(form);
            form.firmwareversionChange();
            const auto diff = testing::changes(once, testing::snapshot(form));
            EXPECT_TRUE(diff.empty())
                << profile << " V" << version << ": " << (diff.empty() ? "" : diff.begin()->first);
        }
    }
}

TEST_F(FirmwareRules, EmptyVersionStopsAtTheFirstTestAndTheNextChangeRunsInFull) {
    TForm1& form = at(1, "20");
    form.ota.setVisible(false);    // step 9 shows it before the failing test
    form.serial.setVisible(false); // step 10 would decide it
    form.firmwareversion.setEnabled(true);
    form.firmwareversion.userEdit("");
    EXPECT_EQ(rig.ui.errors, std::vector<std::string>{"'' is not a valid integer value"});
    EXPECT_TRUE(form.ota.visible()) << "the steps already done stay done";
    EXPECT_FALSE(form.serial.visible()) << "nothing after the failing test ran";
    form.firmwareversion.userEdit("2");
    EXPECT_TRUE(form.serial.visible());
    EXPECT_EQ(rig.ui.errors.size(), 1u);
}

} // namespace
} // namespace ccp::app
