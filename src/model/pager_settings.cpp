// Design values of every setting: items, default selections, texts, length
// limits, captions, hints and the start states of enabled and visible. They
// are set before any rule is bound, so none runs.
#include "model/pager_settings.h"

#include <string>
#include <vector>

namespace ccp::model {
namespace {

using Items = std::vector<std::string>;
using Controls = std::initializer_list<form::Control*>;

void list(ComboBox& box, Items items, int index) {
    box.setItems(std::move(items));
    box.setIndex(index);
}

void edit(Edit& field, int maxLength, std::string text) {
    field.setMaxLength(maxLength);
    field.setText(std::move(text));
}

// "[1]": the captions of the entry and folder boxes.
std::string bracketed(std::size_t n) {
    return std::string("[").append(std::to_string(n)).append("]");
}

Items numbers(int first, int last) {
    Items items;
    for (int i = first; i <= last; ++i)
        items.push_back(std::to_string(i));
    return items;
}

const Items kOnOffTimes = {"Disabled", "1s", "2s", "3s", "4s", "5s", "6s", "7s", "8s"};
const Items kTimes = {"4 sec", "8 sec", "16 sec", "32 sec"};
const Items kChecks = {"0x1", "0x2", "0x3", "0x4", "0x5", "0x6", "0x7"};

} // namespace

PagerSettings::PagerSettings(form::Form& owner) : owner_(owner) {
    // Addresses.
    static const char* const kPrivateHint[] = {"", "Select Private will disable message folder 1-4",
                                               "Select Private will disable message folder 5-8"};
    for (std::size_t i = 0; i < 8; ++i) {
        const bool isPublic = i >= 1 && i <= 3;
        addrEn[i].setCaption(bracketed(i + 1));
        addrEn[i].setChecked(true);
        edit(address[i], 7, std::to_string(2004000 + 8 * i));
        edit(frame[i], 1, "0");
        frame[i].setReadOnly(true);
        frame[i].setEnabled(false);
        list(autoinc[i], numbers(0, 8), 0);
        list(msgtype[i], {"Private", "Public"}, isPublic ? 1 : 0);
        if (i >= 1)
            msgtype[i].setHint(i < 3 ? kPrivateHint[i]
                                     : "Select Private will disable message folder 9-12");
        for (std::size_t t = 0; t < 4; ++t) {
            list(addrFormat[i][t], {"Numeric", "Alpha", "Disable", "Tone"}, 1);
            chbUC[i][t].setEnabled(!isPublic);
        }
    }
    for (std::size_t i = 6; i < 8; ++i) {
        for (form::Control* c :
             Controls{&addrEn[i], &address[i], &frame[i], &autoinc[i], &msgtype[i]})
            c->setVisible(false);
        for (std::size_t t = 0; t < 4; ++t)
            addrFormat[i][t].setVisible(false);
    }

    // Folders.
    for (std::size_t i = 0; i < 16; ++i) {
        pubboxact[i].setCaption(bracketed(i + 1));
        pubboxact[i].setChecked(true);
        edit(pubbox[i], 9, std::string(i < 10 ? "FOLDER 0" : "FOLDER ").append(std::to_string(i)));
        edit(pubboxlength[i], 2, "1");
    }

    // Settings.
    edit(serial, 8, "00000000");
    edit(rangetime, 3, "30");
    rangetime.setHint("0=always on; 1-255sec");
    outrangespecial.setCaption("Out of range special display");
    lowbatteryspecial.setCaption("Special low battery option");
    list(lcddrv_opa, numbers(0, 7), 5);
    list(lcd_on_time, kOnOffTimes, 0);
    list(lcd_off_time, kOnOffTimes, 0);
    lcd_on_time.setEnabled(false);
    lcd_off_time.setEnabled(false);
    list(back_light, {"9:1", "7:3", "5:5", "3:7"}, 2);
    for (Edit* tone : {&tonepatternA, &tonepatternB, &tonepatternC, &tonepatternD, &tonepatternPon,
                       &tonepatternLcell, &tonepatternUcall})
        tone->setMaxLength(4);
    tonepatternA.setText("FFFC");
    tonepatternB.setText("CFFC");
    tonepatternC.setText("CCC0");
    tonepatternD.setText("CCCC");
    tonepatternPon.setText("A000");
    tonepatternLcell.setText("8000");
    tonepatternUcall.setText("D1B1");
    urgentcall.setCaption("Urgent call");
    list(urgcalltype, {"A tone", "B tone", "C tone", "D tone"}, 0);
    list(alerttime, kTimes, 2);
    list(msgdisptime, kTimes, 3);
    edit(lcdholdtime, 3, "005");
    lcdholdtime.setHint("1-255 sec, 0=always on");
    list(menulanguage,
         {"English", "German", "French", "Swedish", "Danish", "Norwegian", "Portuguese", "Spanish",
          "Italian", "Finnish", "Dutch"},
         0);
    list(language,
         {"U.S.", "GERMAN", "SWISS", "FRENCH", "SWEDEN", "PORTUGAL", "SPAIN", "U.K.", "ITALY",
          "DENMARK/NORWAY"},
         7);
    edit(contrast, 2, "10");
    contrast.setHint("range 08-63. T6K04 default=48; SD1815 default=32");
    contrast_mask.setCaption("default");
    contrast_mask.setHint("uncheck it to enable contrast input");
    contrast_mask.setVisible(false);
    list(autospace, {"Disabled", "Enabled"}, 1);
    list(dateformat, {"DD/MM/YY", "MM/DD/YY"}, 0);
    list(pubcallno, {"Visible", "Invisible"}, 0);
    list(lowcell, {"0 sec", "16 sec"}, 1);
    unread_alert.setCaption("Unread alert");
    unread_alert.setChecked(true);
    list(numset, {"0-9,'NL'U'SP'-][", "0-9,ABCDE'SP'"}, 0);
    list(pubfoldermode, {"Continuous", "Discontinuous"}, 0);
    edit(password, 4, "1234");
    handprogram.setCaption("Hand programming");
    handprogram.setHint("Will be disabled if channel space <25 kHz in Firmware 1&2");
    vibrateWithFlash.setCaption("Vibrate with flashing backlight");
    useLargeFont.setCaption("Use large font");
    ota.setCaption("Public folder OTA disable");
    qsound.setCaption("Quiet sound");
    autobacklight.setCaption("Auto backlight");
    delall_w_unread.setCaption("Del all include unread msg");
    beepWithFlash.setCaption("Beep with flashing backlight");
    showFontMenu.setCaption("Show font menu");
    showFontMenu.setChecked(true);
    showPowerOffMenu.setCaption("Show power off menu");
    showPowerOffMenu.setChecked(true);
    list(repeatcallcheck, {"CT independent", "CT dependent", "Disabled"}, 0);
    list(repeatcallreject, {"Disabled", "1-2 min", "2-3 min", "5-6 min", "10-11 min"}, 0);
    edit(hellomsg1, 14, "---KRVA31E ---");
    edit(chineseheader, 1, "+");
    edit(engheader, 1, "-");
    edit(clearheader, 1, "*");
    for (form::Control* c : Controls{&chineseheader, &engheader, &clearheader})
        c->setVisible(false);
    edit(firmwareversion, 2, "10");
    edit(subversion, 1, " ");
    edit(firmware_epson, 8, "1.77");
    firmware_epson.setVisible(false);
    list(urgcallmode, {"Normal", "Continuous"}, 0);
    list(urgcalladdr, {"Addr 1", "Addr 2", "Addr 3", "Addr 4", "Addr 5", "Addr 6", "ALL"}, 0);
    urgcalladdr.setVisible(false);
    list(del_menu, {"Protect, del, del all", "Del all, del, protect"}, 0);
    list(customer_sel, {"Normal", "Halvo", "A9RWM", "Tressvik", "Dorvik", "Nimbo USA", "Nimbo WM"},
         0);
    edit(channelfreq, 9, "457.000");
    list(channelspace, {"25 kHz", "20 kHz", "12.5 kHz", "10 kHz", "6.25 kHz", "5 kHz"}, 0);
    channelspace.setHint("Hand program only support 25 kHz channel space in firmware version 1, 2");

    // Hardware.
    list(polarity, {"Normal", "Inverse"}, 0);
    list(baudrate, {"512 bps", "1200 bps", "2400 bps"}, 1);
    list(addrcheck, kChecks, 6);
    list(datacheck, kChecks, 6);
    list(ROE, {"20 ms", "30 ms", "40 ms", "50 ms"}, 3);
    list(RXE, {"5 ms", "10 ms", "15 ms", "30 ms"}, 3);
    list(decoder, {"PCD5003", "SM8212"}, 0);
    decoder.setEnabled(false);
    bs2_option.setCaption("BS2 option");
    end_of_msg.setCaption("End of message");
    list(clko, {"76.8 kHz", "38.4 kHz", "Disabled"}, 2);
    edit(bs1, 2, "30");
    bs1.setHint("range  2 - 61");
    edit(bs3, 2, "31");
    bs3.setHint("range 3 - 62");
    filter_enable.setCaption("Filter enable");
    filter_enable.setChecked(true);
    list(filter_strength, {"FS1", "FS2", "FS3", "FS4"}, 1);
    list(error_rate, {"1 CNT", "2 CNT", "3 CNT", "4 CNT", "5 CNT", "6 CNT", "7 CNT", "8 CNT"}, 1);
    list(addr_check, numbers(0, 7), 0);
    list(data_check, numbers(0, 7), 0);
    list(pll, {"SM5170", "KS8809", "FS8108", "FS8170"}, 2);
    list(mcu_clk, {"4 MHz", "2 MHz"}, 0);
    st6bsupport.setCaption("ST6B support");
    list(line_8or4, {"8 lines", "4 lines"}, 0);
    list(lcddrv, {"T6K04", "SD1815", "ST7567A"}, 1);
    lcddrv.setEnabled(false);
    list(lcd_fosc,
         {"60.6 Hz", "63.6 Hz", "68.5 Hz", "72.5 Hz", "74.4 Hz", "79.9 Hz", "89.3 Hz", "98.3 Hz"},
         0);
    list(lcd_tc,
         {"-0.01%/C", "Reserved", "-0.15%/C", "Reserved", "-0.2%/C", "Reserved", "Reserved",
          "-0.3%/C"},
         0);
    list(lcd_bias, {"00", "01", "10"}, 2);
    static const char* const kRssiDefault[] = {"9", "26", "51", "80"};
    for (std::size_t i = 0; i < 4; ++i) {
        edit(rssi_level[i], 3, kRssiDefault[i]);
        rssi_level[i].setEnabled(false);
    }
}

} // namespace ccp::model
