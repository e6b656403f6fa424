// Byte positions of the settings in the EepromImage and DecoderImage, one
// constant per position, with the width of each text field. Positions kept
// elsewhere in the model are used from there and named below where they fall:
// the folder slot pairs (folder_slots.h), the checksum bytes (checksum.h), the
// synthesizer bytes (channel_frequency.h) and the address entries (capcode.h).
#pragma once

#include "model/capcode.h"
#include "model/channel_frequency.h"
#include "model/checksum.h"
#include "model/folder_slots.h"
#include "model/hex_text.h"
#include "model/image.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace ccp::model {

// EepromImage, every layout.
constexpr std::size_t kSerialByte = 1; // @0x001
constexpr std::size_t kSerialWidth = 8;
constexpr std::size_t kRangeTimeByte = 9; // @0x009
// Out-of-range and low-battery displays, the "64 sec" flags of the alert and
// message display times, LCD driver OPA.
constexpr std::size_t kOptionFlagsByte = 10; // @0x00A
constexpr std::size_t kLcdOnTimeByte = 11;   // @0x00B
constexpr std::size_t kLcdOffTimeByte = 12;  // @0x00C
constexpr std::size_t kBacklightByte = 13;   // @0x00D
// Tones A, B, C, D, power-on, low-cell and urgent call, kHexFieldBytes each.
constexpr std::size_t kTonePatternsByte = 14; // @0x00E-0x01B
constexpr std::size_t kTonePatternCount = 7;
// Urgent call and its type, message display time, alert time.
constexpr std::size_t kUrgentCallAndTimesByte = 28; // @0x01C
constexpr std::size_t kLcdHoldTimeByte = 29;        // @0x01D
constexpr std::size_t kMessageTypesByte = 30;       // @0x01E one bit per address
constexpr std::size_t kLanguagesByte = 31;          // @0x01F menu and message language
constexpr std::size_t kContrastByte = 33;           // @0x021
// Auto space, date format, public call number, low cell, unread alert, number
// setting, public folder mode.
constexpr std::size_t kDisplayOptionsByte = 34; // @0x022
constexpr std::size_t kPasswordByte = 35;       // @0x023
constexpr std::size_t kPasswordWidth = 4;
// Hand programming, vibration with flash, large font, font menu, second copy
// of the low-cell setting, OTA, repeat-call check.
constexpr std::size_t kUserOptionsByte = 39;   // @0x027
constexpr std::size_t kHelloWidth = 14;        // at kHelloByte5003 or kHelloByte8212
constexpr std::size_t kChineseHeaderByte = 68; // @0x044
constexpr std::size_t kEnglishHeaderByte = 69; // @0x045
constexpr std::size_t kClearHeaderByte = 70;   // @0x046
constexpr std::size_t kHeaderWidth = 1;
// kFolderCount titles, then their slot pairs from kFolderSlotBase (@0x0D8).
constexpr std::size_t kFolderTitlesByte = 72; // @0x048 + 9n
constexpr std::size_t kFolderTitleWidth = 9;
constexpr std::size_t kFirmwareVersionByte = 248; // @0x0F8
constexpr std::size_t kSubversionByte = 249;      // @0x0F9
constexpr std::size_t kSubversionWidth = 1;
// Urgent-call mode, quiet sound, PLL chip (5003) or power-off menu and beep
// with flash (8212), MCU clock, auto backlight, delete-all with unread, delete
// menu.
constexpr std::size_t kFeatureByte = 250;          // @0x0FA
constexpr std::size_t kRepeatCallRejectByte = 251; // @0x0FB
constexpr std::size_t kFixedBytesByte = 252;       // @0x0FC-0x0FE
inline constexpr std::array<std::uint8_t, 3> kFixedByteValues = {0x53, 0x04, 0x24};
// Byte 255 (@0x0FF) is the checksum byte of ChecksumBlock::A.
constexpr std::size_t kAddressDataCheckByte = 318; // @0x13E

constexpr std::size_t tonePatternByte(std::size_t tone) {
    return kTonePatternsByte + kHexFieldBytes * tone;
}

constexpr std::size_t folderTitleByte(std::size_t folder) {
    return kFolderTitlesByte + kFolderTitleWidth * folder;
}

