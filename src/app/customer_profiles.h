// What each customer profile sets when it is applied: window caption, hello
// message, firmware texts, a few list defaults and whether the platform item
// may be used; and the About lines appended to the log. Index 0 and every
// index outside the table give the two About lines of the unbranded edition.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ccp::app {

constexpr int kProfileCount = 7;

struct CustomerProfileValues {
    const char* caption;
    const char* helloMessage; // always 14 characters, the field's width
    const char* firmwareVersion;
    const char* epsonFirmware; // nullptr: left as it was
    int backLight;             // index into "9:1", "7:3", "5:5", "3:7"; -1: left as it was
    int dateFormat;            // 0 "DD/MM/YY", 1 "MM/DD/YY"
    int language;              // 0 "U.S.", 7 "U.K."
    std::optional<bool> platformItemEnabled; // empty: left as it was
};

// The values of profiles 0 to 6; nothing for an index outside the table.
std::optional<CustomerProfileValues> profileValues(int profile);

std::vector<std::string> aboutLines(int profile);

} // namespace ccp::app
