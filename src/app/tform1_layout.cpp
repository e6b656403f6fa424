// Where every control sits: parent container and pixel bounds, as a window
// designer placed them for an 8-point font. The Qt view takes the parents and
// arranges the controls with layouts in the same groups, columns and order,
// sized from the font in use.
#include "app/tform1.h"

namespace ccp::app {
namespace {

constexpr int kRowHeight = 19;

void at(form::Control& c, form::Control& parent, int x, int y, int w, int h = kRowHeight) {
    c.place(&parent, {x, y, w, h});
}

// A label and its control on one row of a column.
void row(form::Control& parent, Label& label, form::Control& control, int x, int y, int labelWidth,
         int controlWidth) {
    at(label, parent, x, y + 2, labelWidth - 4, 15);
    at(control, parent, x + labelWidth, y, controlWidth);
}

} // namespace

void TForm1::layOut() {
    Form1.place(nullptr, {0, 0, 689, 485});
    at(PageControl1, Form1, 0, 0, 681, 417);
    for (form::TabSheet* page : PageControl1.pages())
        at(*page, PageControl1, 0, 0, 655, 410);
    at(Memo1, Form1, 24, 416, 497, 65);
    at(DevListBox, Form1, 520, 416, 161, 65);

    // Addresses: one row per entry, headings above the columns.
    at(gb_addresses, TabAddresses, 4, 2, 640, 194);
    const int formatX[4] = {240, 312, 384, 456};
    const int ucX[4] = {534, 560, 586, 612};
    at(L_pn, gb_addresses, 46, 12, 56, 15);
    at(L_fm, gb_addresses, 106, 12, 16, 15);
    at(L_autoinc, gb_addresses, 124, 12, 44, 15);
    at(L_msgtype, gb_addresses, 170, 12, 56, 15);
    for (std::size_t t = 0; t < 4; ++t) {
        at(L_tone[t], gb_addresses, formatX[t], 12, 70, 15);
        at(labelUC[t], gb_addresses, ucX[t], 12, 22, 15);
    }
    for (std::size_t i = 0; i < 8; ++i) {
        const int y = 28 + 20 * static_cast<int>(i);
        at(addrEn[i], gb_addresses, 6, y, 38);
        at(address[i], gb_addresses, 46, y, 58);
        at(frame[i], gb_addresses, 106, y, 16);
        at(autoinc[i], gb_addresses, 124, y, 44);
        at(msgtype[i], gb_addresses, 170, y, 66);
        for (std::size_t t = 0; t < 4; ++t) {
            at(addrFormat[i][t], gb_addresses, formatX[t], y, 70);
            at(chbUC[i][t], gb_addresses, ucX[t] + 2, y, 20);
        }
    }

    // Folders: the two chains of eight side by side.
    at(gb_folders, TabAddresses, 4, 198, 640, 208);
    for (std::size_t c = 0; c < 2; ++c) {
        const int x0 = 6 + 320 * static_cast<int>(c);
        at(L_title[c], gb_folders, x0 + 48, 12, 80, 15);
        at(L_length[c], gb_folders, x0 + 132, 12, 40, 15);
        for (std::size_t k = 0; k < 8; ++k) {
            const std::size_t i = 8 * c + k;
            const int y = 28 + 22 * static_cast<int>(k);
            at(pubboxact[i], gb_folders, x0, y, 46);
            at(pubbox[i], gb_folders, x0 + 48, y, 80);
            at(pubboxlength[i], gb_folders, x0 + 132, y, 28);
        }
    }

    // Settings, first column.
    int y = 6;
    auto colA = [&](Label& label, form::Control& control, int width = 110) {
        row(TabSettings, label, control, 4, y, 106, width);
        y += 22;
    };
    colA(L_serial, serial, 70);
    at(L_rangetimeSec, TabSettings, 144, y + 2, 24, 15);
    colA(L_rangetime, rangetime, 30);
    colA(L_alerttime, alerttime);
    colA(L_msgdisptime, msgdisptime);
    colA(L_lcdholdtime, lcdholdtime, 30);
    colA(L_lcd_on, lcd_on_time, 70);
    colA(L_lcd_off, lcd_off_time, 70);
    colA(L_back_light, back_light);
    at(contrast_mask, TabSettings, 146, y, 70);
    colA(L_contrast, contrast, 30);
    colA(L_menulanguage, menulanguage);
    colA(L_language, language);
    colA(L_autospace, autospace);
    colA(L_dateformat, dateformat);
    colA(L_pubcallno, pubcallno);
    colA(L_lowcell, lowcell);
    colA(L_numset, numset);
    colA(L_pubfoldermode, pubfoldermode);

    // Settings, second column.
    y = 6;
    auto colB = [&](Label& label, form::Control& control, int width = 118) {
        row(TabSettings, label, control, 226, y, 116, width);
        y += 22;
    };
    colB(L_password, password, 40);
    colB(L_repeatcallcheck, repeatcallcheck);
    colB(L_repeatcallreject, repeatcallreject);
    colB(L_del_menu, del_menu);
    colB(L_urgcallmode, urgcallmode);
    at(urgcalladdr, TabSettings, 400, y + 22, 60);
    colB(Label21, urgcalltype);
    at(urgentcall, TabSettings, 342, y, 118);
    y += 22;
    colB(L_channelfreq, channelfreq, 72);
    colB(L_channelspace, channelspace);
    at(subversion, TabSettings, 374, y, 16);
    at(firmware_epson, TabSettings, 342, y, 64);
    colB(L_firmwareversion, firmwareversion, 28);
    colB(L_customer, customer_sel);
    at(chineseheader, TabSettings, 342, y, 16);
    at(engheader, TabSettings, 362, y, 16);
    at(clearheader, TabSettings, 382, y, 16);
    at(L_headers, TabSettings, 226, y + 2, 112, 15);

    // Settings, third column: greeting, tones and the option boxes.
    at(gb_hello, TabSettings, 466, 2, 184, 44);
    at(hellomsg1, gb_hello, 8, 18, 168);
    at(gb_tones, TabSettings, 466, 48, 184, 106);
    Label* toneLabels[] = {&L_tonepatternA,    &L_tonepatternB,   &L_tonepatternC,
                           &L_tonepatternD,    &L_tonepatternPon, &L_tonepatternLcell,
                           &L_tonepatternUcall};
    Edit* tones[] = {&tonepatternA,   &tonepatternB,     &tonepatternC,    &tonepatternD,
                     &tonepatternPon, &tonepatternLcell, &tonepatternUcall};
    for (int k = 0; k < 7; ++k) {
        const int x = k < 4 ? 8 : 72;
        const int ty = 18 + 21 * (k < 4 ? k : k - 4);
        if (k < 4)
            row(gb_tones, *toneLabels[k], *tones[k], x, ty, 16, 38);
        else
            row(gb_tones, *toneLabels[k], *tones[k], x, ty, 66, 38);
    }
    y = 158;
    for (CheckBox* box : {&outrangespecial, &lowbatteryspecial, &unread_alert, &handprogram,
                          &vibrateWithFlash, &useLargeFont, &ota, &qsound, &autobacklight,
                          &delall_w_unread, &beepWithFlash, &showFontMenu, &showPowerOffMenu}) {
        at(*box, TabSettings, 466, y, 184, 18);
        y += 19;
    }

    // Hardware: decoder settings, PCD5003 ones on the left, SM8212 ones on
    // the right.
    at(hw_decoder, TabHardware, 4, 2, 362, 244);
    y = 18;
    auto decoderLeft = [&](Label* label, form::Control& control) {
        if (label != nullptr)
            row(hw_decoder, *label, control, 8, y, 80, 90);
        else
            at(control, hw_decoder, 88, y, 90);
        y += 24;
    };
    decoderLeft(nullptr, decoder);
    decoderLeft(&L_polarity, polarity);
    decoderLeft(&L_baudrate, baudrate);
    decoderLeft(&L_RXE, RXE);
    decoderLeft(&L_ROE, ROE);
    decoderLeft(&L_Acheck, addrcheck);
    decoderLeft(&L_Dcheck, datacheck);
    decoderLeft(&L_addr_check, addr_check);
    decoderLeft(&L_data_check, data_check);
    y = 18;
    auto decoderRight = [&](Label& label, form::Control& control, int width) {
        row(hw_decoder, label, control, 186, y, 90, width);
        y += 24;
    };
    decoderRight(L_bs1, bs1, 28);
    decoderRight(L_bs3, bs3, 28);
    decoderRight(L_clko, clko, 80);
    decoderRight(L_fstrength, filter_strength, 80);
    decoderRight(L_err_rate, error_rate, 80);
    for (CheckBox* box : {&bs2_option, &end_of_msg, &filter_enable}) {
        at(*box, hw_decoder, 186, y, 150, 18);
        y += 24;
    }

    at(hw_pll, TabHardware, 372, 2, 160, 48);
    at(pll, hw_pll, 8, 18, 144);

    at(hw_misc, TabHardware, 372, 54, 160, 96);
    row(hw_misc, L_mcu_clk, mcu_clk, 8, 18, 78, 70);
    at(st6bsupport, hw_misc, 8, 44, 144, 18);
    row(hw_misc, L_line_8or4, line_8or4, 8, 68, 78, 70);

    at(hw_lcddrv, TabHardware, 4, 250, 362, 150);
    y = 18;
    auto lcdRow = [&](Label& label, form::Control& control) {
        row(hw_lcddrv, label, control, 8, y, 70, 100);
        y += 25;
    };
    lcdRow(L_lcddrv, lcddrv);
    lcdRow(L_lcddrv_opa, lcddrv_opa);
    lcdRow(L_lcd_fosc, lcd_fosc);
    lcdRow(L_lcd_tc, lcd_tc);
    lcdRow(L_lcd_bias, lcd_bias);

    at(rssi_voltage, TabHardware, 372, 250, 160, 124);
    for (std::size_t k = 0; k < 4; ++k) {
        const std::size_t i = 3 - k; // "Higher" on top
        row(rssi_voltage, L_rssi_level[i], rssi_level[i], 8, 18 + 25 * static_cast<int>(k), 60, 40);
    }
}

} // namespace ccp::app
