#include "link/hidapi_backend.h"

#include "link/report_descriptor.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <hidapi/hidapi.h>
#include <linux/hidraw.h>
#include <optional>
#include <sys/ioctl.h>
#include <unistd.h>

namespace ccp::link {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxDescriptorBytes = HID_MAX_DESCRIPTOR_SIZE;
constexpr std::size_t kMaxProductChars = 256;

// /sys/class/hidraw/hidrawN/device for the node /dev/hidrawN.
fs::path sysfsDevice(const std::string& nodePath) {
    return fs::path("/sys/class/hidraw") / fs::path(nodePath).filename() / "device";
}

std::string instanceIdFor(const std::string& nodePath) {
    std::error_code error;
    const fs::path resolved = fs::canonical(sysfsDevice(nodePath), error);
    return error || resolved.empty() ? nodePath : resolved.string();
}

// The descriptor through HIDIOCGRDESC; empty when the ioctl fails. Nothing
// when the node cannot be opened or answers no HIDIOCGRDESCSIZE, i.e. is no
// hidraw node.
std::optional<std::vector<std::uint8_t>> descriptorFromNode(const std::string& nodePath) {
    const int fd = ::open(nodePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return std::nullopt;
    }
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    hidraw_report_descriptor descriptor{};
    if (size > 0 && static_cast<std::size_t>(size) <= kMaxDescriptorBytes) {
        descriptor.size = static_cast<std::uint32_t>(size);
        if (::ioctl(fd, HIDIOCGRDESC, &descriptor) == 0) {
            bytes.assign(descriptor.value, descriptor.value + size);
        }
    }
    ::close(fd);
    return bytes;
}

std::vector<std::uint8_t> descriptorFromSysfs(const std::string& nodePath) {
    std::ifstream in(sysfsDevice(nodePath) / "report_descriptor", std::ios::binary);
    std::vector<std::uint8_t> bytes(kMaxDescriptorBytes);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return bytes;
}

class HidapiHandle final : public HidHandle {
public:
    HidapiHandle(hid_device* device, const ReportDescriptorSummary& summary)
        : device_(device), summary_(summary) {}
    ~HidapiHandle() override { hid_close(device_); }
    HidapiHandle(const HidapiHandle&) = delete;
    HidapiHandle& operator=(const HidapiHandle&) = delete;

    std::optional<std::string> productString() override {
        wchar_t text[kMaxProductChars] = {};
        if (hid_get_product_string(device_, text, kMaxProductChars) != 0) {
            return std::nullopt;
        }
        text[kMaxProductChars - 1] = L'\0';
        return wideToUtf8(text);
    }

    HidCaps caps() override { return summary_.caps; }

    bool writeReport(std::span<const std::uint8_t> report) override {
        if (report.empty()) {
            return false;
        }
        const int written = hid_write(device_, report.data(), report.size());
        return written >= 0 && static_cast<std::size_t>(written) == report.size();
    }

    HidReadResult readReport(std::span<std::uint8_t> report, int timeoutMs) override {
        const bool numbered = summary_.numberedReports;
        const std::size_t offset = inputReadOffset(numbered);
        if (report.size() <= offset) {
            return HidReadResult::Failed;
        }
        // A negative time-out would make hidapi wait for ever.
        const int received = hid_read_timeout(device_, report.data() + offset,
                                              report.size() - offset, std::max(timeoutMs, 0));
        if (received < 0) {
            return HidReadResult::Failed;
        }
        if (received == 0) {
            return HidReadResult::Timeout;
        }
        completeInputReport(report, static_cast<std::size_t>(received), numbered);
        return HidReadResult::Ok;
    }

private:
    hid_device* device_;
    ReportDescriptorSummary summary_;
};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

HidapiBackend::HidapiBackend() : initialised_(hid_init() == 0) {
}

HidapiBackend::~HidapiBackend() {
    if (initialised_) {
        hid_exit();
    }
}

std::vector<HidDeviceInfo> HidapiBackend::enumerate() {
    std::vector<HidDeviceInfo> devices;
    if (!initialised_) {
        return devices;
    }
    hid_device_info* list = hid_enumerate(0, 0);
    for (const hid_device_info* d = list; d != nullptr; d = d->next) {
        if (d->path == nullptr || *d->path == '\0') {
            continue;
        }
        // hidapi lists an interface once per top-level collection.
        const std::string path = d->path;
        if (std::any_of(devices.begin(), devices.end(),
                        [&](const HidDeviceInfo& known) { return known.path == path; })) {
            continue;
        }
        devices.push_back(HidDeviceInfo{path, instanceIdFor(path), d->vendor_id, d->product_id,
                                        d->release_number});
    }
    hid_free_enumeration(list);
    return devices;
}

std::unique_ptr<HidHandle> HidapiBackend::open(const HidDeviceInfo& device) {
    if (!initialised_ || device.path.empty()) {
        return nullptr;
    }
    // hidapi 0.13 loses its handle when given a node that is no hidraw node,
    // so that is ruled out before it sees the path.
    std::optional<std::vector<std::uint8_t>> descriptor = descriptorFromNode(device.path);
    if (!descriptor) {
        return nullptr;
    }
    if (descriptor->empty()) {
        descriptor = descriptorFromSysfs(device.path);
    }
    hid_device* handle = hid_open_path(device.path.c_str());
    if (handle == nullptr) {
        return nullptr;
    }
    return std::make_unique<HidapiHandle>(handle, parseReportDescriptor(*descriptor));
}

void completeInputReport(std::span<std::uint8_t> report, std::size_t received, bool numbered) {
    const std::size_t offset = inputReadOffset(numbered);
    const std::size_t end = std::min(report.size(), offset + received);
    std::fill(report.begin() + static_cast<std::ptrdiff_t>(end), report.end(), 0);
    if (!numbered && !report.empty()) {
        report[0] = 0;
    }
}

std::string wideToUtf8(std::wstring_view text) {
    std::string out;
    for (const wchar_t w : text) {
        const auto c = static_cast<char32_t>(w);
        const bool scalar = c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        appendUtf8(out, scalar ? c : char32_t{0xFFFD});
    }
    return out;
}

} // namespace ccp::link
