#include "editor/image_encoder.h"

#include "form/conversion.h"
#include "model/backlight.h"
#include "model/bits.h"
#include "model/capcode.h"
#include "model/channel_frequency.h"
#include "model/checksum.h"
#include "model/decoder_defaults.h"
#include "model/folder_slots.h"
#include "model/hex_text.h"
#include "model/image_offsets.h"
#include "model/text_field.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace ccp::editor {
namespace {

using model::Layout;
using model::reverseBits;
using model::setBits;
using model::writeTextField;

// Bits of byte 10 that flag "64 sec" as alert and message display time.
constexpr int kAlertLongBit = 5;
constexpr int kMsgDispLongBit = 4;

// Baud rate code of the PCD5003 for "512 bps", "1200 bps", "2400 bps".
constexpr std::array<unsigned, 3> kBaudCode5003 = {0b00, 0b10, 0b11};

// "64 sec", offered from some firmware on, has its own bit in byte 10.
constexpr int kLongTimeIndex = 4;
// Customer profiles: pagers of profile 4 always carry the urgent-call matrix,
// those of profiles 0, 3 and 5 from firmware 14 on; only profile 5's pagers
// can hide the power-off menu and beep with the flashing backlight.
constexpr std::uint8_t kProfileMatrixAlways = 4;
constexpr std::array<std::uint8_t, 3> kProfilesMatrixLater = {0, 3, 5};
constexpr int kLastVersionWithoutMatrix = 13;
constexpr std::uint8_t kProfileOwnMenus = 5;

// A decimal setting as its stored byte: the integer modulo 256.
std::uint8_t decimalByte(const form::Edit& field) {
    return static_cast<std::uint8_t>(form::strToInt(field.text()));
}

unsigned flag(const form::CheckBox& box) {
    return box.checked() ? 1u : 0u;
}

// A list index for a bit field: no selection (-1) is all ones once the field
// cuts it to its width.
unsigned listBits(const form::ComboBox& list) {
    return static_cast<unsigned>(list.index());
}

// A list index stored as a whole byte: no selection gives 0xFF.
std::uint8_t indexByte(const form::ComboBox& list) {
    return static_cast<std::uint8_t>(list.index());
}

std::uint32_t capcodeOf(const form::Edit& address) {
    return static_cast<std::uint32_t>(form::strToInt(address.text()));
}

std::size_t addressCount(Layout layout) {
    return layout == Layout::Pcd5003 ? static_cast<std::size_t>(model::kAddressCount5003)
                                     : static_cast<std::size_t>(model::kEntryCount8212);
}

// Tones A-D of one address, two bits each from the low end.
std::uint8_t formatByte(const std::array<form::ComboBox, 4>& tones) {
    std::uint8_t formats = 0;
    for (int t = 0; t < 4; ++t)
        setBits(formats, 2 * t + 1, 2 * t, listBits(tones[static_cast<std::size_t>(t)]));
    return formats;
}

// An alert or display time: "64 sec" sets its bit in byte 10 and leaves 0 in
// the two bits of byte 28; a shorter time clears that bit.
void storeTime(model::EepromImage& e, const form::ComboBox& time, int longBit, int hi, int lo) {
    const bool isLong = time.index() >= kLongTimeIndex;
    setBits(e[model::kOptionFlagsByte], longBit, longBit, isLong ? 1u : 0u);
    setBits(e[model::kUrgentCallAndTimesByte], hi, lo, isLong ? 0u : listBits(time));
}

bool usesUrgentMatrix(std::uint8_t profile, const form::Edit& firmwareversion) {
    if (profile == kProfileMatrixAlways)
        return true;
    return std::ranges::find(kProfilesMatrixLater, profile) != kProfilesMatrixLater.end() &&
           form::strToInt(firmwareversion.text()) > kLastVersionWithoutMatrix;
}

} // namespace

ImageEncoder::ImageEncoder(EditorContext& context, FieldRules& fields, FolderRules& folders,
                           ChannelFrequencyRules& frequency)
    : context_(context), fields_(fields), folders_(folders), frequency_(frequency) {
}

