#include "link/eeprom_types.h"

#include "form/conversion.h"

#include <array>

namespace ccp::link {

namespace {

constexpr std::uint8_t kWriteCommand = 0xA0;
constexpr std::uint8_t kReadCommand = 0xA1;
constexpr std::uint8_t kAllPins = 0x0E;

using enum AddressPhase;

// clang-format off
constexpr std::array<EepromType, 11> kTypes{{
    // code  length  page  USB block  address phase  select  high mask
    {1,      128,    1,    0x00,      None,           0x00,  0x00},
    {2,      256,    1,    0x10,      LowByte,        0x0E,  0x00},
    {4,      512,    16,   0x20,      LowByte,        0x0C,  0x00},
    {8,      1024,   16,   0x30,      LowByte,        0x08,  0x00},
    {16,     2048,   16,   0x40,      LowByte,        0x00,  0x00},
    {32,     4096,   32,   0x50,      TwoByte,        0x0E,  0x0F},
    {64,     8192,   32,   0x60,      TwoByte,        0x0E,  0x1F},
    {128,    16384,  64,   0x70,      TwoByte,        0x0E,  0x3F},
    {256,    32768,  64,   0x80,      TwoByte,        0x0E,  0x7F},
    {512,    65536,  64,   0x90,      None,           0x00,  0x00},
    {5003,   36,     1,    std::nullopt, None,        0x00,  0x00},
}};
// clang-format on

} // namespace

std::uint16_t eepromTypeCode(const std::string& typeCode) {
    return static_cast<std::uint16_t>(form::strToInt(typeCode));
}

const EepromType* findEepromType(std::uint16_t code) {
    for (const EepromType& type : kTypes) {
        if (type.code == code) {
            return &type;
        }
    }
    return nullptr;
}

std::uint8_t writeCommandByte(const EepromType& type, std::uint8_t deviceSelect,
                              std::size_t address) {
    const auto pins = static_cast<std::uint8_t>((deviceSelect << 1) & type.selectMask);
    const auto carried =
        type.phase == LowByte ? static_cast<std::uint8_t>((address >> 8) << 1) : std::uint8_t{0};
    return static_cast<std::uint8_t>(kWriteCommand | pins | carried);
}

std::uint8_t readCommandByte(std::uint8_t deviceSelect) {
    return static_cast<std::uint8_t>(kReadCommand | ((deviceSelect << 1) & kAllPins));
}

} // namespace ccp::link
