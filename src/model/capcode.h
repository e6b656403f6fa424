// Capcode packing. A capcode (21 bits) splits into the 18-bit address word
// W = capcode / 8 and the frame F = capcode % 8. The 8212 layouts keep eight
// 4-byte entries in the EepromImage; the 5003 layout keeps six addresses over
// three DecoderImage bytes each. Packing keeps the low 21 bits of a larger
// capcode, writes only its own entry, and ignores entry numbers out of range.
#pragma once

#include "model/image.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace ccp::model {

constexpr std::uint32_t kMaxCapcode = 2097151; // 21 bits
constexpr std::uint32_t kCapcodeMask = 0x1FFFFF;

// 8212 layouts: entry k (0-7) at kEntryBase8212 + 4k.
//   byte p:   bit 7 enabled, bits 6-0 = 0x06
//   byte p+1: W bits 17-16 2-bit reversed in 7-6, F 3-bit reversed in 5-3,
//             k 3-bit reversed in 2-0
//   byte p+2: W bits 15-8 byte-reversed; byte p+3: W bits 7-0 byte-reversed
constexpr std::size_t kEntryBase8212 = 262; // @0x106
constexpr std::size_t kEntrySize8212 = 4;
constexpr int kEntryCount8212 = 8;
constexpr std::uint8_t kEntryLead8212 = 0x06;
constexpr std::uint8_t kEntryEnabled8212 = 0x80;

constexpr std::size_t entryOffset8212(int entry) {
    return kEntryBase8212 + kEntrySize8212 * static_cast<std::size_t>(entry);
}

// 5003 layout: address i (1-6) in DecoderImage bytes
//   kHigh5003 + i - 1 = W bits 17-10 (capcode bits 20-13)
//   kMid5003 + i - 1  = W bits 9-2   (capcode bits 12-5)
//   kLow5003 + i - 1  = W bits 1-0 and F in bits 7-3 (capcode bits 4-0),
//                       bit 2 = 1, bit 1 = enabled, bit 0 = 0
constexpr std::size_t kHigh5003 = 12;
constexpr std::size_t kMid5003 = 18;
constexpr std::size_t kLow5003 = 24;
constexpr int kAddressCount5003 = 6;
constexpr std::uint8_t kLowFixed5003 = 0x04;
constexpr std::uint8_t kLowEnabled5003 = 0x02;

struct CapcodeEntry {
    std::uint32_t capcode = 0;
    bool enabled = false;

    friend bool operator==(const CapcodeEntry&, const CapcodeEntry&) = default;
};

// entry: 0-7. Returns false (nothing written) for any other entry number.
bool packCapcode8212(EepromImage& image, int entry, std::uint32_t capcode, bool enabled);
// Bits 6-0 of byte p and bits 2-0 of byte p+1 are not checked.
std::optional<CapcodeEntry> unpackCapcode8212(const EepromImage& image, int entry);

// address: 1-6. Returns false (nothing written) for any other address number.
bool packCapcode5003(DecoderImage& decoder, int address, std::uint32_t capcode, bool enabled);
std::optional<CapcodeEntry> unpackCapcode5003(const DecoderImage& decoder, int address);

} // namespace ccp::model
