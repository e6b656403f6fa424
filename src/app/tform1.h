// The main window's model: every control of the window at its design value,
// the EepromImage and DecoderImage, the ProgrammerLink and the services the
// rules need. The constructor runs the window start-up sequence. Toolkit-free:
// the Qt view builds its widgets from these controls.
#pragma once

#include "app/family.h"
#include "app/wr_state.h"
#include "form/control.h"
#include "form/controls.h"
#include "link/programmer_link.h"
#include "model/image.h"

#include <array>
#include <cstdint>

namespace ccp::link {
class Clock;
class OsInfo;
class PortDriver;
} // namespace ccp::link

namespace ccp::app {

using form::CheckBox;
using form::ComboBox;
using form::Edit;
using form::GroupBox;
using form::Label;
using form::MenuItem;

// What the window needs from the machine; the view passes the real ones,
// tests pass recording and simulated ones.
struct Services {
    form::UserInterface& ui;
    link::PortDriver& port;
    link::Clock& clock;
    const link::OsInfo& os;
};

constexpr int kStartProfile = 1;

class TForm1 : public form::Form {
public:
    TForm1(Services services, int startProfile = kStartProfile);
    ~TForm1() override = default;

    // Menu handlers.
    void LPT11Click();
    void LPT21Click();
    void Exit1Click();
    void About1Click();

    link::PortDriver& port() const { return services_.port; }
    link::Clock& clock() const { return services_.clock; }
    const link::OsInfo& os() const { return services_.os; }
    char decimalSeparator() const { return decimalSeparator_; }

    // Shared state of the window.
    model::EepromImage EepromImage{};
    model::DecoderImage DecoderImage{};
    std::uint8_t HardwarePlatform = 0;
    std::uint8_t CustomerProfile;
    std::uint8_t EepromDeviceSelect = 0;
    link::ProgrammerLink Link;

private:
    Services services_;
    char decimalSeparator_ = '.';

public:
    // ---- window, pages, log, device list --------------------------------
    form::Window Form1{*this, "Form1", "A31E Capcode Programmer"};
    form::PageControl PageControl1{*this, "PageControl1"};
    form::TabSheet TabAddresses{*this, "TabAddresses", "Addresses/Folders"};
    form::TabSheet TabSettings{*this, "TabSettings", "Settings"};
    form::TabSheet TabHardware{*this, "TabHardware", "Hardware"};
    form::LogPane Memo1{*this, "Memo1"};
    form::ListBox DevListBox{*this, "DevListBox"};

    // ---- main menu ------------------------------------------------------
    MenuItem File1{*this, "File1", "&File"};
    MenuItem Open1{*this, "Open1", "&Open..."};
    MenuItem Save1{*this, "Save1", "&Save..."};
    MenuItem N1{*this, "N1", "-"};
    MenuItem Exit1{*this, "Exit1", "E&xit"};
    MenuItem Port1{*this, "Port1", "&Port"};
    MenuItem LPT11{*this, "LPT11", "LPT&1"};
    MenuItem LPT21{*this, "LPT21", "LPT&2"};
    MenuItem WriteToPager{*this, "WriteToPager", "&Write_To_Pager"};
    MenuItem ReadFromPager{*this, "ReadFromPager", "&Read_From_Pager"};
    MenuItem N5003T6K041{*this, "N5003T6K041", "OLD_Hardware (5003+T6K04)"};
    MenuItem Help1{*this, "Help1", "&Help"};
    MenuItem Repair1{*this, "Repair1", "&Repair"};
    MenuItem Debug1{*this, "Debug1", "&Debug"};
    MenuItem About1{*this, "About1", "&About"};
    // Top-level entries of the menu bar, in order.
    std::array<MenuItem*, 6> MainMenu{&File1,         &Port1,       &WriteToPager,
                                      &ReadFromPager, &N5003T6K041, &Help1};

