#include "support/form_fixture.h"

#include <gtest/gtest.h>

namespace ccp::app {
namespace {

using Names = std::initializer_list<const char*>;

void expectVisible(const TForm1& form, Names names, bool visible) {
    for (const char* name : names)
        EXPECT_EQ(form.find(name)->visible(), visible) << name;
}

TEST(StartUpProfile, Profile1OpensOnTheA37) {
    testing::FormRig rig;
    TForm1& form = rig.start(1);
    EXPECT_EQ(form.Form1.caption(), "A31/A35/A36/A37 Capcode Programmer-Customer version");
    EXPECT_EQ(form.hellomsg1.text(), "--Halvo A37---");
    EXPECT_EQ(form.firmware_epson.text(), "1.77");
    EXPECT_EQ(form.back_light.text(), "5:5");
    EXPECT_EQ(form.language.text(), "U.K.");
    EXPECT_EQ(form.HardwarePlatform, 6);
    EXPECT_EQ(form.N5003T6K041.caption(), "A37");
    EXPECT_EQ(form.contrast.text(), "15");
    EXPECT_EQ(form.lcddrv_opa.items().front(), "3.0");
    EXPECT_EQ(form.lcddrv_opa.items().back(), "6.5");
    EXPECT_EQ(form.lcddrv_opa.text(), "5.5");
    EXPECT_EQ(form.alerttime.items().size(), 5u);
    EXPECT_EQ(form.msgdisptime.items()[4], "64 sec");
    EXPECT_EQ(form.EepromDeviceSelect, 0);
    expectVisible(
        form,
        {"lcd_fosc",         "lcd_tc",           "lcd_bias",      "RXE",          "ROE",
         "addrcheck",        "datacheck",        "rssi_voltage",  "showFontMenu", "useLargeFont",
         "vibrateWithFlash", "showPowerOffMenu", "beepWithFlash", "chbUC1A",      "chbUC8D",
         "labelUCA",         "firmwareversion",  "customer_sel",  "L_customer",   "Debug1"},
        false);
    expectVisible(form,
                  {"bs1",
                   "bs3",
                   "clko",
                   "error_rate",
                   "address7",
                   "msgtype8",
                   "addr8en",
                   "outrangespecial",
                   "lowbatteryspecial",
                   "back_light",
                   "lcd_on_time",
                   "lcd_off_time",
                   "del_menu",
                   "autobacklight",
                   "urgentcall",
                   "Label21",
                   "urgcalltype",
                   "firmware_epson",
                   "contrast_mask",
                   "Repair1"},
                  true);
    EXPECT_EQ(form.Memo1.lines().front(), "Halvo A31/A35/A36/A37 CCP V7.25");
}

TEST(StartUpProfile, Profile0OpensOnPlatform5) {
    testing::FormRig rig;
    TForm1& form = rig.start(0);
    EXPECT_EQ(form.HardwarePlatform, 5);
    EXPECT_EQ(form.N5003T6K041.caption(), "&New hardware (8212+1815+8108+EPSON)");
    EXPECT_EQ(form.Form1.caption(), "A31E/A35E/A36E/A37E Capcode Programmer-Customer version");
    EXPECT_EQ(form.contrast.text(), "10");
    EXPECT_EQ(form.lcddrv_opa.items().front(), "0");
    EXPECT_EQ(form.lcddrv_opa.text(), "5");
    EXPECT_EQ(form.alerttime.count(), 4);
    EXPECT_EQ(form.msgdisptime.count(), 4);
    expectVisible(form, {"chbUC1A", "chbUC8D", "showFontMenu", "useLargeFont", "vibrateWithFlash"},
                  true);
    expectVisible(form, {"showPowerOffMenu", "beepWithFlash", "urgentcall"}, false);
    EXPECT_EQ(form.Memo1.lines()[1], "Please select the correct hardware before programming.");
}

TEST(StartUpProfile, EveryProfileHasItsCaptionHelloPlatformAndLists) {
    struct Row {
        const char* caption;
        const char* hello;
        int platform;
        int timingEntries;
        bool platformItemEnabled;
        const char* dateFormat;
    } rows[] = {
        {"A31E/A35E/A36E/A37E Capcode Programmer-Customer version", "--- KRVA37E --", 5, 4, true,
         "DD/MM/YY"},
        {"A31/A35/A36/A37 Capcode Programmer-Customer version", "--Halvo A37---", 6, 5, true,
         "DD/MM/YY"},
        {"A6W Wall Mount Programmer-Customer version", "--- PLNA6W ---", 5, 4, true, "DD/MM/YY"},
        {"Tressvik Wireless Kalmire 8 Line Programmer software", "-- Tressvik --", 5, 4, true,
         "DD/MM/YY"},
        {"A31E/A35E/A36E/A37E for Dorvik Capcode Programmer-Customer version", "---KRVA37ET---", 5,
         4, false, "DD/MM/YY"},
        {"Nimbo Wireless Programmer-Customer version", "Nimbo Wireless", 5, 4, true, "MM/DD/YY"},
        {"Nimbo Wireless Mini Static Programmer-Customer version", "Nimbo Wireless", 5, 4, false,
         "DD/MM/YY"},
    };
    for (int profile = 0; profile <= 6; ++profile) {
        testing::FormRig rig;
        TForm1& form = rig.start(profile);
        const Row& r = rows[profile];
        SCOPED_TRACE("profile " + std::to_string(profile));
        EXPECT_EQ(form.Form1.caption(), r.caption);
        EXPECT_EQ(form.hellomsg1.text(), r.hello);
        EXPECT_EQ(form.hellomsg1.text().size(), 14u);
        EXPECT_EQ(form.HardwarePlatform, r.platform);
        EXPECT_EQ(form.alerttime.count(), r.timingEntries);
        EXPECT_EQ(form.msgdisptime.count(), r.timingEntries);
        EXPECT_EQ(form.N5003T6K041.enabled(), r.platformItemEnabled);
        EXPECT_EQ(form.dateformat.text(), r.dateFormat);
        // Customer edition, whatever the profile.
        EXPECT_TRUE(form.contrast_mask.checked());
        EXPECT_FALSE(form.contrast.enabled());
        EXPECT_FALSE(form.Debug1.visible());
        EXPECT_TRUE(form.Repair1.visible());
        EXPECT_FALSE(form.customer_sel.visible());
        for (const char* locked : {"lcddrv_opa", "bs1", "RXE", "pll", "firmwareversion",
                                   "subversion", "firmware_epson", "filter_enable", "clko"})
            EXPECT_FALSE(form.find(locked)->enabled()) << locked;
        EXPECT_TRUE(rig.ui.errors.empty());
    }
}

TEST(StartUpProfile, WallMountProfilesLeaveTheBacklightAndOthersTakeTheirs) {
    const std::pair<int, const char*> cases[] = {{0, "9:1"}, {1, "5:5"}, {2, "5:5"}, {3, "9:1"},
                                                 {4, "9:1"}, {5, "9:1"}, {6, "5:5"}};
    for (auto [profile, backlight] : cases) {
        testing::FormRig rig;
        EXPECT_EQ(rig.start(profile).back_light.text(), backlight) << profile;
    }
    testing::FormRig rig;
    EXPECT_EQ(rig.start(2).firmware_epson.text(), "1.70");
}

TEST(StartUpProfile, ProfileOutsideTheTableKeepsCaptionAndHelloButLocksTheEdition) {
    testing::FormRig rig;
    TForm1& form = rig.start(9);
    EXPECT_EQ(form.Form1.caption(), "A31E Capcode Programmer");
    EXPECT_EQ(form.hellomsg1.text(), "---KRVA31E ---");
    EXPECT_EQ(form.HardwarePlatform, 5);
    EXPECT_EQ(form.N5003T6K041.caption(), "&New hardware (8212+1815+8108+EPSON)");
    EXPECT_FALSE(form.customer_sel.visible());
    EXPECT_TRUE(form.contrast_mask.checked());
    EXPECT_EQ(form.Memo1.lines().front().substr(0, 14), "A36E CCP V7.25");
}

TEST(StartUpProfile, ApplyingAProfileAgainRedrawsTheCaptionsAndKeepsThePlatform) {
    testing::FormRig rig;
    TForm1& form = rig.start(1);
    form.customer_sel.setIndex(3);
    form.customer_selChange();
    EXPECT_EQ(form.CustomerProfile, 3);
    EXPECT_EQ(form.HardwarePlatform, 6);
    EXPECT_EQ(form.N5003T6K041.caption(), "&New hardware (8212+8108+EPSON+7567)");
    EXPECT_EQ(form.Form1.caption(), "Tressvik Wireless Kalmire 8 Line Programmer software");
}

} // namespace
} // namespace ccp::app
