#include "link/report_descriptor.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace ccp::link {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Vendor-defined page, one unnumbered 64-byte report each way: the USB jig.
const Bytes kVendor64 = {
    0x06, 0x00, 0xFF,             // Usage Page (vendor 0xFF00)
    0x09, 0x01,                   // Usage (1)
    0xA1, 0x01,                   // Collection (Application)
    0x19, 0x01, 0x29, 0x40,       //   Usage Minimum (1), Usage Maximum (64)
    0x15, 0x00, 0x26, 0xFF, 0x00, // Logical Minimum (0), Logical Maximum (255)
    0x75, 0x08, 0x95, 0x40,       //   Report Size (8), Report Count (64)
    0x81, 0x00,                   //   Input (Data, Array, Absolute)
    0x19, 0x01, 0x29, 0x40,       //   Usage Minimum (1), Usage Maximum (64)
    0x91, 0x00,                   //   Output (Data, Array, Absolute)
    0xC0,                         // End Collection
};

// The boot keyboard: modifiers, reserved byte, five LEDs and padding, six keys.
const Bytes kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,             // Generic Desktop, Keyboard, Application
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7,             // Key codes E0-E7
    0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, //   8 x 1 bit
    0x81, 0x02,                                     //   Input: modifier byte
    0x95, 0x01, 0x75, 0x08, 0x81, 0x01,             //   Input: reserved byte (constant)
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, // 5 x 1 bit, LEDs
    0x91, 0x02,                                                 //   Output: LEDs
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01,                         //   Output: 3 bits padding
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65,             // 6 x 8 bits
    0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00,             //   Input: key array
    0xC0,
};

// A keyboard (ID 1), a consumer control (ID 2) and a vendor channel (ID 3)
// with a feature report longer than any other, which does not count.
const Bytes kNumbered = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, // Keyboard, Report ID (1)
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08,
    0x81, 0x02,                                                             //   Input: 8 bits
    0x95, 0x01, 0x75, 0x08, 0x81, 0x01,                                     //   Input: 8 bits
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, //   Output: 5 bits
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01,                                     //   Output: 3 bits
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65,
    0x81, 0x00,                                           //   Input: 48 bits -> ID 1 in 8 bytes
    0xC0, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, // Consumer Control, Report ID (2)
    0x15, 0x00, 0x26, 0xFF, 0x03, 0x19, 0x00, 0x2A, 0xFF, 0x03, 0x75, 0x10, 0x95, 0x01,
    0x81, 0x00,                                                 //   Input: 16 bits
    0xC0, 0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, // Vendor, Report ID (3)
    0x09, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x1F, 0x81, 0x02, //   Input: 31
                                                                                  //   bytes
    0x09, 0x01, 0x95, 0x3F, 0x91, 0x02,       //   Output: 63 bytes
    0x09, 0x01, 0x96, 0x00, 0x01, 0xB1, 0x02, //   Feature: 256 bytes
    0xC0,
};

// Report Size 16 is pushed, replaced by 1 for eight bits, then popped back.
const Bytes kPushPop = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xA1, 0x00, // Mouse, Application, Physical
    0x75, 0x10, 0x95, 0x01, 0xA4,                   //   16 x 1, Push
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02,             //   Input: 8 bits
    0xB4, 0x81, 0x06,                               //   Pop, Input: 16 bits
    0xFE, 0x02, 0x10, 0xAA, 0xBB,                   //   a long item, skipped
    0xC0, 0xC0,
};

Bytes truncated(const Bytes& bytes, std::size_t drop) {
    return Bytes(bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(drop));
}

TEST(ReportDescriptor, Lengths) {
    struct Case {
        const char* name;
        Bytes descriptor;
        std::size_t input;
        std::size_t output;
        bool numbered;
    };
    const Case cases[] = {
        {"vendor 64/64", kVendor64, 65, 65, false},
        {"boot keyboard", kBootKeyboard, 9, 2, false},
        {"numbered", kNumbered, 32, 64, true},
        {"push/pop, long item", kPushPop, 4, 0, false},
        {"empty", {}, 0, 0, false},
        {"4-byte item data", {0x77, 0x08, 0, 0, 0, 0x97, 0x03, 0, 0, 0, 0x81, 0x00}, 4, 0, false},
        // 3 + 8 bits: eleven bits take two bytes, then the ID byte.
        {"bits not whole bytes", {0x75, 0x03, 0x95, 0x01, 0x81, 0x02, 0x75, 0x08, 0x81, 0x02}, 3, 0,
         false},
    };
    for (const Case& c : cases) {
        const ReportDescriptorSummary s = parseReportDescriptor(c.descriptor);
        EXPECT_EQ(s.caps.inputReportLength, c.input) << c.name;
        EXPECT_EQ(s.caps.outputReportLength, c.output) << c.name;
        EXPECT_EQ(s.numberedReports, c.numbered) << c.name;
    }
}

TEST(ReportDescriptor, MalformedGivesZero) {
    struct Case {
        const char* name;
        Bytes descriptor;
    };
    const Case cases[] = {
        {"item data cut off", truncated(kVendor64, 4)},
        {"2-byte data, one there", {0x75, 0x08, 0x26, 0xFF}},
        {"4-byte data, three there", {0x97, 0x01, 0x00, 0x00}},
        {"collection left open", truncated(kVendor64, 1)},
        {"end collection without collection", {0x75, 0x08, 0x95, 0x01, 0x81, 0x00, 0xC0}},
        {"pop without push", {0xB4}},
        {"push past four levels", {0xA4, 0xA4, 0xA4, 0xA4, 0xA4}},
        {"report id 0", {0x85, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x00}},
        {"report id 256", {0x86, 0x00, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x00}},
        {"report size 257", {0x76, 0x01, 0x01}},
        {"report count 12289", {0x96, 0x01, 0x30}},
        {"report of 16384 bytes",
         {0x75, 0x08, 0x96, 0x00, 0x30, 0x81, 0x00, 0x96, 0x00, 0x10, 0x81, 0x00}},
        {"long item header cut off", {0xFE, 0x04}},
        {"long item data cut off", {0xFE, 0x04, 0x10, 0x01, 0x02, 0x03}},
    };
    for (const Case& c : cases) {
        const ReportDescriptorSummary s = parseReportDescriptor(c.descriptor);
        EXPECT_EQ(s.caps.inputReportLength, 0u) << c.name;
        EXPECT_EQ(s.caps.outputReportLength, 0u) << c.name;
    }
}

} // namespace
} // namespace ccp::link
