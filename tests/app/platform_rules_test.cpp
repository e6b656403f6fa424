#include "support/form_fixture.h"
#include "support/snapshot.h"

#include <gtest/gtest.h>

namespace ccp::app {
namespace {

// Steps the platform until it is `platform`.
void stepTo(TForm1& form, int platform) {
    for (int i = 0; i < 7 && form.HardwarePlatform != platform; ++i)
        form.N5003T6K041Click();
    ASSERT_EQ(form.HardwarePlatform, platform);
}

TEST(PlatformStep, SevenClicksBringBackTheSamePlatformAndCaption) {
    for (int profile : {0, 1, 5}) {
        testing::FormRig rig;
        TForm1& form = rig.start(profile);
        const auto before = testing::snapshot(form);
        const int platform = form.HardwarePlatform;
        for (int i = 0; i < 7; ++i)
            form.N5003T6K041.userClick();
        EXPECT_EQ(form.HardwarePlatform, platform);
        EXPECT_TRUE(testing::changes(before, testing::snapshot(form)).empty()) << profile;
    }
}

TEST(PlatformStep, CaptionsFollowTheProfile) {
    const char* profileOne[] = {"&V6", "&V6S", "&V7R", "&V7RT", "A35", "A36 EPSON", "A37"};
    const char* others[] = {
        "&OLD_Hardware (5003+T6K04)",          "&New_Hardware (5003+1815)",
        "&New_Hardware (8212+1815)",           "&New_BackLight",
        "&New hardware (8212+1815+8108)",      "&New hardware (8212+1815+8108+EPSON)",
        "&New hardware (8212+8108+EPSON+7567)"};
    for (int profile : {1, 3}) {
        testing::FormRig rig;
        TForm1& form = rig.start(profile);
        for (int platform = 0; platform <= 6; ++platform) {
            stepTo(form, platform);
            EXPECT_EQ(form.N5003T6K041.caption(),
                      profile == 1 ? profileOne[platform] : others[platform]);
        }
    }
}

TEST(PlatformStep, NetResultOfEachPlatformInCycleOrder) {
    struct Row {
        const char* version; // nullptr: the Epson text is shown instead
        const char* contrast;
        int opaCount;
        int opaIndex;
        bool opaShown, foscShown, pcd5003Shown, sm8212Shown;
        int deviceSelect;
    } rows[] = {
        {"2", "48", 8, 2, false, false, true, false, 0},
        {"6", "15", 8, 6, true, true, true, false, 0},
        {"11", "15", 8, 6, true, true, false, true, 2},
        {"12", "10", 8, 5, true, true, false, true, 2},
        {"20", "10", 8, 5, true, true, false, true, 2},
        {nullptr, "10", 8, 5, true, true, false, true, 0},
        {nullptr, "15", 8, 5, true, false, false, true, 0},
    };
    testing::FormRig rig;
    TForm1& form = rig.start(3);
    for (int platform = 0; platform <= 6; ++platform) {
        stepTo(form, platform);
        const Row& r = rows[platform];
        SCOPED_TRACE("platform " + std::to_string(platform));
        EXPECT_EQ(form.firmwareversion.visible(), r.version != nullptr);
        EXPECT_EQ(form.firmware_epson.visible(), r.version == nullptr);
        EXPECT_EQ(form.firmwareversion.text(), r.version ? r.version : "20");
        EXPECT_EQ(form.contrast.text(), r.contrast);
        EXPECT_EQ(form.lcddrv_opa.count(), r.opaCount);
        EXPECT_EQ(form.lcddrv_opa.index(), r.opaIndex);
        EXPECT_EQ(form.lcddrv_opa.visible(), r.opaShown);
        EXPECT_EQ(form.lcd_fosc.visible(), r.foscShown);
        EXPECT_EQ(form.L_lcd_bias.visible(), r.foscShown);
        EXPECT_EQ(form.RXE.visible(), r.pcd5003Shown);
        EXPECT_EQ(form.L_Dcheck.visible(), r.pcd5003Shown);
        EXPECT_EQ(form.bs1.visible(), r.sm8212Shown);
        EXPECT_EQ(form.error_rate.visible(), r.sm8212Shown);
        EXPECT_EQ(form.address[6].visible(), r.sm8212Shown);
        EXPECT_EQ(form.addrFormat[7][3].visible(), r.sm8212Shown);
        EXPECT_EQ(form.EepromDeviceSelect, r.deviceSelect);
        EXPECT_FALSE(form.rssi_voltage.visible());
        EXPECT_EQ(form.decoder.text(), r.pcd5003Shown ? "PCD5003" : "SM8212");
    }
    EXPECT_EQ(form.lcddrv_opa.text(), "5.5");
    EXPECT_EQ(form.lcddrv.text(), "ST7567A");
}

TEST(PlatformStep, EnteringPlatform4KeepsOpaAndContrastOfPlatform3) {
    testing::FormRig rig;
    TForm1& form = rig.start(3);
    stepTo(form, 3);
    form.pll.setIndex(0);
    stepTo(form, 4);
    EXPECT_EQ(form.lcddrv_opa.index(), 5);
    EXPECT_EQ(form.contrast.text(), "10");
    EXPECT_EQ(form.pll.text(), "FS8108");
    EXPECT_EQ(form.firmwareversion.text(), "20");
}

TEST(PlatformStep, EnteringPlatform0ReplacesOnlyTheFsChips) {
    const std::pair<int, const char*> cases[] = {
        {3, "SM5170"}, {2, "SM5170"}, {1, "KS8809"}, {0, "SM5170"}};
    for (auto [pll, expected] : cases) {
        testing::FormRig rig;
        TForm1& form = rig.start(1); // platform 6
        form.pll.setIndex(pll);
        form.N5003T6K041Click();
        EXPECT_EQ(form.HardwarePlatform, 0);
        EXPECT_EQ(form.pll.text(), expected);
    }
}

TEST(PlatformStep, EnteringPlatform0From6RebuildsTheOpaListAndHidesTheLcdSettings) {
    testing::FormRig rig;
    TForm1& form = rig.start(1);
    ASSERT_EQ(form.lcddrv_opa.items().front(), "3.0");
    form.N5003T6K041Click();
    EXPECT_EQ(form.lcddrv_opa.items(),
              (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(form.lcddrv_opa.index(), 2);
    for (form::Control* c : std::initializer_list<form::Control*>{
             &form.lcddrv_opa, &form.L_lcddrv_opa, &form.lcd_fosc, &form.lcd_tc, &form.lcd_bias,
             &form.L_lcd_fosc, &form.L_lcd_tc, &form.L_lcd_bias})
        EXPECT_FALSE(c->visible()) << c->name();
    EXPECT_TRUE(form.firmwareversion.visible());
    EXPECT_FALSE(form.firmware_epson.visible());
}

TEST(PlatformStep, EnteringPlatform6KeepsTheEpsonFieldAndDeviceSelect) {
    testing::FormRig rig;
    TForm1& form = rig.start(0); // platform 5
    form.N5003T6K041Click();
    EXPECT_EQ(form.HardwarePlatform, 6);
    EXPECT_TRUE(form.firmware_epson.visible());
    EXPECT_FALSE(form.firmwareversion.visible());
    EXPECT_EQ(form.EepromDeviceSelect, 0);
    EXPECT_FALSE(form.lcd_fosc.visible());
}

TEST(PlatformStep, PlatformOutsideTheCycleOnlyRunsTheFirmwareRules) {
    testing::FormRig rig;
    TForm1& form = rig.start(1);
    form.HardwarePlatform = 8;
    form.ota.setVisible(false);
    const auto before = testing::snapshot(form);
    form.N5003T6K041Click();
    EXPECT_EQ(form.HardwarePlatform, 9);
    const auto diff = testing::changes(before, testing::snapshot(form));
    EXPECT_EQ(diff.size(), 1u);
    EXPECT_TRUE(diff.count("ota")) << "the firmware rules ran";
}

TEST(ContrastMask, DefaultBoxLocksTheContrastWithoutChangingIt) {
    testing::FormRig rig;
    TForm1& form = rig.start(1);
    ASSERT_TRUE(form.contrast_mask.checked());
    ASSERT_FALSE(form.contrast.enabled());
    form.contrast_mask.userClick();
    EXPECT_TRUE(form.contrast.enabled());
    form.contrast.setText("33");
    form.contrast_mask.userClick();
    EXPECT_FALSE(form.contrast.enabled());
    EXPECT_EQ(form.contrast.text(), "33");
}

} // namespace
} // namespace ccp::app
