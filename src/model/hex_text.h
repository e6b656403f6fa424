// Hex-digit fields: a tone pattern is four hex digits in the window and two
// bytes in the image, most significant byte first ("FFFC" is FF FC). Digits
// 0-9, A-F and a-f give 0-15; any other character, and a missing one, gives
// 0xC, so "FF" is stored FF CC. Bytes read back as two uppercase digits each.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ccp::model {

constexpr std::size_t kHexFieldDigits = 4;
constexpr std::size_t kHexFieldBytes = 2;
constexpr std::uint8_t kHexFallbackDigit = 0xC;

constexpr std::uint8_t hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint8_t>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::uint8_t>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::uint8_t>(c - 'a' + 10);
    }
    return kHexFallbackDigit;
}

// The first four characters of `text` as two bytes; characters past the
// fourth are ignored.
std::array<std::uint8_t, kHexFieldBytes> hexFieldBytes(std::string_view text);

// Two uppercase hex digits per byte.
std::string hexText(std::span<const std::uint8_t> bytes);

} // namespace ccp::model
