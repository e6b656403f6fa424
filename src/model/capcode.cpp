#include "model/capcode.h"

#include "model/bits.h"

namespace ccp::model {

namespace {

bool isEntry8212(int entry) {
    return entry >= 0 && entry < kEntryCount8212;
}

bool isAddress5003(int address) {
    return address >= 1 && address <= kAddressCount5003;
}

} // namespace

bool packCapcode8212(EepromImage& image, int entry, std::uint32_t capcode, bool enabled) {
    if (!isEntry8212(entry)) {
        return false;
    }
    const std::uint32_t value = capcode & kCapcodeMask;
    const std::uint32_t word = value >> 3;
    const std::uint32_t frame = value & 0x7u;
    const std::size_t p = entryOffset8212(entry);

    image[p] = static_cast<std::uint8_t>(kEntryLead8212 | (enabled ? kEntryEnabled8212 : 0u));
    std::uint8_t second = 0;
    setBits(second, 7, 6, reverseBits(word >> 16, 2));
    setBits(second, 5, 3, reverseBits(frame, 3));
    setBits(second, 2, 0, reverseBits(static_cast<unsigned>(entry), 3));
    image[p + 1] = second;
    image[p + 2] = static_cast<std::uint8_t>(reverseBits(word >> 8, 8));
    image[p + 3] = static_cast<std::uint8_t>(reverseBits(word, 8));
    return true;
}

std::optional<CapcodeEntry> unpackCapcode8212(const EepromImage& image, int entry) {
    if (!isEntry8212(entry)) {
        return std::nullopt;
    }
    const std::size_t p = entryOffset8212(entry);
    const std::uint32_t word = (reverseBits(getBits(image[p + 1], 7, 6), 2) << 16) |
                               (reverseBits(image[p + 2], 8) << 8) | reverseBits(image[p + 3], 8);
    const std::uint32_t frame = reverseBits(getBits(image[p + 1], 5, 3), 3);
    return CapcodeEntry{word * 8u + frame, (image[p] & kEntryEnabled8212) != 0};
}

bool packCapcode5003(DecoderImage& decoder, int address, std::uint32_t capcode, bool enabled) {
    if (!isAddress5003(address)) {
        return false;
    }
    const std::uint32_t value = capcode & kCapcodeMask;
    const std::size_t i = static_cast<std::size_t>(address - 1);

    decoder[kHigh5003 + i] = static_cast<std::uint8_t>(value >> 13);
    decoder[kMid5003 + i] = static_cast<std::uint8_t>(value >> 5);
    auto low = static_cast<std::uint8_t>(kLowFixed5003 | (enabled ? kLowEnabled5003 : 0u));
    setBits(low, 7, 3, value);
    decoder[kLow5003 + i] = low;
    return true;
}

std::optional<CapcodeEntry> unpackCapcode5003(const DecoderImage& decoder, int address) {
    if (!isAddress5003(address)) {
        return std::nullopt;
    }
    const std::size_t i = static_cast<std::size_t>(address - 1);
    const std::uint32_t capcode =
        decoder[kHigh5003 + i] * 8192u + decoder[kMid5003 + i] * 32u + decoder[kLow5003 + i] / 8u;
    return CapcodeEntry{capcode, (decoder[kLow5003 + i] & kLowEnabled5003) != 0};
}

} // namespace ccp::model
