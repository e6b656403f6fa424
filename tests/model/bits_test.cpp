#include "model/bits.h"
#include "model/image.h"

#include <gtest/gtest.h>
#include <vector>

namespace ccp::model {
namespace {

std::vector<unsigned> reversalTable(int width) {
    std::vector<unsigned> table;
    for (unsigned v = 0; v < (1u << width); ++v) {
        table.push_back(reverseBits(v, width));
    }
    return table;
}

TEST(ReverseBits, MatchesThePagerTables) {
    EXPECT_EQ(reversalTable(2), (std::vector<unsigned>{0, 2, 1, 3}));
    EXPECT_EQ(reversalTable(3), (std::vector<unsigned>{0, 4, 2, 6, 1, 5, 3, 7}));
    EXPECT_EQ(reversalTable(4),
              (std::vector<unsigned>{0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15}));
    EXPECT_EQ(reverseBits(0xD2, 8), 0x4Bu);
    EXPECT_EQ(reverseBits(0x84, 8), 0x21u);
    EXPECT_EQ(reverseBits(1, 1), 1u);
}

TEST(ReverseBits, IsItsOwnInverseAndDropsHigherBits) {
    for (int width = 1; width <= 8; ++width) {
        for (unsigned v = 0; v < (1u << width); ++v) {
            EXPECT_EQ(reverseBits(reverseBits(v, width), width), v) << width << " " << v;
        }
        EXPECT_EQ(reverseBits(0xFF00u | 1u, width), 1u << (width - 1));
    }
    EXPECT_EQ(reverseBits(0xFF, 0), 0u);
    EXPECT_EQ(reverseBits(0xFF, -3), 0u);
}

TEST(BitFields, SetTouchesOnlyItsFieldAndCutsTheValue) {
    struct Case {
        int hi, lo;
        unsigned value;
        std::uint8_t fromZero, fromOnes;
    };
    const Case cases[] = {
        {7, 7, 1, 0x80, 0xFF},   {0, 0, 0, 0x00, 0xFE},     {5, 4, 3, 0x30, 0xFF},
        {5, 4, 0x6, 0x20, 0xEF}, {7, 0, 0x1AB, 0xAB, 0xAB}, {4, 2, 0xFFFFFFFF, 0x1C, 0xFF},
        {4, 2, 0, 0x00, 0xE3},
    };
    for (const Case& c : cases) {
        std::uint8_t zero = 0x00;
        std::uint8_t ones = 0xFF;
        setBits(zero, c.hi, c.lo, c.value);
        setBits(ones, c.hi, c.lo, c.value);
        EXPECT_EQ(zero, c.fromZero) << c.hi << "-" << c.lo;
        EXPECT_EQ(ones, c.fromOnes) << c.hi << "-" << c.lo;
        EXPECT_EQ(getBits(ones, c.hi, c.lo), getBits(zero, c.hi, c.lo));
    }
    EXPECT_EQ(getBits(0xB4, 5, 2), 0xDu);
}

TEST(BitFields, InvalidRangesAreNoOps) {
    std::uint8_t byte = 0x5A;
    setBits(byte, 8, 0, 0xFF);
    setBits(byte, 2, 3, 0xFF);
    setBits(byte, 3, -1, 0xFF);
    EXPECT_EQ(byte, 0x5A);
    EXPECT_EQ(getBits(0xFF, 9, 8), 0u);
}

TEST(LayoutOf, MapsEveryPlatformNumber) {
    const Layout expected[] = {Layout::Pcd5003,       Layout::Pcd5003, Layout::Sm8212,
                               Layout::Sm8212,        Layout::Sm8212,  Layout::Sm8212Extended,
                               Layout::Sm8212Extended};
    for (int p = 0; p < kPlatformCount; ++p) {
        EXPECT_EQ(layoutOf(p), expected[p]) << p;
        EXPECT_TRUE(isValidPlatform(p));
    }
    EXPECT_EQ(layoutOf(-1), Layout::Pcd5003);
    EXPECT_EQ(layoutOf(7), Layout::Sm8212Extended);
    EXPECT_EQ(layoutOf(1000), Layout::Sm8212Extended);
    EXPECT_FALSE(isValidPlatform(7));
    EXPECT_FALSE(isValidPlatform(-1));
}

} // namespace
} // namespace ccp::model