    // ---- Addresses/Folders: addresses -----------------------------------
    GroupBox gb_addresses{*this, "gb_addresses", "Addresses"};
    Label L_pn{*this, "L_pn", "PN"};
    Label L_fm{*this, "L_fm", "Fm"};
    Label L_autoinc{*this, "L_autoinc", "Auto inc"};
    Label L_msgtype{*this, "L_msgtype", "Msg type"};
    std::array<Label, 4> L_tone = makeFamily<Label, 4>(
        [this](std::size_t t) { return Label(*this, std::string("L_tone") + "ABCD"[t]); });
    std::array<Label, 4> labelUC = makeFamily<Label, 4>(
        [this](std::size_t t) { return Label(*this, std::string("labelUC") + "ABCD"[t], "UC"); });
    std::array<CheckBox, 8> addrEn = makeFamily<CheckBox, 8>(
        [this](std::size_t i) { return CheckBox(*this, numbered("addr", i, "en")); });
    std::array<Edit, 8> address =
        makeFamily<Edit, 8>([this](std::size_t i) { return Edit(*this, numbered("address", i)); });
    std::array<Edit, 8> frame =
        makeFamily<Edit, 8>([this](std::size_t i) { return Edit(*this, numbered("frame", i)); });
    std::array<ComboBox, 8> autoinc = makeFamily<ComboBox, 8>(
        [this](std::size_t i) { return ComboBox(*this, numbered("autoinc", i)); });
    std::array<ComboBox, 8> msgtype = makeFamily<ComboBox, 8>(
        [this](std::size_t i) { return ComboBox(*this, numbered("msgtype", i)); });
    // addrNformatT at [N-1][T], T = 0..3 for tones A..D.
    std::array<std::array<ComboBox, 4>, 8> addrFormat =
        makeFamily<std::array<ComboBox, 4>, 8>([this](std::size_t i) {
            return makeFamily<ComboBox, 4>([this, i](std::size_t t) {
                return ComboBox(*this, numbered("addr", i, std::string("format") + "ABCD"[t]));
            });
        });
    // chbUCNT at [N-1][T].
    std::array<std::array<CheckBox, 4>, 8> chbUC =
        makeFamily<std::array<CheckBox, 4>, 8>([this](std::size_t i) {
            return makeFamily<CheckBox, 4>([this, i](std::size_t t) {
                return CheckBox(*this, numbered("chbUC", i, std::string(1, "ABCD"[t])));
            });
        });

    // ---- Addresses/Folders: folders -------------------------------------
    GroupBox gb_folders{*this, "gb_folders", "Folders"};
    std::array<Label, 2> L_title = makeFamily<Label, 2>(
        [this](std::size_t c) { return Label(*this, numbered("L_title", c), "Title"); });
    std::array<Label, 2> L_length = makeFamily<Label, 2>(
        [this](std::size_t c) { return Label(*this, numbered("L_length", c), "Length"); });
    std::array<CheckBox, 16> pubboxact = makeFamily<CheckBox, 16>(
        [this](std::size_t i) { return CheckBox(*this, hexNumbered("pubboxact", i)); });
    std::array<Edit, 16> pubbox = makeFamily<Edit, 16>(
        [this](std::size_t i) { return Edit(*this, hexNumbered("pubbox", i)); });
    std::array<Edit, 16> pubboxlength = makeFamily<Edit, 16>(
        [this](std::size_t i) { return Edit(*this, hexNumbered("pubboxlength", i)); });

