#include "jig/chosen_hid_backend.h"

#include "link/jig_discovery.h"

namespace ccp::jig {

std::vector<link::HidDeviceInfo> usbJigsAmong(const std::vector<link::HidDeviceInfo>& devices) {
    std::vector<link::HidDeviceInfo> jigs;
    for (const link::HidDeviceInfo& d : devices) {
        if (d.vendorId == link::kJigVendorId && d.productId == link::kJigProductId)
            jigs.push_back(d);
    }
    return jigs;
}

std::vector<link::HidDeviceInfo> jigsNamed(const std::vector<link::HidDeviceInfo>& devices,
                                           const std::string& which) {
    std::vector<link::HidDeviceInfo> named;
    for (const link::HidDeviceInfo& d : usbJigsAmong(devices)) {
        if (d.path == which)
            return {d};
        if (!which.empty() && d.serial.ends_with(which))
            named.push_back(d);
    }
    return named;
}

std::vector<link::HidDeviceInfo> ChosenHidBackend::enumerate() {
    return jigsNamed(inner_.enumerate(), which_);
}

} // namespace ccp::jig
