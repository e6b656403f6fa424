// The platform step: seven hardware generations in a cycle, each entry
// setting only what its generation changes (chips, contrast default, decoder
// settings, address rows 7 and 8, EEPROM device select, firmware version) and
// keeping what the platforms before it set.
#include "app/control_groups.h"
#include "app/tform1.h"
#include "model/channel_frequency.h"

#include <array>

namespace ccp::app {
namespace {

struct PlatformCaption {
    const char* profileOne;
    const char* others;
};

constexpr std::array<PlatformCaption, 7> kPlatformCaption = {{
    {"&V6", "&OLD_Hardware (5003+T6K04)"},
    {"&V6S", "&New_Hardware (5003+1815)"},
    {"&V7R", "&New_Hardware (8212+1815)"},
    {"&V7RT", "&New_BackLight"},
    {"A35", "&New hardware (8212+1815+8108)"},
    {"A36 EPSON", "&New hardware (8212+1815+8108+EPSON)"},
    {"A37", "&New hardware (8212+8108+EPSON+7567)"},
}};

// List indices the platforms select.
constexpr int kT6K04 = 0, kSD1815 = 1, kST7567A = 2;
constexpr int kPCD5003 = 0, kSM8212 = 1;

} // namespace

void TForm1::setPlatformCaption(int platform) {
    const PlatformCaption& caption = kPlatformCaption[platform];
    N5003T6K041.setCaption(CustomerProfile == 1 ? caption.profileOne : caption.others);
}

void TForm1::N5003T6K041Click() {
    HardwarePlatform = HardwarePlatform == 6 ? 0 : HardwarePlatform + 1;
    if (HardwarePlatform <= 6)
        enterPlatform(HardwarePlatform);
    firmwareversionChange();
}

void TForm1::enterPlatform(int platform) {
    const Controls opa{&L_lcddrv_opa, &lcddrv_opa};
    const Controls fosc{&L_lcd_fosc, &lcd_fosc, &L_lcd_tc, &lcd_tc, &L_lcd_bias, &lcd_bias};
    const Controls pcd5003{&L_RXE,    &RXE,       &L_ROE,    &ROE,
                           &L_Acheck, &addrcheck, &L_Dcheck, &datacheck};
    const Controls sm8212{&L_bs1,         &bs1,        &L_bs3,     &bs3,         &bs2_option,
                          &end_of_msg,    &L_clko,     &clko,      &L_fstrength, &filter_strength,
                          &filter_enable, &L_err_rate, &error_rate};
    auto showRows7and8 = [this](bool visible) {
        for (std::size_t i = 6; i < 8; ++i) {
            show({&addrEn[i], &address[i], &frame[i], &autoinc[i], &msgtype[i]}, visible);
            for (form::ComboBox& format : addrFormat[i])
                format.setVisible(visible);
        }
    };

    switch (platform) {
    case 1:
        setPlatformCaption(1);
        lcddrv.setIndex(kSD1815);
        show(opa);
        lcddrv_opa.setIndex(6);
        show(fosc);
        contrast.setText("15");
        decoder.setIndex(kPCD5003);
        show(pcd5003);
        show(sm8212, false);
        showRows7and8(false);
        EepromDeviceSelect = 0;
        firmwareversion.setText("6");
        rssi_voltage.setVisible(false);
        break;
    case 2:
    case 3:
        setPlatformCaption(platform);
        lcddrv.setIndex(kSD1815);
        show(opa);
        show(fosc);
        contrast.setText(platform == 2 ? "15" : "10");
        if (platform == 3)
            lcddrv_opa.setIndex(5);
        decoder.setIndex(kSM8212);
        show(pcd5003, false);
        show(sm8212);
        showRows7and8(true);
        EepromDeviceSelect = 2;
        firmwareversion.setText(platform == 2 ? "11" : "12");
        rssi_voltage.setVisible(false);
        break;
    case 4:
        setPlatformCaption(4);
        pll.setIndex(model::kPllFs8108);
        firmwareversion.setText("20");
        rssi_voltage.setVisible(false);
        break;
    case 5:
        EepromDeviceSelect = 0;
        contrast.setText("10");
        pll.setIndex(model::kPllFs8108);
        setPlatformCaption(5);
        // The Epson firmware's version text stands in the version's place.
        firmwareversion.setVisible(false);
        firmware_epson.setVisible(true);
        rssi_voltage.setVisible(false);
        break;
    case 6:
        contrast.setText("15");
        setPlatformCaption(6);
        lcddrv.setIndex(kST7567A);
        lcddrvChange();
        break;
    case 0:
        setPlatformCaption(0);
        lcddrv.setIndex(kT6K04);
        lcddrvChange();
        show(opa, false);
        show(fosc, false);
        contrast.setText("48");
        lcddrv_opa.setIndex(2);
        decoder.setIndex(kPCD5003);
        show(pcd5003);
        show(sm8212, false);
        showRows7and8(false);
        // The old decoders work with the SM5170 or KS8809 only.
        if (pll.index() == model::kPllFs8108 || pll.index() == model::kPllFs8170)
            pll.setIndex(model::kPllSm5170);
        EepromDeviceSelect = 0;
        firmwareversion.setText("2");
        firmwareversion.setVisible(true);
        firmware_epson.setVisible(false);
        rssi_voltage.setVisible(false);
        break;
    default:
        break;
    }
}

// The ST7567A takes OPA voltages from 3.0 to 6.5 V and has no Fosc, TC or
// bias settings; the other drivers take the codes 0 to 7.
void TForm1::lcddrvChange() {
    const Controls fosc{&L_lcd_fosc, &L_lcd_tc, &L_lcd_bias, &lcd_fosc, &lcd_tc, &lcd_bias};
    if (lcddrv.index() == kST7567A) {
        lcddrv_opa.setItems({"3.0", "3.5", "4.0", "4.5", "5.0", "5.5", "6.0", "6.5"});
        lcddrv_opa.setIndex(5);
        show(fosc, false);
    } else {
        lcddrv_opa.setItems({"0", "1", "2", "3", "4", "5", "6", "7"});
        lcddrv_opa.setIndex(5);
        show(fosc);
    }
}

// While "default" is ticked the platform's contrast default stands.
void TForm1::contrast_maskClick() {
    contrast.setEnabled(!contrast_mask.checked());
}

} // namespace ccp::app