    // ---- Settings --------------------------------------------------------
    Label L_serial{*this, "L_serial", "Serial no."};
    Edit serial{*this, "serial"};
    Label L_rangetime{*this, "L_rangetime", "Out range delay"};
    Edit rangetime{*this, "rangetime"};
    Label L_rangetimeSec{*this, "L_rangetimeSec", "sec"};
    Label L_alerttime{*this, "L_alerttime", "Alert time"};
    ComboBox alerttime{*this, "alerttime"};
    Label L_msgdisptime{*this, "L_msgdisptime", "Msg display time"};
    ComboBox msgdisptime{*this, "msgdisptime"};
    Label L_lcdholdtime{*this, "L_lcdholdtime", "LCD hold time"};
    Edit lcdholdtime{*this, "lcdholdtime"};
    Label L_lcd_on{*this, "L_lcd_on", "LCD ON"};
    ComboBox lcd_on_time{*this, "lcd_on_time"};
    Label L_lcd_off{*this, "L_lcd_off", "OFF"};
    ComboBox lcd_off_time{*this, "lcd_off_time"};
    Label L_back_light{*this, "L_back_light", "Backlight intensity"};
    ComboBox back_light{*this, "back_light"};
    Label L_contrast{*this, "L_contrast", "LCD contrast"};
    Edit contrast{*this, "contrast"};
    CheckBox contrast_mask{*this, "contrast_mask"};
    Label L_menulanguage{*this, "L_menulanguage", "Menu language"};
    ComboBox menulanguage{*this, "menulanguage"};
    Label L_language{*this, "L_language", "Language"};
    ComboBox language{*this, "language"};
    Label L_autospace{*this, "L_autospace", "Auto space"};
    ComboBox autospace{*this, "autospace"};
    Label L_dateformat{*this, "L_dateformat", "Date format"};
    ComboBox dateformat{*this, "dateformat"};
    Label L_pubcallno{*this, "L_pubcallno", "Public call no."};
    ComboBox pubcallno{*this, "pubcallno"};
    Label L_lowcell{*this, "L_lowcell", "Low cell alert"};
    ComboBox lowcell{*this, "lowcell"};
    Label L_numset{*this, "L_numset", "Numeric set"};
    ComboBox numset{*this, "numset"};
    Label L_pubfoldermode{*this, "L_pubfoldermode", "Public folder mode"};
    ComboBox pubfoldermode{*this, "pubfoldermode"};
    Label L_password{*this, "L_password", "Passcode"};
    Edit password{*this, "password"};
    Label L_repeatcallcheck{*this, "L_repeatcallcheck", "Repeat call check"};
    ComboBox repeatcallcheck{*this, "repeatcallcheck"};
    Label L_repeatcallreject{*this, "L_repeatcallreject", "Repeat call rejection"};
    ComboBox repeatcallreject{*this, "repeatcallreject"};
    Label L_del_menu{*this, "L_del_menu", "Del menu"};
    ComboBox del_menu{*this, "del_menu"};
    Label L_urgcallmode{*this, "L_urgcallmode", "Urgent call mode"};
    ComboBox urgcallmode{*this, "urgcallmode"};
    Label Label21{*this, "Label21", "Urgent call type"};
    ComboBox urgcalltype{*this, "urgcalltype"};
    CheckBox urgentcall{*this, "urgentcall"};
    ComboBox urgcalladdr{*this, "urgcalladdr"};
    Label L_channelfreq{*this, "L_channelfreq", "Channel frequency (MHz)"};
    Edit channelfreq{*this, "channelfreq"};
    Label L_channelspace{*this, "L_channelspace", "Channel space"};
    ComboBox channelspace{*this, "channelspace"};
    Label L_firmwareversion{*this, "L_firmwareversion", "Firmware version"};
    Edit firmwareversion{*this, "firmwareversion"};
    Edit subversion{*this, "subversion"};
    Edit firmware_epson{*this, "firmware_epson"};
    Label L_customer{*this, "L_customer", "Customer"};
    ComboBox customer_sel{*this, "customer_sel"};
    Label L_headers{*this, "L_headers", "Public headers"};
    Edit chineseheader{*this, "chineseheader"};
    Edit engheader{*this, "engheader"};
    Edit clearheader{*this, "clearheader"};
    CheckBox outrangespecial{*this, "outrangespecial"};
    CheckBox lowbatteryspecial{*this, "lowbatteryspecial"};
    CheckBox unread_alert{*this, "unread_alert"};
    CheckBox handprogram{*this, "handprogram"};
    CheckBox vibrateWithFlash{*this, "vibrateWithFlash"};
    CheckBox useLargeFont{*this, "useLargeFont"};
    CheckBox ota{*this, "ota"};
    CheckBox qsound{*this, "qsound"};
    CheckBox autobacklight{*this, "autobacklight"};
    CheckBox delall_w_unread{*this, "delall_w_unread"};
    CheckBox beepWithFlash{*this, "beepWithFlash"};
    CheckBox showFontMenu{*this, "showFontMenu"};
    CheckBox showPowerOffMenu{*this, "showPowerOffMenu"};
    GroupBox gb_hello{*this, "gb_hello", "Hello message"};
    Edit hellomsg1{*this, "hellomsg1"};
    GroupBox gb_tones{*this, "gb_tones", "Tone patterns"};
    Label L_tonepatternA{*this, "L_tonepatternA", "A"};
    Edit tonepatternA{*this, "tonepatternA"};
    Label L_tonepatternB{*this, "L_tonepatternB", "B"};
    Edit tonepatternB{*this, "tonepatternB"};
    Label L_tonepatternC{*this, "L_tonepatternC", "C"};
    Edit tonepatternC{*this, "tonepatternC"};
    Label L_tonepatternD{*this, "L_tonepatternD", "D"};
    Edit tonepatternD{*this, "tonepatternD"};
    Label L_tonepatternPon{*this, "L_tonepatternPon", "Power on"};
    Edit tonepatternPon{*this, "tonepatternPon"};
    Label L_tonepatternLcell{*this, "L_tonepatternLcell", "Low cell"};
    Edit tonepatternLcell{*this, "tonepatternLcell"};
    Label L_tonepatternUcall{*this, "L_tonepatternUcall", "Urgent call"};
    Edit tonepatternUcall{*this, "tonepatternUcall"};

