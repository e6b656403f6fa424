#include "link/udev_monitor.h"

#include <fcntl.h>
#include <libudev.h>

namespace ccp::link {
namespace {

// A burst larger than this is left for the next drain (the fd stays
// readable), so a flood of events cannot hold the caller.
constexpr int kMaxEventsPerDrain = 256;

} // namespace

UdevMonitor::UdevMonitor() {
    udev_ = udev_new();
    if (udev_ == nullptr) {
        return;
    }
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        release();
        return;
    }
    const int fd = udev_monitor_get_fd(monitor_);
    const int flags = fd < 0 ? -1 : ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        release();
        return;
    }
    fd_ = fd;
}

UdevMonitor::~UdevMonitor() {
    release();
}

bool UdevMonitor::drain() {
    if (monitor_ == nullptr) {
        return false;
    }
    bool any = false;
    for (int i = 0; i < kMaxEventsPerDrain; ++i) {
        udev_device* device = udev_monitor_receive_device(monitor_);
        if (device == nullptr) {
            break;
        }
        udev_device_unref(device);
        any = true;
    }
    return any;
}

void UdevMonitor::release() {
    if (monitor_ != nullptr) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
    if (udev_ != nullptr) {
        udev_unref(udev_);
        udev_ = nullptr;
    }
    fd_ = -1;
}

} // namespace ccp::link
