#include "view/page_layout.h"

namespace ccp::view {
namespace {

using form::Control;

Cell one(Control& control, int span = 1) {
    return Cell{{&control}, span};
}

// A label and the control (or controls sharing the place) it names.
Row labelled(Control& label, std::vector<Control*> controls) {
    return Row{one(label), Cell{std::move(controls)}};
}

Row labelled(Control& label, Control& control) {
    return labelled(label, std::vector<Control*>{&control});
}

Box addresses(app::TForm1& f) {
    Column grid;
    Row heading{Cell{}, one(f.L_pn), one(f.L_fm), one(f.L_autoinc), one(f.L_msgtype)};
    for (std::size_t t = 0; t < 4; ++t) {
        heading.push_back(one(f.L_tone[t]));
        heading.push_back(one(f.labelUC[t]));
    }
    grid.push_back(heading);
    for (std::size_t i = 0; i < 8; ++i) {
        Row row{one(f.addrEn[i]), one(f.address[i]), one(f.frame[i]), one(f.autoinc[i]),
                one(f.msgtype[i])};
        for (std::size_t t = 0; t < 4; ++t) {
            row.push_back(one(f.addrFormat[i][t]));
            row.push_back(one(f.chbUC[i][t]));
        }
        grid.push_back(row);
    }
    return {&f.gb_addresses, {grid}};
}

Box folders(app::TForm1& f) {
    std::vector<Column> chains;
    for (std::size_t c = 0; c < 2; ++c) {
        Column chain{{Cell{}, one(f.L_title[c]), one(f.L_length[c])}};
        for (std::size_t k = 0; k < 8; ++k) {
            const std::size_t i = 8 * c + k;
            chain.push_back({one(f.pubboxact[i]), one(f.pubbox[i]), one(f.pubboxlength[i])});
        }
        chains.push_back(chain);
    }
    return {&f.gb_folders, chains};
}

Box settings(app::TForm1& f) {
    Column a{
        labelled(f.L_serial, f.serial),
        labelled(f.L_rangetime, {&f.rangetime, &f.L_rangetimeSec}),
        labelled(f.L_alerttime, f.alerttime),
        labelled(f.L_msgdisptime, f.msgdisptime),
        labelled(f.L_lcdholdtime, f.lcdholdtime),
        labelled(f.L_lcd_on, f.lcd_on_time),
        labelled(f.L_lcd_off, f.lcd_off_time),
        labelled(f.L_back_light, f.back_light),
        labelled(f.L_contrast, {&f.contrast, &f.contrast_mask}),
        labelled(f.L_menulanguage, f.menulanguage),
        labelled(f.L_language, f.language),
        labelled(f.L_autospace, f.autospace),
        labelled(f.L_dateformat, f.dateformat),
        labelled(f.L_pubcallno, f.pubcallno),
        labelled(f.L_lowcell, f.lowcell),
        labelled(f.L_numset, f.numset),
        labelled(f.L_pubfoldermode, f.pubfoldermode),
    };
    Column b{
        labelled(f.L_password, f.password),
        labelled(f.L_repeatcallcheck, f.repeatcallcheck),
        labelled(f.L_repeatcallreject, f.repeatcallreject),
        labelled(f.L_del_menu, f.del_menu),
        labelled(f.L_urgcallmode, f.urgcallmode),
        labelled(f.Label21, f.urgcalltype),
        Row{Cell{}, Cell{{&f.urgentcall, &f.urgcalladdr}}},
        labelled(f.L_channelfreq, f.channelfreq),
        labelled(f.L_channelspace, f.channelspace),
        labelled(f.L_firmwareversion, {&f.firmwareversion, &f.firmware_epson, &f.subversion}),
        labelled(f.L_customer, f.customer_sel),
        labelled(f.L_headers, {&f.chineseheader, &f.engheader, &f.clearheader}),
    };
    Column c{{one(f.gb_hello)}, {one(f.gb_tones)}};
    for (Control* box : std::initializer_list<Control*>{
             &f.outrangespecial, &f.lowbatteryspecial, &f.unread_alert, &f.handprogram,
             &f.vibrateWithFlash, &f.useLargeFont, &f.ota, &f.qsound, &f.autobacklight,
             &f.delall_w_unread, &f.beepWithFlash, &f.showFontMenu, &f.showPowerOffMenu})
        c.push_back({one(*box)});
    return {&f.TabSettings, {a, b, c}};
}

Box tones(app::TForm1& f) {
    Column left{
        labelled(f.L_tonepatternA, f.tonepatternA), labelled(f.L_tonepatternB, f.tonepatternB),
        labelled(f.L_tonepatternC, f.tonepatternC), labelled(f.L_tonepatternD, f.tonepatternD)};
    Column right{labelled(f.L_tonepatternPon, f.tonepatternPon),
                 labelled(f.L_tonepatternLcell, f.tonepatternLcell),
                 labelled(f.L_tonepatternUcall, f.tonepatternUcall)};
    return {&f.gb_tones, {left, right}};
}

Box decoder(app::TForm1& f) {
    // The chip list heads the PCD5003 column; it has no label of its own.
    Column left{{one(f.decoder, 2)},
                labelled(f.L_polarity, f.polarity),
                labelled(f.L_baudrate, f.baudrate),
                labelled(f.L_RXE, f.RXE),
                labelled(f.L_ROE, f.ROE),
                labelled(f.L_Acheck, f.addrcheck),
                labelled(f.L_Dcheck, f.datacheck),
                labelled(f.L_addr_check, f.addr_check),
                labelled(f.L_data_check, f.data_check)};
    Column right{labelled(f.L_bs1, f.bs1),
                 labelled(f.L_bs3, f.bs3),
                 labelled(f.L_clko, f.clko),
                 labelled(f.L_fstrength, f.filter_strength),
                 labelled(f.L_err_rate, f.error_rate),
                 {one(f.bs2_option, 2)},
                 {one(f.end_of_msg, 2)},
                 {one(f.filter_enable, 2)}};
    return {&f.hw_decoder, {left, right}};
}

Box lcdDriver(app::TForm1& f) {
    return {&f.hw_lcddrv,
            {{labelled(f.L_lcddrv, f.lcddrv), labelled(f.L_lcddrv_opa, f.lcddrv_opa),
              labelled(f.L_lcd_fosc, f.lcd_fosc), labelled(f.L_lcd_tc, f.lcd_tc),
              labelled(f.L_lcd_bias, f.lcd_bias)}}};
}

Box rssi(app::TForm1& f) {
    Column levels;
    for (std::size_t k = 0; k < 4; ++k) {
        const std::size_t i = 3 - k; // "Higher" on top
        levels.push_back(labelled(f.L_rssi_level[i], f.rssi_level[i]));
    }
    return {&f.rssi_voltage, {levels}};
}

} // namespace

std::vector<Box> pageLayout(app::TForm1& f) {
    return {
        {&f.TabAddresses, {{{one(f.gb_addresses)}, {one(f.gb_folders)}}}},
        addresses(f),
        folders(f),
        settings(f),
        {&f.gb_hello, {{{one(f.hellomsg1)}}}},
        tones(f),
        {&f.TabHardware,
         {{{one(f.hw_decoder)}, {one(f.hw_lcddrv)}},
          {{one(f.hw_pll)}, {one(f.hw_misc)}, {one(f.rssi_voltage)}}}},
        decoder(f),
        {&f.hw_pll, {{{one(f.pll)}}}},
        {&f.hw_misc,
         {{labelled(f.L_mcu_clk, f.mcu_clk),
           {one(f.st6bsupport, 2)},
           labelled(f.L_line_8or4, f.line_8or4)}}},
        lcdDriver(f),
        rssi(f),
    };
}

} // namespace ccp::view
