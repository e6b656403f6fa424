// The serial EEPROM types a transfer can address, named by a decimal text
// code: how many bytes the chip holds, how many one write command may carry,
// the USB jig's block code, and how the parallel-port bus addresses a byte.
// The pager's EEPROM is code "04", a 512-byte 24C04.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace ccp::link {

enum class AddressPhase {
    None,    // nothing is sent; the chip's own address counter is used
    LowByte, // device byte (carrying address bits 8 and up), low byte
    TwoByte, // device byte, masked high byte, low byte
};

struct EepromType {
    std::uint16_t code;
    std::size_t length;
    std::size_t page;
    std::optional<std::uint8_t> usbBlock;
    AddressPhase phase;
    // Bits of 2 * deviceSelect that enter the write command byte; the others
    // carry address bits on the one-byte addressed chips.
    std::uint8_t selectMask;
    // Mask of the high address byte of the two-byte addressed chips.
    std::uint8_t highMask;
};

// The code's value as the standard decimal conversion gives it, taken as a
// 16-bit number. A text that is not a number raises form::ConversionError.
std::uint16_t eepromTypeCode(const std::string& typeCode);

// nullptr for a code outside the table.
const EepromType* findEepromType(std::uint16_t code);

// The write command byte for start address `address`.
std::uint8_t writeCommandByte(const EepromType& type, std::uint8_t deviceSelect,
                              std::size_t address);
// The read command byte, the same for every code.
std::uint8_t readCommandByte(std::uint8_t deviceSelect);

} // namespace ccp::link
