// The DecoderImage field table (5003 layout only). Bits that no setting names
// keep the default block's value.
#include "model/capcode.h"
#include "model/field_rows.h"
#include "model/image_offsets.h"

namespace ccp::model {

namespace {

using namespace rows;
using K = FieldKind;

constexpr FieldRow byDefault(std::size_t offset, int hi, int lo) {
    return bits({}, K::DefaultBlock, kOn5003, offset, hi, lo);
}

constexpr FieldRow bytesByDefault(std::size_t offset, std::size_t width) {
    return span({}, K::DefaultBlock, kOn5003, offset, width);
}

// clang-format off
constexpr std::array kDecoderRows = {
    index("polarity", kOn5003, kDecoderPolarityByte, 7, 7),     // @0x00
    byDefault(kDecoderPolarityByte, 6, 0),
    byDefault(kDecoderReceiverByte, 7, 6),                      // @0x01
    code("baudrate", kOn5003, kDecoderReceiverByte, 5, 4),      //       00, 10, 11 for index 0-2
    index("ROE", kOn5003, kDecoderReceiverByte, 3, 2),
    index("RXE", kOn5003, kDecoderReceiverByte, 1, 0),
    bytesByDefault(2, 4),                                       // @0x02-0x05
    span("channelfreq", K::PllWord, kOn5003, kPllN5003,
         kPllNWidth5003),                                       // @0x06 synthesizer N word
    span("channelspace", K::PllWord, kOn5003, kPllR5003,
         kPllRWidth5003),                                       // @0x09 R word and control bits
    family(valueBits(bits("address#", K::Capcode, kOn5003, kHigh5003, 7, 0), 13),
           kAddressCount5003, Tag::Number1, 8),                 // @0x0C + i-1: capcode bits 20-13
    family(valueBits(bits("address#", K::Capcode, kOn5003, kMid5003, 7, 0), 5),
           kAddressCount5003, Tag::Number1, 8),                 // @0x12 + i-1: capcode bits 12-5
    family(bits("address#", K::Capcode, kOn5003, kLow5003, 7, 3),
           kAddressCount5003, Tag::Number1, 8),                 // @0x18 + i-1: capcode bits 4-0
    family(constant(kOn5003, kLow5003, 2, 2, 1), kAddressCount5003, Tag::None, 8),
    family(flag("addr#en", kOn5003, kLow5003, 1), kAddressCount5003, Tag::Number1, 8),
    family(constant(kOn5003, kLow5003, 0, 0, 0), kAddressCount5003, Tag::None, 8),
    bytesByDefault(30, 18),                                     // @0x1E-0x2F
};
// clang-format on

constexpr auto kDecoderFields = expand<memberCount(kDecoderRows)>(kDecoderRows);

} // namespace

std::span<const FieldSpec> decoderFields() {
    return kDecoderFields;
}

} // namespace ccp::model
