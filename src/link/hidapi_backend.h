// HidBackend on Linux's hidraw nodes: hidapi's enumeration names the
// interfaces, and the reports go through the node itself, reached through a
// HidrawSystem. Report lengths and whether reports are numbered come from the
// device's report descriptor (HIDIOCGRDESC on the node, else sysfs), read
// once at open(); a descriptor that cannot be read gives lengths of 0 and is
// taken as unnumbered. A node that has gone answers EIO to a read, ENODEV to
// a write and POLLERR|POLLHUP to a poll: every call then fails cleanly. A
// claimed handle holds an exclusive flock on its node, so a second program
// on the same jig is told so instead of sharing its replies. With a wait hook
// a write or a read that waits runs the hook every few tens of milliseconds.
// No call throws.
#pragma once

#include "link/hid_backend.h"
#include "link/hidraw_system.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ccp::link {

class HidapiBackend final : public HidBackend {
public:
    // On the kernel's hidraw nodes.
    HidapiBackend();
    // On `system`, which outlives the back-end and the handles it opens.
    explicit HidapiBackend(HidrawSystem& system);
    HidapiBackend(const HidapiBackend&) = delete;
    HidapiBackend& operator=(const HidapiBackend&) = delete;

    std::vector<HidDeviceInfo> enumerate() override;
    // nullptr unless the node opens for reading and writing and answers
    // HIDIOCGRDESCSIZE, i.e. is a hidraw node.
    std::unique_ptr<HidHandle> open(const HidDeviceInfo& device) override;
    int notificationFd() override { return system_.notificationFd(); }
    bool drainNotifications() override { return system_.drainNotifications(); }
    void setWaitHook(std::function<void()> hook) override;

private:
    std::unique_ptr<LinuxHidrawSystem> own_;
    HidrawSystem& system_;
    // Product strings by node path, from the last enumeration.
    std::map<std::string, std::optional<std::string>> products_;
    // Shared with the handles, which may outlive a change of hook.
    std::shared_ptr<std::function<void()>> waitHook_ = std::make_shared<std::function<void()>>();
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

} // namespace ccp::link
