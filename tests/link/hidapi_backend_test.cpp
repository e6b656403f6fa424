#include "link/hidapi_backend.h"
#include "support/fake_hidraw.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <gtest/gtest.h>
#include <string>
#include <utility>
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
    // The edges of the surrogates and of the code points, each alone.
    const std::pair<wchar_t, const char*> edges[] = {
        {0xD7FF, "\xED\x9F\xBF"}, {0xD800, "\xEF\xBF\xBD"},       {0xDFFF, "\xEF\xBF\xBD"},
        {0xE000, "\xEE\x80\x80"}, {0x10FFFF, "\xF4\x8F\xBF\xBF"},
    };
    for (const auto& [w, utf8] : edges)
        EXPECT_EQ(wideToUtf8(std::wstring(1, w)), utf8) << std::hex << static_cast<int>(w);
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

// Answers each output report with the next scripted input report (ID byte
// first, as a device sends it); nothing once the script runs out.
class ScriptedDevice final : public sim::VirtualHidDevice {
public:
    std::uint16_t vendorId() const override { return 0x04D8; }
    std::uint16_t productId() const override { return 0x1000; }
    std::uint16_t version() const override { return 2; }
    std::optional<std::string> productString() const override { return "A31 programmer"; }
    HidCaps caps() const override { return {5, 4}; }
    std::vector<sim::Report> onOutputReport(std::span<const std::uint8_t> report) override {
        written.emplace_back(report.begin(), report.end());
        if (script.empty())
            return {};
        sim::Report next = std::move(script.front());
        script.pop_front();
        return {next};
    }
    std::deque<sim::Report> script;
    std::vector<Bytes> written;
};

class HidrawNodeTest : public ::testing::Test {
protected:
    std::unique_ptr<HidHandle> openFirst() {
        const auto devices = backend.enumerate();
        return devices.empty() ? nullptr : backend.open(devices[0]);
    }
    testing::FakeHidraw node;
    HidapiBackend backend{node};
    ScriptedDevice device;
};

// Byte 0 of what readReport stores is the report ID whether or not hidraw
// kept it; a short report is completed with zeros, a long one is cut.
TEST_F(HidrawNodeTest, ReportIdsAndLengths) {
    struct Case {
        const char* name;
        std::uint8_t reportId;
        sim::Report sent; // by the device, ID first
        Bytes expected;
    };
    const Case cases[] = {
        {"unnumbered", 0, {0x00, 0x40, 0x01, 0x02, 0x03}, {0x00, 0x40, 0x01, 0x02, 0x03}},
        {"numbered", 7, {0x00, 0x40, 0x01, 0x02, 0x03}, {0x07, 0x40, 0x01, 0x02, 0x03}},
        {"short", 0, {0x00, 0x40}, {0x00, 0x40, 0, 0, 0}},
        {"long", 0, {0x00, 0x40, 1, 2, 3, 4, 5, 6}, {0x00, 0x40, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::FakeHidraw fresh;
        HidapiBackend onFresh{fresh};
        ScriptedDevice scripted;
        fresh.plug(scripted, c.reportId);
        const auto devices = onFresh.enumerate();
        ASSERT_EQ(devices.size(), 1u);
        EXPECT_EQ(devices[0].vendorId, 0x04D8);
        const auto handle = onFresh.open(devices[0]);
        ASSERT_TRUE(handle);
        EXPECT_EQ(handle->productString(), "A31 programmer");
        EXPECT_EQ(handle->caps().inputReportLength, 5u);
        EXPECT_EQ(handle->caps().outputReportLength, 4u);
        scripted.script.push_back(c.sent);
        const Bytes out = {0x00, 0x14, 0x22, 0x36};
        EXPECT_TRUE(handle->writeReport(out));
        EXPECT_EQ(scripted.written, std::vector<Bytes>{out});
        Bytes in(5, 0xEE);
        EXPECT_EQ(handle->readReport(in, 1000), HidReadResult::Ok);
        EXPECT_EQ(in, c.expected);
    }
}

// After the device has gone what it had queued is still read; then reads
// fail at once (EIO), writes fail (ENODEV), and the node does not open again.
TEST_F(HidrawNodeTest, UnpluggedNodeFailsAtOnce) {
    node.plug(device);
    const auto handle = openFirst();
    ASSERT_TRUE(handle);
    const auto info = backend.enumerate().at(0);
    device.script = {{0x00, 0x40, 0xAA}};
    ASSERT_TRUE(handle->writeReport(Bytes{0x00, 0x14, 0x00, 0x00}));
    node.unplug(device);
    EXPECT_TRUE(backend.drainNotifications());
    Bytes in(5, 0);
    EXPECT_EQ(handle->readReport(in, 5000), HidReadResult::Ok);
    EXPECT_EQ(in[2], 0xAA);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(handle->readReport(in, 5000), HidReadResult::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_FALSE(handle->writeReport(Bytes{0x00, 0x14, 0x00, 0x00}));
    EXPECT_TRUE(handle->discardQueued().empty());
    EXPECT_EQ(backend.open(info), nullptr);
    EXPECT_TRUE(backend.enumerate().empty());
}

} // namespace
} // namespace ccp::link
