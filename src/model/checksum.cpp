#include "model/checksum.h"

namespace ccp::model {

std::vector<ChecksumBlock> checksumBlocksOf(Layout layout) {
    std::vector<ChecksumBlock> blocks;
    for (const ChecksumSpec& spec : kChecksumBlocks) {
        if (appliesTo(spec.layouts, layout)) {
            blocks.push_back(spec.block);
        }
    }
    return blocks;
}

std::uint8_t checksumOf(std::span<const std::uint8_t> covered) {
    unsigned sum = 0;
    for (std::uint8_t byte : covered) {
        sum += byte;
    }
    return static_cast<std::uint8_t>(0xFFu - (sum & 0xFFu));
}

std::optional<std::uint8_t> computeChecksum(std::span<const std::uint8_t> bytes,
                                            ChecksumBlock block) {
    const ChecksumSpec& spec = checksumSpec(block);
    if (bytes.size() <= spec.storedAt) {
        return std::nullopt;
    }
    return checksumOf(bytes.subspan(spec.first, spec.last - spec.first + 1u));
}

bool verifyChecksum(std::span<const std::uint8_t> bytes, ChecksumBlock block) {
    const std::optional<std::uint8_t> expected = computeChecksum(bytes, block);
    return expected.has_value() && bytes[checksumSpec(block).storedAt] == *expected;
}

bool storeChecksum(std::span<std::uint8_t> bytes, ChecksumBlock block) {
    const std::optional<std::uint8_t> value = computeChecksum(bytes, block);
    if (!value) {
        return false;
    }
    bytes[checksumSpec(block).storedAt] = *value;
    return true;
}

std::uint8_t computeChecksum(const EepromImage& image, ChecksumBlock block) {
    return *computeChecksum(std::span<const std::uint8_t>(image), block);
}

bool verifyChecksum(const EepromImage& image, ChecksumBlock block) {
    return verifyChecksum(std::span<const std::uint8_t>(image), block);
}

void storeChecksum(EepromImage& image, ChecksumBlock block) {
    storeChecksum(std::span<std::uint8_t>(image), block);
}

void storeChecksums(EepromImage& image, Layout layout) {
    for (ChecksumBlock block : checksumBlocksOf(layout)) {
        storeChecksum(image, block);
    }
}

} // namespace ccp::model