    // ---- Hardware --------------------------------------------------------
    GroupBox hw_decoder{*this, "hw_decoder", "Decoder"};
    ComboBox decoder{*this, "decoder"};
    Label L_polarity{*this, "L_polarity", "Polarity"};
    ComboBox polarity{*this, "polarity"};
    Label L_baudrate{*this, "L_baudrate", "Baud rate"};
    ComboBox baudrate{*this, "baudrate"};
    Label L_RXE{*this, "L_RXE", "RXE"};
    ComboBox RXE{*this, "RXE"};
    Label L_ROE{*this, "L_ROE", "ROE"};
    ComboBox ROE{*this, "ROE"};
    Label L_Acheck{*this, "L_Acheck", "Acheck"};
    ComboBox addrcheck{*this, "addrcheck"};
    Label L_Dcheck{*this, "L_Dcheck", "Dcheck"};
    ComboBox datacheck{*this, "datacheck"};
    Label L_bs1{*this, "L_bs1", "BS1"};
    Edit bs1{*this, "bs1"};
    Label L_bs3{*this, "L_bs3", "BS3"};
    Edit bs3{*this, "bs3"};
    CheckBox bs2_option{*this, "bs2_option"};
    CheckBox end_of_msg{*this, "end_of_msg"};
    Label L_clko{*this, "L_clko", "CLKO"};
    ComboBox clko{*this, "clko"};
    Label L_fstrength{*this, "L_fstrength", "Filter strength"};
    ComboBox filter_strength{*this, "filter_strength"};
    CheckBox filter_enable{*this, "filter_enable"};
    Label L_err_rate{*this, "L_err_rate", "Error rate"};
    ComboBox error_rate{*this, "error_rate"};
    Label L_addr_check{*this, "L_addr_check", "Address check"};
    ComboBox addr_check{*this, "addr_check"};
    Label L_data_check{*this, "L_data_check", "Data check"};
    ComboBox data_check{*this, "data_check"};
    GroupBox hw_pll{*this, "hw_pll", "PLL"};
    ComboBox pll{*this, "pll"};
    GroupBox hw_misc{*this, "hw_misc", "Misc"};
    Label L_mcu_clk{*this, "L_mcu_clk", "MCU clock"};
    ComboBox mcu_clk{*this, "mcu_clk"};
    CheckBox st6bsupport{*this, "st6bsupport"};
    Label L_line_8or4{*this, "L_line_8or4", "Display lines"};
    ComboBox line_8or4{*this, "line_8or4"};
    GroupBox hw_lcddrv{*this, "hw_lcddrv", "LCD driver"};
    Label L_lcddrv{*this, "L_lcddrv", "Driver"};
    ComboBox lcddrv{*this, "lcddrv"};
    Label L_lcddrv_opa{*this, "L_lcddrv_opa", "OPA"};
    ComboBox lcddrv_opa{*this, "lcddrv_opa"};
    Label L_lcd_fosc{*this, "L_lcd_fosc", "Fosc"};
    ComboBox lcd_fosc{*this, "lcd_fosc"};
    Label L_lcd_tc{*this, "L_lcd_tc", "TC value"};
    ComboBox lcd_tc{*this, "lcd_tc"};
    Label L_lcd_bias{*this, "L_lcd_bias", "Bias ratio"};
    ComboBox lcd_bias{*this, "lcd_bias"};
    GroupBox rssi_voltage{*this, "rssi_voltage", "RSSI voltage"};
    // rssi_level_0..3 = "Lower", "Low", "High", "Higher".
    std::array<Label, 4> L_rssi_level = makeFamily<Label, 4>(
        [this](std::size_t i) { return Label(*this, "L_rssi_level_" + std::to_string(i)); });
    std::array<Edit, 4> rssi_level = makeFamily<Edit, 4>(
        [this](std::size_t i) { return Edit(*this, "rssi_level_" + std::to_string(i)); });

    // ---- progress dialog -------------------------------------------------
    TState_Form State_Form{*this};

private:
    void setDesignValues();
    void layOut();
    void bindHandlers();
    void probeDecimalSeparator();
};

} // namespace ccp::app