bool ImageEncoder::encode() {
    storeSettings();
    // 16: the pager has 99 public message slots; nothing from byte 68 on is
    // written when the folders ask for more.
    if (!folders_.checkTotalBeforeWriting())
        return false;
    storeHeadersAndFolders();
    storeVersionAndOptions();
    if (model::layoutOf(context_.hardwarePlatform) == Layout::Pcd5003)
        storeDecoderBlock5003();
    else
        storeRegisterBlock8212();
    storeExtendedBlock();
    // 31: the synthesizer words last, from the frequency, spacing and chip.
    frequency_.frequencyToWords();
    return true;
}

void ImageEncoder::storeSettings() {
    model::PagerSettings& s = context_.settings;
    model::EepromImage& e = context_.eeprom;
    const Layout layout = model::layoutOf(context_.hardwarePlatform);

    // 1: the serial number fills its eight bytes.
    fields_.serialExit();
    writeTextField(e, model::kSerialByte, model::kSerialWidth, s.serial.text());
    // 2
    e[model::kRangeTimeByte] = decimalByte(s.rangetime);
    // 3: bits 5-4 follow with the times in step 7; bit 3 stays 0.
    std::uint8_t display = 0;
    setBits(display, 7, 7, flag(s.outrangespecial));
    setBits(display, 6, 6, flag(s.lowbatteryspecial));
    setBits(display, 2, 0, listBits(s.lcddrv_opa));
    e[model::kOptionFlagsByte] = display;
    // 4
    e[model::kLcdOnTimeByte] = indexByte(s.lcd_on_time);
    e[model::kLcdOffTimeByte] = indexByte(s.lcd_off_time);
    // 5: a ratio outside the table (no selection) keeps the stored code.
    if (const auto code = model::backlightCode(s.back_light.index()))
        e[model::kBacklightByte] = *code;
    // 6
    const std::array<const form::Edit*, model::kTonePatternCount> tones = {
        &s.tonepatternA,   &s.tonepatternB,     &s.tonepatternC,     &s.tonepatternD,
        &s.tonepatternPon, &s.tonepatternLcell, &s.tonepatternUcall,
    };
    for (std::size_t i = 0; i < tones.size(); ++i) {
        const auto bytes = model::hexFieldBytes(tones[i]->text());
        e[model::tonePatternByte(i)] = bytes[0];
        e[model::tonePatternByte(i) + 1] = bytes[1];
    }
    // 7
    std::uint8_t alerts = 0;
    setBits(alerts, 6, 6, flag(s.urgentcall));
    setBits(alerts, 5, 4, listBits(s.urgcalltype));
    e[model::kUrgentCallAndTimesByte] = alerts;
    storeTime(e, s.alerttime, kAlertLongBit, 1, 0);
    storeTime(e, s.msgdisptime, kMsgDispLongBit, 3, 2);
    // 8
    e[model::kLcdHoldTimeByte] = decimalByte(s.lcdholdtime);
    // 9: the 5003 layout has no addresses 7 and 8; their bits stay 0.
    const std::size_t addresses = addressCount(layout);
    std::uint8_t types = 0;
    for (std::size_t n = 0; n < addresses; ++n)
        setBits(types, static_cast<int>(n), static_cast<int>(n), listBits(s.msgtype[n]));
    e[model::kMessageTypesByte] = types;
    // 10
    std::uint8_t languages = 0;
    setBits(languages, 7, 4, listBits(s.menulanguage));
    setBits(languages, 3, 0, listBits(s.language));
    e[model::kLanguagesByte] = languages;
    // 11
    e[model::kContrastByte] = decimalByte(s.contrast);
    // 12
    std::uint8_t menu = 0;
    setBits(menu, 6, 6, listBits(s.autospace));
    setBits(menu, 5, 5, listBits(s.dateformat));
    setBits(menu, 4, 4, listBits(s.pubcallno));
    setBits(menu, 3, 3, listBits(s.lowcell));
    setBits(menu, 2, 2, flag(s.unread_alert));
    setBits(menu, 1, 1, listBits(s.numset));
    setBits(menu, 0, 0, listBits(s.pubfoldermode));
    e[model::kDisplayOptionsByte] = menu;
    // 13: the terminator of a full passcode lands on byte 39, written next.
    writeTextField(e, model::kPasswordByte, model::kPasswordWidth, s.password.text());
    // 14: the low-cell delay is kept a second time here.
    std::uint8_t features = 0;
    setBits(features, 7, 7, flag(s.handprogram));
    setBits(features, 6, 6, flag(s.vibrateWithFlash));
    setBits(features, 5, 5, flag(s.useLargeFont));
    setBits(features, 4, 4, flag(s.showFontMenu));
    setBits(features, 3, 3, listBits(s.lowcell));
    setBits(features, 2, 2, flag(s.ota));
    setBits(features, 1, 0, listBits(s.repeatcallcheck));
    e[model::kUserOptionsByte] = features;
    // 15: the hello message's terminator lands on the first format byte.
    std::size_t hello = model::kHelloByte5003;
    std::size_t formats = model::kFormatsByte5003;
    if (layout == Layout::Pcd5003) {
        e[model::kAddrCheckByte5003] = indexByte(s.addrcheck);
        e[model::kDataCheckByte5003] = indexByte(s.datacheck);
    } else {
        std::uint8_t lcd = 0;
        setBits(lcd, 7, 5, listBits(s.lcd_fosc));
        setBits(lcd, 4, 2, listBits(s.lcd_tc));
        setBits(lcd, 1, 0, listBits(s.lcd_bias));
        e[model::kLcdDriveByte8212] = lcd;
        hello = model::kHelloByte8212;
        formats = model::kFormatsByte8212;
    }
    fields_.FixedStringExit(s.hellomsg1);
    writeTextField(e, hello, model::kHelloWidth, s.hellomsg1.text());
    for (std::size_t n = 0; n < addresses; ++n)
        e[formats + n] = formatByte(s.addrFormat[n]);
}

