#include "model/backlight.h"
#include "model/hex_text.h"
#include "model/image.h"
#include "model/text_field.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ccp::model {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes hexBytes(std::string_view text) {
    const auto bytes = hexFieldBytes(text);
    return Bytes(bytes.begin(), bytes.end());
}

TEST(HexField, DigitsToBytes) {
    struct Case {
        std::string_view text;
        Bytes bytes;
    };
    const Case cases[] = {
        {"FFFC", {0xFF, 0xFC}}, {"FF", {0xFF, 0xCC}},   {"", {0xCC, 0xCC}},
        {"A000", {0xA0, 0x00}}, {"D1B1", {0xD1, 0xB1}}, {"d1b1", {0xD1, 0xB1}},
        {"G1Z-", {0xC1, 0xCC}}, {"12 4", {0x12, 0xC4}}, {"123456", {0x12, 0x34}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hexBytes(c.text), c.bytes) << c.text;
    }
}

TEST(HexField, BytesToUppercaseDigits) {
    EXPECT_EQ(hexText(Bytes{0xCF, 0xFC}), "CFFC");
    EXPECT_EQ(hexText(Bytes{0x00, 0x0A, 0xB0}), "000AB0");
    EXPECT_EQ(hexText(Bytes{}), "");
    for (unsigned v = 0; v < 0x10000; v += 0x0123) {
        const Bytes bytes = {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
        EXPECT_EQ(hexBytes(hexText(bytes)), bytes);
    }
}

TEST(TextField, ShortTextGetsATerminatorAndLeavesTheRestOfTheField) {
    Bytes bytes(12, 0xEE);
    writeTextField(bytes, 1, 8, "AB");
    EXPECT_EQ(bytes, (Bytes{0xEE, 'A', 'B', 0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(readTextField(bytes, 1, 8), "AB");
}

TEST(TextField, FullWidthTextPutsItsTerminatorOnTheNextByte) {
    Bytes bytes(6, 0xEE);
    writeTextField(bytes, 1, 3, "XYZ");
    EXPECT_EQ(bytes, (Bytes{0xEE, 'X', 'Y', 'Z', 0, 0xEE}));
    writeTextField(bytes, 4, 1, "Q"); // the next field overwrites it
    EXPECT_EQ(readTextField(bytes, 1, 3), "XYZ");
    EXPECT_EQ(bytes[4], 'Q');
}

TEST(TextField, LongTextIsCutToTheFieldAndNothingPassesTheBuffer) {
    EepromImage image;
    image.fill(0xEE);
    writeTextField(image, 508, 4, "ABCDEFG");
    EXPECT_EQ(readTextField(image, 508, 4), "ABCD");
    writeTextField(image, 2, 3, "LONGER");
    EXPECT_EQ(image[5], 0) << "terminator after the cut text";
    EXPECT_EQ(image[6], 0xEE);

    Bytes small(4, 0xEE);
    writeTextField(small, 2, 8, "ABCDEF");
    EXPECT_EQ(small, (Bytes{0xEE, 0xEE, 'A', 'B'}));
    writeTextField(small, 9, 2, "Z");
    EXPECT_EQ(readTextField(small, 2, 8), "AB");
    EXPECT_EQ(readTextField(small, 9, 2), "");
}

TEST(TextField, EmptyTextIsASingleZero) {
    Bytes bytes = {'x', 'y'};
    writeTextField(bytes, 0, 1, "");
    EXPECT_EQ(bytes, (Bytes{0, 'y'}));
    EXPECT_EQ(readTextField(bytes, 0, 1), "");
}

TEST(Backlight, TableBothWays) {
    const std::uint8_t codes[] = {0x19, 0x4D, 0x80, 0xB3};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(backlightCode(i), codes[i]);
        EXPECT_EQ(backlightIndex(codes[i]), i);
    }
    EXPECT_FALSE(backlightCode(-1).has_value());
    EXPECT_FALSE(backlightCode(4).has_value());
    EXPECT_FALSE(backlightIndex(0x00).has_value());
    EXPECT_FALSE(backlightIndex(0x81).has_value());
}

} // namespace
} // namespace ccp::model
