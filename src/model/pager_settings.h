// The editor's record of settings: one control per setting of the pager's
// configuration, named after the setting, with its items, default, length
// limit and start state. The codecs and the rules read and set these
// controls; labels, groups and menus belong to the window.
#pragma once

#include "form/control.h"
#include "form/controls.h"
#include "form/family.h"

#include <array>

namespace ccp::model {

using form::CheckBox;
using form::ComboBox;
using form::Edit;
using form::hexNumbered;
using form::makeFamily;
using form::numbered;

class PagerSettings {
public:
    explicit PagerSettings(form::Form& owner);
    PagerSettings(const PagerSettings&) = delete;
    PagerSettings& operator=(const PagerSettings&) = delete;

    // The form that owns the controls: its dispatcher and user interface.
    form::Form& owner() const { return owner_; }

private:
    form::Form& owner_;

public:
    // ---- Addresses/Folders: addresses -----------------------------------
    std::array<CheckBox, 8> addrEn = makeFamily<CheckBox, 8>(
        [this](std::size_t i) { return CheckBox(owner_, numbered("addr", i, "en")); });
    std::array<Edit, 8> address =
        makeFamily<Edit, 8>([this](std::size_t i) { return Edit(owner_, numbered("address", i)); });
    std::array<Edit, 8> frame =
        makeFamily<Edit, 8>([this](std::size_t i) { return Edit(owner_, numbered("frame", i)); });
    std::array<ComboBox, 8> autoinc = makeFamily<ComboBox, 8>(
        [this](std::size_t i) { return ComboBox(owner_, numbered("autoinc", i)); });
    std::array<ComboBox, 8> msgtype = makeFamily<ComboBox, 8>(
        [this](std::size_t i) { return ComboBox(owner_, numbered("msgtype", i)); });
    // addrNformatT at [N-1][T], T = 0..3 for tones A..D.
    std::array<std::array<ComboBox, 4>, 8> addrFormat =
        makeFamily<std::array<ComboBox, 4>, 8>([this](std::size_t i) {
            return makeFamily<ComboBox, 4>([this, i](std::size_t t) {
                return ComboBox(owner_, numbered("addr", i, std::string("format") + "ABCD"[t]));
            });
        });
    // chbUCNT at [N-1][T].
    std::array<std::array<CheckBox, 4>, 8> chbUC =
        makeFamily<std::array<CheckBox, 4>, 8>([this](std::size_t i) {
            return makeFamily<CheckBox, 4>([this, i](std::size_t t) {
                return CheckBox(owner_, numbered("chbUC", i, std::string(1, "ABCD"[t])));
            });
        });

    // ---- Addresses/Folders: folders -------------------------------------
    std::array<CheckBox, 16> pubboxact = makeFamily<CheckBox, 16>(
        [this](std::size_t i) { return CheckBox(owner_, hexNumbered("pubboxact", i)); });
    std::array<Edit, 16> pubbox = makeFamily<Edit, 16>(
        [this](std::size_t i) { return Edit(owner_, hexNumbered("pubbox", i)); });
    std::array<Edit, 16> pubboxlength = makeFamily<Edit, 16>(
        [this](std::size_t i) { return Edit(owner_, hexNumbered("pubboxlength", i)); });

