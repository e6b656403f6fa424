#include "tool/latin1.h"

#include <cstdio>

namespace ccp::tool {
namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the UTF-8 sequence that `lead` starts, or 0 for a byte that
// cannot start one.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 0;
}

// The whole UTF-8 character at `at`, or its single byte when the sequence is
// broken; a broken byte is shown as \xNN.
std::string characterAt(std::string_view utf8, std::size_t at) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const std::size_t length = sequenceLength(lead);
    bool whole = length != 0 && at + length <= utf8.size();
    for (std::size_t i = 1; whole && i < length; ++i)
        whole = isContinuation(static_cast<unsigned char>(utf8[at + i]));
    if (whole && length > 1) {
        // No overlong forms, surrogates or code points past U+10FFFF.
        const auto second = static_cast<unsigned char>(utf8[at + 1]);
        whole = lead >= 0xC2 && lead <= 0xF4 && !(lead == 0xE0 && second < 0xA0) &&
                !(lead == 0xED && second >= 0xA0) && !(lead == 0xF0 && second < 0x90) &&
                !(lead == 0xF4 && second >= 0x90);
    }
    if (whole)
        return std::string(utf8.substr(at, length));
    char escaped[5];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(utf8[at]));
    return escaped;
}

void appendUtf8(std::string& out, unsigned char c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
}

} // namespace

std::optional<std::string> utf8ToLatin1(std::string_view utf8, std::string* offending) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        // Latin-1 above 0x7F is exactly the two-byte sequences C2 80 to C3 BF.
        const bool latin1 = (lead == 0xC2 || lead == 0xC3) && i + 1 < utf8.size() &&
                            isContinuation(static_cast<unsigned char>(utf8[i + 1]));
        if (!latin1) {
            if (offending != nullptr)
                *offending = characterAt(utf8, i);
            return std::nullopt;
        }
        const auto next = static_cast<unsigned char>(utf8[i + 1]);
        out += static_cast<char>(((lead & 0x03) << 6) | (next & 0x3F));
        i += 2;
    }
    return out;
}

std::string latin1ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size() + latin1.size() / 4);
    for (char c : latin1)
        appendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

std::string printableUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            appendUtf8(out, byte);
        }
    }
    return out;
}

} // namespace ccp::tool
