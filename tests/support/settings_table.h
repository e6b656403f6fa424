// Settings that the images store, each with two values to switch between, and
// the layouts that keep them: for round trips through files and pagers.
#pragma once

#include "app/tform1.h"
#include "form/controls.h"

#include <gtest/gtest.h>
#include <string>

namespace ccp::testing::settings_table {

using app::TForm1;

// kMatrix: the urgent-call matrix is stored, which for profile 5 needs a
// version above 13 (platforms 4 to 6 run version 20). kOwnContrast: platforms
// 0 to 2 read the contrast back; 3 to 6 always read "10".
enum Layouts : unsigned {
    k5003 = 1,
    k8212 = 2,
    kExt = 4,
    kMatrix = 8,
    kOwnContrast = 16,
    kFixedContrast = 32,
    kAll = 7,
    kWide = k8212 | kExt
};

inline unsigned layoutBit(int platform) {
    unsigned layout = platform < 2 ? k5003 : platform < 5 ? k8212 : kExt;
    if (platform >= 4)
        layout |= kMatrix;
    layout |= platform <= 2 ? kOwnContrast : kFixedContrast;
    return layout;
}

// A stored setting with two values to switch between; lists take an index,
// check boxes "1" or "0". The order matters where rules tie settings together
// (hold time 0 keeps the LCD on/off choices).
struct Setting {
    const char* name;
    const char* a;
    const char* b;
    unsigned layouts = kAll;
};

inline const Setting kSettings[] = {
    {"lcdholdtime", "0", "5"},
    {"contrast", "45", "20", kOwnContrast},
    {"contrast", "10", "20", kFixedContrast},
    {"lcd_on_time", "3", "0"},
    {"lcd_off_time", "6", "0"},
    {"serial", "AB12cd34", "ZZ000001"},
    {"rangetime", "200", "30"},
    {"password", "4321", "1234"},
    {"hellomsg1", "Hello pager 14", "--other hello-"},
    {"tonepatternA", "1234", "FFFC"},
    {"tonepatternD", "0A0B", "CCCC"},
    {"tonepatternUcall", "9F00", "D1B1"},
    {"pubbox0", "NEWS     ", "FOLDER 00"},
    {"pubboxF", "LAST ONE ", "FOLDER 15"},
    {"pubboxlength3", "7", "1"},
    {"address1", "1234560", "2004000"},
    {"address6", "0000008", "2004040"},
    {"address8", "2097143", "2004056", kWide},
    {"subversion", "B", " "},
    {"channelspace", "1", "0"},
    {"channelfreq", "450.00000", "457.00000"},
    {"language", "3", "7"},
    {"menulanguage", "10", "0"},
    {"back_light", "0", "2"},
    {"alerttime", "1", "2"},
    {"msgdisptime", "0", "3"},
    {"msgtype1", "1", "0"},
    {"msgtype5", "1", "0"},
    {"msgtype8", "1", "0", kWide},
    {"addr1formatA", "3", "1"},
    {"addr6formatD", "0", "1"},
    {"addr8formatB", "2", "1", kWide},
    {"urgcalltype", "2", "0"},
    {"autospace", "0", "1"},
    {"dateformat", "1", "0"},
    {"pubcallno", "1", "0"},
    {"lowcell", "0", "1"},
    {"numset", "1", "0"},
    {"pubfoldermode", "1", "0"},
    {"repeatcallcheck", "1", "0"},
    {"repeatcallreject", "3", "0"},
    {"urgcallmode", "1", "0"},
    {"del_menu", "1", "0"},
    {"polarity", "1", "0"},
    {"baudrate", "2", "1"},
    {"addr_check", "3", "0"},
    {"data_check", "4", "0"},
    {"qsound", "1", "0"},
    {"autobacklight", "1", "0"},
    {"delall_w_unread", "1", "0"},
    {"handprogram", "1", "0"},
    {"vibrateWithFlash", "1", "0"},
    {"useLargeFont", "1", "0"},
    {"ota", "1", "0"},
    {"unread_alert", "0", "1"},
    {"showFontMenu", "0", "1"},
    {"outrangespecial", "1", "0"},
    {"lowbatteryspecial", "1", "0"},
    {"addr3en", "0", "1"},
    {"beepWithFlash", "1", "0", kWide},
    {"showPowerOffMenu", "0", "1", kWide},
    {"ROE", "1", "3", k5003},
    {"RXE", "2", "3", k5003},
    {"addrcheck", "2", "6", k5003},
    {"datacheck", "3", "6", k5003},
    {"pll", "1", "0", k5003},
    {"pll", "0", "2", kWide},
    {"bs1", "20", "30", kWide},
    {"bs3", "40", "31", kWide},
    {"bs2_option", "1", "0", kWide},
    {"end_of_msg", "1", "0", kWide},
    {"clko", "0", "2", kWide},
    {"filter_enable", "0", "1", kWide},
    {"filter_strength", "3", "1", kWide},
    {"error_rate", "5", "1", kWide},
    {"lcd_fosc", "3", "0", kWide},
    {"lcd_tc", "2", "0", kWide},
    {"lcd_bias", "1", "2", kWide},
    {"chbUC2A", "1", "0", kMatrix},
    {"chbUC7D", "1", "0", kMatrix},
    {"rssi_level_0", "11", "9", kExt},
    {"rssi_level_3", "99", "80", kExt},
    {"firmware_epson", "2.05", "1.77", kExt},
    {"st6bsupport", "1", "0", kExt},
    {"line_8or4", "1", "0", kExt},
};

inline void apply(TForm1& form, const Setting& s, const char* value) {
    form::Control* c = form.find(s.name);
    ASSERT_NE(c, nullptr) << s.name;
    switch (c->kind()) {
    case form::ControlKind::Edit:
        static_cast<form::Edit*>(c)->setText(value);
        break;
    case form::ControlKind::ComboBox:
        static_cast<form::ComboBox*>(c)->setIndex(std::stoi(value));
        break;
    case form::ControlKind::CheckBox:
        static_cast<form::CheckBox*>(c)->setChecked(std::string(value) == "1");
        break;
    default:
        FAIL() << s.name << " is not a setting";
    }
}

inline std::string valueOf(const TForm1& form, const char* name) {
    const form::Control* c = form.find(name);
    switch (c->kind()) {
    case form::ControlKind::Edit:
        return static_cast<const form::Edit*>(c)->text();
    case form::ControlKind::ComboBox:
        return std::to_string(static_cast<const form::ComboBox*>(c)->index());
    case form::ControlKind::CheckBox:
        return static_cast<const form::CheckBox*>(c)->checked() ? "1" : "0";
    default:
        return {};
    }
}

} // namespace ccp::testing::settings_table
