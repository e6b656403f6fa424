// The EepromImage field table. Layouts: kOnAll = every layout, kOn5003 =
// platforms 0-1, kOn8212 = platforms 2-6, kOn8212Only = 2-4, kOnExt = 5-6.
#include "model/capcode.h"
#include "model/checksum.h"
#include "model/field_rows.h"
#include "model/folder_slots.h"
#include "model/image_offsets.h"

namespace ccp::model {

namespace {

using namespace rows;
using K = FieldKind;

constexpr FieldRow tone(std::string_view name, std::size_t n) {
    return span(name, K::Hex, kOnAll, tonePatternByte(n), kHexFieldBytes);
}

constexpr FieldRow checksumRow(ChecksumBlock block) {
    const ChecksumSpec& spec = checksumSpec(block);
    FieldRow row = span({}, K::Checksum, spec.layouts, spec.storedAt, 1);
    row.value = static_cast<std::uint8_t>(block);
    return row;
}

// clang-format off
constexpr std::array kEepromRows = {
    text("serial", kOnAll, kSerialByte, kSerialWidth),          // @0x001
    number("rangetime", kOnAll, kRangeTimeByte),                // @0x009 seconds, 0 = always on
    flag("outrangespecial", kOnAll, kOptionFlagsByte, 7),       // @0x00A
    flag("lowbatteryspecial", kOnAll, kOptionFlagsByte, 6),
    indexFlag("alerttime", kOnAll, kOptionFlagsByte, 5, 4),     // "64 sec"; byte 28 bits 1-0 then 0
    indexFlag("msgdisptime", kOnAll, kOptionFlagsByte, 4, 4),   // "64 sec"; byte 28 bits 3-2 then 0
    constant(kOnAll, kOptionFlagsByte, 3, 3, 0),
    index("lcddrv_opa", kOnAll, kOptionFlagsByte, 2, 0),
    index("lcd_on_time", kOnAll, kLcdOnTimeByte),               // @0x00B read back as bits 3-0
    index("lcd_off_time", kOnAll, kLcdOffTimeByte),             // @0x00C read back as bits 3-0
    code("back_light", kOnAll, kBacklightByte),                 // @0x00D backlight table
    tone("tonepatternA", 0),                                    // @0x00E
    tone("tonepatternB", 1),                                    // @0x010
    tone("tonepatternC", 2),                                    // @0x012
    tone("tonepatternD", 3),                                    // @0x014
    tone("tonepatternPon", 4),                                  // @0x016 power-on tone
    tone("tonepatternLcell", 5),                                // @0x018 low-cell tone
    tone("tonepatternUcall", 6),                                // @0x01A urgent-call tone
    constant(kOnAll, kUrgentCallAndTimesByte, 7, 7, 0),         // @0x01C
    flag("urgentcall", kOnAll, kUrgentCallAndTimesByte, 6),
    index("urgcalltype", kOnAll, kUrgentCallAndTimesByte, 5, 4),
    index("msgdisptime", kOnAll, kUrgentCallAndTimesByte, 3, 2), // "4 sec"-"32 sec"
    index("alerttime", kOnAll, kUrgentCallAndTimesByte, 1, 0),  // "4 sec"-"32 sec"
    number("lcdholdtime", kOnAll, kLcdHoldTimeByte),            // @0x01D seconds, 0 = always on
    family(index("msgtype#", kOnAll, kMessageTypesByte, 0, 0),  // @0x01E bits 0-5
           6, Tag::Number1, 1),
    index("msgtype7", kOn8212, kMessageTypesByte, 6, 6),
    index("msgtype8", kOn8212, kMessageTypesByte, 7, 7),
    constant(kOn5003, kMessageTypesByte, 7, 6, 0),              // no addresses 7 and 8
    index("menulanguage", kOnAll, kLanguagesByte, 7, 4),        // @0x01F
    index("language", kOnAll, kLanguagesByte, 3, 0),
    number("contrast", kOnAll, kContrastByte),                  // @0x021
    constant(kOnAll, kDisplayOptionsByte, 7, 7, 0),             // @0x022
    index("autospace", kOnAll, kDisplayOptionsByte, 6, 6),
    index("dateformat", kOnAll, kDisplayOptionsByte, 5, 5),
    index("pubcallno", kOnAll, kDisplayOptionsByte, 4, 4),
    index("lowcell", kOnAll, kDisplayOptionsByte, 3, 3),        // also in byte 39 bit 3
    flag("unread_alert", kOnAll, kDisplayOptionsByte, 2),
    index("numset", kOnAll, kDisplayOptionsByte, 1, 1),
    index("pubfoldermode", kOnAll, kDisplayOptionsByte, 0, 0),
    text("password", kOnAll, kPasswordByte, kPasswordWidth),    // @0x023
    flag("handprogram", kOnAll, kUserOptionsByte, 7),           // @0x027
    flag("vibrateWithFlash", kOnAll, kUserOptionsByte, 6),
    flag("useLargeFont", kOnAll, kUserOptionsByte, 5),
    flag("showFontMenu", kOnAll, kUserOptionsByte, 4),
    index("lowcell", kOnAll, kUserOptionsByte, 3, 3),           // decoded after byte 34
    flag("ota", kOnAll, kUserOptionsByte, 2),
    index("repeatcallcheck", kOnAll, kUserOptionsByte, 1, 0),
    index("addrcheck", kOn5003, kAddrCheckByte5003),            // @0x028
    index("lcd_fosc", kOn8212, kLcdDriveByte8212, 7, 5),
    index("lcd_tc", kOn8212, kLcdDriveByte8212, 4, 2),
    index("lcd_bias", kOn8212, kLcdDriveByte8212, 1, 0),
    index("datacheck", kOn5003, kDataCheckByte5003),            // @0x029
    family(flag("chbUC#$", kOn8212, kUrgentMatrixByte8212, 0),  // @0x029-0x02C
           32, Tag::NumberLetter, 1),
    text("hellomsg1", kOn8212, kHelloByte8212, kHelloWidth),    // @0x02E
    text("hellomsg1", kOn5003, kHelloByte5003, kHelloWidth),    // @0x030
    family(index("addr#format$", kOn8212, kFormatsByte8212, 1, 0), // @0x03C
           32, Tag::NumberLetter, 2),
    family(index("addr#format$", kOn5003, kFormatsByte5003, 1, 0), // @0x03E
           24, Tag::NumberLetter, 2),
    text("chineseheader", kOnAll, kChineseHeaderByte, kHeaderWidth), // @0x044
    text("engheader", kOnAll, kEnglishHeaderByte, kHeaderWidth), // @0x045
    text("clearheader", kOnAll, kClearHeaderByte, kHeaderWidth), // @0x046
    code("channelspace", kOn5003, kPllControl5003, 7, 4),       // @0x047 channel-spacing code
    code("channelfreq", kOn5003, kPllControl5003, 3, 0),        //        range code
    constant(kOn8212Only, kClearHeaderByte + kHeaderWidth, 7, 0, 0), //        terminator of byte 70
    constant(kOnExt, kCustomerProfileByteExt, 7, 4, 0),
    index("customer_sel", kOnExt, kCustomerProfileByteExt, 3, 0),
    family(text("pubbox#", kOnAll, kFolderTitlesByte, kFolderTitleWidth), // @0x048 + 9n
           kFolderCount, Tag::HexDigit0, kFolderTitleWidth * 8),
    family(aliased(span("pubboxact#", K::FolderSlots, kOnAll, kFolderSlotBase, kFolderSlotSize),
                   "pubboxlength#"),
           kFolderCount, Tag::HexDigit0, kFolderSlotSize * 8),  // @0x0D8 + 2n
    number("firmwareversion", kOnAll, kFirmwareVersionByte),    // @0x0F8
    text("subversion", kOnAll, kSubversionByte, kSubversionWidth), // @0x0F9 0 when empty
    index("urgcallmode", kOnAll, kFeatureByte, 7, 7),           // @0x0FA
    flag("qsound", kOnAll, kFeatureByte, 6),
    flag("showPowerOffMenu", kOn8212, kFeatureByte, 5),         // 1 unless profile 5 and unchecked
    flag("beepWithFlash", kOn8212, kFeatureByte, 4),            // written for profile 5 only
    reversed(index("pll", kOn5003, kFeatureByte, 5, 4), 2),
    index("mcu_clk", kOnAll, kFeatureByte, 3, 3),
    flag("autobacklight", kOnAll, kFeatureByte, 2),
    flag("delall_w_unread", kOnAll, kFeatureByte, 1),
    index("del_menu", kOnAll, kFeatureByte, 0, 0),
    index("repeatcallreject", kOnAll, kRepeatCallRejectByte),   // @0x0FB
    constant(kOnAll, kFixedBytesByte, 7, 0, kFixedByteValues[0]), // @0x0FC
    constant(kOnAll, kFixedBytesByte + 1, 7, 0, kFixedByteValues[1]), // @0x0FD
    constant(kOnAll, kFixedBytesByte + 2, 7, 0, kFixedByteValues[2]), // @0x0FE
    checksumRow(ChecksumBlock::A),                              // @0x0FF
    constant(kOn8212, kPllControl8212, 7, 7, 0),                // @0x100
    code("channelspace", kOn8212, kPllControl8212, 6, 4),       //        channel-spacing code
    index("pll", kOn8212, kPllControl8212, 3, 2),
    code("channelfreq", kOn8212, kPllControl8212, 1, 0),        //        range code
    span("channelfreq", K::PllWord, kOn8212, kPllN8212, kPllNWidth8212), // @0x101 N word
    span("channelspace", K::PllWord, kOn8212, kPllR8212, kPllRWidth8212), // @0x104 R word
    family(flag("addr#en", kOn8212, kEntryBase8212, 7),         // @0x106 + 4k
           kEntryCount8212, Tag::Number1, kEntrySize8212 * 8),
    family(constant(kOn8212, kEntryBase8212, 6, 0, kEntryLead8212),
           kEntryCount8212, Tag::None, kEntrySize8212 * 8),
    family(span("address#", K::Capcode, kOn8212, kEntryBase8212 + 1, kEntrySize8212 - 1),
           kEntryCount8212, Tag::Number1, kEntrySize8212 * 8),  // @0x107 + 4k
    flag("bs2_option", kOn8212, kBs2OptionByte8212, 7),         // @0x126
    constant(kOn8212, kBs2OptionByte8212, 6, 0, kBs2FixedBits8212),
    valueBits(reversed(number("bs3", kOn8212, kDecoderModeByte8212, 7, 6), 2),
              4),                                               // @0x127 bs3 bits 5-4
    index("polarity", kOn8212, kDecoderModeByte8212, 5, 5),
    reversed(index("baudrate", kOn8212, kDecoderModeByte8212, 4, 3), 2),
    index("clko", kOn8212, kDecoderModeByte8212, 2, 1),
    flag("end_of_msg", kOn8212, kDecoderModeByte8212, 0),
    valueBits(reversed(number("bs1", kOn8212, kBitSyncByte8212, 7, 4), 4),
              2),                                               // @0x128 bs1 bits 5-2
    reversed(number("bs3", kOn8212, kBitSyncByte8212, 3, 0), 4), //        bs3 bits 3-0
    reversed(index("error_rate", kOn8212, kFilterByte8212, 7, 5), 3), // @0x129
    reversed(index("filter_strength", kOn8212, kFilterByte8212, 4, 3), 2),
    flag("filter_enable", kOn8212, kFilterByte8212, 2),
    reversed(number("bs1", kOn8212, kFilterByte8212, 1, 0), 2), //        bs1 bits 1-0
    checksumRow(ChecksumBlock::B),                              // @0x132
    family(number("rssi_level_#", kOnExt, kRssiLevelsByteExt),  // @0x132-0x135
           kRssiLevelCountExt, Tag::Number0, 8),
    text("firmware_epson", kOnExt, kEpsonFirmwareByteExt, kEpsonFirmwareWidthExt), // @0x136
    constant(kOnAll, kAddressDataCheckByte, 7, 7, 0),           // @0x13E
    index("addr_check", kOnAll, kAddressDataCheckByte, 6, 4),
    constant(kOnAll, kAddressDataCheckByte, 3, 3, 0),
    index("data_check", kOnAll, kAddressDataCheckByte, 2, 0),
    flag("st6bsupport", kOnExt, kDisplayModuleByteExt, 7),      // @0x13F
    index("line_8or4", kOnExt, kDisplayModuleByteExt, 6, 6),
    constant(kOnExt, kDisplayModuleByteExt, 5, 0, 0),
    checksumRow(ChecksumBlock::C),                              // @0x1FF
};
// clang-format on

constexpr auto kEepromFields = expand<memberCount(kEepromRows)>(kEepromRows);

constexpr ByteRange kNeverWritten5003[] = {
    {0, 0}, {32, 32}, {42, 47}, {256, 317}, {319, 511},
};
constexpr ByteRange kNeverWritten8212[] = {
    {0, 0}, {32, 32}, {45, 45}, {298, 305}, {307, 317}, {319, 511},
};
constexpr ByteRange kNeverWrittenExt[] = {
    {0, 0}, {32, 32}, {45, 45}, {298, 305}, {320, 510},
};

} // namespace

std::span<const FieldSpec> eepromFields() {
    return kEepromFields;
}

std::span<const ByteRange> neverWrittenRanges(Layout layout) {
    switch (layout) {
    case Layout::Pcd5003:
        return kNeverWritten5003;
    case Layout::Sm8212:
        return kNeverWritten8212;
    case Layout::Sm8212Extended:
        return kNeverWrittenExt;
    }
    return {};
}

} // namespace ccp::model
