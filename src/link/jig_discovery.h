// Finding the USB jig among the HID devices: on every device change the held
// jig is let go when it was unplugged (the parallel port is detected again),
// and when none is held the first device that identifies as a jig is checked
// out and becomes the transport. A jig is vendor 0x04D8, product 0x1000,
// with the product string "A31 programmer" or "B53 programmer" exactly. A
// jig is one program's at a time: one that another program holds is not
// taken, and the log says so.
#pragma once

#include "form/controls.h"
#include "link/hid_device.h"
#include "link/os_info.h"
#include "link/port_driver.h"
#include "link/programmer_link.h"
#include "link/usb_jig.h"

#include <string>

namespace ccp::link {

inline constexpr std::uint16_t kJigVendorId = 0x04D8;
inline constexpr std::uint16_t kJigProductId = 0x1000;
inline constexpr const char* kUsbReadyText = "USB ports ready, parallel port will be disabled.";
inline constexpr const char* kJigVersionText = "Jig Hardware version ";

// Why the jig at `path` was not taken.
inline std::string jigInUseText(const std::string& path) {
    return "the USB jig " + path + " is in use by another program";
}

struct DiscoveryControls {
    form::LogPane& log;
    form::MenuItem& port1;
    form::MenuItem& writeToPager;
    form::MenuItem& readFromPager;
};

class JigDiscovery {
public:
    // All outlive the object.
    JigDiscovery(ProgrammerLink& link, THidDeviceController& hidCtl, UsbJig& jig, PortDriver& port,
                 const OsInfo& os, DiscoveryControls controls);

    // The controller's OnDeviceChange.
    void HidCtlDeviceChange();
    // The identification callback: records the device's version as the jig
    // version whatever the answer.
    bool identify(THidDevice& device);
    // Makes `device` (one of the controller's) the held jig.
    void hold(THidDevice& device);
    // Why the last device change took no jig that identified as one (another
    // program holds it); empty once a jig is held or when none was refused.
    const std::string& refusal() const { return refusal_; }

private:
    ProgrammerLink& link_;
    THidDeviceController& hidCtl_;
    UsbJig& jig_;
    PortDriver& port_;
    const OsInfo& os_;
    DiscoveryControls controls_;
    std::string refusal_;
};

} // namespace ccp::link
