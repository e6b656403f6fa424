#include "editor/image_decoder.h"

#include "model/backlight.h"
#include "model/bits.h"
#include "model/capcode.h"
#include "model/channel_frequency.h"
#include "model/folder_slots.h"
#include "model/hex_text.h"
#include "model/image_offsets.h"
#include "model/text_field.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string>

namespace ccp::editor {

using model::Layout;

namespace {

constexpr std::size_t kAddresses5003 = model::kAddressCount5003;
constexpr std::size_t kAddresses8212 = model::kEntryCount8212;

bool bit(std::uint8_t byte, int n) {
    return model::getBits(byte, n, n) != 0;
}

int field(std::uint8_t byte, int hi, int lo) {
    return static_cast<int>(model::getBits(byte, hi, lo));
}

int reversedField(std::uint8_t byte, int hi, int lo) {
    return static_cast<int>(model::reverseBits(model::getBits(byte, hi, lo), hi - lo + 1));
}

std::string decimal(long long value) {
    return std::to_string(value);
}

// Platforms 3-5 always show OPA index 5, whatever byte 10 holds; platforms
// 3-6 always show contrast "10", whatever byte 33 holds.
constexpr int kForcedOpa = 5;
constexpr const char* kForcedContrast = "10";
// Index of "64 sec" in `alerttime` and `msgdisptime`, flagged in byte 10.
constexpr int kLongTime = 4;

// Invalid platform numbers count as the nearest valid one, as for the layout.
int platformOf(const EditorContext& context) {
    return std::min<int>(context.hardwarePlatform, model::kPlatformCount - 1);
}

bool forcesOpa(int platform) {
    return platform >= 3 && platform <= 5;
}

bool forcesContrast(int platform) {
    return platform >= 3;
}

} // namespace

ImageDecoder::ImageDecoder(EditorContext& context, ChannelFrequencyRules& frequencyRules)
    : context_(context), frequencyRules_(frequencyRules) {
}

void ImageDecoder::decode() {
    const model::EepromImage& e = context_.eeprom;
    model::PagerSettings& s = context_.settings;
    const int platform = platformOf(context_);
    const Layout layout = model::layoutOf(platform);

    // 1-2.
    s.serial.setText(model::readTextField(e, model::kSerialByte, model::kSerialWidth));
    s.rangetime.setText(decimal(e[model::kRangeTimeByte]));

    // 3-4.
    s.outrangespecial.setChecked(bit(e[model::kOptionFlagsByte], 7));
    s.lowbatteryspecial.setChecked(bit(e[model::kOptionFlagsByte], 6));
    s.lcddrv_opa.setIndex(forcesOpa(platform) ? kForcedOpa
                                              : field(e[model::kOptionFlagsByte], 2, 0));

    // 5-6. The on and off times are read back from their low four bits only.
    s.lcd_on_time.setIndex(field(e[model::kLcdOnTimeByte], 3, 0));
    s.lcd_off_time.setIndex(field(e[model::kLcdOffTimeByte], 3, 0));
    if (const auto backlight = model::backlightIndex(e[model::kBacklightByte])) {
        s.back_light.setIndex(*backlight);
    }

    // 7.
    const std::array<form::Edit*, model::kTonePatternCount> tones = {
        &s.tonepatternA,   &s.tonepatternB,     &s.tonepatternC,    &s.tonepatternD,
        &s.tonepatternPon, &s.tonepatternLcell, &s.tonepatternUcall};
    for (std::size_t i = 0; i < tones.size(); ++i) {
        const std::size_t offset = model::tonePatternByte(i);
        tones[i]->setText(model::hexText(
            std::span<const std::uint8_t>(e).subspan(offset, model::kHexFieldBytes)));
    }

    // 8-9.
    s.urgentcall.setChecked(bit(e[model::kUrgentCallAndTimesByte], 6));
    s.urgcalltype.setIndex(field(e[model::kUrgentCallAndTimesByte], 5, 4));
    s.lcdholdtime.setText(decimal(e[model::kLcdHoldTimeByte]));

    // 10. Addresses 7 and 8 exist only in the 8212 layouts.
    const std::size_t msgtypes = layout == Layout::Pcd5003 ? kAddresses5003 : kAddresses8212;
    for (std::size_t i = 0; i < msgtypes; ++i) {
        s.msgtype[i].setIndex(
            field(e[model::kMessageTypesByte], static_cast<int>(i), static_cast<int>(i)));
    }

    // 11-12.
    s.menulanguage.setIndex(field(e[model::kLanguagesByte], 7, 4));
    s.language.setIndex(field(e[model::kLanguagesByte], 3, 0));
    s.contrast.setText(forcesContrast(platform) ? std::string(kForcedContrast)
                                                : decimal(e[model::kContrastByte]));

    // 13.
    const std::uint8_t display = e[model::kDisplayOptionsByte];
    s.autospace.setIndex(field(display, 6, 6));
    s.dateformat.setIndex(field(display, 5, 5));
    s.pubcallno.setIndex(field(display, 4, 4));
    s.lowcell.setIndex(field(display, 3, 3));
    s.unread_alert.setChecked(bit(display, 2));
    s.numset.setIndex(field(display, 1, 1));
    s.pubfoldermode.setIndex(field(display, 0, 0));

    // 14.
    s.password.setText(model::readTextField(e, model::kPasswordByte, model::kPasswordWidth));

    // 15. Byte 39 holds a second copy of `lowcell`; its value is the one that stays.
    const std::uint8_t menu = e[model::kUserOptionsByte];
    s.handprogram.setChecked(bit(menu, 7));
    s.vibrateWithFlash.setChecked(bit(menu, 6));
    s.useLargeFont.setChecked(bit(menu, 5));
    s.showFontMenu.setChecked(bit(menu, 4));
    s.lowcell.setIndex(field(menu, 3, 3));
    s.ota.setChecked(bit(menu, 2));
    s.repeatcallcheck.setIndex(field(menu, 1, 0));

    // 16-19.
    decodeDisplayAndAddressFormats(layout);
    s.chineseheader.setText(
        model::readTextField(e, model::kChineseHeaderByte, model::kHeaderWidth));
    s.engheader.setText(model::readTextField(e, model::kEnglishHeaderByte, model::kHeaderWidth));
    s.clearheader.setText(model::readTextField(e, model::kClearHeaderByte, model::kHeaderWidth));
    decodeChannelSpacing(layout);
    for (std::size_t n = 0; n < s.pubbox.size(); ++n) {
        s.pubbox[n].setText(
            model::readTextField(e, model::folderTitleByte(n), model::kFolderTitleWidth));
    }

    // 20.
    decodeFolders();

    // 21-22. The firmware rules bound to `firmwareversion` run here, before the
    // settings whose items they add or remove are set.
    s.firmwareversion.setText(decimal(e[model::kFirmwareVersionByte]));
    s.subversion.setText(model::readTextField(e, model::kSubversionByte, model::kSubversionWidth));

    // 23. A set "64 sec" flag plus a non-zero two-bit index lies beyond the items.
    s.msgdisptime.setIndex((bit(e[model::kOptionFlagsByte], 4) ? kLongTime : 0) +
                           field(e[model::kUrgentCallAndTimesByte], 3, 2));
    s.alerttime.setIndex((bit(e[model::kOptionFlagsByte], 5) ? kLongTime : 0) +
                         field(e[model::kUrgentCallAndTimesByte], 1, 0));

    // 24-27.
    decodePllAndMenuOptions(layout);
    s.repeatcallreject.setIndex(e[model::kRepeatCallRejectByte]);

    // 28-30.
    if (layout == Layout::Pcd5003) {
        decodePcd5003Block();
    } else {
        decodeSm8212Block();
    }
    if (layout == Layout::Sm8212Extended) {
        decodeRssiAndEpson();
    }

    // 31-32. Byte 318 is kept in every layout.
    s.addr_check.setIndex(field(e[model::kAddressDataCheckByte], 6, 4));
    s.data_check.setIndex(field(e[model::kAddressDataCheckByte], 2, 0));
    if (layout == Layout::Sm8212Extended) {
        s.st6bsupport.setChecked(bit(e[model::kDisplayModuleByteExt], 7));
        s.line_8or4.setIndex(field(e[model::kDisplayModuleByteExt], 6, 6));
    }

    // 33.
    frequencyRules_.wordsToFrequency();
}

void ImageDecoder::decodeDisplayAndAddressFormats(Layout layout) {
    const model::EepromImage& e = context_.eeprom;
    model::PagerSettings& s = context_.settings;
    std::size_t addresses = kAddresses8212;
    std::size_t formats = model::kFormatsByte8212;
    if (layout == Layout::Pcd5003) {
        s.addrcheck.setIndex(e[model::kAddrCheckByte5003]);
        s.datacheck.setIndex(e[model::kDataCheckByte5003]);
        s.hellomsg1.setText(model::readTextField(e, model::kHelloByte5003, model::kHelloWidth));
        addresses = kAddresses5003;
        formats = model::kFormatsByte5003;
    } else {
        s.lcd_fosc.setIndex(field(e[model::kLcdDriveByte8212], 7, 5));
        s.lcd_tc.setIndex(field(e[model::kLcdDriveByte8212], 4, 2));
        s.lcd_bias.setIndex(field(e[model::kLcdDriveByte8212], 1, 0));
        s.hellomsg1.setText(model::readTextField(e, model::kHelloByte8212, model::kHelloWidth));
    }
    // One byte per address: tone A in bits 1-0 up to tone D in bits 7-6.
    for (std::size_t i = 0; i < addresses; ++i) {
        for (std::size_t t = 0; t < s.addrFormat[i].size(); ++t) {
            const int lo = 2 * static_cast<int>(t);
            s.addrFormat[i][t].setIndex(field(e[formats + i], lo + 1, lo));
        }
    }
}

void ImageDecoder::decodeChannelSpacing(Layout layout) {
    const model::EepromImage& e = context_.eeprom;
    if (layout == Layout::Pcd5003) {
        context_.settings.channelspace.setIndex(field(e[model::kPllControl5003], 7, 4));
        return;
    }
    const std::uint8_t control = e[model::kPllControl8212];
    int code = field(control, 6, 4);
    // An FS8108 from 200 MHz up (range 1 or 2) runs at half the step, and its
    // stored spacing code is the list's index plus 2.
    const int range = field(control, 1, 0);
    if (field(control, 3, 2) == model::kPllFs8108 && (range == 1 || range == 2)) {
        code -= 2;
    }
    context_.settings.channelspace.setIndex(code);
}

void ImageDecoder::decodeFolders() {
    const model::EepromImage& e = context_.eeprom;
    model::PagerSettings& s = context_.settings;
    std::array<std::optional<int>, model::kFolderCount> lengths;
    for (std::size_t n = 0; n < lengths.size(); ++n) {
        const std::size_t slots = model::kFolderSlotBase + model::kFolderSlotSize * n;
        lengths[n] = model::folderLengthFromSlots(e[slots], e[slots + 1]);
    }
    // Checking a box runs its click rule, which counts the lengths of every
    // checked folder against the limit of 99 and refuses or trims the folder
    // when they exceed it. The image's inactive folders are cleared and its
    // lengths put in first, so that folders and lengths the window held before
    // cannot refuse or trim a folder of the image. A length below 1 (last slot
    // below the first) follows its box: the rule refuses a folder without room
    // for one message.
    for (std::size_t n = 0; n < lengths.size(); ++n) {
        if (!lengths[n]) {
            s.pubboxact[n].setChecked(false);
        }
    }
    for (std::size_t n = 0; n < lengths.size(); ++n) {
        if (lengths[n] && *lengths[n] > 0) {
            s.pubboxlength[n].setText(decimal(*lengths[n]));
        }
    }
    for (std::size_t n = 0; n < lengths.size(); ++n) {
        if (lengths[n]) {
            s.pubboxact[n].setChecked(true);
            s.pubboxlength[n].setText(decimal(*lengths[n]));
        }
    }
    // After the click rules, which open the fields of the folder after a
    // checked one; an inactive folder keeps its length text.
    for (std::size_t n = 0; n < lengths.size(); ++n) {
        s.pubbox[n].setEnabled(lengths[n].has_value());
        s.pubboxlength[n].setEnabled(lengths[n].has_value());
    }
}

void ImageDecoder::decodePllAndMenuOptions(Layout layout) {
    const model::EepromImage& e = context_.eeprom;
    model::PagerSettings& s = context_.settings;
    const std::uint8_t modes = e[model::kFeatureByte];
    s.urgcallmode.setIndex(field(modes, 7, 7));
    s.qsound.setChecked(bit(modes, 6));
    if (layout == Layout::Pcd5003) {
        s.pll.setIndex(reversedField(modes, 5, 4));
    } else {
        s.showPowerOffMenu.setChecked(bit(modes, 5));
        s.beepWithFlash.setChecked(bit(modes, 4));
        s.pll.setIndex(field(e[model::kPllControl8212], 3, 2));
    }
    s.mcu_clk.setIndex(field(modes, 3, 3));
    s.autobacklight.setChecked(bit(modes, 2));
    s.delall_w_unread.setChecked(bit(modes, 1));
    s.del_menu.setIndex(field(modes, 0, 0));
}

void ImageDecoder::decodeSm8212Block() {
    const model::EepromImage& e = context_.eeprom;
    model::PagerSettings& s = context_.settings;
    decodeUrgentCallMatrix();

    // All eight enable flags, then all eight capcodes.
    for (std::size_t k = 0; k < kAddresses8212; ++k) {
        if (const auto entry = model::unpackCapcode8212(e, static_cast<int>(k))) {
            s.addrEn[k].setChecked(entry->enabled);
        }
    }
    for (std::size_t k = 0; k < kAddresses8212; ++k) {
        if (const auto entry = model::unpackCapcode8212(e, static_cast<int>(k))) {
            s.address[k].setText(decimal(entry->capcode));
        }
    }

    s.bs2_option.setChecked(bit(e[model::kBs2OptionByte8212], 7));
    const std::uint8_t setup = e[model::kDecoderModeByte8212];
    s.end_of_msg.setChecked(bit(setup, 0));
    s.clko.setIndex(field(setup, 2, 1));
    s.baudrate.setIndex(reversedField(setup, 4, 3));
    s.polarity.setIndex(field(setup, 5, 5));

    // BS3 = bits 5-4 in byte 295, bits 3-0 in byte 296; BS1 = bits 5-2 in
    // byte 296, bits 1-0 in byte 297; every part stored bit-reversed.
    const int bs3 =
        reversedField(setup, 7, 6) * 16 + reversedField(e[model::kBitSyncByte8212], 3, 0);
    const int bs1 = reversedField(e[model::kBitSyncByte8212], 7, 4) * 4 +
                    reversedField(e[model::kFilterByte8212], 1, 0);
    s.bs3.setText(decimal(bs3));
    s.bs1.setText(decimal(bs1));

    s.filter_enable.setChecked(bit(e[model::kFilterByte8212], 2));
    s.filter_strength.setIndex(reversedField(e[model::kFilterByte8212], 4, 3));
    s.error_rate.setIndex(reversedField(e[model::kFilterByte8212], 7, 5));
}

void ImageDecoder::decodeUrgentCallMatrix() {
    // Only firmware above 13 of profiles 0, 3 and 5, and every firmware of
    // profile 4, carry the per-tone urgent-call matrix; for the others bytes
    // 41-44 are not read and the boxes keep their state. The firmware is byte
    // 248, the number `firmwareversion` was given at step 21.
    const int profile = context_.customerProfile;
    const int firmware = context_.eeprom[model::kFirmwareVersionByte];
    const bool matrixInUse =
        ((profile == 0 || profile == 3 || profile == 5) && firmware > 13) || profile == 4;
    if (!matrixInUse) {
        return;
    }
    // Odd addresses in bits 3-0, even ones in bits 7-4, tone A in the lowest.
    model::PagerSettings& s = context_.settings;
    for (std::size_t i = 0; i < s.chbUC.size(); ++i) {
        const std::uint8_t byte = context_.eeprom[model::kUrgentMatrixByte8212 + i / 2];
        for (std::size_t t = 0; t < s.chbUC[i].size(); ++t) {
            s.chbUC[i][t].setChecked(bit(byte, static_cast<int>(4 * (i % 2) + t)));
        }
    }
}

void ImageDecoder::decodePcd5003Block() {
    const model::DecoderImage& d = context_.decoder;
    model::PagerSettings& s = context_.settings;
    s.polarity.setIndex(field(d[model::kDecoderPolarityByte], 7, 7));
    s.RXE.setIndex(field(d[model::kDecoderReceiverByte], 1, 0));
    s.ROE.setIndex(field(d[model::kDecoderReceiverByte], 3, 2));

    // Baud codes 00, 10 and 11 are 512, 1200 and 2400 bps; 01 is no rate.
    constexpr std::array<int, 4> kBaudIndex = {0, -1, 1, 2};
    const int baud =
        kBaudIndex[static_cast<std::size_t>(field(d[model::kDecoderReceiverByte], 5, 4))];
    if (baud >= 0) {
        s.baudrate.setIndex(baud);
    }

    // All six enable flags, then all six capcodes.
    for (std::size_t i = 0; i < kAddresses5003; ++i) {
        if (const auto entry = model::unpackCapcode5003(d, static_cast<int>(i) + 1)) {
            s.addrEn[i].setChecked(entry->enabled);
        }
    }
    for (std::size_t i = 0; i < kAddresses5003; ++i) {
        if (const auto entry = model::unpackCapcode5003(d, static_cast<int>(i) + 1)) {
            s.address[i].setText(decimal(entry->capcode));
        }
    }
}

void ImageDecoder::decodeRssiAndEpson() {
    const model::EepromImage& e = context_.eeprom;
    model::PagerSettings& s = context_.settings;
    for (std::size_t i = 0; i < s.rssi_level.size(); ++i) {
        s.rssi_level[i].setText(decimal(e[model::kRssiLevelsByteExt + i]));
    }
    s.firmware_epson.setText(
        model::readTextField(e, model::kEpsonFirmwareByteExt, model::kEpsonFirmwareWidthExt));
}

} // namespace ccp::editor
