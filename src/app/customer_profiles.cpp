#include "app/customer_profiles.h"

#include <array>

namespace ccp::app {
namespace {

constexpr int kLeave = -1;
constexpr int kUS = 0, kUK = 7;

const std::array<CustomerProfileValues, kProfileCount> kProfiles = {{
    {"A31E/A35E/A36E/A37E Capcode Programmer-Customer version", "--- KRVA37E --", "11", nullptr, 0,
     0, kUS, std::nullopt},
    {"A31/A35/A36/A37 Capcode Programmer-Customer version", "--Halvo A37---", "20", "1.77", 2, 0,
     kUK, std::nullopt},
    {"A6W Wall Mount Programmer-Customer version", "--- PLNA6W ---", "5", "1.70", kLeave, 0, kUK,
     std::nullopt},
    {"Tressvik Wireless Kalmire 8 Line Programmer software", "-- Tressvik --", "11", nullptr, 0, 0,
     kUS, std::nullopt},
    {"A31E/A35E/A36E/A37E for Dorvik Capcode Programmer-Customer version", "---KRVA37ET---", "11",
     nullptr, 0, 0, kUS, false},
    {"Nimbo Wireless Programmer-Customer version", "Nimbo Wireless", "12", nullptr, 0, 1, kUS,
     true},
    {"Nimbo Wireless Mini Static Programmer-Customer version", "Nimbo Wireless", "5", nullptr,
     kLeave, 0, kUK, false},
}};

// Profiles 1 to 6; profile 0 has two lines of its own.
constexpr std::array<const char*, kProfileCount> kAboutLine = {
    nullptr,
    "Halvo A31/A35/A36/A37 CCP V7.25",
    "A6W Wall Mount Programmer V7.25",
    "Tressvik Wireless Kalmire 8 Line Programming Software V7.25",
    "A31/A35E/A36E programmer V7.25 for Dorvik",
    "Nimbo Wireless programmer V7.25",
    "Nimbo Wireless Mini-static programmer V7.25",
};

} // namespace

std::optional<CustomerProfileValues> profileValues(int profile) {
    if (profile < 0 || profile >= kProfileCount)
        return std::nullopt;
    return kProfiles[profile];
}

std::vector<std::string> aboutLines(int profile) {
    if (profile >= 1 && profile < kProfileCount)
        return {kAboutLine[profile]};
    return {"A36E CCP V7.25, support firmware version 1-20 amd Epson platform with new ST7567A "
            "LCD driver",
            "Please select the correct hardware before programming."};
}

} // namespace ccp::app
