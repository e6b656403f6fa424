#include "form/conversion.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <string>

namespace ccp::form {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

[[noreturn]] void fail(const std::string& text, const char* what) {
    throw ConversionError("'" + text + "' is not a valid " + what);
}

} // namespace

int strToInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        fail(text, "integer value");
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (!isDigit(text[i]))
            fail(text, "integer value");
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            fail(text, "integer value");
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        fail(text, "integer value");
    return static_cast<int>(value);
}

double strToFloat(const std::string& text, char decimalSeparator) {
    size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    // Rebuild the number in the plain form and convert it with from_chars,
    // which ignores the process locale; only the given separator is accepted.
    std::string canonical;
    size_t i = b;
    if (i < e && (text[i] == '+' || text[i] == '-'))
        canonical += text[i++];
    size_t digits = 0;
    while (i < e && isDigit(text[i])) {
        canonical += text[i++];
        ++digits;
    }
    if (i < e && text[i] == decimalSeparator) {
        canonical += '.';
        ++i;
        while (i < e && isDigit(text[i])) {
            canonical += text[i++];
            ++digits;
        }
    }
    if (digits == 0)
        fail(text, "floating point value");
    if (i < e && (text[i] == 'e' || text[i] == 'E')) {
        canonical += 'e';
        ++i;
        if (i < e && (text[i] == '+' || text[i] == '-'))
            canonical += text[i++];
        size_t expDigits = 0;
        while (i < e && isDigit(text[i])) {
            canonical += text[i++];
            ++expDigits;
        }
        if (expDigits == 0)
            fail(text, "floating point value");
    }
    if (i != e)
        fail(text, "floating point value");
    double value = 0;
    const char* first = canonical.data();
    if (*first == '+')
        ++first;
    auto [end, ec] = std::from_chars(first, canonical.data() + canonical.size(), value);
    if (ec != std::errc() || end != canonical.data() + canonical.size())
        fail(text, "floating point value");
    return value;
}

} // namespace ccp::form
