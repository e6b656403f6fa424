// HidBackend on Linux's hidraw through hidapi, with libudev's monitor for
// arrivals and removals. Report lengths and whether reports are numbered come
// from the device's report descriptor (HIDIOCGRDESC on the node, else sysfs),
// read once at open(); a descriptor that cannot be read gives lengths of 0
// and is taken as unnumbered. No call throws.
#pragma once

#include "link/hid_backend.h"
#include "link/udev_monitor.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ccp::link {

class HidapiBackend final : public HidBackend {
public:
    HidapiBackend();
    ~HidapiBackend() override;
    HidapiBackend(const HidapiBackend&) = delete;
    HidapiBackend& operator=(const HidapiBackend&) = delete;

    // instanceId is the interface's sysfs device folder (stable while it
    // stays plugged in), or its node path when sysfs does not resolve it.
    std::vector<HidDeviceInfo> enumerate() override;
    std::unique_ptr<HidHandle> open(const HidDeviceInfo& device) override;
    int notificationFd() override { return monitor_.fd(); }
    bool drainNotifications() override { return monitor_.drain(); }

private:
    bool initialised_ = false;
    UdevMonitor monitor_;
};

// hidraw hands back an unnumbered input report without its ID byte, so such
// a report is read into the caller's buffer from byte 1 on.
constexpr std::size_t inputReadOffset(bool numbered) {
    return numbered ? 0 : 1;
}

// Completes a report of which `received` bytes were read at
// inputReadOffset(numbered): an unnumbered report gets ID 0 in byte 0, and
// the bytes past those that arrived become 0.
void completeInputReport(std::span<std::uint8_t> report, std::size_t received, bool numbered);

// hidapi's wide strings hold UTF-32 code points on Linux; a value that is no
// Unicode scalar becomes U+FFFD.
std::string wideToUtf8(std::wstring_view text);

} // namespace ccp::link
