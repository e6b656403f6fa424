// Compact source rows of the field tables and their expansion into one
// FieldSpec per stored part. A family row stands for numbered members: '#' in
// its name is the member's tag and '$' its tone letter; member m sits
// m * bitStride bits after member 0, so a family may run across bytes.
#pragma once

#include "model/field_table.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ccp::model::rows {

enum class Tag : std::uint8_t {
    None,
    Number1,      // 1, 2, 3, ...
    Number0,      // 0, 1, 2, ...
    HexDigit0,    // 0-9, A-F
    NumberLetter, // '#' = m / 4 + 1, '$' = A-D for m % 4
};

struct FieldRow {
    std::string_view name;
    std::string_view alias;
    LayoutSet layouts = 0;
    std::uint16_t offset = 0;
    std::uint8_t width = 1;
    std::uint8_t hi = 7;
    std::uint8_t lo = 0;
    std::uint8_t reverse = 0;
    std::uint8_t valueLo = 0;
    FieldKind kind = FieldKind::Constant;
    std::uint8_t value = 0;
    std::uint8_t count = 1;
    Tag tag = Tag::None;
    std::uint16_t bitStride = 0;
};

constexpr FieldRow bits(std::string_view name, FieldKind kind, LayoutSet on, std::size_t offset,
                        int hi, int lo) {
    FieldRow row;
    row.name = name;
    row.kind = kind;
    row.layouts = on;
    row.offset = static_cast<std::uint16_t>(offset);
    row.hi = static_cast<std::uint8_t>(hi);
    row.lo = static_cast<std::uint8_t>(lo);
    return row;
}

constexpr FieldRow flag(std::string_view name, LayoutSet on, std::size_t offset, int bit) {
    return bits(name, FieldKind::Flag, on, offset, bit, bit);
}

constexpr FieldRow index(std::string_view name, LayoutSet on, std::size_t offset, int hi = 7,
                         int lo = 0) {
    return bits(name, FieldKind::Index, on, offset, hi, lo);
}

constexpr FieldRow number(std::string_view name, LayoutSet on, std::size_t offset, int hi = 7,
                          int lo = 0) {
    return bits(name, FieldKind::Number, on, offset, hi, lo);
}

constexpr FieldRow code(std::string_view name, LayoutSet on, std::size_t offset, int hi = 7,
                        int lo = 0) {
    return bits(name, FieldKind::Code, on, offset, hi, lo);
}

constexpr FieldRow indexFlag(std::string_view name, LayoutSet on, std::size_t offset, int bit,
                             int whenIndex) {
    FieldRow row = bits(name, FieldKind::IndexFlag, on, offset, bit, bit);
    row.value = static_cast<std::uint8_t>(whenIndex);
    return row;
}

constexpr FieldRow constant(LayoutSet on, std::size_t offset, int hi, int lo, int value) {
    FieldRow row = bits({}, FieldKind::Constant, on, offset, hi, lo);
    row.value = static_cast<std::uint8_t>(value);
    return row;
}

constexpr FieldRow span(std::string_view name, FieldKind kind, LayoutSet on, std::size_t offset,
                        std::size_t width) {
    FieldRow row = bits(name, kind, on, offset, 7, 0);
    row.width = static_cast<std::uint8_t>(width);
    return row;
}

constexpr FieldRow text(std::string_view name, LayoutSet on, std::size_t offset,
                        std::size_t width) {
    return span(name, FieldKind::Text, on, offset, width);
}

constexpr FieldRow reversed(FieldRow row, int width) {
    row.reverse = static_cast<std::uint8_t>(width);
    return row;
}

constexpr FieldRow valueBits(FieldRow row, int valueLo) {
    row.valueLo = static_cast<std::uint8_t>(valueLo);
    return row;
}

constexpr FieldRow aliased(FieldRow row, std::string_view alias) {
    row.alias = alias;
    return row;
}

constexpr FieldRow family(FieldRow row, int count, Tag tag, std::size_t bitStride) {
    row.count = static_cast<std::uint8_t>(count);
    row.tag = tag;
    row.bitStride = static_cast<std::uint16_t>(bitStride);
    return row;
}

template <std::size_t N> constexpr std::size_t memberCount(const std::array<FieldRow, N>& rows) {
    std::size_t total = 0;
    for (const FieldRow& row : rows) {
        total += row.count;
    }
    return total;
}

constexpr void append(FieldName& out, std::size_t& length, char c) {
    if (length + 1 >= out.size()) {
        throw "field name too long";
    }
    out[length++] = c;
}

constexpr FieldName memberName(std::string_view pattern, Tag tag, int m) {
    FieldName out{};
    std::size_t length = 0;
    for (char c : pattern) {
        if (c == '#' && tag == Tag::HexDigit0) {
            append(out, length, "0123456789ABCDEF"[m & 0xF]);
        } else if (c == '#') {
            int n = tag == Tag::Number1 ? m + 1 : tag == Tag::NumberLetter ? m / 4 + 1 : m;
            if (n >= 10) {
                append(out, length, static_cast<char>('0' + n / 10));
            }
            append(out, length, static_cast<char>('0' + n % 10));
        } else if (c == '$') {
            append(out, length, static_cast<char>('A' + m % 4));
        } else {
            append(out, length, c);
        }
    }
    return out;
}

constexpr FieldSpec memberOf(const FieldRow& row, int m) {
    const std::size_t bit = std::size_t{row.offset} * 8 + row.lo + std::size_t(m) * row.bitStride;
    FieldSpec spec;
    spec.nameChars = memberName(row.name, row.tag, m);
    spec.aliasChars = memberName(row.alias, row.tag, m);
    spec.layouts = row.layouts;
    spec.offset = static_cast<std::uint16_t>(bit / 8);
    spec.width = row.width;
    spec.lo = static_cast<std::uint8_t>(bit % 8);
    spec.hi = static_cast<std::uint8_t>(spec.lo + (row.hi - row.lo));
    spec.reverse = row.reverse;
    spec.valueLo = row.valueLo;
    spec.kind = row.kind;
    spec.value = row.value;
    spec.member = static_cast<std::uint8_t>(m);
    return spec;
}

template <std::size_t M, std::size_t N>
constexpr std::array<FieldSpec, M> expand(const std::array<FieldRow, N>& rows) {
    std::array<FieldSpec, M> specs{};
    std::size_t k = 0;
    for (const FieldRow& row : rows) {
        for (int m = 0; m < row.count; ++m) {
            specs[k++] = memberOf(row, m);
        }
    }
    return specs;
}

} // namespace ccp::model::rows
