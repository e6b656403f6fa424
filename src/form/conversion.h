// Strict text-to-number conversions used by every rule that reads a numeric
// field. A text that does not fit raises ConversionError, which unwinds to the
// outermost user event (Form::dispatch) and is shown there in an error box.
#pragma once

#include <stdexcept>
#include <string>

namespace ccp::form {

class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Whole decimal number, optional leading blanks and sign, 32-bit range.
// Anything else (empty text, trailing blanks, letters, a decimal point)
// raises ConversionError("'TEXT' is not a valid integer value").
int strToInt(const std::string& text);

// Decimal number with `decimalSeparator` as the only accepted separator,
// optional exponent, optional leading and trailing blanks.
double strToFloat(const std::string& text, char decimalSeparator);

} // namespace ccp::form
