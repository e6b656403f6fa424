// Bit helpers for the image fields. Bits are numbered 7 (most significant) to
// 0. A field is the inclusive bit range hi..lo of one byte; reading or writing
// it never touches the bits outside that range. Several decoder fields are
// stored bit-reversed: a k-bit value keeps its most significant bit in the
// field's lowest bit position.
#pragma once

#include <cstdint>

namespace ccp::model {

// The lowest `width` bits of `value` in reverse order; bits above `width` are
// dropped. A width of 0 or less gives 0; widths above 32 act as 32.
constexpr unsigned reverseBits(unsigned value, int width) {
    if (width > 32) {
        width = 32;
    }
    unsigned result = 0;
    for (int i = 0; i < width; ++i) {
        result = (result << 1) | ((value >> i) & 1u);
    }
    return result;
}

constexpr bool isBitRange(int hi, int lo) {
    return lo >= 0 && hi >= lo && hi <= 7;
}

// Mask of bits hi..lo inside a byte; 0 for a range that does not lie in 7..0.
constexpr std::uint8_t fieldMask(int hi, int lo) {
    if (!isBitRange(hi, lo)) {
        return 0;
    }
    return static_cast<std::uint8_t>(((0xFFu >> (7 - hi)) >> lo) << lo);
}

// The value held in bits hi..lo of `byte`, shifted down to bit 0.
constexpr unsigned getBits(std::uint8_t byte, int hi, int lo) {
    const std::uint8_t mask = fieldMask(hi, lo);
    return mask == 0 ? 0u : static_cast<unsigned>((byte & mask) >> lo);
}

// Puts the low (hi - lo + 1) bits of `value` into bits hi..lo of `byte`;
// higher bits of `value` are cut off and the other bits of `byte` stay.
constexpr void setBits(std::uint8_t& byte, int hi, int lo, unsigned value) {
    const std::uint8_t mask = fieldMask(hi, lo);
    if (mask == 0) {
        return;
    }
    byte = static_cast<std::uint8_t>((byte & ~mask) | ((value << lo) & mask));
}

} // namespace ccp::model
