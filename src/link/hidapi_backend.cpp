#include "link/hidapi_backend.h"

#include "link/report_descriptor.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <linux/hidraw.h>
#include <sys/ioctl.h>

namespace ccp::link {
namespace {

// hidraw keeps at most this many input reports per open file; a drain that
// finds more is reading a device that streams, and stops.
constexpr int kMaxQueuedReports = 64;

// Nothing when the node answers no HIDIOCGRDESCSIZE (no hidraw node); empty
// when it has a size but HIDIOCGRDESC fails.
std::optional<std::vector<std::uint8_t>> descriptorFromNode(HidrawSystem& system, int fd) {
    int size = 0;
    if (system.ioctl(fd, HIDIOCGRDESCSIZE, &size) != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    hidraw_report_descriptor descriptor{};
    if (size > 0 && size <= HID_MAX_DESCRIPTOR_SIZE) {
        descriptor.size = static_cast<std::uint32_t>(size);
        if (system.ioctl(fd, HIDIOCGRDESC, &descriptor) == 0) {
            bytes.assign(descriptor.value, descriptor.value + size);
        }
    }
    return bytes;
}

using Clock = std::chrono::steady_clock;

class HidrawHandle final : public HidHandle {
public:
    HidrawHandle(HidrawSystem& system, int fd, const ReportDescriptorSummary& summary,
                 std::optional<std::string> product)
        : system_(system), fd_(fd), summary_(summary), product_(std::move(product)) {}
    ~HidrawHandle() override { system_.close(fd_); }
    HidrawHandle(const HidrawHandle&) = delete;
    HidrawHandle& operator=(const HidrawHandle&) = delete;

    std::optional<std::string> productString() override { return product_; }
    HidCaps caps() override { return summary_.caps; }

    // hidraw sends the buffer as one report, byte 0 the report ID (0 for an
    // unnumbered report, which the kernel drops on the wire).
    bool writeReport(std::span<const std::uint8_t> report) override {
        if (report.empty()) {
            return false;
        }
        ssize_t written = -1;
        do {
            written = system_.write(fd_, report.data(), report.size());
        } while (written < 0 && errno == EINTR);
        return written >= 0 && static_cast<std::size_t>(written) == report.size();
    }

    HidReadResult readReport(std::span<std::uint8_t> report, int timeoutMs) override {
        if (report.size() <= inputReadOffset(summary_.numberedInput)) {
            return HidReadResult::Failed;
        }
        const Clock::time_point deadline =
            Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
        for (;;) {
            switch (waitReadable(deadline)) {
            case Wait::TimedOut:
                return HidReadResult::Timeout;
            case Wait::Failed:
                return HidReadResult::Failed;
            case Wait::Readable:
                break;
            }
            switch (readOne(report)) {
            case Read::Done:
                return HidReadResult::Ok;
            case Read::Failed:
                return HidReadResult::Failed;
            case Read::Again:
                if (Clock::now() >= deadline) {
                    return HidReadResult::Timeout;
                }
                break;
            }
        }
    }

    std::vector<std::vector<std::uint8_t>> discardQueued() override {
        std::vector<std::vector<std::uint8_t>> stale;
        const std::size_t length =
            std::max(summary_.caps.inputReportLength, inputReadOffset(summary_.numberedInput) + 1);
        for (int i = 0; i < kMaxQueuedReports && waitReadable(Clock::now()) == Wait::Readable;
             ++i) {
            std::vector<std::uint8_t> report(length, 0);
            if (readOne(report) != Read::Done) {
                break;
            }
            stale.push_back(std::move(report));
        }
        return stale;
    }

private:
    enum class Wait { Readable, TimedOut, Failed };
    enum class Read { Done, Again, Failed };

    // A node that has gone polls POLLERR|POLLHUP; what it had queued before
    // still polls POLLIN and is read first. A signal ends poll() with EINTR
    // whatever its handler's flags (the kernel never restarts it): the poll
    // is made again for the time left to the deadline, never for the whole
    // time-out, or a steady stream of signals would stretch the wait forever.
    Wait waitReadable(Clock::time_point deadline) {
        pollfd p{fd_, POLLIN, 0};
        int ready = -1;
        do {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            ready =
                system_.poll(&p, 1, static_cast<int>(std::clamp<std::int64_t>(left, 0, INT_MAX)));
        } while (ready < 0 && errno == EINTR);
        if (ready < 0) {
            return Wait::Failed;
        }
        if (ready == 0) {
            return Wait::TimedOut;
        }
        if ((p.revents & POLLIN) != 0) {
            return Wait::Readable;
        }
        return Wait::Failed;
    }

    // One report: a report longer than the buffer is cut (hidraw drops the
    // rest), a shorter one is completed with zeros. End of file, EIO and
    // ENODEV are a device that has gone.
    Read readOne(std::span<std::uint8_t> report) {
        const bool numbered = summary_.numberedInput;
        const std::size_t offset = inputReadOffset(numbered);
        ssize_t received = -1;
        do {
            received = system_.read(fd_, report.data() + offset, report.size() - offset);
        } while (received < 0 && errno == EINTR);
        if (received < 0) {
            return errno == EAGAIN || errno == EWOULDBLOCK ? Read::Again : Read::Failed;
        }
        if (received == 0) {
            return Read::Failed;
        }
        completeInputReport(report, static_cast<std::size_t>(received), numbered);
        return Read::Done;
    }

    HidrawSystem& system_;
    int fd_;
    ReportDescriptorSummary summary_;
    std::optional<std::string> product_;
};

} // namespace

HidapiBackend::HidapiBackend() : own_(std::make_unique<LinuxHidrawSystem>()), system_(*own_) {
}

HidapiBackend::HidapiBackend(HidrawSystem& system) : system_(system) {
}

std::vector<HidDeviceInfo> HidapiBackend::enumerate() {
    std::vector<HidDeviceInfo> devices;
    products_.clear();
    for (HidrawInterface& found : system_.enumerate()) {
        products_[found.info.path] = std::move(found.productString);
        devices.push_back(std::move(found.info));
    }
    return devices;
}

std::unique_ptr<HidHandle> HidapiBackend::open(const HidDeviceInfo& device) {
    if (device.path.empty()) {
        return nullptr;
    }
    const int fd = system_.open(device.path);
    if (fd < 0) {
        return nullptr;
    }
    std::optional<std::vector<std::uint8_t>> descriptor = descriptorFromNode(system_, fd);
    if (!descriptor) {
        system_.close(fd);
        return nullptr;
    }
    if (descriptor->empty()) {
        descriptor = system_.sysfsReportDescriptor(device.path);
    }
    const auto product = products_.find(device.path);
    return std::make_unique<HidrawHandle>(system_, fd, parseReportDescriptor(*descriptor),
                                          product != products_.end() ? product->second
                                                                     : std::nullopt);
}

void completeInputReport(std::span<std::uint8_t> report, std::size_t received, bool numbered) {
    const std::size_t offset = inputReadOffset(numbered);
    const std::size_t end = std::min(report.size(), offset + received);
    std::fill(report.begin() + static_cast<std::ptrdiff_t>(end), report.end(), 0);
    if (!numbered && !report.empty()) {
        report[0] = 0;
    }
}

} // namespace ccp::link
