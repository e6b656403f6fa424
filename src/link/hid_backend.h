// The seam to the operating system's HID services: which HID device
// interfaces are present with their identity and attributes, opening one for
// report transfers, and a descriptor that becomes readable when devices
// arrive or leave. The Linux back-end sits on hidraw; tests use a simulated
// back-end with virtual devices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ccp::link {

struct HidDeviceInfo {
    std::string path;       // what open() takes, e.g. /dev/hidraw3
    std::string instanceId; // the same physical interface across rescans
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t version = 0; // the HID release number
    std::string serial = {};   // the USB serial number; empty when it has none
};

// Report lengths in bytes, the report ID byte included (a device without
// numbered reports still counts one byte for ID 0). 0 when unknown.
struct HidCaps {
    std::size_t inputReportLength = 0;
    std::size_t outputReportLength = 0;
};

enum class HidReadResult { Ok, Timeout, Failed };

// One open device. Every call fails cleanly once the device is gone.
class HidHandle {
public:
    virtual ~HidHandle() = default;
    // The USB product string as UTF-8; nothing when it cannot be read.
    virtual std::optional<std::string> productString() = 0;
    virtual HidCaps caps() = 0;
    // Sends one whole output report, byte 0 the report ID. False on failure.
    virtual bool writeReport(std::span<const std::uint8_t> report) = 0;
    // Waits at most `timeoutMs` for one input report and stores it with its
    // report ID in byte 0, whatever the kernel hands back; bytes past what
    // arrived are zero.
    virtual HidReadResult readReport(std::span<std::uint8_t> report, int timeoutMs) = 0;
    // Takes, without waiting, every input report already queued for this
    // handle (a reply that came after its read had timed out) and returns
    // them as readReport would have stored them, oldest first.
    virtual std::vector<std::vector<std::uint8_t>> discardQueued() = 0;
    // Makes the device this program's alone for as long as the handle is
    // open. False when another program holds it: every program on a device
    // gets every input report, so two would read each other's replies.
    virtual bool claim() = 0;
};

class HidBackend {
public:
    virtual ~HidBackend() = default;
    // Present HID interfaces in enumeration order; an interface whose
    // attributes cannot be read is left out.
    virtual std::vector<HidDeviceInfo> enumerate() = 0;
    // nullptr when the device cannot be opened (gone, or no permission).
    virtual std::unique_ptr<HidHandle> open(const HidDeviceInfo& device) = 0;
    // A descriptor that polls readable when HID devices arrive or leave;
    // -1 when the back-end offers none.
    virtual int notificationFd() = 0;
    // Consumes what is pending on notificationFd(); true when the set of
    // devices may have changed.
    virtual bool drainNotifications() = 0;
    // Called every few tens of milliseconds while a write or a read of one
    // of its handles waits on the system, so that a window can keep its
    // event loop turning; back-ends whose calls never wait in real time
    // ignore it.
    virtual void setWaitHook(std::function<void()> hook) { (void)hook; }
};

} // namespace ccp::link
