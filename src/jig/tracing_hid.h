// A HID back-end that writes down every report its devices pass, one line
// each, in order: "T OUT HEX" for a report written, "T IN HEX" for a report
// read, "T TIMEOUT" for a read that no report answered in time and
// "T STALE HEX" for a late report discarded before the next write. T is in
// microseconds since the trace began on the run's clock: when a write began,
// when a read returned. HEX is the whole report, report ID first, two
// lower-case digits a byte. A write the device failed ends with " failed"; a
// read it failed is "T IN -- failed". Scans, opening and notices are not
// written.
#pragma once

#include "link/clock.h"
#include "link/hid_backend.h"

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string_view>

namespace ccp::jig {

class TracingHidBackend final : public link::HidBackend {
public:
    // All three outlive the object and the handles it opens; time 0 is the
    // clock's time now.
    TracingHidBackend(link::HidBackend& backend, const link::Clock& clock, std::ostream& out);

    std::vector<link::HidDeviceInfo> enumerate() override { return backend_.enumerate(); }
    std::unique_ptr<link::HidHandle> open(const link::HidDeviceInfo& device) override;
    int notificationFd() override { return backend_.notificationFd(); }
    bool drainNotifications() override { return backend_.drainNotifications(); }
    void setWaitHook(std::function<void()> hook) override { backend_.setWaitHook(std::move(hook)); }

    std::uint64_t sinceStartUs() const { return clock_.nowUs() - startUs_; }
    // One line: T, the kind, the report's bytes when there are any, and
    // " failed" when the device failed the transfer.
    void line(std::uint64_t timeUs, std::string_view kind, std::span<const std::uint8_t> report,
              bool failed);

private:
    link::HidBackend& backend_;
    const link::Clock& clock_;
    std::ostream& out_;
    std::uint64_t startUs_;
};

} // namespace ccp::jig