void ImageEncoder::storeHeadersAndFolders() {
    model::PagerSettings& s = context_.settings;
    model::EepromImage& e = context_.eeprom;

    // 17: each terminator lands on the next header; the last one on byte 71.
    writeTextField(e, model::kChineseHeaderByte, model::kHeaderWidth, s.chineseheader.text());
    writeTextField(e, model::kEnglishHeaderByte, model::kHeaderWidth, s.engheader.text());
    writeTextField(e, model::kClearHeaderByte, model::kHeaderWidth, s.clearheader.text());
    // 18
    if (model::layoutOf(context_.hardwarePlatform) == Layout::Sm8212Extended)
        e[model::kCustomerProfileByteExt] =
            static_cast<std::uint8_t>(listBits(s.customer_sel) & 0x0Fu);
    // 19: all titles are padded before the first is stored.
    for (form::Edit& title : s.pubbox)
        fields_.FixedStringExit(title);
    for (std::size_t n = 0; n < s.pubbox.size(); ++n)
        writeTextField(e, model::folderTitleByte(n), model::kFolderTitleWidth, s.pubbox[n].text());
    // 20: only the lengths of checked folders are read.
    std::array<model::FolderUse, model::kFolderCount> folders{};
    for (std::size_t n = 0; n < folders.size(); ++n) {
        folders[n].active = s.pubboxact[n].checked();
        if (folders[n].active)
            folders[n].length = form::strToInt(s.pubboxlength[n].text());
    }
    model::storeFolderSlots(e, folders);
}

