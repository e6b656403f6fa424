#include "link/hid_device.h"

#include <algorithm>
#include <utility>

namespace ccp::link {

THidDevice::THidDevice(HidBackend& backend, HidDeviceInfo info)
    : backend_(backend), info_(std::move(info)) {
}

HidHandle* THidDevice::handle() {
    if (!Accessible()) {
        return nullptr;
    }
    if (!handle_) {
        handle_ = backend_.open(info_);
    }
    return handle_.get();
}

const std::string& THidDevice::GetProductName() {
    if (!productName_) {
        HidHandle* h = handle();
        if (h == nullptr) {
            static const std::string kNone;
            return kNone;
        }
        productName_ = h->productString().value_or(std::string());
    }
    return *productName_;
}

HidCaps THidDevice::GetCaps() {
    if (!caps_) {
        HidHandle* h = handle();
        if (h == nullptr) {
            return HidCaps{};
        }
        caps_ = h->caps();
    }
    return *caps_;
}

// A reply that came after its read had timed out waits on the handle; left
// there it would be read as the answer to this report.
bool THidDevice::WriteFile(std::span<const std::uint8_t> report) {
    HidHandle* h = handle();
    if (h == nullptr) {
        return false;
    }
    h->discardQueued();
    return h->writeReport(report);
}

bool THidDevice::Claim() {
    HidHandle* h = handle();
    return h != nullptr && h->claim();
}

bool THidDevice::ReadFile(std::span<std::uint8_t> report, int timeoutMs, bool* timedOut) {
    HidHandle* h = handle();
    const HidReadResult result =
        h != nullptr ? h->readReport(report, timeoutMs) : HidReadResult::Failed;
    if (timedOut != nullptr) {
        *timedOut = result == HidReadResult::Timeout;
    }
    return result == HidReadResult::Ok;
}

THidDeviceController::THidDeviceController(HidBackend& backend) : backend_(backend) {
}

// Checked-out devices belong to their holder until released; the others go
// with the controller.
THidDeviceController::~THidDeviceController() {
    for (const auto& device : devices_) {
        device->pluggedIn_ = false;
        device->CloseFile();
    }
}

void THidDeviceController::DeviceNotification(int argument) {
    pending_.push_back(argument);
    handlePending();
}

// The flag covers the rebuild and OnDeviceChange both: the handler talks to
// the jig (the attach command) and may pump events itself.
void THidDeviceController::handlePending() {
    if (handling_ || holds_ > 0) {
        return;
    }
    struct Handling {
        bool& flag;
        explicit Handling(bool& f) : flag(f) { flag = true; }
        ~Handling() { flag = false; }
    } handling(handling_);
    while (!pending_.empty() && holds_ == 0) {
        const int argument = pending_.front();
        pending_.pop_front();
        const bool changed = rebuild();
        if ((changed || argument == kStartMarker) && OnDeviceChange) {
            OnDeviceChange(*this);
        }
    }
}

THidDeviceController::NoticeHold::NoticeHold(THidDeviceController& controller)
    : controller_(controller) {
    ++controller_.holds_;
}

// An exception on its way out of the operation (a text that is no number)
// still lets the queued notifications run; one that OnDeviceChange throws
// then is dropped, as a destructor must not throw.
THidDeviceController::NoticeHold::~NoticeHold() {
    if (--controller_.holds_ == 0) {
        try {
            controller_.handlePending();
        } catch (...) {
        }
    }
}

// A device that cannot be opened now (gone again, or no permission) is left
// out; it is identified by what enumeration told about it.
bool THidDeviceController::rebuild() {
    std::vector<std::unique_ptr<THidDevice>> found;
    for (HidDeviceInfo& info : backend_.enumerate()) {
        if (!backend_.open(info)) {
            continue;
        }
        found.push_back(std::make_unique<THidDevice>(backend_, std::move(info)));
    }
    auto present = [&found](const std::string& id) {
        return std::any_of(found.begin(), found.end(),
                           [&id](const auto& d) { return d->InstanceId() == id; });
    };

    bool changed = false;
    for (std::size_t i = devices_.size(); i-- > 0;) {
        THidDevice& old = *devices_[i];
        if (!old.pluggedIn_ || present(old.InstanceId())) {
            continue;
        }
        old.pluggedIn_ = false;
        old.CloseFile();
        changed = true;
        if (!old.checkedOut_) {
            devices_.erase(devices_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    for (auto& device : found) {
        const bool known = std::any_of(devices_.begin(), devices_.end(), [&device](const auto& d) {
            return d->pluggedIn_ && d->InstanceId() == device->InstanceId();
        });
        if (!known) {
            devices_.push_back(std::move(device));
            changed = true;
        }
    }
    return changed;
}

THidDevice*
THidDeviceController::CheckOutByCallback(const std::function<bool(THidDevice&)>& accept) {
    for (const auto& device : devices_) {
        if (device->checkedOut_ || !device->pluggedIn_) {
            continue;
        }
        device->inCallback_ = true;
        const bool taken = accept(*device);
        device->inCallback_ = false;
        if (taken) {
            device->checkedOut_ = true;
            return device.get();
        }
        device->CloseFile();
    }
    return nullptr;
}

void THidDeviceController::Release(THidDevice* device) {
    if (device == nullptr) {
        return;
    }
    device->checkedOut_ = false;
    device->CloseFile();
    if (!device->pluggedIn_) {
        devices_.erase(std::remove_if(devices_.begin(), devices_.end(),
                                      [device](const auto& d) { return d.get() == device; }),
                       devices_.end());
    }
}

} // namespace ccp::link
