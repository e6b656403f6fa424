// What the hidraw back-end asks of the system, behind one seam: the list of
// HID interfaces with their hidraw nodes (hidapi's enumeration on udev), the
// calls on a node (open, ioctl, read, write, poll, close, flock, as the C library
// has them, errno included), the report descriptor in sysfs, and udev's
// arrival and removal notices. The real one calls the kernel; tests put a
// fake hidraw node behind it.
#pragma once

#include "link/hid_backend.h"
#include "link/udev_monitor.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace ccp::link {

struct HidrawInterface {
    HidDeviceInfo info;
    // The USB product string as UTF-8, as udev read it from the device.
    std::optional<std::string> productString;
};

class HidrawSystem {
public:
    virtual ~HidrawSystem() = default;
    // Interfaces that have a hidraw node, each once, in enumeration order.
    virtual std::vector<HidrawInterface> enumerate() = 0;
    // The node opened for reading and writing, non-blocking, close-on-exec.
    virtual int open(const std::string& path) = 0;
    virtual int ioctl(int fd, unsigned long request, void* argument) = 0;
    virtual ssize_t read(int fd, void* buffer, std::size_t length) = 0;
    virtual ssize_t write(int fd, const void* buffer, std::size_t length) = 0;
    virtual int poll(pollfd* fds, nfds_t count, int timeoutMs) = 0;
    virtual int close(int fd) = 0;
    // flock(2) on an open node.
    virtual int flock(int fd, int operation) = 0;
    // The node's report descriptor as sysfs shows it; empty when it cannot.
    virtual std::vector<std::uint8_t> sysfsReportDescriptor(const std::string& path) = 0;
    // As HidBackend's.
    virtual int notificationFd() = 0;
    virtual bool drainNotifications() = 0;
};

// The kernel's hidraw nodes, hidapi's enumeration and libudev's monitor.
class LinuxHidrawSystem final : public HidrawSystem {
public:
    LinuxHidrawSystem();
    ~LinuxHidrawSystem() override;
    LinuxHidrawSystem(const LinuxHidrawSystem&) = delete;
    LinuxHidrawSystem& operator=(const LinuxHidrawSystem&) = delete;

    // instanceId is the interface's sysfs device folder (stable while it
    // stays plugged in), or its node path when sysfs does not resolve it.
    std::vector<HidrawInterface> enumerate() override;
    int open(const std::string& path) override;
    int ioctl(int fd, unsigned long request, void* argument) override;
    ssize_t read(int fd, void* buffer, std::size_t length) override;
    ssize_t write(int fd, const void* buffer, std::size_t length) override;
    int poll(pollfd* fds, nfds_t count, int timeoutMs) override;
    int close(int fd) override;
    int flock(int fd, int operation) override;
    std::vector<std::uint8_t> sysfsReportDescriptor(const std::string& path) override;
    int notificationFd() override { return monitor_.fd(); }
    bool drainNotifications() override { return monitor_.drain(); }

private:
    bool initialised_ = false;
    UdevMonitor monitor_;
};

// hidapi's wide strings hold UTF-32 code points on Linux; a value that is no
// Unicode scalar becomes U+FFFD.
std::string wideToUtf8(std::wstring_view text);

} // namespace ccp::link
