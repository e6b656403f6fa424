// Where every setting lives: the EepromImage and DecoderImage field tables as
// data, one descriptor per stored part, with lookup by setting name and layout
// and plain read/write of single-byte bit fields. A setting may have several
// parts: split values (`bs1`, `bs3`, 5003 capcodes), a flag beside an index
// (`alerttime`), or a second copy (`lowcell` in bytes 34 and 39).
#pragma once

#include "model/image.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace ccp::model {

enum class FieldKind : std::uint8_t {
    Text,         // `width` characters; writing adds a zero terminator after the text
    Hex,          // four hex digits in two bytes
    Number,       // decimal setting, stored modulo 2^bits
    Index,        // item index of a list setting
    Flag,         // check box, 1 = checked
    IndexFlag,    // 1 when the list setting's index equals `value` ("64 sec")
    Code,         // a code from a table: backlight, channel spacing, range, baud code
    PllWord,      // synthesizer word; packing depends on the PLL chip
    Capcode,      // address capcode (8212: bytes p+1..p+3 of an entry; 5003: three parts)
    FolderSlots,  // first and last message slot of a folder
    Constant,     // fixed bits `value`, written by every encoding
    DefaultBlock, // DecoderImage bits that keep the default block's value
    Checksum,     // checksum byte of block `value` (ChecksumBlock)
};

constexpr std::size_t kFieldNameMax = 24;
using FieldName = std::array<char, kFieldNameMax>;

struct FieldSpec {
    FieldName nameChars{};  // setting name; empty for Constant, DefaultBlock, Checksum
    FieldName aliasChars{}; // second setting stored in the same bits, if any
    LayoutSet layouts = 0;
    std::uint16_t offset = 0;
    std::uint8_t width = 1; // bytes; a bit field is one byte
    std::uint8_t hi = 7;    // bit range inside the byte (7-0 for whole bytes)
    std::uint8_t lo = 0;
    std::uint8_t reverse = 0; // stored bit-reversed over this many bits; 0 = not reversed
    std::uint8_t valueLo = 0; // lowest bit of the setting's value held by this part
    FieldKind kind = FieldKind::Constant;
    std::uint8_t value = 0;  // Constant: the bits; IndexFlag: the index; Checksum: the block
    std::uint8_t member = 0; // position within its family (address n-1, folder n, ...)

    std::string_view name() const { return nameChars.data(); }
    std::string_view alias() const { return aliasChars.data(); }
    constexpr int bitCount() const { return hi - lo + 1; }
    constexpr std::size_t end() const { return std::size_t{offset} + width; }
    // A field read and written with readField / writeField: bits of one byte.
    constexpr bool isBitField() const {
        return width == 1 && kind != FieldKind::Text && kind != FieldKind::Hex &&
               kind != FieldKind::PllWord && kind != FieldKind::FolderSlots &&
               kind != FieldKind::Checksum;
    }
};

struct ByteRange {
    std::uint16_t first;
    std::uint16_t last;
};

std::span<const FieldSpec> eepromFields();
std::span<const FieldSpec> decoderFields(); // 5003 layout only

// Bytes that no field names in `layout`: the editor never writes them, and
// they keep whatever the last read, load or repair left there.
std::span<const ByteRange> neverWrittenRanges(Layout layout);
bool isNeverWritten(Layout layout, std::size_t offset);

// Every part of setting `name` (matched against name and alias) in `layout`,
// in table order.
std::vector<const FieldSpec*> findFields(std::span<const FieldSpec> table, std::string_view name,
                                         Layout layout);
std::vector<const FieldSpec*> eepromFieldsOf(std::string_view name, Layout layout);
std::vector<const FieldSpec*> decoderFieldsOf(std::string_view name);

// Every field of `layout` that occupies byte `offset`.
std::vector<const FieldSpec*> eepromFieldsAt(Layout layout, std::size_t offset);

// The part of a setting's value that `field` holds: the stored bits, un-reversed
// and shifted up to bit `valueLo`. nullopt when `field` is not a bit field or
// lies outside `bytes`.
std::optional<unsigned> readField(std::span<const std::uint8_t> bytes, const FieldSpec& field);

// Stores value bits valueLo.. of `value` (cut to the field's width, reversed
// where the field is) and leaves every other bit. A Constant stores its own
// bits and an IndexFlag stores 1 when `value` equals its index. Returns false,
// writing nothing, when `field` is not a bit field or lies outside `bytes`.
bool writeField(std::span<std::uint8_t> bytes, const FieldSpec& field, unsigned value);

} // namespace ccp::model
