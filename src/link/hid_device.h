// The HID device layer: a controller that keeps the list of HID devices
// present (in enumeration order), rebuilds it when the system reports that
// devices came or went, and lets the application check one device out; and
// the device object, which identifies itself and reads and writes whole
// reports. A device may be opened only while it is plugged in and either
// checked out or being offered to a check-out predicate.
#pragma once

#include "link/hid_backend.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ccp::link {

class THidDeviceController;

class THidDevice {
public:
    THidDevice(HidBackend& backend, HidDeviceInfo info);

    const std::string& InstanceId() const { return info_.instanceId; }
    const std::string& Path() const { return info_.path; }
    std::uint16_t VendorID() const { return info_.vendorId; }
    std::uint16_t ProductID() const { return info_.productId; }
    std::uint16_t Version() const { return info_.version; }

    bool PluggedIn() const { return pluggedIn_; }
    bool CheckedOut() const { return checkedOut_; }
    bool InCallback() const { return inCallback_; }
    bool Accessible() const { return pluggedIn_ && (checkedOut_ || inCallback_); }

    // The product string, read at the first request and kept; empty when it
    // cannot be read.
    const std::string& GetProductName();
    // Report lengths; zero while the device cannot be opened.
    HidCaps GetCaps();

    // One whole report each; false when the device is not accessible, cannot
    // be opened or the transfer fails. WriteFile first discards the input
    // reports already queued, so a late reply is never taken for the next. ReadFile waits at most
    // `timeoutMs`; `timedOut` tells a jig that did not answer from one that failed.
    bool WriteFile(std::span<const std::uint8_t> report);
    bool ReadFile(std::span<std::uint8_t> report, int timeoutMs, bool* timedOut = nullptr);

    void CloseFile() { handle_.reset(); }
    // Makes the device this program's alone while its file is open; false
    // when another program holds it (or it cannot be opened).
    bool Claim();

private:
    friend class THidDeviceController;

    HidHandle* handle();

    HidBackend& backend_;
    HidDeviceInfo info_;
    std::unique_ptr<HidHandle> handle_;
    std::optional<std::string> productName_;
    std::optional<HidCaps> caps_;
    bool pluggedIn_ = true;
    bool checkedOut_ = false;
    bool inCallback_ = false;
};

class THidDeviceController {
public:
    // The argument of the notification posted at construction; the first
    // rebuild calls OnDeviceChange even when nothing changed.
    static constexpr int kStartMarker = -1;

    explicit THidDeviceController(HidBackend& backend);
    ~THidDeviceController();
    THidDeviceController(const THidDeviceController&) = delete;
    THidDeviceController& operator=(const THidDeviceController&) = delete;

    // A device notification from the message loop: rebuilds the list and
    // calls OnDeviceChange when a device came or went, or for the start
    // marker. The window's event pumping (a progress repaint, a message box)
    // can deliver a notification while an operation talks to the held device
    // or while another notification is handled; such a notification is
    // queued and handled, in order, once the operation or the handling has
    // returned, so nothing an operation holds is destroyed under it.
    void DeviceNotification(int argument);

    // Held while a read, write, comparison or self-test runs: notifications
    // wait in the queue until the last hold ends. Holds nest.
    class NoticeHold {
    public:
        explicit NoticeHold(THidDeviceController& controller);
        ~NoticeHold();
        NoticeHold(const NoticeHold&) = delete;
        NoticeHold& operator=(const NoticeHold&) = delete;

    private:
        THidDeviceController& controller_;
    };
    NoticeHold holdNotices() { return NoticeHold(*this); }
    // Notifications waiting for an operation or a handling to end.
    std::size_t pendingNotices() const { return pending_.size(); }
    // True while a notification would wait rather than run: an operation
    // holds them, or one is being handled.
    bool NoticesWait() const { return holds_ > 0 || handling_; }

    // Offers every device not checked out, in list order, to `accept`; the
    // first accepted is checked out and returned. nullptr when none is.
    THidDevice* CheckOutByCallback(const std::function<bool(THidDevice&)>& accept);
    // Lets go of a checked-out device; one that is no longer plugged in is
    // removed from the list and destroyed.
    void Release(THidDevice* device);

    const std::vector<std::unique_ptr<THidDevice>>& Devices() const { return devices_; }
    HidBackend& backend() { return backend_; }

    std::function<void(THidDeviceController&)> OnDeviceChange;

private:
    bool rebuild();
    void handlePending();

    HidBackend& backend_;
    std::vector<std::unique_ptr<THidDevice>> devices_;
    std::deque<int> pending_;
    int holds_ = 0;
    bool handling_ = false;
};

} // namespace ccp::link
