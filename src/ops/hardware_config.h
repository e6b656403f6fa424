// What a write takes from the pager before it overwrites it: the values that
// the pager's hardware and firmware fix (firmware version, sub-version, PLL
// chip, and on the 5003 platforms the receiver enables and the address and
// data checks), and the default LCD contrast of each platform.
#pragma once

#include "model/image.h"
#include "model/pager_settings.h"

#include <optional>
#include <string>

namespace ccp::ops {

// The firmware version text for byte 248: its decimal value, but "1" for a
// byte of 10 or more under customer profiles 2 and 6.
std::string firmwareVersionText(std::uint8_t byte, int customerProfile);

// Takes the configuration over into the settings in a fixed order (version,
// sub-version, PLL, RXE, ROE, address check, data check). Setting the version
// runs its change rule; the caller runs it once more afterwards.
void takeOverHardwareConfig(model::PagerSettings& settings, const model::EepromImage& staging,
                            const model::DecoderImage& decoderStaging, int platform,
                            int customerProfile);

// The contrast text a platform starts from when the contrast default is on;
// nothing for a platform that keeps the user's value.
std::optional<std::string> defaultContrast(int platform);

} // namespace ccp::ops
