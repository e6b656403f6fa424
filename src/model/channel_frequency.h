// Channel frequency and PLL synthesizer words. The receiver's synthesizer runs
// 21.4 MHz (the intermediate frequency) below the receive frequency from a
// 12.8 MHz reference; the images hold its spacing and range codes and the N and
// R divider words packed per chip. Writing words touches only those bytes, and
// a state without defined words writes nothing at all.
#pragma once

#include "model/image.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace ccp::model {

constexpr double kIntermediateMhz = 21.4;
constexpr double kIntermediateHz = 21400000.0;
constexpr double kReferenceHz = 12800000.0;
constexpr double kReferenceKhz = 12800.0;

// `pll` item indices.
constexpr int kPllSm5170 = 0;
constexpr int kPllKs8809 = 1;
constexpr int kPllFs8108 = 2;
constexpr int kPllFs8170 = 3;

// 8212 layouts, EepromImage: bits 6-4 spacing code, bits 3-2 PLL chip (owned
// by the encoder), bits 1-0 range code; N word in 257-259, R word in 260-261.
constexpr std::size_t kPllControl8212 = 256; // @0x100
constexpr std::size_t kPllN8212 = 257;       // @0x101-0x103
constexpr std::size_t kPllR8212 = 260;       // @0x104-0x105
constexpr std::uint8_t kPllChipBits8212 = 0x0C;

// 5003 layout: EepromImage byte 71 bits 7-4 spacing code, bits 3-0 range code;
// N word in DecoderImage 6-8, R word and control bits in DecoderImage 9-11.
constexpr std::size_t kPllControl5003 = 71; // @0x47
constexpr std::size_t kPllN5003 = 6;
constexpr std::size_t kPllR5003 = 9;

// Synthesizer step in kHz of spacing codes 0-7: half the channel spacing of
// `channelspace` items 0-5; codes 6 and 7 are the halved steps of items 4 and 5
// that the FS8108 uses from 200 MHz up. The 5003 layout knows codes 0-4.
constexpr std::array<double, 8> kStepKhz = {12.5, 10.0, 6.25, 5.0, 3.125, 2.5, 1.5625, 1.25};
constexpr int kSpacingItems = 6;
constexpr int kSpacingCodes5003 = 5;

// Range code 0-2: the oscillator divides by N x step x multiplier.
constexpr std::array<int, 3> kRangeMultiplier = {1, 2, 4};

// Where the N word's bits go: byte 0 = N >> high, byte 1 = N >> mid,
// byte 2 = (N & lowMask) << low, each cut to 8 bits. The FS8170 keeps only
// N bits 5-0 in its third byte; bit 0 of that byte is always 0.
struct NPacking {
    int high;
    int mid;
    int low;
    std::uint8_t lowMask;
};
constexpr std::array<NPacking, 4> kNPacking8212 = {
    {{9, 1, 7, 0xFF}, {10, 2, 6, 0xFF}, {15, 7, 1, 0xFF}, {14, 6, 1, 0x3F}}};
constexpr std::array<NPacking, 3> kNPacking5003 = {
    {{9, 1, 7, 0xFF}, {15, 7, 1, 0xFF}, {14, 6, 2, 0xFF}}};

enum class WordsResult {
    Written,
    NoStep,     // spacing index without a step in this layout (or no selection)
    NoChip,     // no `pll` selection, or FS8170 in the 5003 layout
    OutOfRange, // frequency not finite, or a divider of 2^58 or more in magnitude
};

// Frequency `mhz`, `channelspace` index and `pll` index to codes and words.
// Written: 8212 layouts set byte 256 (keeping bits 3-2) and 257-261; the 5003
// layout sets EepromImage byte 71 and DecoderImage 6-11 (FS8170 has no words
// there). A frequency below 21.4 MHz gives a negative N, stored in two's
// complement cut to its fields. Any other result leaves both images untouched.
WordsResult frequencyToWords(EepromImage& eeprom, DecoderImage& decoder, double mhz,
                             int channelspace, int pll, Layout layout);

// The frequency in MHz that the stored codes and words tune the receiver to
// with chip `pll`; nothing for a spacing code without a step, a range code
// above 2, or a chip without words in the layout.
std::optional<double> wordsToFrequency(const EepromImage& eeprom, const DecoderImage& decoder,
                                       int pll, Layout layout);

// The field text of a frequency: shortest text with up to 15 significant
// digits and `decimalSeparator`, cut to 9 characters, then completed to 9
// with zeros after the separator ("457" -> "457.00000"). The separator is
// added when the text has none, so integers of any length keep their value.
// Exponent forms (below 1e-4 or from 1e15 up, never from stored words) and
// non-finite values are cut but not completed.
std::string frequencyText(double mhz, char decimalSeparator);

} // namespace ccp::model
