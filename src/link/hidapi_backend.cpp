#include "link/hidapi_backend.h"

#include "link/report_descriptor.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <future>
#include <linux/hidraw.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <system_error>

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

// How often the wait hook runs while a call waits: often enough for a window
// to repaint and answer the window manager, rare enough to cost nothing.
constexpr int kWaitSliceMs = 40;

class HidrawHandle final : public HidHandle {
public:
    HidrawHandle(HidrawSystem& system, int fd, const ReportDescriptorSummary& summary,
                 std::optional<std::string> product, std::shared_ptr<std::function<void()>> hook)
        : system_(system), fd_(fd), summary_(summary), product_(std::move(product)),
          hook_(std::move(hook)) {}
    ~HidrawHandle() override { system_.close(fd_); }
    HidrawHandle(const HidrawHandle&) = delete;
    HidrawHandle& operator=(const HidrawHandle&) = delete;

    std::optional<std::string> productString() override { return product_; }
    HidCaps caps() override { return summary_.caps; }

    // hidraw's write returns once the device has taken the report off the
    // bus. A device that takes none keeps it waiting in the kernel for the
    // USB core's 5 s control time-out, then it fails with ETIMEDOUT; neither
    // O_NONBLOCK nor a signal shortens that wait. With a wait hook the write
    // therefore runs on a thread of its own while this one runs the hook.
    // One failed write fails its exchange, so a transfer waits that long
    // once, never once per report.
    bool writeReport(std::span<const std::uint8_t> report) override {
        if (report.empty()) {
            return false;
        }
        if (!*hook_) {
            return writeNow(report);
        }
        std::future<bool> written;
        try {
            written = std::async(std::launch::async, [this, report] { return writeNow(report); });
        } catch (const std::system_error&) {
            return writeNow(report); // no thread to be had: wait here
        }
        while (written.wait_for(std::chrono::milliseconds(kWaitSliceMs)) !=
               std::future_status::ready) {
            (*hook_)();
        }
        return written.get();
    }

    // flock(2) works on any open file, a device node too; the lock belongs
    // to this open file and goes when it is closed, by us or by the kernel
    // when the program ends, however it ends. A lock that cannot be taken
    // for want of kernel memory (ENOLCK) leaves the device ours unlocked.
    bool claim() override {
        if (claimed_) {
            return true;
        }
        int result = -1;
        do {
            result = system_.flock(fd_, LOCK_EX | LOCK_NB);
        } while (result != 0 && errno == EINTR);
        if (result != 0 && errno == EWOULDBLOCK) {
            return false;
        }
        claimed_ = true;
        return true;
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
    // With a wait hook the poll waits in slices and the hook runs between.
    Wait waitReadable(Clock::time_point deadline) {
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            const auto left = std::clamp<std::int64_t>(
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count(), 0,
                INT_MAX);
            const bool sliced = *hook_ && left > kWaitSliceMs;
            const int ready = system_.poll(&p, 1, sliced ? kWaitSliceMs : static_cast<int>(left));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready < 0) {
                return Wait::Failed;
            }
            if (ready == 0) {
                if (!sliced) {
                    return Wait::TimedOut;
                }
                (*hook_)();
                continue;
            }
            return (p.revents & POLLIN) != 0 ? Wait::Readable : Wait::Failed;
        }
    }

    bool writeNow(std::span<const std::uint8_t> report) {
        ssize_t written = -1;
        do {
            written = system_.write(fd_, report.data(), report.size());
        } while (written < 0 && errno == EINTR);
        return written >= 0 && static_cast<std::size_t>(written) == report.size();
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
    std::shared_ptr<std::function<void()>> hook_;
    bool claimed_ = false;
};

} // namespace

HidapiBackend::HidapiBackend() : own_(std::make_unique<LinuxHidrawSystem>()), system_(*own_) {
}

HidapiBackend::HidapiBackend(HidrawSystem& system) : system_(system) {
}

void HidapiBackend::setWaitHook(std::function<void()> hook) {
    *waitHook_ = std::move(hook);
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
    return std::make_unique<HidrawHandle>(
        system_, fd, parseReportDescriptor(*descriptor),
        product != products_.end() ? product->second : std::nullopt, waitHook_);
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
