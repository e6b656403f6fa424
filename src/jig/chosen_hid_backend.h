// One USB jig among several: `--jig usb:WHICH` names it by its hidraw path or
// by a trailing part of its serial number that no other jig's ends with. The
// back-end shows the window only the devices WHICH names, so the first scan
// takes that jig; everything else is the system's back-end's.
#pragma once

#include "link/hid_backend.h"

#include <string>
#include <vector>

namespace ccp::jig {

// The USB jigs (by vendor and product) among `devices`.
std::vector<link::HidDeviceInfo> usbJigsAmong(const std::vector<link::HidDeviceInfo>& devices);

// The jigs among `devices` that WHICH names: the one at that path, else those
// whose serial number ends with it.
std::vector<link::HidDeviceInfo> jigsNamed(const std::vector<link::HidDeviceInfo>& devices,
                                           const std::string& which);

class ChosenHidBackend final : public link::HidBackend {
public:
    // `inner` outlives the object.
    ChosenHidBackend(link::HidBackend& inner, std::string which)
        : inner_(inner), which_(std::move(which)) {}

    std::vector<link::HidDeviceInfo> enumerate() override;
    std::unique_ptr<link::HidHandle> open(const link::HidDeviceInfo& device) override {
        return inner_.open(device);
    }
    const std::string& which() const { return which_; }
    int notificationFd() override { return inner_.notificationFd(); }
    bool drainNotifications() override { return inner_.drainNotifications(); }
    void setWaitHook(std::function<void()> hook) override { inner_.setWaitHook(std::move(hook)); }

private:
    link::HidBackend& inner_;
    std::string which_;
};

} // namespace ccp::jig
