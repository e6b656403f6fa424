// The backlight table: the `back_light` list index and the on:off ratio code
// stored in EepromImage byte 13. Codes outside the table have no index; the
// decoder then leaves the setting as it is.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ccp::model {

struct BacklightRatio {
    std::string_view caption;
    std::uint8_t code;
};

inline constexpr std::array<BacklightRatio, 4> kBacklightTable = {{
    {"9:1", 0x19},
    {"7:3", 0x4D},
    {"5:5", 0x80},
    {"3:7", 0xB3},
}};

// nullopt for an index outside 0-3 (-1 when nothing is selected).
std::optional<std::uint8_t> backlightCode(int index);

std::optional<int> backlightIndex(std::uint8_t code);

} // namespace ccp::model