// EepromImage, 5003 layout. Byte 71 is kPllControl5003.
constexpr std::size_t kAddrCheckByte5003 = 40; // @0x028
constexpr std::size_t kDataCheckByte5003 = 41; // @0x029
constexpr std::size_t kHelloByte5003 = 48;     // @0x030
constexpr std::size_t kFormatsByte5003 = 62;   // @0x03E one byte per address, 1-6

// EepromImage, 8212 layouts. Bytes 256-261 are kPllControl8212, kPllN8212 and
// kPllR8212; the address entries start at kEntryBase8212 (@0x106).
constexpr std::size_t kLcdDriveByte8212 = 40;     // @0x028 frame rate, temperature slope, bias
constexpr std::size_t kUrgentMatrixByte8212 = 41; // @0x029-0x02C two addresses a byte
constexpr std::size_t kUrgentMatrixWidth8212 = 4;
constexpr std::size_t kHelloByte8212 = 46;   // @0x02E
constexpr std::size_t kFormatsByte8212 = 60; // @0x03C one byte per address, 1-8
constexpr std::size_t kPllNWidth8212 = 3;
constexpr std::size_t kPllRWidth8212 = 2;
constexpr std::size_t kBs2OptionByte8212 = 294;  // @0x126 BS2 option in bit 7
constexpr std::uint8_t kBs2FixedBits8212 = 0x02; // bits 6-0
// BS3 high bits, polarity, baud rate, CLKO, end of message.
constexpr std::size_t kDecoderModeByte8212 = 295; // @0x127
constexpr std::size_t kBitSyncByte8212 = 296;     // @0x128 BS1 high bits, BS3 low bits
// Error rate, filter strength and enable, BS1 low bits.
constexpr std::size_t kFilterByte8212 = 297; // @0x129

// EepromImage, extended 8212 layout.
constexpr std::size_t kCustomerProfileByteExt = 71; // @0x047 bits 3-0
// The other 8212 layout keeps the checksum of ChecksumBlock::B in byte 306.
constexpr std::size_t kRssiLevelsByteExt = 306; // @0x132-0x135
constexpr std::size_t kRssiLevelCountExt = 4;
constexpr std::size_t kEpsonFirmwareByteExt = 310; // @0x136
constexpr std::size_t kEpsonFirmwareWidthExt = 8;
constexpr std::size_t kDisplayModuleByteExt = 319; // @0x13F

// DecoderImage (5003 layout). Bytes 6-11 hold the synthesizer words from
// kPllN5003 and kPllR5003; the addresses lie at kHigh5003, kMid5003 and kLow5003.
constexpr std::size_t kDecoderPolarityByte = 0; // @0x00 bit 7
constexpr std::size_t kDecoderReceiverByte = 1; // @0x01 baud code, ROE, RXE
constexpr std::size_t kPllNWidth5003 = 3;
constexpr std::size_t kPllRWidth5003 = 3;
constexpr std::size_t kPllWordsWidth5003 = kPllNWidth5003 + kPllRWidth5003;

// Fields that end where the next begins: a full-width text leaves its
// terminator on the first byte of the field after it.
static_assert(tonePatternByte(kTonePatternCount) == kUrgentCallAndTimesByte);
static_assert(kPasswordByte + kPasswordWidth == kUserOptionsByte);
static_assert(kHelloByte5003 + kHelloWidth == kFormatsByte5003);
static_assert(kHelloByte8212 + kHelloWidth == kFormatsByte8212);
static_assert(folderTitleByte(kFolderCount) == kFolderSlotBase);
static_assert(kFolderSlotBase + kFolderSlotSize * kFolderCount == kFirmwareVersionByte);
static_assert(kFixedBytesByte + kFixedByteValues.size() == checksumSpec(ChecksumBlock::A).storedAt);
static_assert(kPllN8212 + kPllNWidth8212 == kPllR8212);
static_assert(kPllR8212 + kPllRWidth8212 == kEntryBase8212);
static_assert(kEpsonFirmwareByteExt + kEpsonFirmwareWidthExt == kAddressDataCheckByte);
static_assert(kPllN5003 + kPllNWidth5003 == kPllR5003);
static_assert(kPllR5003 + kPllRWidth5003 == kHigh5003);

} // namespace ccp::model
