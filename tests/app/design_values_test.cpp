#include "support/form_fixture.h"

#include <gtest/gtest.h>

namespace ccp::app {
namespace {

using form::ControlKind;

// The setting controls as they are created, before any rule runs.
class DesignValues : public ::testing::Test {
protected:
    template <class T> T& get(const std::string& name) {
        form::Control* c = form.find(name);
        if (c == nullptr)
            throw std::runtime_error("no control " + name);
        return dynamic_cast<T&>(*c);
    }
    form::Form form;
    model::PagerSettings settings{form};
};

// The window's own controls after start-up: labels, groups, menus, placement.
class WindowControls : public ::testing::Test {
protected:
    WindowControls() : form(rig.start()) {}
    testing::FormRig rig;
    TForm1& form;
};

TEST_F(DesignValues, TextsOfEdits) {
    const std::pair<const char*, const char*> cases[] = {
        {"address1", "2004000"},
        {"address8", "2004056"},
        {"frame5", "0"},
        {"pubbox0", "FOLDER 00"},
        {"pubboxF", "FOLDER 15"},
        {"pubboxlength7", "1"},
        {"serial", "00000000"},
        {"rangetime", "30"},
        {"tonepatternA", "FFFC"},
        {"tonepatternB", "CFFC"},
        {"tonepatternC", "CCC0"},
        {"tonepatternD", "CCCC"},
        {"tonepatternPon", "A000"},
        {"tonepatternLcell", "8000"},
        {"tonepatternUcall", "D1B1"},
        {"lcdholdtime", "005"},
        {"contrast", "10"},
        {"hellomsg1", "---KRVA31E ---"},
        {"chineseheader", "+"},
        {"engheader", "-"},
        {"clearheader", "*"},
        {"firmwareversion", "10"},
        {"subversion", " "},
        {"channelfreq", "457.000"},
        {"bs1", "30"},
        {"bs3", "31"},
        {"rssi_level_0", "9"},
        {"rssi_level_3", "80"},
        {"firmware_epson", "1.77"},
    };
    for (auto [name, text] : cases)
        EXPECT_EQ(get<form::Edit>(name).text(), text) << name;
    EXPECT_EQ(get<form::Edit>("password").text().size(), 4u);
}

TEST_F(DesignValues, LengthLimitsOfEdits) {
    const std::pair<const char*, int> cases[] = {
        {"address3", 7},   {"frame3", 1},           {"pubbox9", 9},     {"pubboxlengthA", 2},
        {"serial", 8},     {"rangetime", 3},        {"lcdholdtime", 3}, {"contrast", 2},
        {"password", 4},   {"tonepatternUcall", 4}, {"subversion", 1},  {"firmwareversion", 2},
        {"hellomsg1", 14}, {"channelfreq", 9},      {"bs1", 2},         {"firmware_epson", 8},
    };
    for (auto [name, limit] : cases)
        EXPECT_EQ(get<form::Edit>(name).maxLength(), limit) << name;
}

TEST_F(DesignValues, ListsWithTheirItemsAndSelection) {
    struct Case {
        const char* name;
        int count;
        int index;
        const char* selected;
    } cases[] = {
        {"autoinc4", 9, 0, "0"},
        {"msgtype1", 2, 0, "Private"},
        {"msgtype2", 2, 1, "Public"},
        {"msgtype4", 2, 1, "Public"},
        {"msgtype5", 2, 0, "Private"},
        {"addr8formatD", 4, 1, "Alpha"},
        {"lcddrv_opa", 8, 5, "5"},
        {"lcd_on_time", 9, 0, "Disabled"},
        {"back_light", 4, 2, "5:5"},
        {"urgcalltype", 4, 0, "A tone"},
        {"alerttime", 4, 2, "16 sec"},
        {"msgdisptime", 4, 3, "32 sec"},
        {"menulanguage", 11, 0, "English"},
        {"language", 10, 7, "U.K."},
        {"autospace", 2, 1, "Enabled"},
        {"dateformat", 2, 0, "DD/MM/YY"},
        {"pubcallno", 2, 0, "Visible"},
        {"lowcell", 2, 1, "16 sec"},
        {"numset", 2, 0, "0-9,'NL'U'SP'-]["},
        {"pubfoldermode", 2, 0, "Continuous"},
        {"repeatcallcheck", 3, 0, "CT independent"},
        {"repeatcallreject", 5, 0, "Disabled"},
        {"urgcallmode", 2, 0, "Normal"},
        {"urgcalladdr", 7, 0, "Addr 1"},
        {"del_menu", 2, 0, "Protect, del, del all"},
        {"customer_sel", 7, 0, "Normal"},
        {"channelspace", 6, 0, "25 kHz"},
        {"polarity", 2, 0, "Normal"},
        {"baudrate", 3, 1, "1200 bps"},
        {"addrcheck", 7, 6, "0x7"},
        {"datacheck", 7, 6, "0x7"},
        {"ROE", 4, 3, "50 ms"},
        {"RXE", 4, 3, "30 ms"},
        {"decoder", 2, 0, "PCD5003"},
        {"clko", 3, 2, "Disabled"},
        {"filter_strength", 4, 1, "FS2"},
        {"error_rate", 8, 1, "2 CNT"},
        {"pll", 4, 2, "FS8108"},
        {"mcu_clk", 2, 0, "4 MHz"},
        {"lcddrv", 3, 1, "SD1815"},
        {"lcd_fosc", 8, 0, "60.6 Hz"},
        {"lcd_tc", 8, 0, "-0.01%/C"},
        {"lcd_bias", 3, 2, "10"},
        {"line_8or4", 2, 0, "8 lines"},
        {"addr_check", 8, 0, "0"},
        {"data_check", 8, 0, "0"},
    };
    for (const Case& c : cases) {
        auto& list = get<form::ComboBox>(c.name);
        EXPECT_EQ(list.count(), c.count) << c.name;
        EXPECT_EQ(list.index(), c.index) << c.name;
        EXPECT_EQ(list.text(), c.selected) << c.name;
    }
    EXPECT_EQ(settings.lcd_tc.items()[7], "-0.3%/C");
    EXPECT_EQ(settings.customer_sel.items()[6], "Nimbo WM");
    EXPECT_EQ(settings.language.items()[9], "DENMARK/NORWAY");
}

TEST_F(DesignValues, CheckBoxesAndTheirCaptions) {
    const std::pair<const char*, bool> states[] = {
        {"addr1en", true},          {"addr8en", true},          {"pubboxact0", true},
        {"pubboxactF", true},       {"chbUC1A", false},         {"chbUC8D", false},
        {"outrangespecial", false}, {"unread_alert", true},     {"handprogram", false},
        {"showFontMenu", true},     {"showPowerOffMenu", true}, {"beepWithFlash", false},
        {"filter_enable", true},    {"bs2_option", false},      {"contrast_mask", false},
        {"urgentcall", false},      {"st6bsupport", false},
    };
    for (auto [name, checked] : states)
        EXPECT_EQ(get<form::CheckBox>(name).checked(), checked) << name;
    const std::pair<const char*, const char*> captions[] = {
        {"addr3en", "[3]"},
        {"pubboxactF", "[16]"},
        {"qsound", "Quiet sound"},
        {"outrangespecial", "Out of range special display"},
        {"lowbatteryspecial", "Special low battery option"},
        {"ota", "Public folder OTA disable"},
        {"handprogram", "Hand programming"},
        {"delall_w_unread", "Del all include unread msg"},
        {"autobacklight", "Auto backlight"},
        {"showFontMenu", "Show font menu"},
        {"useLargeFont", "Use large font"},
        {"vibrateWithFlash", "Vibrate with flashing backlight"},
        {"showPowerOffMenu", "Show power off menu"},
        {"beepWithFlash", "Beep with flashing backlight"},
        {"urgentcall", "Urgent call"},
        {"contrast_mask", "default"},
    };
    for (auto [name, caption] : captions)
        EXPECT_EQ(get<form::CheckBox>(name).caption(), caption) << name;
}

TEST_F(WindowControls, LabelsGroupsAndHeadings) {
    const std::pair<const char*, const char*> cases[] = {
        {"L_serial", "Serial no."},
        {"L_rangetime", "Out range delay"},
        {"L_rangetimeSec", "sec"},
        {"L_back_light", "Backlight intensity"},
        {"L_lcd_on", "LCD ON"},
        {"L_lcd_off", "OFF"},
        {"L_del_menu", "Del menu"},
        {"Label21", "Urgent call type"},
        {"L_customer", "Customer"},
        {"L_RXE", "RXE"},
        {"L_ROE", "ROE"},
        {"L_Acheck", "Acheck"},
        {"L_Dcheck", "Dcheck"},
        {"L_bs1", "BS1"},
        {"L_bs3", "BS3"},
        {"L_clko", "CLKO"},
        {"L_fstrength", "Filter strength"},
        {"L_err_rate", "Error rate"},
        {"L_lcddrv_opa", "OPA"},
        {"L_lcd_fosc", "Fosc"},
        {"L_lcd_tc", "TC value"},
        {"L_lcd_bias", "Bias ratio"},
        {"L_contrast", "LCD contrast"},
        {"L_lcdholdtime", "LCD hold time"},
        {"L_password", "Passcode"},
        {"L_firmwareversion", "Firmware version"},
        {"L_repeatcallcheck", "Repeat call check"},
        {"L_repeatcallreject", "Repeat call rejection"},
        {"labelUCA", "UC"},
        {"labelUCD", "UC"},
        {"L_pn", "PN"},
        {"L_fm", "Fm"},
        {"L_autoinc", "Auto inc"},
        {"L_msgtype", "Msg type"},
        {"L_toneA", "A Tone"},
        {"L_toneD", "D Tone"},
        {"L_title1", "Title"},
        {"L_length2", "Length"},
        {"L_tonepatternPon", "Power on"},
        {"L_tonepatternLcell", "Low cell"},
        {"L_tonepatternUcall", "Urgent call"},
        {"gb_addresses", "Addresses"},
        {"gb_folders", "Folders"},
        {"gb_hello", "Hello message"},
        {"gb_tones", "Tone patterns"},
        {"hw_decoder", "Decoder"},
        {"hw_pll", "PLL"},
        {"hw_misc", "Misc"},
        {"hw_lcddrv", "LCD driver"},
        {"rssi_voltage", "RSSI voltage"},
        {"L_rssi_level_0", "Lower"},
        {"L_rssi_level_3", "Higher"},
        {"TabAddresses", "Addresses/Folders"},
        {"TabSettings", "Settings"},
        {"TabHardware", "Hardware"},
    };
    for (auto [name, caption] : cases) {
        form::Control* c = form.find(name);
        ASSERT_NE(c, nullptr) << name;
        EXPECT_EQ(c->caption(), caption) << name;
    }
    EXPECT_EQ(form.PageControl1.activePage(), &form.TabSettings);
}

TEST_F(DesignValues, Hints) {
    const std::pair<const char*, const char*> cases[] = {
        {"msgtype2", "Select Private will disable message folder 1-4"},
        {"msgtype3", "Select Private will disable message folder 5-8"},
        {"msgtype4", "Select Private will disable message folder 9-12"},
        {"msgtype8", "Select Private will disable message folder 9-12"},
        {"msgtype1", ""},
        {"contrast", "range 08-63. T6K04 default=48; SD1815 default=32"},
        {"lcdholdtime", "1-255 sec, 0=always on"},
        {"rangetime", "0=always on; 1-255sec"},
        {"bs1", "range  2 - 61"},
        {"bs3", "range 3 - 62"},
        {"contrast_mask", "uncheck it to enable contrast input"},
        {"channelspace", "Hand program only support 25 kHz channel space in firmware version 1, 2"},
        {"handprogram", "Will be disabled if channel space <25 kHz in Firmware 1&2"},
    };
    for (auto [name, hint] : cases)
        EXPECT_EQ(form.find(name)->hint(), hint) << name;
}

TEST_F(DesignValues, StartStatesOfEnabledAndVisible) {
    for (int i = 1; i <= 8; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_FALSE(form.find("frame" + n)->enabled());
        const bool isPublic = i >= 2 && i <= 4;
        EXPECT_EQ(form.find("chbUC" + n + "B")->enabled(), !isPublic) << i;
        const bool row7or8 = i >= 7;
        for (const char* prefix : {"addr", "address", "frame", "autoinc", "msgtype"}) {
            const std::string name =
                std::string(prefix) + n + (prefix == std::string("addr") ? "en" : "");
            EXPECT_EQ(form.find(name)->visible(), !row7or8) << name;
        }
    }
    for (const char* hidden : {"urgcalladdr", "chineseheader", "engheader", "clearheader",
                               "firmware_epson", "contrast_mask"})
        EXPECT_FALSE(form.find(hidden)->visible()) << hidden;
    for (const char* disabled :
         {"lcd_on_time", "lcd_off_time", "decoder", "lcddrv", "rssi_level_0", "rssi_level_3"})
        EXPECT_FALSE(form.find(disabled)->enabled()) << disabled;
    EXPECT_TRUE(settings.customer_sel.visible());
}

TEST_F(WindowControls, MenuCaptionsAndStructure) {
    auto names = [](const MenuItem& menu) {
        std::vector<std::string> out;
        for (const MenuItem* item : menu.items())
            out.push_back(item->name() + "=" + item->caption());
        return out;
    };
    EXPECT_EQ(names(form.File1),
              (std::vector<std::string>{"Open1=&Open...", "Save1=&Save...",
                                        "ExportText1=Export as text...",
                                        "ImportText1=Import text...", "N1=-", "Exit1=E&xit"}));
    EXPECT_EQ(names(form.Port1), (std::vector<std::string>{"LPT11=LPT&1", "LPT21=LPT&2"}));
    EXPECT_EQ(names(form.Help1),
              (std::vector<std::string>{"Repair1=&Repair", "Debug1=&Debug", "About1=&About"}));
    EXPECT_EQ(form.WriteToPager.caption(), "&Write_To_Pager");
    EXPECT_EQ(form.ReadFromPager.caption(), "&Read_From_Pager");
    EXPECT_TRUE(form.LPT11.checked());
    EXPECT_FALSE(form.LPT21.checked());
    EXPECT_FALSE(form.Repair1.checked());
    EXPECT_EQ(form.Repair1.hint(),
              "Help to recover the pager frpm EEP error or mem Error condition");
    EXPECT_EQ(form.gb_folders.hint(), "Total 100 message can be received");
}

TEST_F(WindowControls, EveryControlIsPlacedInsideItsParent) {
    for (form::Control* c : form.controls()) {
        if (c->kind() == ControlKind::MenuItem || c->kind() == ControlKind::Window)
            continue;
        ASSERT_NE(c->parent(), nullptr) << c->name();
        const form::Bounds& b = c->bounds();
        const form::Bounds& p = c->parent()->bounds();
        EXPECT_GT(b.width, 0) << c->name();
        EXPECT_GE(b.left, 0) << c->name();
        EXPECT_LE(b.left + b.width, p.width) << c->name() << " in " << c->parent()->name();
        EXPECT_LE(b.top + b.height, p.height) << c->name() << " in " << c->parent()->name();
    }
}

} // namespace
} // namespace ccp::app
