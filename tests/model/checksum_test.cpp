#include "model/checksum.h"

#include <gtest/gtest.h>
#include <vector>

namespace ccp::model {
namespace {

EepromImage filled(std::uint8_t value) {
    EepromImage image;
    image.fill(value);
    return image;
}

TEST(Checksum, AllZeroAndAllOnesBlocks) {
    const EepromImage zero = filled(0x00);
    for (ChecksumBlock block : {ChecksumBlock::A, ChecksumBlock::B, ChecksumBlock::C}) {
        EXPECT_EQ(computeChecksum(zero, block), 0xFF);
    }
    // 255 bytes of 0xFF sum to 0xFE01.
    EXPECT_EQ(computeChecksum(filled(0xFF), ChecksumBlock::A), 0xFE);
    // 50 bytes of 0xFF sum to 0x31CE.
    EXPECT_EQ(computeChecksum(filled(0xFF), ChecksumBlock::B), 0x31);
}

TEST(Checksum, SumWrapsModulo256) {
    const std::vector<std::uint8_t> bytes = {0x80, 0x80, 0x01};
    EXPECT_EQ(checksumOf(bytes), 0xFE);
    EXPECT_EQ(checksumOf(std::vector<std::uint8_t>{0xFF, 0x01}), 0xFF);
    EXPECT_EQ(checksumOf({}), 0xFF);
}

TEST(Checksum, StoredBlockVerifiesAndOneChangedByteBreaksIt) {
    EepromImage image{};
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    for (const ChecksumSpec& spec : kChecksumBlocks) {
        storeChecksum(image, spec.block);
        EXPECT_TRUE(verifyChecksum(image, spec.block));
        unsigned sum = image[spec.storedAt];
        for (std::size_t i = spec.first; i <= spec.last; ++i) {
            sum += image[i];
        }
        EXPECT_EQ(sum & 0xFF, 0xFFu);
        EepromImage broken = image;
        broken[spec.last] ^= 0x10;
        EXPECT_FALSE(verifyChecksum(broken, spec.block));
        for (std::size_t i = 0; i < image.size(); ++i) {
            if ((i < spec.first || i > spec.last) && i != spec.storedAt) {
                broken = image;
                broken[i] ^= 0x10;
                EXPECT_TRUE(verifyChecksum(broken, spec.block)) << "byte " << i;
            }
        }
    }
}

TEST(Checksum, BlockCCoversTheStoredBlockA) {
    EepromImage image = filled(0x11);
    storeChecksums(image, Layout::Sm8212Extended);
    EXPECT_TRUE(verifyChecksum(image, ChecksumBlock::A));
    EXPECT_TRUE(verifyChecksum(image, ChecksumBlock::C));
    EXPECT_EQ(image[306], 0x11) << "no block B in the extended layout";

    image = filled(0x11);
    storeChecksums(image, Layout::Sm8212);
    EXPECT_TRUE(verifyChecksum(image, ChecksumBlock::B));
    EXPECT_EQ(image[511], 0x11);
}

TEST(Checksum, BlocksPerLayout) {
    using B = ChecksumBlock;
    EXPECT_EQ(checksumBlocksOf(Layout::Pcd5003), std::vector<B>{B::A});
    EXPECT_EQ(checksumBlocksOf(Layout::Sm8212), (std::vector<B>{B::A, B::B}));
    EXPECT_EQ(checksumBlocksOf(Layout::Sm8212Extended), (std::vector<B>{B::A, B::C}));
}

TEST(Checksum, FileBuffersOfAnyLength) {
    std::vector<std::uint8_t> file(307, 0x22);
    EXPECT_TRUE(storeChecksum(std::span<std::uint8_t>(file), ChecksumBlock::A));
    EXPECT_TRUE(storeChecksum(std::span<std::uint8_t>(file), ChecksumBlock::B));
    EXPECT_TRUE(verifyChecksum(std::span<const std::uint8_t>(file), ChecksumBlock::B));
    EXPECT_FALSE(storeChecksum(std::span<std::uint8_t>(file), ChecksumBlock::C));
    EXPECT_FALSE(verifyChecksum(std::span<const std::uint8_t>(file), ChecksumBlock::C));
    EXPECT_FALSE(computeChecksum(std::span<const std::uint8_t>(file).first(255), ChecksumBlock::A));
    EXPECT_EQ(file[306], checksumOf(std::span<const std::uint8_t>(file).subspan(256, 50)));
}

} // namespace
} // namespace ccp::model