    // ---- Settings --------------------------------------------------------
    Edit serial{owner_, "serial"};
    Edit rangetime{owner_, "rangetime"};
    ComboBox alerttime{owner_, "alerttime"};
    ComboBox msgdisptime{owner_, "msgdisptime"};
    Edit lcdholdtime{owner_, "lcdholdtime"};
    ComboBox lcd_on_time{owner_, "lcd_on_time"};
    ComboBox lcd_off_time{owner_, "lcd_off_time"};
    ComboBox back_light{owner_, "back_light"};
    Edit contrast{owner_, "contrast"};
    CheckBox contrast_mask{owner_, "contrast_mask"};
    ComboBox menulanguage{owner_, "menulanguage"};
    ComboBox language{owner_, "language"};
    ComboBox autospace{owner_, "autospace"};
    ComboBox dateformat{owner_, "dateformat"};
    ComboBox pubcallno{owner_, "pubcallno"};
    ComboBox lowcell{owner_, "lowcell"};
    ComboBox numset{owner_, "numset"};
    ComboBox pubfoldermode{owner_, "pubfoldermode"};
    Edit password{owner_, "password"};
    ComboBox repeatcallcheck{owner_, "repeatcallcheck"};
    ComboBox repeatcallreject{owner_, "repeatcallreject"};
    ComboBox del_menu{owner_, "del_menu"};
    ComboBox urgcallmode{owner_, "urgcallmode"};
    ComboBox urgcalltype{owner_, "urgcalltype"};
    CheckBox urgentcall{owner_, "urgentcall"};
    ComboBox urgcalladdr{owner_, "urgcalladdr"};
    Edit channelfreq{owner_, "channelfreq"};
    ComboBox channelspace{owner_, "channelspace"};
    Edit firmwareversion{owner_, "firmwareversion"};
    Edit subversion{owner_, "subversion"};
    Edit firmware_epson{owner_, "firmware_epson"};
    ComboBox customer_sel{owner_, "customer_sel"};
    Edit chineseheader{owner_, "chineseheader"};
    Edit engheader{owner_, "engheader"};
    Edit clearheader{owner_, "clearheader"};
    CheckBox outrangespecial{owner_, "outrangespecial"};
    CheckBox lowbatteryspecial{owner_, "lowbatteryspecial"};
    CheckBox unread_alert{owner_, "unread_alert"};
    CheckBox handprogram{owner_, "handprogram"};
    CheckBox vibrateWithFlash{owner_, "vibrateWithFlash"};
    CheckBox useLargeFont{owner_, "useLargeFont"};
    CheckBox ota{owner_, "ota"};
    CheckBox qsound{owner_, "qsound"};
    CheckBox autobacklight{owner_, "autobacklight"};
    CheckBox delall_w_unread{owner_, "delall_w_unread"};
    CheckBox beepWithFlash{owner_, "beepWithFlash"};
    CheckBox showFontMenu{owner_, "showFontMenu"};
    CheckBox showPowerOffMenu{owner_, "showPowerOffMenu"};
    Edit hellomsg1{owner_, "hellomsg1"};
    Edit tonepatternA{owner_, "tonepatternA"};
    Edit tonepatternB{owner_, "tonepatternB"};
    Edit tonepatternC{owner_, "tonepatternC"};
    Edit tonepatternD{owner_, "tonepatternD"};
    Edit tonepatternPon{owner_, "tonepatternPon"};
    Edit tonepatternLcell{owner_, "tonepatternLcell"};
    Edit tonepatternUcall{owner_, "tonepatternUcall"};

    // ---- Hardware --------------------------------------------------------
    ComboBox decoder{owner_, "decoder"};
    ComboBox polarity{owner_, "polarity"};
    ComboBox baudrate{owner_, "baudrate"};
    ComboBox RXE{owner_, "RXE"};
    ComboBox ROE{owner_, "ROE"};
    ComboBox addrcheck{owner_, "addrcheck"};
    ComboBox datacheck{owner_, "datacheck"};
    Edit bs1{owner_, "bs1"};
    Edit bs3{owner_, "bs3"};
    CheckBox bs2_option{owner_, "bs2_option"};
    CheckBox end_of_msg{owner_, "end_of_msg"};
    ComboBox clko{owner_, "clko"};
    ComboBox filter_strength{owner_, "filter_strength"};
    CheckBox filter_enable{owner_, "filter_enable"};
    ComboBox error_rate{owner_, "error_rate"};
    ComboBox addr_check{owner_, "addr_check"};
    ComboBox data_check{owner_, "data_check"};
    ComboBox pll{owner_, "pll"};
    ComboBox mcu_clk{owner_, "mcu_clk"};
    CheckBox st6bsupport{owner_, "st6bsupport"};
    ComboBox line_8or4{owner_, "line_8or4"};
    ComboBox lcddrv{owner_, "lcddrv"};
    ComboBox lcddrv_opa{owner_, "lcddrv_opa"};
    ComboBox lcd_fosc{owner_, "lcd_fosc"};
    ComboBox lcd_tc{owner_, "lcd_tc"};
    ComboBox lcd_bias{owner_, "lcd_bias"};
    // rssi_level_0..3 = "Lower", "Low", "High", "Higher".
    std::array<Edit, 4> rssi_level = makeFamily<Edit, 4>(
        [this](std::size_t i) { return Edit(owner_, "rssi_level_" + std::to_string(i)); });
};

} // namespace ccp::model
