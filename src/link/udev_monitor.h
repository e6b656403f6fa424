// Arrivals and removals of hidraw devices through libudev's monitor on the
// "udev" netlink group. fd() polls readable when events are pending; drain()
// consumes them. When udev cannot be set up, fd() is -1 and drain() is false.
#pragma once

struct udev;
struct udev_monitor;

namespace ccp::link {

class UdevMonitor {
public:
    UdevMonitor();
    ~UdevMonitor();
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    // Non-blocking; -1 when there is no monitor.
    int fd() const { return fd_; }
    // Reads every pending event without waiting; true when any arrived.
    bool drain();

private:
    void release();

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    int fd_ = -1;
};

} // namespace ccp::link
