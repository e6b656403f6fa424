// The EepromImage checksums. Each block is an 8-bit additive checksum stored as
// its complement: the checksum byte holds 0xFF minus the sum of the covered
// bytes modulo 256, so covered bytes plus checksum byte sum to 0xFF. Block C
// covers byte 255, so it is stored after block A.
#pragma once

#include "model/image.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ccp::model {

enum class ChecksumBlock { A, B, C };

struct ChecksumSpec {
    ChecksumBlock block;
    std::uint16_t first;    // first covered byte
    std::uint16_t last;     // last covered byte
    std::uint16_t storedAt; // the checksum byte
    LayoutSet layouts;      // layouts that keep this block
};

inline constexpr std::array<ChecksumSpec, 3> kChecksumBlocks = {{
    {ChecksumBlock::A, 0, 254, 255, kOnAll},        // @0x0FF
    {ChecksumBlock::B, 256, 305, 306, kOn8212Only}, // @0x132
    {ChecksumBlock::C, 0, 510, 511, kOnExt},        // @0x1FF
}};

constexpr const ChecksumSpec& checksumSpec(ChecksumBlock block) {
    return kChecksumBlocks[static_cast<std::size_t>(block)];
}

// The blocks a layout keeps, in the order in which they are stored.
std::vector<ChecksumBlock> checksumBlocksOf(Layout layout);

// 0xFF minus the 8-bit sum of `covered`.
std::uint8_t checksumOf(std::span<const std::uint8_t> covered);

std::uint8_t computeChecksum(const EepromImage& image, ChecksumBlock block);
bool verifyChecksum(const EepromImage& image, ChecksumBlock block);
void storeChecksum(EepromImage& image, ChecksumBlock block);

// Stores every block of `layout` in order (A before C).
void storeChecksums(EepromImage& image, Layout layout);

// The same on a buffer of any length, such as the 307 bytes of an image file.
// A buffer that ends before the block's checksum byte gives nullopt / false and
// is left unchanged.
std::optional<std::uint8_t> computeChecksum(std::span<const std::uint8_t> bytes,
                                            ChecksumBlock block);
bool verifyChecksum(std::span<const std::uint8_t> bytes, ChecksumBlock block);
bool storeChecksum(std::span<std::uint8_t> bytes, ChecksumBlock block);

} // namespace ccp::model
