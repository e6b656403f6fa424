#include "app/latin1.h"

#include <cerrno>
#include <cstdio>
#include <iconv.h>

namespace ccp::app {
namespace {

// One conversion descriptor per call: iconv keeps shift state in it, and the
// conversions are short.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~Converter() {
        if (ok())
            ::iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // The whole input converted, or nothing; `stoppedAt` then holds the
    // offset of the first byte iconv could not take.
    std::optional<std::string> convert(std::string_view in, std::size_t* stoppedAt) {
        if (!ok()) {
            *stoppedAt = 0;
            return std::nullopt;
        }
        // Latin-1 to UTF-8 at most doubles; UTF-8 to Latin-1 never grows.
        std::string out(in.size() * 2, '\0');
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        if (::iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            *stoppedAt = in.size() - inLeft;
            return std::nullopt;
        }
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    iconv_t cd_;
};

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

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

std::string escaped(unsigned char byte) {
    char text[5];
    std::snprintf(text, sizeof text, "\\x%02X", byte);
    return text;
}

// What to name where iconv stopped: the whole character when it is one that
// UTF-8 allows (it then lies outside Latin-1), the single byte as \xNN when
// the sequence is broken, overlong, a surrogate or past U+10FFFF.
std::string characterAt(std::string_view utf8, std::size_t at) {
    if (at >= utf8.size())
        return escaped(static_cast<unsigned char>(utf8.empty() ? 0 : utf8.back()));
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const std::size_t length = sequenceLength(lead);
    bool whole = length > 1 && at + length <= utf8.size();
    for (std::size_t i = 1; whole && i < length; ++i)
        whole = isContinuation(static_cast<unsigned char>(utf8[at + i]));
    if (whole) {
        const auto second = static_cast<unsigned char>(utf8[at + 1]);
        whole = lead >= 0xC2 && lead <= 0xF4 && !(lead == 0xE0 && second < 0xA0) &&
                !(lead == 0xED && second >= 0xA0) && !(lead == 0xF0 && second < 0x90) &&
                !(lead == 0xF4 && second >= 0x90);
    }
    return whole ? std::string(utf8.substr(at, length)) : escaped(lead);
}

} // namespace

std::optional<std::string> utf8ToLatin1(std::string_view utf8, std::string* offending) {
    Converter toLatin1("ISO-8859-1", "UTF-8");
    std::size_t stoppedAt = 0;
    std::optional<std::string> latin1 = toLatin1.convert(utf8, &stoppedAt);
    if (!latin1 && offending != nullptr)
        *offending = characterAt(utf8, stoppedAt);
    return latin1;
}

std::string latin1ToUtf8(std::string_view latin1) {
    // Every byte is a Latin-1 character, so the conversion cannot stop.
    Converter toUtf8("UTF-8", "ISO-8859-1");
    std::size_t stoppedAt = 0;
    return toUtf8.convert(latin1, &stoppedAt).value_or(std::string());
}

std::string printableUtf8(std::string_view latin1) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t i = 0; i <= latin1.size(); ++i) {
        const bool end = i == latin1.size();
        const auto byte = end ? 0 : static_cast<unsigned char>(latin1[i]);
        if (!end && byte >= 0x20 && byte != 0x7F)
            continue;
        out += latin1ToUtf8(latin1.substr(from, i - from));
        if (!end)
            out += escaped(byte);
        from = i + 1;
    }
    return out;
}

} // namespace ccp::app
