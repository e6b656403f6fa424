#include "model/capcode.h"
#include "model/decoder_defaults.h"

#include <gtest/gtest.h>

namespace ccp::model {
namespace {

constexpr std::uint32_t kEdgeCapcodes[] = {0, 7, 8, 2004000, 2004047, 2097143, kMaxCapcode};

template <typename Image> Image pattern() {
    Image image;
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(0xA5 ^ (i * 13));
    }
    return image;
}

TEST(Capcode8212, Capcode2004000AsEntry0) {
    EepromImage image{};
    ASSERT_TRUE(packCapcode8212(image, 0, 2004000, true));
    EXPECT_EQ(image[262], 0x86);
    EXPECT_EQ(image[263], 0xC0);
    EXPECT_EQ(image[264], 0x4B);
    EXPECT_EQ(image[265], 0x21);
}

TEST(Capcode8212, EntryIndexAndFrameAreReversedIntoTheSecondByte) {
    EepromImage image{};
    packCapcode8212(image, 1, 1, false); // F = 1, k = 1, W = 0
    EXPECT_EQ(image[266], 0x06);
    EXPECT_EQ(image[267], 0x20 | 0x04);
    packCapcode8212(image, 6, 6, true); // F = 6 -> 3, k = 6 -> 3
    EXPECT_EQ(image[286], 0x86);
    EXPECT_EQ(image[287], 0x18 | 0x03);
}

TEST(Capcode8212, RoundTripsEveryEntryAndTouchesNothingElse) {
    for (int k = 0; k < kEntryCount8212; ++k) {
        for (std::uint32_t capcode : kEdgeCapcodes) {
            for (bool enabled : {false, true}) {
                const EepromImage before = pattern<EepromImage>();
                EepromImage image = before;
                ASSERT_TRUE(packCapcode8212(image, k, capcode, enabled));
                EXPECT_EQ(unpackCapcode8212(image, k), (CapcodeEntry{capcode, enabled}));
                const std::size_t p = entryOffset8212(k);
                for (std::size_t i = 0; i < image.size(); ++i) {
                    if (i < p || i >= p + kEntrySize8212) {
                        ASSERT_EQ(image[i], before[i]) << "entry " << k << " byte " << i;
                    }
                }
            }
        }
    }
}

TEST(Capcode5003, Capcode2004000AsAddress1) {
    DecoderImage decoder{};
    ASSERT_TRUE(packCapcode5003(decoder, 1, 2004000, true));
    EXPECT_EQ(decoder[12], 0xF4);
    EXPECT_EQ(decoder[18], 0xA1);
    EXPECT_EQ(decoder[24], 0x06);
}

TEST(Capcode5003, RoundTripsEveryAddressAndTouchesNothingElse) {
    for (int a = 1; a <= kAddressCount5003; ++a) {
        for (std::uint32_t capcode : kEdgeCapcodes) {
            for (bool enabled : {false, true}) {
                const DecoderImage before = pattern<DecoderImage>();
                DecoderImage decoder = before;
                ASSERT_TRUE(packCapcode5003(decoder, a, capcode, enabled));
                EXPECT_EQ(unpackCapcode5003(decoder, a), (CapcodeEntry{capcode, enabled}));
                const std::size_t i = static_cast<std::size_t>(a - 1);
                EXPECT_EQ(decoder[kLow5003 + i] & 0x05, 0x04) << "bit 2 set, bit 0 clear";
                for (std::size_t b = 0; b < decoder.size(); ++b) {
                    if (b != kHigh5003 + i && b != kMid5003 + i && b != kLow5003 + i) {
                        ASSERT_EQ(decoder[b], before[b]) << "address " << a << " byte " << b;
                    }
                }
            }
        }
    }
}

TEST(Capcode5003, DefaultBlockHoldsTheSixDefaultAddressesEnabled) {
    for (int a = 1; a <= kAddressCount5003; ++a) {
        const CapcodeEntry expected{2004000u + 8u * static_cast<std::uint32_t>(a - 1), true};
        EXPECT_EQ(unpackCapcode5003(defaultDecoderBlock(), a), expected) << a;
        DecoderImage repacked = defaultDecoderBlock();
        packCapcode5003(repacked, a, expected.capcode, true);
        EXPECT_EQ(repacked, defaultDecoderBlock()) << a;
    }
}

TEST(Capcode, OnlyTheLow21BitsArePacked) {
    EepromImage image{};
    DecoderImage decoder{};
    packCapcode8212(image, 3, kMaxCapcode + 1 + 2004000, true);
    packCapcode5003(decoder, 2, 0xFFE00000u | 2004000u, false);
    EXPECT_EQ(unpackCapcode8212(image, 3)->capcode, 2004000u);
    EXPECT_EQ(unpackCapcode5003(decoder, 2)->capcode, 2004000u);
}

TEST(Capcode, EntryNumbersOutOfRangeWriteAndReadNothing) {
    EepromImage image{};
    DecoderImage decoder{};
    for (int k : {-1, 8, 100}) {
        EXPECT_FALSE(packCapcode8212(image, k, 2004000, true));
        EXPECT_FALSE(unpackCapcode8212(image, k).has_value());
    }
    for (int a : {0, 7, -5}) {
        EXPECT_FALSE(packCapcode5003(decoder, a, 2004000, true));
        EXPECT_FALSE(unpackCapcode5003(decoder, a).has_value());
    }
    EXPECT_EQ(image, EepromImage{});
    EXPECT_EQ(decoder, DecoderImage{});
}

} // namespace
} // namespace ccp::model
