#include "link/hidapi_backend.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ccp::link {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(HidapiReadNormalisation, ByteZeroIsTheIdAndTheRestIsZero) {
    struct Case {
        const char* name;
        bool numbered;
        Bytes afterRead; // the buffer as the kernel left it
        std::size_t received;
        Bytes expected;
    };
    const Case cases[] = {
        {"unnumbered, short", false, {0xEE, 0x11, 0x22, 0xEE, 0xEE}, 2, {0x00, 0x11, 0x22, 0, 0}},
        {"unnumbered, full", false, {0xEE, 0x11, 0x22, 0x33}, 3, {0x00, 0x11, 0x22, 0x33}},
        {"numbered, short", true, {0x03, 0x11, 0xEE, 0xEE}, 2, {0x03, 0x11, 0, 0}},
        {"more than fits", false, {0xEE, 0x11}, 9, {0x00, 0x11}},
        {"empty buffer", false, {}, 1, {}},
    };
    for (const Case& c : cases) {
        Bytes report = c.afterRead;
        completeInputReport(report, c.received, c.numbered);
        EXPECT_EQ(report, c.expected) << c.name;
    }
    EXPECT_EQ(inputReadOffset(false), 1u);
    EXPECT_EQ(inputReadOffset(true), 0u);
}

TEST(HidapiProductString, WideToUtf8) {
    const std::wstring text = {L'J', 0xE9, 0x20AC, 0x1F4DF, 0xD800, 0x110000};
    EXPECT_EQ(wideToUtf8(text), "J\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\x9F\xEF\xBF\xBD\xEF\xBF\xBD");
}

// The real back-end on this machine: there may be no HID device at all.
TEST(HidapiBackend, EnumeratesAndRefusesWhatIsNoHidrawNode) {
    HidapiBackend backend;
    for (const HidDeviceInfo& device : backend.enumerate()) {
        EXPECT_FALSE(device.path.empty());
        EXPECT_FALSE(device.instanceId.empty());
    }
    for (const char* path : {"", "/nonexistent/hidraw99", "/dev/null", "/"}) {
        EXPECT_EQ(backend.open(HidDeviceInfo{path, path}), nullptr) << path;
    }
    if (backend.notificationFd() < 0) {
        EXPECT_FALSE(backend.drainNotifications());
    }
}

} // namespace
} // namespace ccp::link
