// The two byte images that hold a pager's configuration and the three layouts
// that place settings in them. The EepromImage is the pager's 512-byte serial
// EEPROM; the DecoderImage is the 48-byte register block of the PCD5003 decoder,
// used only by the two oldest platforms. The hardware platform (0-6) picks the
// layout; every platform number, even an invalid one, maps to some layout.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ccp::model {

constexpr std::size_t kEepromSize = 512;
constexpr std::size_t kDecoderSize = 48;

using EepromImage = std::array<std::uint8_t, kEepromSize>;
using DecoderImage = std::array<std::uint8_t, kDecoderSize>;

enum class Layout {
    Pcd5003,        // platforms 0-1: addresses and decoder options in the DecoderImage
    Sm8212,         // platforms 2-4: SM8212 register block at 256-305, checksum at 306
    Sm8212Extended, // platforms 5-6: as Sm8212 plus 306-319, whole-image checksum at 511
};

constexpr int kPlatformCount = 7;

constexpr bool isValidPlatform(int hardwarePlatform) {
    return hardwarePlatform >= 0 && hardwarePlatform < kPlatformCount;
}

// Platforms below 0 are treated as the oldest hardware (Pcd5003) and platforms
// above 6 as the newest (Sm8212Extended): the number is clamped to 0-6.
constexpr Layout layoutOf(int hardwarePlatform) {
    if (hardwarePlatform <= 1) {
        return Layout::Pcd5003;
    }
    if (hardwarePlatform <= 4) {
        return Layout::Sm8212;
    }
    return Layout::Sm8212Extended;
}

// A set of layouts, one bit per layout; the field and checksum tables say with
// it where an entry applies.
using LayoutSet = std::uint8_t;

constexpr LayoutSet kOn5003 = 0x01;
constexpr LayoutSet kOn8212Only = 0x02; // platforms 2-4
constexpr LayoutSet kOnExt = 0x04;      // platforms 5-6
constexpr LayoutSet kOn8212 = kOn8212Only | kOnExt;
constexpr LayoutSet kOnAll = kOn5003 | kOn8212;

constexpr LayoutSet layoutBit(Layout layout) {
    switch (layout) {
    case Layout::Pcd5003:
        return kOn5003;
    case Layout::Sm8212:
        return kOn8212Only;
    case Layout::Sm8212Extended:
        return kOnExt;
    }
    return 0;
}

constexpr bool appliesTo(LayoutSet set, Layout layout) {
    return (set & layoutBit(layout)) != 0;
}

constexpr std::array<Layout, 3> kAllLayouts = {Layout::Pcd5003, Layout::Sm8212,
                                               Layout::Sm8212Extended};

} // namespace ccp::model
