// The EepromImage field table. Layouts: kOnAll = every layout, kOn5003 =
// platforms 0-1, kOn8212 = platforms 2-6, kOn8212Only = 2-4, kOnExt = 5-6.
#include "model/capcode.h"
#include "model/checksum.h"
#include "model/field_rows.h"
#include "model/folder_slots.h"

namespace ccp::model {

namespace {

using namespace rows;
using K = FieldKind;

constexpr FieldRow checksumRow(ChecksumBlock block) {
    const ChecksumSpec& spec = checksumSpec(block);
    FieldRow row = span({}, K::Checksum, spec.layouts, spec.storedAt, 1);
    row.value = static_cast<std::uint8_t>(block);
    return row;
}

// clang-format off
constexpr std::array kEepromRows = {
    text("serial", kOnAll, 1, 8),                               // @0x001
    number("rangetime", kOnAll, 9),                             // @0x009 seconds, 0 = always on
    flag("outrangespecial", kOnAll, 10, 7),                     // @0x00A
    flag("lowbatteryspecial", kOnAll, 10, 6),
    indexFlag("alerttime", kOnAll, 10, 5, 4),                   // "64 sec"; byte 28 bits 1-0 then 0
    indexFlag("msgdisptime", kOnAll, 10, 4, 4),                 // "64 sec"; byte 28 bits 3-2 then 0
    constant(kOnAll, 10, 3, 3, 0),
    index("lcddrv_opa", kOnAll, 10, 2, 0),
    index("lcd_on_time", kOnAll, 11),                           // @0x00B read back as bits 3-0
    index("lcd_off_time", kOnAll, 12),                          // @0x00C read back as bits 3-0
    code("back_light", kOnAll, 13),                             // @0x00D backlight table
    span("tonepatternA", K::Hex, kOnAll, 14, 2),                // @0x00E
    span("tonepatternB", K::Hex, kOnAll, 16, 2),                // @0x010
    span("tonepatternC", K::Hex, kOnAll, 18, 2),                // @0x012
    span("tonepatternD", K::Hex, kOnAll, 20, 2),                // @0x014
    span("tonepatternPon", K::Hex, kOnAll, 22, 2),              // @0x016 power-on tone
    span("tonepatternLcell", K::Hex, kOnAll, 24, 2),            // @0x018 low-cell tone
    span("tonepatternUcall", K::Hex, kOnAll, 26, 2),            // @0x01A urgent-call tone
    constant(kOnAll, 28, 7, 7, 0),                              // @0x01C
    flag("urgentcall", kOnAll, 28, 6),
    index("urgcalltype", kOnAll, 28, 5, 4),
    index("msgdisptime", kOnAll, 28, 3, 2),                     // "4 sec"-"32 sec"
    index("alerttime", kOnAll, 28, 1, 0),                       // "4 sec"-"32 sec"
    number("lcdholdtime", kOnAll, 29),                          // @0x01D seconds, 0 = always on
    family(index("msgtype#", kOnAll, 30, 0, 0), 6, Tag::Number1, 1), // @0x01E bits 0-5
    index("msgtype7", kOn8212, 30, 6, 6),
    index("msgtype8", kOn8212, 30, 7, 7),
    constant(kOn5003, 30, 7, 6, 0),                             // no addresses 7 and 8
    index("menulanguage", kOnAll, 31, 7, 4),                    // @0x01F
    index("language", kOnAll, 31, 3, 0),
    number("contrast", kOnAll, 33),                             // @0x021
    constant(kOnAll, 34, 7, 7, 0),                              // @0x022
    index("autospace", kOnAll, 34, 6, 6),
    index("dateformat", kOnAll, 34, 5, 5),
    index("pubcallno", kOnAll, 34, 4, 4),
    index("lowcell", kOnAll, 34, 3, 3),                         // also in byte 39 bit 3
    flag("unread_alert", kOnAll, 34, 2),
    index("numset", kOnAll, 34, 1, 1),
    index("pubfoldermode", kOnAll, 34, 0, 0),
    text("password", kOnAll, 35, 4),                            // @0x023
    flag("handprogram", kOnAll, 39, 7),                         // @0x027
    flag("vibrateWithFlash", kOnAll, 39, 6),
    flag("useLargeFont", kOnAll, 39, 5),
    flag("showFontMenu", kOnAll, 39, 4),
    index("lowcell", kOnAll, 39, 3, 3),                         // decoded after byte 34
    flag("ota", kOnAll, 39, 2),
    index("repeatcallcheck", kOnAll, 39, 1, 0),
    index("addrcheck", kOn5003, 40),                            // @0x028
    index("lcd_fosc", kOn8212, 40, 7, 5),
    index("lcd_tc", kOn8212, 40, 4, 2),
    index("lcd_bias", kOn8212, 40, 1, 0),
    index("datacheck", kOn5003, 41),                            // @0x029
    family(flag("chbUC#$", kOn8212, 41, 0), 32, Tag::NumberLetter, 1),          // @0x029-0x02C
    text("hellomsg1", kOn8212, 46, 14),                         // @0x02E
    text("hellomsg1", kOn5003, 48, 14),                         // @0x030
    family(index("addr#format$", kOn8212, 60, 1, 0), 32, Tag::NumberLetter, 2), // @0x03C
    family(index("addr#format$", kOn5003, 62, 1, 0), 24, Tag::NumberLetter, 2), // @0x03E
    text("chineseheader", kOnAll, 68, 1),                       // @0x044
    text("engheader", kOnAll, 69, 1),                           // @0x045
    text("clearheader", kOnAll, 70, 1),                         // @0x046
    code("channelspace", kOn5003, 71, 7, 4),                    // @0x047 channel-spacing code
    code("channelfreq", kOn5003, 71, 3, 0),                     //        range code
    constant(kOn8212Only, 71, 7, 0, 0),                         //        terminator of byte 70
    constant(kOnExt, 71, 7, 4, 0),
    index("customer_sel", kOnExt, 71, 3, 0),
    family(text("pubbox#", kOnAll, 72, 9), 16, Tag::HexDigit0, 9 * 8),          // @0x048 + 9n
    family(aliased(span("pubboxact#", K::FolderSlots, kOnAll, kFolderSlotBase, kFolderSlotSize),
                   "pubboxlength#"),
           16, Tag::HexDigit0, kFolderSlotSize * 8),            // @0x0D8 + 2n
    number("firmwareversion", kOnAll, 248),                     // @0x0F8
    text("subversion", kOnAll, 249, 1),                         // @0x0F9 0 when empty
    index("urgcallmode", kOnAll, 250, 7, 7),                    // @0x0FA
    flag("qsound", kOnAll, 250, 6),
    flag("showPowerOffMenu", kOn8212, 250, 5),                  // 1 unless profile 5 and unchecked
    flag("beepWithFlash", kOn8212, 250, 4),                     // written for profile 5 only
    reversed(index("pll", kOn5003, 250, 5, 4), 2),
    index("mcu_clk", kOnAll, 250, 3, 3),
    flag("autobacklight", kOnAll, 250, 2),
    flag("delall_w_unread", kOnAll, 250, 1),
    index("del_menu", kOnAll, 250, 0, 0),
    index("repeatcallreject", kOnAll, 251),                     // @0x0FB
    constant(kOnAll, 252, 7, 0, 0x53),                          // @0x0FC
    constant(kOnAll, 253, 7, 0, 0x04),                          // @0x0FD
    constant(kOnAll, 254, 7, 0, 0x24),                          // @0x0FE
    checksumRow(ChecksumBlock::A),                              // @0x0FF
    constant(kOn8212, 256, 7, 7, 0),                            // @0x100
    code("channelspace", kOn8212, 256, 6, 4),                   //        channel-spacing code
    index("pll", kOn8212, 256, 3, 2),
    code("channelfreq", kOn8212, 256, 1, 0),                    //        range code
    span("channelfreq", K::PllWord, kOn8212, 257, 3),           // @0x101 synthesizer N word
    span("channelspace", K::PllWord, kOn8212, 260, 2),          // @0x104 synthesizer R word
    family(flag("addr#en", kOn8212, kEntryBase8212, 7),         // @0x106 + 4k
           kEntryCount8212, Tag::Number1, kEntrySize8212 * 8),
    family(constant(kOn8212, kEntryBase8212, 6, 0, kEntryLead8212),
           kEntryCount8212, Tag::None, kEntrySize8212 * 8),
    family(span("address#", K::Capcode, kOn8212, kEntryBase8212 + 1, kEntrySize8212 - 1),
           kEntryCount8212, Tag::Number1, kEntrySize8212 * 8),  // @0x107 + 4k
    flag("bs2_option", kOn8212, 294, 7),                        // @0x126
    constant(kOn8212, 294, 6, 0, 0x02),
    valueBits(reversed(number("bs3", kOn8212, 295, 7, 6), 2), 4), // @0x127 bs3 bits 5-4
    index("polarity", kOn8212, 295, 5, 5),
    reversed(index("baudrate", kOn8212, 295, 4, 3), 2),
    index("clko", kOn8212, 295, 2, 1),
    flag("end_of_msg", kOn8212, 295, 0),
    valueBits(reversed(number("bs1", kOn8212, 296, 7, 4), 4), 2), // @0x128 bs1 bits 5-2
    reversed(number("bs3", kOn8212, 296, 3, 0), 4),             //        bs3 bits 3-0
    reversed(index("error_rate", kOn8212, 297, 7, 5), 3),       // @0x129
    reversed(index("filter_strength", kOn8212, 297, 4, 3), 2),
    flag("filter_enable", kOn8212, 297, 2),
    reversed(number("bs1", kOn8212, 297, 1, 0), 2),             //        bs1 bits 1-0
    checksumRow(ChecksumBlock::B),                              // @0x132
    family(number("rssi_level_#", kOnExt, 306), 4, Tag::Number0, 8), // @0x132-0x135
    text("firmware_epson", kOnExt, 310, 8),                     // @0x136
    constant(kOnAll, 318, 7, 7, 0),                             // @0x13E
    index("addr_check", kOnAll, 318, 6, 4),
    constant(kOnAll, 318, 3, 3, 0),
    index("data_check", kOnAll, 318, 2, 0),
    flag("st6bsupport", kOnExt, 319, 7),                        // @0x13F
    index("line_8or4", kOnExt, 319, 6, 6),
    constant(kOnExt, 319, 5, 0, 0),
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
