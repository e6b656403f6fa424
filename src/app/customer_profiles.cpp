#include "app/customer_profiles.h"

#include <array>

namespace ccp::app {
namespace {

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

std::vector<std::string> aboutLines(int profile) {
    if (profile >= 1 && profile < kProfileCount)
        return {kAboutLine[profile]};
    return {"A36E CCP V7.25, support firmware version 1-20 amd Epson platform with new ST7567A "
            "LCD driver",
            "Please select the correct hardware before programming."};
}

} // namespace ccp::app
