#include "model/channel_frequency.h"

#include <gtest/gtest.h>
#include <iterator>
#include <limits>
#include <vector>

namespace ccp::model {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Images {
    EepromImage eeprom;
    DecoderImage decoder;
};

Images pattern() {
    Images images;
    for (std::size_t i = 0; i < images.eeprom.size(); ++i) {
        images.eeprom[i] = static_cast<std::uint8_t>(0x5A ^ (i * 7));
    }
    for (std::size_t i = 0; i < images.decoder.size(); ++i) {
        images.decoder[i] = static_cast<std::uint8_t>(0xC3 ^ (i * 11));
    }
    return images;
}

// Every byte outside the frequency fields of the layout is as before.
void expectOnlyFrequencyBytesChanged(const Images& before, const Images& after, Layout layout) {
    for (std::size_t i = 0; i < before.eeprom.size(); ++i) {
        const bool owned =
            layout == Layout::Pcd5003 ? i == kPllControl5003 : (i >= kPllControl8212 && i <= 261);
        if (!owned) {
            ASSERT_EQ(after.eeprom[i], before.eeprom[i]) << "EEPROM byte " << i;
        }
    }
    for (std::size_t i = 0; i < before.decoder.size(); ++i) {
        const bool owned = layout == Layout::Pcd5003 && i >= kPllN5003 && i <= 11;
        if (!owned) {
            ASSERT_EQ(after.decoder[i], before.decoder[i]) << "decoder byte " << i;
        }
    }
}

std::vector<std::uint8_t> eepromBytes(const Images& images, std::size_t from, std::size_t count) {
    return {images.eeprom.begin() + from, images.eeprom.begin() + from + count};
}

std::vector<std::uint8_t> decoderBytes(const Images& images) {
    return {images.decoder.begin() + 6, images.decoder.begin() + 12};
}

// 457 MHz, "25 kHz" (12.5 kHz step): x = 435600 kHz. Range 1 (q = x / 25) for
// every chip except the 8212 FS8108, which halves the step to 6.25 kHz, uses
// spacing code 2 and range 2 (q = x / 25). So N = 17424 = 0x4410 everywhere.
struct Case457 {
    Layout layout;
    int pll;
    std::uint8_t control; // byte 256 (PLL bits preset) or byte 71
    std::vector<std::uint8_t> words;
};

const Case457 kCases457[] = {
    // N >> 9 = 0x22, N >> 1 = 0x08, N bit 0 = 0; R = 12800000 / 50000 = 256
    {Layout::Sm8212, kPllSm5170, 0x01, {0x22, 0x08, 0x00, 0x01, 0x00}},
    // N >> 10 = 0x11, N >> 2 = 0x1104 -> 04, N & 3 = 0; R = 12800000 / 100000 = 128
    {Layout::Sm8212, kPllKs8809, 0x05, {0x11, 0x04, 0x00, 0x00, 0x80}},
    // N >> 15 = 0, N >> 7 = 0x88, N << 1 -> 20; R = 12800000 / 6250 = 2048, bit 8 = 0, R >> 7 = 16
    {Layout::Sm8212, kPllFs8108, 0x2A, {0x00, 0x88, 0x20, 0x00, 0x10}},
    // N >> 14 = 1, N >> 6 = 0x110 -> 10, (N & 0x3F) << 1 = 0x20; R = 1024: 1, 1024 >> 7 = 8
    {Layout::Sm8212, kPllFs8170, 0x0D, {0x01, 0x10, 0x20, 0x01, 0x08}},
    // 5003: range 1 below 599 MHz, byte 71 = code 0, range 1.
    // R = 12800 / trunc(50) = 256: 01 00 11
    {Layout::Pcd5003, kPllSm5170, 0x01, {0x22, 0x08, 0x00, 0x01, 0x00, 0x11}},
    // N >> 15 = 0, N >> 7 = 0x88, N << 1 -> 20; R = (12800 / 100) << 4 = 0x800: 00 08 01
    {Layout::Pcd5003, kPllKs8809, 0x01, {0x00, 0x88, 0x20, 0x00, 0x08, 0x01}},
    // N >> 14 = 1, N >> 6 -> 10, N << 2 = 0x11040 -> 40; R = 128 << 5 = 0x1000: 00 10 03
    {Layout::Pcd5003, kPllFs8108, 0x01, {0x01, 0x10, 0x40, 0x00, 0x10, 0x03}},
};

TEST(FrequencyToWords, Gives457MHzBytesForEveryChipAndLayout) {
    std::vector<Case457> cases(std::begin(kCases457), std::end(kCases457));
    for (const Case457& c : kCases457) {
        if (c.layout == Layout::Sm8212) {
            cases.push_back({Layout::Sm8212Extended, c.pll, c.control, c.words});
        }
    }
    for (const Case457& c : cases) {
        const Images before = pattern();
        Images images = before;
        if (c.layout != Layout::Pcd5003) {
            // Bits 7-4 and 1-0 are replaced; the chip bits 3-2 stay.
            images.eeprom[kPllControl8212] = static_cast<std::uint8_t>(0xF3 | (c.pll << 2));
        }
        ASSERT_EQ(frequencyToWords(images.eeprom, images.decoder, 457.0, 0, c.pll, c.layout),
                  WordsResult::Written);
        SCOPED_TRACE(::testing::Message()
                     << "layout " << static_cast<int>(c.layout) << " pll " << c.pll);
        if (c.layout == Layout::Pcd5003) {
            EXPECT_EQ(images.eeprom[kPllControl5003], c.control);
            EXPECT_EQ(decoderBytes(images), c.words);
        } else {
            EXPECT_EQ(images.eeprom[kPllControl8212], c.control);
            EXPECT_EQ(eepromBytes(images, kPllN8212, 5), c.words);
        }
        expectOnlyFrequencyBytesChanged(before, images, c.layout);
        EXPECT_EQ(wordsToFrequency(images.eeprom, images.decoder, c.pll, c.layout), 457.0);
    }
}

struct BytesCase {
    const char* what;
    double mhz;
    int channelspace;
    int pll;
    std::vector<std::uint8_t> bytes256to261; // PLL bits preset to the chip
};

const BytesCase kBytes8212[] = {
    // Below 200 MHz the FS8108 keeps the full step: x = 128600, q = x / 12.5 = 10288
    // = 0x2830 -> 00 50 60; R = 12800000 / 12500 = 1024 -> bit 8 = 0, 1024 >> 7 = 8.
    {"150 MHz FS8108", 150.0, 0, kPllFs8108, {0x08, 0x00, 0x50, 0x60, 0x00, 0x08}},
    // "20 kHz": q = 128600 / 10 = 12860 = 0x323C -> 00 64 78; R = 1280 = 0x500 has bit 8 set.
    {"150 MHz FS8108 20 kHz", 150.0, 1, kPllFs8108, {0x18, 0x00, 0x64, 0x78, 0x01, 0x0A}},
    // 200-300 MHz: halved 6.25 kHz, code 2, range 1: q = 228600 / 12.5 = 18288 = 0x4770.
    {"250 MHz FS8108", 250.0, 0, kPllFs8108, {0x29, 0x00, 0x8E, 0xE0, 0x00, 0x10}},
    // FS8170 below 300 MHz: q = 228600 / 12.5 = 18288 = 0x4770: N >> 14 = 1, N >> 6 = 0x11D,
    // bits 5-0 = 0x30 -> 0x60 (bit 6 of N appears only in byte 258).
    {"250 MHz FS8170", 250.0, 0, kPllFs8170, {0x0C, 0x01, 0x1D, 0x60, 0x01, 0x08}},
    // "5 kHz" halved to 1.25 kHz is code 7: q = 435600 / 5 = 87120 = 0x15450; R = 10240.
    {"457 MHz FS8108 5 kHz", 457.0, 5, kPllFs8108, {0x7A, 0x02, 0xA8, 0xA0, 0x00, 0x50}},
    // "12.5 kHz" (6.25 kHz step), range 1: q = 435600 / 12.5 = 34848 = 0x8820; R = 512.
    {"457 MHz SM5170 12.5 kHz", 457.0, 2, kPllSm5170, {0x21, 0x44, 0x10, 0x00, 0x02, 0x00}},
    // Only the first decimal rounds: q = 435613 / 25 = 17424.52 -> N = 17425 = 0x4411.
    {"457.013 MHz SM5170", 457.013, 0, kPllSm5170, {0x01, 0x22, 0x08, 0x80, 0x01, 0x00}},
    // q = 435612.25 / 25 = 17424.49 -> N = 17424.
    {"457.01225 MHz SM5170", 457.01225, 0, kPllSm5170, {0x01, 0x22, 0x08, 0x00, 0x01, 0x00}},
    // 0 MHz: q = -21400 / 12.5 = -1712 = ...F950: N >> 9 = -4 -> FC, N >> 1 = -856 -> A8.
    {"0 MHz SM5170", 0.0, 0, kPllSm5170, {0x00, 0xFC, 0xA8, 0x00, 0x01, 0x00}},
    // q = -95 / 12.5 = -7.6: t = -76 has no positive remainder, N = -7 = ...FFF9.
    {"21.305 MHz SM5170", 21.305, 0, kPllSm5170, {0x00, 0xFF, 0xFC, 0x80, 0x01, 0x00}},
    // x = 999999978600, q = x / 25 = 39999999144 = 0x9502F8CA8: bytes cut to 5F 19 50.
    {"1e9 MHz FS8108", 1e9, 0, kPllFs8108, {0x2A, 0x5F, 0x19, 0x50, 0x00, 0x10}},
};

TEST(FrequencyToWords, GivesTheBytesOfEachCase) {
    for (const BytesCase& c : kBytes8212) {
        Images images = pattern();
        images.eeprom[kPllControl8212] = static_cast<std::uint8_t>(c.pll << 2);
        ASSERT_EQ(frequencyToWords(images.eeprom, images.decoder, c.mhz, c.channelspace, c.pll,
                                   Layout::Sm8212),
                  WordsResult::Written)
            << c.what;
        EXPECT_EQ(eepromBytes(images, kPllControl8212, 6), c.bytes256to261) << c.what;
    }
}

TEST(FrequencyToWords, The5003LayoutTruncatesFourTimesTheStep) {
    // "6.25 kHz" (3.125 kHz step) on the SM5170: R = 12800 / trunc(12.5) = 1066 = 0x42A.
    // Range 1: q = 435600 / 6.25 = 69696 = 0x11040 -> 88 20 00; byte 71 = code 4, range 1.
    Images images = pattern();
    ASSERT_EQ(
        frequencyToWords(images.eeprom, images.decoder, 457.0, 4, kPllSm5170, Layout::Pcd5003),
        WordsResult::Written);
    EXPECT_EQ(images.eeprom[kPllControl5003], 0x41);
    EXPECT_EQ(decoderBytes(images),
              (std::vector<std::uint8_t>{0x88, 0x20, 0x00, 0x04, 0x2A, 0x11}));
}

TEST(FrequencyToWords, RangeChangesAtEachLayoutsLimits) {
    struct Case {
        Layout layout;
        int pll;
        double mhz;
        std::uint8_t control; // spacing code and range, PLL bits 0
    };
    const Case cases[] = {
        {Layout::Sm8212, kPllSm5170, 299.99, 0x00},  {Layout::Sm8212, kPllSm5170, 300.0, 0x01},
        {Layout::Sm8212, kPllKs8809, 499.99, 0x01},  {Layout::Sm8212, kPllFs8170, 500.0, 0x02},
        {Layout::Sm8212, kPllFs8108, 199.99, 0x00},  {Layout::Sm8212, kPllFs8108, 200.0, 0x21},
        {Layout::Sm8212, kPllFs8108, 299.99, 0x21},  {Layout::Sm8212, kPllFs8108, 300.0, 0x22},
        {Layout::Pcd5003, kPllFs8108, 309.99, 0x00}, {Layout::Pcd5003, kPllSm5170, 310.0, 0x01},
        {Layout::Pcd5003, kPllKs8809, 598.99, 0x01}, {Layout::Pcd5003, kPllSm5170, 599.0, 0x02},
    };
    for (const Case& c : cases) {
        EepromImage eeprom{};
        DecoderImage decoder{};
        frequencyToWords(eeprom, decoder, c.mhz, 0, c.pll, c.layout);
        const std::size_t at = c.layout == Layout::Pcd5003 ? kPllControl5003 : kPllControl8212;
        EXPECT_EQ(eeprom[at], c.control) << c.mhz << " MHz, pll " << c.pll;
    }
}

TEST(FrequencyToWords, StatesWithoutWordsTouchNothing) {
    struct Case {
        Layout layout;
        double mhz;
        int channelspace;
        int pll;
        WordsResult result;
    };
    const Case cases[] = {
        {Layout::Sm8212, 457.0, -1, kPllFs8108, WordsResult::NoStep},
        {Layout::Sm8212Extended, 457.0, 6, kPllFs8108, WordsResult::NoStep},
        {Layout::Pcd5003, 457.0, 5, kPllSm5170, WordsResult::NoStep},
        {Layout::Pcd5003, 457.0, 0, kPllFs8170, WordsResult::NoChip},
        {Layout::Sm8212, 457.0, 0, -1, WordsResult::NoChip},
        {Layout::Sm8212, 457.0, 0, 4, WordsResult::NoChip},
        {Layout::Sm8212, 1e300, 0, kPllSm5170, WordsResult::OutOfRange},
        {Layout::Sm8212, -1e300, 0, kPllFs8108, WordsResult::OutOfRange},
        {Layout::Pcd5003, 1e300, 0, kPllKs8809, WordsResult::OutOfRange},
        {Layout::Sm8212, kInf, 0, kPllFs8170, WordsResult::OutOfRange},
        {Layout::Pcd5003, kNaN, 0, kPllSm5170, WordsResult::OutOfRange},
        {Layout::Sm8212, std::numeric_limits<double>::max(), 5, kPllFs8108,
         WordsResult::OutOfRange},
    };
    for (const Case& c : cases) {
        const Images before = pattern();
        Images images = before;
        EXPECT_EQ(
            frequencyToWords(images.eeprom, images.decoder, c.mhz, c.channelspace, c.pll, c.layout),
            c.result)
            << c.mhz << " MHz, index " << c.channelspace << ", pll " << c.pll;
        EXPECT_EQ(images.eeprom, before.eeprom);
        EXPECT_EQ(images.decoder, before.decoder);
    }
}

TEST(WordsToFrequency, RoundTripsGridFrequenciesInEveryLayoutChipAndSpacing) {
    // Every step x multiplier divides 200 kHz, so these oscillator frequencies
    // (f - 21.4 MHz) lie on every grid.
    const double frequencies[] = {150.0, 250.0, 320.0, 457.0, 620.0, 912.0};
    for (Layout layout : kAllLayouts) {
        const bool is5003 = layout == Layout::Pcd5003;
        for (int pll = 0; pll < (is5003 ? 3 : 4); ++pll) {
            for (int space = 0; space < (is5003 ? 5 : 6); ++space) {
                for (double mhz : frequencies) {
                    Images images = pattern();
                    ASSERT_EQ(
                        frequencyToWords(images.eeprom, images.decoder, mhz, space, pll, layout),
                        WordsResult::Written);
                    const auto back = wordsToFrequency(images.eeprom, images.decoder, pll, layout);
                    ASSERT_TRUE(back.has_value());
                    EXPECT_NEAR(*back, mhz, 1e-9) << "layout " << static_cast<int>(layout)
                                                  << " pll " << pll << " index " << space;
                }
            }
        }
    }
}

TEST(WordsToFrequency, StoredCodesWithoutAStepOrRangeGiveNoFrequency) {
    struct Case {
        Layout layout;
        std::uint8_t control;
        int pll;
    };
    const Case cases[] = {
        {Layout::Sm8212, 0x80, kPllSm5170},         // bit 7 set: codes 8-15
        {Layout::Sm8212Extended, 0x03, kPllKs8809}, // range code 3
        {Layout::Pcd5003, 0x50, kPllSm5170},        // code 5
        {Layout::Pcd5003, 0x03, kPllKs8809},
        {Layout::Pcd5003, 0x0F, kPllKs8809},
        {Layout::Pcd5003, 0x01, kPllFs8170}, // no FS8170 words in the 5003 layout
        {Layout::Sm8212, 0x01, -1},
        {Layout::Pcd5003, 0x01, -1},
    };
    for (const Case& c : cases) {
        Images images = pattern();
        images.eeprom[c.layout == Layout::Pcd5003 ? kPllControl5003 : kPllControl8212] = c.control;
        EXPECT_FALSE(wordsToFrequency(images.eeprom, images.decoder, c.pll, c.layout))
            << "control " << int{c.control} << " pll " << c.pll;
    }
}

TEST(FrequencyText, CompletesToNineCharacters) {
    struct Case {
        double mhz;
        char separator;
        const char* text;
    };
    const Case cases[] = {
        {457.0, '.', "457.00000"},         {457.0125, '.', "457.01250"},
        {457.025, '.', "457.02500"},       {457.0, ',', "457,00000"},
        {150.5, ',', "150,50000"},         {1638.4, '.', "1638.4000"},
        {457.012345678, '.', "457.01234"}, // cut, not rounded
        {1000.0, '.', "1000.0000"},        {50.0, '.', "50.000000"},
        {123456789.0, '.', "123456789"},   {1e20, '.', "1e+20"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(frequencyText(c.mhz, c.separator), c.text) << c.mhz;
    }
}

} // namespace
} // namespace ccp::model
