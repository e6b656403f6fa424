// A HidBackend for tests and the virtual pager: virtual HID devices that
// tests plug and unplug. Each output report a device takes may queue input
// reports as its answer, arriving after the device's answer delay; a read
// waits on the clock (virtual time in tests) for the next one or, when none
// arrives in time, sleeps out its time-out and leaves a late answer queued,
// as hidraw does. Every report can be watched on its way, for traces.
#pragma once

#include "link/clock.h"
#include "link/hid_backend.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ccp::sim {

using Report = std::vector<std::uint8_t>;

class VirtualHidDevice {
public:
    virtual ~VirtualHidDevice() = default;
    virtual std::uint16_t vendorId() const = 0;
    virtual std::uint16_t productId() const = 0;
    virtual std::uint16_t version() const = 0;
    virtual std::optional<std::string> productString() const = 0;
    // The USB serial number; empty: the device has none.
    virtual std::string serialNumber() const { return {}; }
    virtual link::HidCaps caps() const = 0;
    // False: the device cannot be opened (no permission).
    virtual bool opens() const { return true; }
    // The answer to one output report: zero or more input reports.
    virtual std::vector<Report> onOutputReport(std::span<const std::uint8_t> report) = 0;
    // How long after the output report its answer arrives.
    virtual std::uint64_t answerDelayUs(std::span<const std::uint8_t> /*report*/) const {
        return 0;
    }
};

// A HID device that is not a jig: it answers nothing.
class ForeignHidDevice final : public VirtualHidDevice {
public:
    ForeignHidDevice(std::uint16_t vendor, std::uint16_t product, std::string name,
                     std::uint16_t version = 1, link::HidCaps caps = {9, 2}, bool opens = true)
        : vendor_(vendor), product_(product), version_(version), name_(std::move(name)),
          caps_(caps), opens_(opens) {}
    std::uint16_t vendorId() const override { return vendor_; }
    std::uint16_t productId() const override { return product_; }
    std::uint16_t version() const override { return version_; }
    std::optional<std::string> productString() const override { return name_; }
    link::HidCaps caps() const override { return caps_; }
    bool opens() const override { return opens_; }
    std::vector<Report> onOutputReport(std::span<const std::uint8_t>) override { return {}; }

private:
    std::uint16_t vendor_, product_, version_;
    std::string name_;
    link::HidCaps caps_;
    bool opens_;
};

class SimulatedHidBackend final : public link::HidBackend {
public:
    // `clock` takes the sleeps of reads that time out.
    explicit SimulatedHidBackend(link::Clock& clock) : clock_(clock) {}

    // The device outlives the backend or is unplugged first. Plugging a
    // device that is plugged changes nothing.
    void plug(VirtualHidDevice& device);
    void unplug(VirtualHidDevice& device);
    // The device goes away once it has taken `reports` more output reports.
    void unplugAfter(VirtualHidDevice& device, std::size_t reports);
    bool plugged(const VirtualHidDevice& device) const;

    std::vector<link::HidDeviceInfo> enumerate() override;
    std::unique_ptr<link::HidHandle> open(const link::HidDeviceInfo& device) override;
    int notificationFd() override { return -1; }
    bool drainNotifications() override;

    // Called with every report written (`out` true) and read, and with an
    // empty report for a read that timed out.
    std::function<void(bool out, std::span<const std::uint8_t> report)> onReport;

private:
    friend class SimulatedHidHandle;

    struct Slot {
        VirtualHidDevice* device;
        std::size_t serial; // instance number, new at every plug
        bool plugged;
        std::size_t reportsLeft;
        struct Arrival {
            Report report;
            std::uint64_t atUs;
        };
        std::deque<Arrival> pending;
        const void* claimedBy; // the handle that holds the device, or nullptr
    };

    Slot* find(std::size_t serial);

    link::Clock& clock_;
    std::vector<Slot> slots_;
    std::size_t nextSerial_ = 0;
    bool changed_ = false;
};

} // namespace ccp::sim