void ImageEncoder::storeVersionAndOptions() {
    model::PagerSettings& s = context_.settings;
    model::EepromImage& e = context_.eeprom;

    // 21: an empty sub-version leaves its terminator, 0, in byte 249.
    e[model::kFirmwareVersionByte] = decimalByte(s.firmwareversion);
    writeTextField(e, model::kSubversionByte, model::kSubversionWidth, s.subversion.text());
    // 22
    std::uint8_t options = 0;
    setBits(options, 7, 7, listBits(s.urgcallmode));
    setBits(options, 6, 6, flag(s.qsound));
    if (model::layoutOf(context_.hardwarePlatform) == Layout::Pcd5003) {
        setBits(options, 5, 4, model::reverseBits(listBits(s.pll), 2));
    } else {
        // Only profile 5's pagers can hide the power-off menu and beep with
        // the flashing backlight; every other pager shows the menu.
        const bool ownMenus = context_.customerProfile == kProfileOwnMenus;
        setBits(options, 5, 5, !ownMenus || s.showPowerOffMenu.checked() ? 1u : 0u);
        setBits(options, 4, 4, ownMenus ? flag(s.beepWithFlash) : 0u);
        setBits(e[model::kPllControl8212], 3, 2, listBits(s.pll));
    }
    setBits(options, 3, 3, listBits(s.mcu_clk));
    setBits(options, 2, 2, flag(s.autobacklight));
    setBits(options, 1, 1, flag(s.delall_w_unread));
    setBits(options, 0, 0, listBits(s.del_menu));
    e[model::kFeatureByte] = options;
    // 23
    e[model::kRepeatCallRejectByte] = indexByte(s.repeatcallreject);
    // 24
    for (std::size_t i = 0; i < model::kFixedByteValues.size(); ++i)
        e[model::kFixedBytesByte + i] = model::kFixedByteValues[i];
    // 25
    const model::ChecksumSpec& blockA = model::checksumSpec(model::ChecksumBlock::A);
    std::uint8_t sum = 0;
    for (std::size_t i = blockA.first; i <= blockA.last; ++i)
        sum = static_cast<std::uint8_t>(sum + e[i]);
    e[blockA.storedAt] = sum;
}

void ImageEncoder::storeRegisterBlock8212() {
    model::PagerSettings& s = context_.settings;
    model::EepromImage& e = context_.eeprom;

    // 26.1: byte 41 + (n-1)/2 holds address n, odd n in the low nibble, tones
    // A-D from the low bit up. A matrix with any tone switches urgent call on.
    std::fill_n(e.begin() + model::kUrgentMatrixByte8212, model::kUrgentMatrixWidth8212,
                std::uint8_t{0});
    if (usesUrgentMatrix(context_.customerProfile, s.firmwareversion)) {
        for (std::size_t n = 0; n < s.chbUC.size(); ++n) {
            for (std::size_t t = 0; t < s.chbUC[n].size(); ++t) {
                const int bit = static_cast<int>(4 * (n % 2) + t);
                setBits(e[model::kUrgentMatrixByte8212 + n / 2], bit, bit, flag(s.chbUC[n][t]));
            }
        }
        const auto matrix = e.begin() + model::kUrgentMatrixByte8212;
        const bool any = std::any_of(matrix, matrix + model::kUrgentMatrixWidth8212,
                                     [](std::uint8_t byte) { return byte != 0; });
        s.urgentcall.setChecked(any);
        setBits(e[model::kUrgentCallAndTimesByte], 6, 6, any ? 1u : 0u);
    }
    // 26.2: the leading bytes of all eight entries, then the capcodes in order.
    for (std::size_t k = 0; k < s.addrEn.size(); ++k)
        e[model::entryOffset8212(static_cast<int>(k))] = static_cast<std::uint8_t>(
            model::kEntryLead8212 | (s.addrEn[k].checked() ? model::kEntryEnabled8212 : 0u));
    for (std::size_t k = 0; k < s.address.size(); ++k)
        model::packCapcode8212(e, static_cast<int>(k), capcodeOf(s.address[k]),
                               s.addrEn[k].checked());
    // 26.3
    e[model::kBs2OptionByte8212] =
        static_cast<std::uint8_t>(model::kBs2FixedBits8212 | (flag(s.bs2_option) << 7));
    // 26.4: bits 7-6 follow with BS3 in 26.6.
    std::uint8_t mode = 0;
    setBits(mode, 5, 5, listBits(s.polarity));
    setBits(mode, 4, 3, reverseBits(listBits(s.baudrate), 2));
    setBits(mode, 2, 1, listBits(s.clko));
    setBits(mode, 0, 0, flag(s.end_of_msg));
    e[model::kDecoderModeByte8212] = mode;
    // 26.5: the FS8170 synthesizer needs the bit-sync windows at 30 and 31.
    if (s.pll.index() == model::kPllFs8170) {
        s.bs1.setText("30");
        s.bs3.setText("31");
    }
    // 26.6: BS3 bits 5-4 and 3-0, BS1 bits 5-2 and 1-0, each part reversed.
    const auto bs3 = static_cast<unsigned>(form::strToInt(s.bs3.text()));
    const auto bs1 = static_cast<unsigned>(form::strToInt(s.bs1.text()));
    setBits(e[model::kDecoderModeByte8212], 7, 6, reverseBits(bs3 >> 4, 2));
    std::uint8_t bitSync = 0;
    setBits(bitSync, 7, 4, reverseBits(bs1 >> 2, 4));
    setBits(bitSync, 3, 0, reverseBits(bs3, 4));
    e[model::kBitSyncByte8212] = bitSync;
    std::uint8_t filter = 0;
    setBits(filter, 7, 5, reverseBits(listBits(s.error_rate), 3));
    setBits(filter, 4, 3, reverseBits(listBits(s.filter_strength), 2));
    setBits(filter, 2, 2, flag(s.filter_enable));
    setBits(filter, 1, 0, reverseBits(bs1, 2));
    e[model::kFilterByte8212] = filter;
}

