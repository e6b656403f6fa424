#include "form/conversion.h"

#include <gtest/gtest.h>

namespace ccp::form {
namespace {

TEST(StrToInt, AcceptsWholeNumbersWithLeadingBlanksAndSign) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {
        {"0", 0},   {"0000007", 7}, {"2097151", 2097151},       {"  42", 42},
        {"-5", -5}, {"+12", 12},    {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}};
    for (const Case& c : cases)
        EXPECT_EQ(strToInt(c.text), c.value) << c.text;
}

TEST(StrToInt, RejectsEverythingElseWithTheTextInTheMessage) {
    for (const char* text : {"", " ", "-", "12a", "1 2", "42 ", "4.5", "0x10", "2147483648",
                             "-2147483649", "99999999999999999999"}) {
        try {
            strToInt(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const ConversionError& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("'") + text + "' is not a valid integer value");
        }
    }
}

TEST(StrToFloat, ReadsOnlyTheGivenSeparator) {
    EXPECT_DOUBLE_EQ(strToFloat("475.1", '.'), 475.1);
    EXPECT_DOUBLE_EQ(strToFloat("471,00000", ','), 471.0);
    EXPECT_DOUBLE_EQ(strToFloat(" 457 ", '.'), 457.0);
    EXPECT_DOUBLE_EQ(strToFloat("-1.5e2", '.'), -150.0);
    EXPECT_DOUBLE_EQ(strToFloat(".5", '.'), 0.5);
    EXPECT_THROW(strToFloat("475.1", ','), ConversionError);
    EXPECT_THROW(strToFloat("475,1", '.'), ConversionError);
    EXPECT_THROW(strToFloat("", '.'), ConversionError);
    EXPECT_THROW(strToFloat("abc", '.'), ConversionError);
    EXPECT_THROW(strToFloat("1e", '.'), ConversionError);
    EXPECT_THROW(strToFloat("1e999", '.'), ConversionError);
    EXPECT_THROW(strToFloat("4.5.7", '.'), ConversionError);
}

} // namespace
} // namespace ccp::form
