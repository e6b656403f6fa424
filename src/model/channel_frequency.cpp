#include "model/channel_frequency.h"

#include <charconv>
#include <cmath>

namespace ccp::model {
namespace {

// Beyond this |q| the divider has no integer form worth storing: q x 10 and
// the rounding step stay far inside the 64-bit range below it.
constexpr double kMaxDivider = 0x1p58;

std::uint8_t low8(std::uint64_t value) {
    return static_cast<std::uint8_t>(value & 0xFFu);
}

// Range code and synthesizer step for one frequency. `code` and `stepKhz`
// arrive as the spacing item's and leave as stored (FS8108 halving applied).
struct Divider {
    unsigned code;
    unsigned range;
    double stepKhz;
    double q;
};

Divider divider(double mhz, unsigned code, int pll, Layout layout) {
    const double x = (mhz - kIntermediateMhz) * 1000.0; // oscillator in kHz
    double r = kStepKhz[code];
    double low = 300.0, high = 500.0;
    if (layout == Layout::Pcd5003) {
        low = 310.0;
        high = 599.0;
    } else if (pll == kPllFs8108) {
        if (mhz < 200.0) {
            return {code, 0, r, x / r};
        }
        r /= 2;
        code += 2;
        low = 200.0;
        high = 300.0;
    }
    if (mhz < low) {
        return {code, 0, r, x / r};
    }
    if (mhz < high) {
        return {code, 1, r, x / (2 * r)};
    }
    return {code, 2, r, x / (4 * r)};
}

// N rounded on the first decimal of q only; a negative q truncates towards 0.
std::int64_t roundDivider(double q) {
    std::int64_t t = static_cast<std::int64_t>(q * 10.0);
    if (t % 10 >= 5) {
        t += 10;
    }
    return t / 10;
}

void packN(std::uint8_t* bytes, std::int64_t n, const NPacking& packing) {
    const auto u = static_cast<std::uint64_t>(n); // two's complement
    bytes[0] = low8(u >> packing.high);
    bytes[1] = low8(u >> packing.mid);
    bytes[2] = low8((u & packing.lowMask) << packing.low);
}

std::uint64_t unpackN(const std::uint8_t* bytes, const NPacking& packing) {
    return (std::uint64_t{bytes[0]} << packing.high) + (std::uint64_t{bytes[1]} << packing.mid) +
           (std::uint64_t{bytes[2]} >> packing.low);
}

void packR8212(EepromImage& eeprom, int pll, double r) {
    std::uint64_t value = 0;
    switch (pll) {
    case kPllSm5170:
        value = static_cast<std::uint64_t>(kReferenceHz / (r * 1000.0 * 4.0));
        eeprom[kPllR8212] = low8(value >> 8);
        eeprom[kPllR8212 + 1] = low8(value);
        break;
    case kPllKs8809:
        value = static_cast<std::uint64_t>(kReferenceHz / (r * 1000.0 * 8.0));
        eeprom[kPllR8212] = low8(value >> 8);
        eeprom[kPllR8212 + 1] = low8(value);
        break;
    case kPllFs8108:
        value = static_cast<std::uint64_t>(kReferenceHz / (r * 1000.0));
        eeprom[kPllR8212] = low8((value >> 8) & 1u);
        eeprom[kPllR8212 + 1] = low8(value >> 7);
        break;
    default: // FS8170: the first byte is a fixed 1
        value = static_cast<std::uint64_t>(kReferenceHz / (r * 1000.0));
        eeprom[kPllR8212] = 1;
        eeprom[kPllR8212 + 1] = low8((value >> 7) & 0x7Fu);
        break;
    }
}

// The 5003 arithmetic truncates 4r and 8r first: the 3.125 kHz step gives
// 12800 / 12 for the SM5170, not 12800 / 12.5.
void packR5003(DecoderImage& decoder, int pll, double r) {
    std::uint8_t* bytes = decoder.data() + kPllR5003;
    const auto divisor4 = static_cast<std::uint64_t>(4 * r);
    const auto divisor8 = static_cast<std::uint64_t>(8 * r);
    const auto reference = static_cast<std::uint64_t>(kReferenceKhz);
    std::uint64_t value = 0;
    switch (pll) {
    case kPllSm5170:
        value = reference / divisor4;
        bytes[0] = low8(value >> 8);
        bytes[1] = low8(value);
        bytes[2] = 0x11;
        break;
    case kPllKs8809:
        value = (reference / divisor8) << 4;
        bytes[0] = low8(value >> 16);
        bytes[1] = low8(value >> 8);
        bytes[2] = low8(value | 0x01u);
        break;
    default: // FS8108
        value = (reference / divisor8) << 5;
        bytes[0] = low8(value >> 16);
        bytes[1] = low8(value >> 8);
        bytes[2] = low8(value | 0x03u);
        break;
    }
}

} // namespace

WordsResult frequencyToWords(EepromImage& eeprom, DecoderImage& decoder, double mhz,
                             int channelspace, int pll, Layout layout) {
    const bool is5003 = layout == Layout::Pcd5003;
    const int spacingItems = is5003 ? kSpacingCodes5003 : kSpacingItems;
    if (channelspace < 0 || channelspace >= spacingItems) {
        return WordsResult::NoStep;
    }
    const int chips =
        is5003 ? static_cast<int>(kNPacking5003.size()) : static_cast<int>(kNPacking8212.size());
    if (pll < 0 || pll >= chips) {
        return WordsResult::NoChip;
    }
    if (!std::isfinite(mhz)) {
        return WordsResult::OutOfRange;
    }
    const Divider d = divider(mhz, static_cast<unsigned>(channelspace), pll, layout);
    if (!(std::fabs(d.q) < kMaxDivider)) {
        return WordsResult::OutOfRange;
    }
    const std::int64_t n = roundDivider(d.q);

    if (is5003) {
        eeprom[kPllControl5003] = static_cast<std::uint8_t>((d.code << 4) | d.range);
        packN(decoder.data() + kPllN5003, n, kNPacking5003[static_cast<std::size_t>(pll)]);
        packR5003(decoder, pll, d.stepKhz);
    } else {
        std::uint8_t& control = eeprom[kPllControl8212];
        control = static_cast<std::uint8_t>((control & kPllChipBits8212) | (d.code << 4) | d.range);
        packN(eeprom.data() + kPllN8212, n, kNPacking8212[static_cast<std::size_t>(pll)]);
        packR8212(eeprom, pll, d.stepKhz);
    }
    return WordsResult::Written;
}

std::optional<double> wordsToFrequency(const EepromImage& eeprom, const DecoderImage& decoder,
                                       int pll, Layout layout) {
    const bool is5003 = layout == Layout::Pcd5003;
    const std::uint8_t control = eeprom[is5003 ? kPllControl5003 : kPllControl8212];
    const unsigned code = control >> 4;
    const unsigned range = is5003 ? (control & 0x0Fu) : (control & 0x03u);
    const unsigned codes = is5003 ? kSpacingCodes5003 : static_cast<unsigned>(kStepKhz.size());
    if (code >= codes || range >= kRangeMultiplier.size()) {
        return std::nullopt;
    }
    std::uint64_t n = 0;
    if (is5003) {
        if (pll < 0 || pll >= static_cast<int>(kNPacking5003.size())) {
            return std::nullopt;
        }
        n = unpackN(decoder.data() + kPllN5003, kNPacking5003[static_cast<std::size_t>(pll)]);
    } else {
        if (pll < 0 || pll >= static_cast<int>(kNPacking8212.size())) {
            return std::nullopt;
        }
        n = unpackN(eeprom.data() + kPllN8212, kNPacking8212[static_cast<std::size_t>(pll)]);
    }
    const double stepHz = kStepKhz[code] * 1000.0;
    const double hz = static_cast<double>(n) * stepHz * kRangeMultiplier[range] + kIntermediateHz;
    return hz / 1000000.0;
}

std::string frequencyText(double mhz, char decimalSeparator) {
    constexpr std::size_t kWidth = 9;
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, mhz, std::chars_format::general, 15);
    std::string text(buffer, result.ptr);
    const bool plain = text.find_first_not_of("+-0123456789.") == std::string::npos;
    for (char& c : text) {
        if (c == '.') {
            c = decimalSeparator;
        }
    }
    if (text.size() > kWidth) {
        text.resize(kWidth);
    }
    if (!plain) {
        return text; // exponent form, inf or nan
    }
    bool hasSeparator = text.find(decimalSeparator) != std::string::npos;
    while (text.size() < kWidth) {
        if (!hasSeparator) {
            text += decimalSeparator;
            hasSeparator = true;
        }
        text += '0';
    }
    return text;
}

} // namespace ccp::model
