#include "link/jig_discovery.h"

#include "link/detect_parallel_port.h"

#include <string>

namespace ccp::link {

JigDiscovery::JigDiscovery(ProgrammerLink& link, THidDeviceController& hidCtl, UsbJig& jig,
                           PortDriver& port, const OsInfo& os, DiscoveryControls controls)
    : link_(link), hidCtl_(hidCtl), jig_(jig), port_(port), os_(os), controls_(controls) {
}

bool JigDiscovery::identify(THidDevice& device) {
    const std::string name = device.GetProductName();
    link_.JigVersion = device.Version();
    return device.VendorID() == kJigVendorId && device.ProductID() == kJigProductId &&
           (name == "A31 programmer" || name == "B53 programmer");
}

// Detection disables Port1 where the system forbids the parallel port; the
// menu is enabled again after it all the same, as the jig leaves.
void JigDiscovery::HidCtlDeviceChange() {
    THidDevice* held = jig_.device();
    if (held != nullptr && !held->PluggedIn()) {
        jig_.setDevice(nullptr);
        hidCtl_.Release(held);
        held = nullptr;
        DetectParallelPort(link_, port_, os_, controls_.log, controls_.port1,
                           controls_.writeToPager, controls_.readFromPager);
        link_.UsbActive = false;
        controls_.port1.setEnabled(true);
    }
    if (held != nullptr) {
        return;
    }
    // Every program that has a hidraw node open gets every report the jig
    // sends; a jig that two programs drove would hand each the other's
    // replies. Taking it waits for nothing: another program's hold is said
    // in the log and the next jig is looked at.
    refusal_.clear();
    THidDevice* taken = hidCtl_.CheckOutByCallback([this](THidDevice& device) {
        if (!identify(device)) {
            return false;
        }
        if (device.Claim()) {
            return true;
        }
        refusal_ = jigInUseText(device.Path());
        controls_.log.append(refusal_);
        return false;
    });
    if (taken == nullptr) {
        return;
    }
    refusal_.clear();
    controls_.log.append(kUsbReadyText);
    controls_.log.append(kJigVersionText + std::to_string(link_.JigVersion));
    if (os_.parallelPortPolicy() == ParallelPortPolicy::Available) {
        port_.shutdown();
    }
    hold(*taken);
    controls_.writeToPager.setEnabled(true);
    controls_.readFromPager.setEnabled(true);
    jig_.sendAttach();
}

void JigDiscovery::hold(THidDevice& device) {
    jig_.setDevice(&device);
    link_.UsbActive = true;
    controls_.port1.setEnabled(false);
}

} // namespace ccp::link
