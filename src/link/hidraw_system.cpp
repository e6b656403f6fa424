#include "link/hidraw_system.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <hidapi/hidapi.h>
#include <linux/hidraw.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace ccp::link {
namespace {

namespace fs = std::filesystem;

// /sys/class/hidraw/hidrawN/device for the node /dev/hidrawN.
fs::path sysfsDevice(const std::string& nodePath) {
    return fs::path("/sys/class/hidraw") / fs::path(nodePath).filename() / "device";
}

std::string instanceIdFor(const std::string& nodePath) {
    std::error_code error;
    const fs::path resolved = fs::canonical(sysfsDevice(nodePath), error);
    return error || resolved.empty() ? nodePath : resolved.string();
}

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

LinuxHidrawSystem::LinuxHidrawSystem() : initialised_(hid_init() == 0) {
}

LinuxHidrawSystem::~LinuxHidrawSystem() {
    if (initialised_) {
        hid_exit();
    }
}

std::vector<HidrawInterface> LinuxHidrawSystem::enumerate() {
    std::vector<HidrawInterface> devices;
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
                        [&](const HidrawInterface& known) { return known.info.path == path; })) {
            continue;
        }
        std::optional<std::string> product;
        if (d->product_string != nullptr) {
            product = wideToUtf8(d->product_string);
        }
        devices.push_back({HidDeviceInfo{path, instanceIdFor(path), d->vendor_id, d->product_id,
                                         d->release_number,
                                         d->serial_number != nullptr ? wideToUtf8(d->serial_number)
                                                                     : std::string()},
                           std::move(product)});
    }
    hid_free_enumeration(list);
    return devices;
}

int LinuxHidrawSystem::open(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
}

int LinuxHidrawSystem::ioctl(int fd, unsigned long request, void* argument) {
    return ::ioctl(fd, request, argument);
}

ssize_t LinuxHidrawSystem::read(int fd, void* buffer, std::size_t length) {
    return ::read(fd, buffer, length);
}

ssize_t LinuxHidrawSystem::write(int fd, const void* buffer, std::size_t length) {
    return ::write(fd, buffer, length);
}

int LinuxHidrawSystem::poll(pollfd* fds, nfds_t count, int timeoutMs) {
    return ::poll(fds, count, timeoutMs);
}

int LinuxHidrawSystem::close(int fd) {
    return ::close(fd);
}

int LinuxHidrawSystem::flock(int fd, int operation) {
    return ::flock(fd, operation);
}

std::vector<std::uint8_t> LinuxHidrawSystem::sysfsReportDescriptor(const std::string& path) {
    std::ifstream in(sysfsDevice(path) / "report_descriptor", std::ios::binary);
    std::vector<std::uint8_t> bytes(HID_MAX_DESCRIPTOR_SIZE);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return bytes;
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
