#include "model/hex_text.h"

namespace ccp::model {

std::array<std::uint8_t, kHexFieldBytes> hexFieldBytes(std::string_view text) {
    std::array<std::uint8_t, kHexFieldDigits> digits{};
    for (std::size_t i = 0; i < kHexFieldDigits; ++i) {
        digits[i] = i < text.size() ? hexDigitValue(text[i]) : kHexFallbackDigit;
    }
    return {static_cast<std::uint8_t>((digits[0] << 4) | digits[1]),
            static_cast<std::uint8_t>((digits[2] << 4) | digits[3])};
}

std::string hexText(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

} // namespace ccp::model