void ImageEncoder::storeDecoderBlock5003() {
    model::PagerSettings& s = context_.settings;
    model::DecoderImage& d = context_.decoder;

    // 27.1: the default block, but the synthesizer words (bytes 6-11) stay as
    // they were: step 31 rewrites them whenever the settings give words, and a
    // spacing or chip without words must not leave the default block's
    // frequency in the image unnoticed.
    std::array<std::uint8_t, model::kPllWordsWidth5003> words;
    std::copy_n(d.begin() + model::kPllN5003, words.size(), words.begin());
    d = model::defaultDecoderBlock();
    std::copy(words.begin(), words.end(), d.begin() + model::kPllN5003);
    // 27.2
    setBits(d[model::kDecoderPolarityByte], 7, 7, listBits(s.polarity));
    // 27.3: a rate without a code stays 00 (512 bps).
    setBits(d[model::kDecoderReceiverByte], 3, 2, listBits(s.ROE));
    setBits(d[model::kDecoderReceiverByte], 1, 0, listBits(s.RXE));
    const int baud = s.baudrate.index();
    const bool hasCode = baud >= 0 && static_cast<std::size_t>(baud) < kBaudCode5003.size();
    setBits(d[model::kDecoderReceiverByte], 5, 4,
            hasCode ? kBaudCode5003[static_cast<std::size_t>(baud)] : 0u);
    // 27.4: bits 2 and 0 of the low address bytes keep the default block's value.
    for (std::size_t i = 0; i < addressCount(Layout::Pcd5003); ++i) {
        std::uint8_t& low = d[model::kLow5003 + i];
        low = static_cast<std::uint8_t>((low & (model::kLowFixed5003 | 0x01u)) |
                                        (s.addrEn[i].checked() ? model::kLowEnabled5003 : 0u));
    }
    // 27.5
    for (int i = 1; i <= model::kAddressCount5003; ++i) {
        const auto at = static_cast<std::size_t>(i - 1);
        model::packCapcode5003(d, i, capcodeOf(s.address[at]), s.addrEn[at].checked());
    }
}

void ImageEncoder::storeExtendedBlock() {
    model::PagerSettings& s = context_.settings;
    model::EepromImage& e = context_.eeprom;
    const bool extended = model::layoutOf(context_.hardwarePlatform) == Layout::Sm8212Extended;

    // 28: a full firmware text leaves its terminator on byte 318, written next.
    if (extended) {
        for (std::size_t i = 0; i < s.rssi_level.size(); ++i)
            e[model::kRssiLevelsByteExt + i] = decimalByte(s.rssi_level[i]);
        writeTextField(e, model::kEpsonFirmwareByteExt, model::kEpsonFirmwareWidthExt,
                       s.firmware_epson.text());
    }
    // 29: every layout, although platforms 2-4 transfer only bytes 0-306.
    std::uint8_t checks = 0;
    setBits(checks, 6, 4, listBits(s.addr_check));
    setBits(checks, 2, 0, listBits(s.data_check));
    e[model::kAddressDataCheckByte] = checks;
    // 30
    if (extended) {
        std::uint8_t display = 0;
        setBits(display, 7, 7, flag(s.st6bsupport));
        setBits(display, 6, 6, listBits(s.line_8or4));
        e[model::kDisplayModuleByteExt] = display;
    }
}

} // namespace ccp::editor
