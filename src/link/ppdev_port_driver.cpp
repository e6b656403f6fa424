#include "link/ppdev_port_driver.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace ccp::link {

PpdevPortDriver::PpdevPortDriver(std::string nodePrefix) : prefix_(std::move(nodePrefix)) {
}

PpdevPortDriver::~PpdevPortDriver() {
    shutdown();
}

std::string PpdevPortDriver::nodePath(std::size_t node) const {
    return prefix_ + std::to_string(node);
}

bool PpdevPortDriver::isClaimed(std::size_t node) const {
    return node < nodes_.size() && nodes_[node].fd >= 0;
}

bool PpdevPortDriver::initialise() {
    shutdown();
    initialised_ = claim(0);
    return initialised_;
}

void PpdevPortDriver::shutdown() {
    for (std::size_t node = 0; node < nodes_.size(); ++node) {
        release(node);
        nodes_[node].tried = false;
    }
    initialised_ = false;
}

std::optional<std::uint8_t> PpdevPortDriver::read(std::uint16_t port) {
    Target t{};
    if (!target(port, t)) {
        return std::nullopt;
    }
    unsigned long request = PPRDATA;
    if (t.reg == PortRegister::Status) {
        request = PPRSTATUS;
    } else if (t.reg == PortRegister::Control) {
        request = PPRCONTROL;
    }
    std::uint8_t value = 0;
    if (!control(nodes_[t.node].fd, request, &value)) {
        return std::nullopt;
    }
    return value;
}

bool PpdevPortDriver::write(std::uint16_t port, std::uint8_t value) {
    Target t{};
    if (!target(port, t) || t.reg == PortRegister::Status) {
        return false;
    }
    const unsigned long request = t.reg == PortRegister::Data ? PPWDATA : PPWCONTROL;
    return control(nodes_[t.node].fd, request, &value);
}

bool PpdevPortDriver::target(std::uint16_t port, Target& out) {
    if (!initialised_) {
        return false;
    }
    for (std::size_t node = 0; node < kLptBases.size(); ++node) {
        const std::uint16_t base = kLptBases[node];
        if (port < base || port >= base + kPortRegisterCount) {
            continue;
        }
        if (nodes_[node].fd < 0 && !nodes_[node].tried) {
            claim(node);
        }
        if (nodes_[node].fd < 0) {
            return false;
        }
        out = Target{node, static_cast<PortRegister>(port - base)};
        return true;
    }
    return false;
}

bool PpdevPortDriver::claim(std::size_t node) {
    Node& n = nodes_[node];
    n.tried = true;
    const std::string path = nodePath(node);
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        lastError_ = errno;
        return false;
    }
    // ppdev nodes are character devices; anything else cannot take PPCLAIM.
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        lastError_ = errno;
        ::close(fd);
        return false;
    }
    if (!S_ISCHR(info.st_mode)) {
        lastError_ = ENOTTY;
        ::close(fd);
        return false;
    }
    if (::ioctl(fd, PPCLAIM) != 0) {
        lastError_ = errno;
        ::close(fd);
        return false;
    }
    n.fd = fd;
    return true;
}

void PpdevPortDriver::release(std::size_t node) {
    Node& n = nodes_[node];
    if (n.fd < 0) {
        return;
    }
    if (::ioctl(n.fd, PPRELEASE) != 0) {
        lastError_ = errno;
    }
    if (::close(n.fd) != 0) {
        lastError_ = errno;
    }
    n.fd = -1;
}

bool PpdevPortDriver::control(int fd, unsigned long request, std::uint8_t* value) {
    unsigned char byte = *value;
    if (::ioctl(fd, request, &byte) != 0) {
        lastError_ = errno;
        return false;
    }
    *value = byte;
    return true;
}

} // namespace ccp::link
