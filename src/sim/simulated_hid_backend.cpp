#include "sim/simulated_hid_backend.h"

#include <algorithm>

namespace ccp::sim {

namespace {

constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();
constexpr const char* kPathPrefix = "/sim/hidraw";

} // namespace

class SimulatedHidHandle final : public link::HidHandle {
public:
    SimulatedHidHandle(SimulatedHidBackend& backend, std::size_t serial)
        : backend_(backend), serial_(serial) {}
    ~SimulatedHidHandle() override {
        for (SimulatedHidBackend::Slot& slot : backend_.slots_) {
            if (slot.serial == serial_ && slot.claimedBy == this) {
                slot.claimedBy = nullptr;
            }
        }
    }
    SimulatedHidHandle(const SimulatedHidHandle&) = delete;
    SimulatedHidHandle& operator=(const SimulatedHidHandle&) = delete;

    std::optional<std::string> productString() override {
        const auto* slot = backend_.find(serial_);
        return slot != nullptr ? slot->device->productString() : std::nullopt;
    }

    link::HidCaps caps() override {
        const auto* slot = backend_.find(serial_);
        return slot != nullptr ? slot->device->caps() : link::HidCaps{};
    }

    bool writeReport(std::span<const std::uint8_t> report) override {
        auto* slot = backend_.find(serial_);
        if (slot == nullptr) {
            return false;
        }
        if (backend_.onReport) {
            backend_.onReport(true, report);
        }
        const std::uint64_t atUs = backend_.clock_.nowUs() + slot->device->answerDelayUs(report);
        for (Report& answer : slot->device->onOutputReport(report)) {
            slot->pending.push_back({std::move(answer), atUs});
        }
        if (slot->reportsLeft != kNoLimit && --slot->reportsLeft == 0) {
            slot->plugged = false;
            backend_.changed_ = true;
        }
        return true;
    }

    link::HidReadResult readReport(std::span<std::uint8_t> report, int timeoutMs) override {
        auto* slot = backend_.find(serial_);
        if (slot == nullptr) {
            return link::HidReadResult::Failed;
        }
        link::Clock& clock = backend_.clock_;
        const std::uint64_t timeoutUs = static_cast<std::uint64_t>(std::max(timeoutMs, 0)) * 1000;
        if (slot->pending.empty() || slot->pending.front().atUs > clock.nowUs() + timeoutUs) {
            clock.sleepMs(static_cast<unsigned>(std::max(timeoutMs, 0)));
            if (backend_.onReport) {
                backend_.onReport(false, {});
            }
            return link::HidReadResult::Timeout;
        }
        // A read on a real node sleeps in poll() until the reply comes: the
        // reply's whole milliseconds are slept, so that jigs waiting at once
        // do not hold the processors, and only the rest is waited out.
        const std::uint64_t atUs = slot->pending.front().atUs;
        if (atUs > clock.nowUs()) {
            clock.sleepMs(static_cast<unsigned>((atUs - clock.nowUs()) / 1000));
        }
        if (atUs > clock.nowUs()) {
            clock.busyWaitUs(atUs - clock.nowUs());
        }
        take(*slot, report);
        if (backend_.onReport) {
            backend_.onReport(false, report);
        }
        return link::HidReadResult::Ok;
    }

    std::vector<Report> discardQueued() override {
        std::vector<Report> out;
        auto* slot = backend_.find(serial_);
        while (slot != nullptr && !slot->pending.empty() &&
               slot->pending.front().atUs <= backend_.clock_.nowUs()) {
            Report report(slot->device->caps().inputReportLength, 0);
            take(*slot, report);
            out.push_back(std::move(report));
        }
        return out;
    }

    // One handle of a device holds it at a time, as one program does a
    // real jig.
    bool claim() override {
        auto* slot = backend_.find(serial_);
        if (slot == nullptr) {
            return true; // gone: every transfer fails anyway
        }
        if (slot->claimedBy != nullptr && slot->claimedBy != this) {
            return false;
        }
        slot->claimedBy = this;
        return true;
    }

private:
    static void take(SimulatedHidBackend::Slot& slot, std::span<std::uint8_t> report) {
        const Report answer = std::move(slot.pending.front().report);
        slot.pending.pop_front();
        std::fill(report.begin(), report.end(), 0);
        std::copy_n(answer.begin(), std::min(answer.size(), report.size()), report.begin());
    }

    SimulatedHidBackend& backend_;
    std::size_t serial_;
};

SimulatedHidBackend::Slot* SimulatedHidBackend::find(std::size_t serial) {
    for (Slot& slot : slots_) {
        if (slot.serial == serial && slot.plugged) {
            return &slot;
        }
    }
    return nullptr;
}

void SimulatedHidBackend::plug(VirtualHidDevice& device) {
    if (plugged(device)) {
        return;
    }
    slots_.push_back(Slot{&device, nextSerial_++, true, kNoLimit, {}, nullptr});
    changed_ = true;
}

void SimulatedHidBackend::unplug(VirtualHidDevice& device) {
    for (Slot& slot : slots_) {
        if (slot.device == &device && slot.plugged) {
            slot.plugged = false;
            changed_ = true;
        }
    }
}

void SimulatedHidBackend::unplugAfter(VirtualHidDevice& device, std::size_t reports) {
    for (Slot& slot : slots_) {
        if (slot.device == &device && slot.plugged) {
            slot.reportsLeft = reports;
        }
    }
}

bool SimulatedHidBackend::plugged(const VirtualHidDevice& device) const {
    return std::any_of(slots_.begin(), slots_.end(), [&device](const Slot& slot) {
        return slot.device == &device && slot.plugged;
    });
}

std::vector<link::HidDeviceInfo> SimulatedHidBackend::enumerate() {
    std::vector<link::HidDeviceInfo> out;
    for (const Slot& slot : slots_) {
        if (!slot.plugged) {
            continue;
        }
        const std::string number = std::to_string(slot.serial);
        out.push_back(link::HidDeviceInfo{kPathPrefix + number, "sim-" + number,
                                          slot.device->vendorId(), slot.device->productId(),
                                          slot.device->version(), slot.device->serialNumber()});
    }
    return out;
}

std::unique_ptr<link::HidHandle> SimulatedHidBackend::open(const link::HidDeviceInfo& device) {
    for (const Slot& slot : slots_) {
        if (slot.plugged && kPathPrefix + std::to_string(slot.serial) == device.path) {
            if (!slot.device->opens()) {
                return nullptr;
            }
            return std::make_unique<SimulatedHidHandle>(*this, slot.serial);
        }
    }
    return nullptr;
}

bool SimulatedHidBackend::drainNotifications() {
    const bool changed = changed_;
    changed_ = false;
    return changed;
}

} // namespace ccp::sim
