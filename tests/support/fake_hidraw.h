// A fake hidraw node for the hidraw back-end's tests: a HidrawSystem whose
// nodes are SOCK_SEQPACKET socket pairs, which keep report boundaries as
// hidraw does (a read takes one report, cut to the buffer). A virtual HID
// device sits on the far end and answers each output report at once. Like
// the kernel, the node hands every input report to every open file of it,
// whoever wrote the command; drops the ID byte of unnumbered input reports;
// answers HIDIOCGRDESCSIZE and HIDIOCGRDESC with a descriptor for the
// device's report lengths; keeps an flock per node, held by one open file
// and gone when that file is closed; lets a write to a device that takes no
// output reports wait the USB core's time-out and fail with ETIMEDOUT; and
// once the device is unplugged answers EIO to reads of an empty queue, ENODEV
// to writes and ioctls, and POLLERR|POLLHUP to polls; open() of a node that
// has gone fails with ENOENT. Plugging and unplugging make the notification
// descriptor readable. Every call may come from any thread, as the kernel's.
#pragma once

#include "link/hidraw_system.h"
#include "sim/simulated_hid_backend.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <linux/hidraw.h>
#include <map>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ccp::testing {

// A vendor-defined collection with one input and one output report of the
// device's lengths (less the ID byte), under report ID `id` when non-zero,
// then an 8-byte feature report under `featureId` when that is non-zero.
inline std::vector<std::uint8_t> vendorReportDescriptor(link::HidCaps caps, std::uint8_t id,
                                                        std::uint8_t featureId = 0) {
    auto count = [](std::size_t length) {
        const auto n = static_cast<std::uint16_t>(length - 1);
        return std::vector<std::uint8_t>{0x96, static_cast<std::uint8_t>(n & 0xFF),
                                         static_cast<std::uint8_t>(n >> 8)};
    };
    std::vector<std::uint8_t> d{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};
    if (id != 0)
        d.insert(d.end(), {0x85, id});
    d.insert(d.end(), {0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08});
    for (auto [length, main] : {std::pair{caps.inputReportLength, std::uint8_t{0x81}},
                                std::pair{caps.outputReportLength, std::uint8_t{0x91}}}) {
        const auto c = count(length);
        d.insert(d.end(), c.begin(), c.end());
        d.insert(d.end(), {0x09, 0x01, main, 0x02});
    }
    if (featureId != 0)
        d.insert(d.end(), {0x85, featureId, 0x95, 0x08, 0x09, 0x01, 0xB1, 0x02});
    d.push_back(0xC0);
    return d;
}

class FakeHidraw final : public link::HidrawSystem {
public:
    FakeHidraw() {
        int fds[2];
        if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
            noticeRead_ = fds[0];
            noticeWrite_ = fds[1];
        }
    }
    ~FakeHidraw() override {
        const std::lock_guard lock(mutex_);
        for (auto& [fd, open] : open_) {
            ::close(fd);
            ::close(open.peer);
        }
        ::close(noticeRead_);
        ::close(noticeWrite_);
    }
    FakeHidraw(const FakeHidraw&) = delete;
    FakeHidraw& operator=(const FakeHidraw&) = delete;

    // A new node for `device`; `reportId` non-zero numbers its input and
    // output reports, `featureId` non-zero adds a feature report of that ID.
    void plug(sim::VirtualHidDevice& device, std::uint8_t reportId = 0,
              std::uint8_t featureId = 0) {
        const std::lock_guard lock(mutex_);
        const std::string n = std::to_string(nodes_.size());
        nodes_.push_back({&device,
                          "/dev/fake-hidraw" + n,
                          "fake-usb-1-" + n,
                          reportId,
                          featureId,
                          true,
                          -1,
                          {}});
        notify();
    }
    void unplug(sim::VirtualHidDevice& device) {
        const std::lock_guard lock(mutex_);
        for (Node& node : nodes_)
            if (node.device == &device)
                node.present = false;
        notify();
    }
    // The answer to the `n`-th output report from now (0 = the next)
    // arrives late: a jig that answers just after the time-out. With
    // `landsAtWrite` 0 it lands once a read has waited for it in vain,
    // before the next command's drain; with k it lands when the k-th report
    // after it is written, after that command's drain and ahead of its own
    // answer, as it can on a real bus.
    void answerLate(std::size_t n, std::size_t landsAtWrite = 0) {
        const std::lock_guard lock(mutex_);
        lateAt_ = written_ + n;
        landsAtWrite_ = landsAtWrite;
    }
    // The device takes no output reports: every write to it waits the USB
    // core's time-out (USB_CTRL_SET_TIMEOUT, 5 s) and fails with ETIMEDOUT.
    void takeNoOutputReports(sim::VirtualHidDevice& device) {
        const std::lock_guard lock(mutex_);
        for (Node& node : nodes_)
            if (node.device == &device)
                node.takesOutput = false;
    }
    // That time-out, shortened so that tests stay short.
    void setUsbTimeoutMs(int ms) { usbTimeoutMs_ = ms; }
    // A signal every `everyMs` while a poll waits, `count` of them: each
    // ends that poll with EINTR, as poll() always does after a handler ran.
    void interruptPolls(int everyMs, std::size_t count) {
        const std::lock_guard lock(mutex_);
        interruptMs_ = everyMs;
        interruptsLeft_ = count;
    }
    std::size_t interruptsLeft() const {
        const std::lock_guard lock(mutex_);
        return interruptsLeft_;
    }
    // Open descriptors of all nodes, so tests can see that none leaks.
    std::size_t openCount() const {
        const std::lock_guard lock(mutex_);
        return open_.size();
    }

    // Runs at the start of every write, before the report reaches the
    // device: another program's command can be put there.
    std::function<void()> beforeWrite;

    std::vector<link::HidrawInterface> enumerate() override {
        const std::lock_guard lock(mutex_);
        std::vector<link::HidrawInterface> out;
        for (const Node& node : nodes_)
            if (node.present)
                out.push_back({{node.path, node.id, node.device->vendorId(),
                                node.device->productId(), node.device->version()},
                               node.device->productString()});
        return out;
    }

    int open(const std::string& path) override {
        const std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < nodes_.size(); ++i) {
            if (nodes_[i].path != path || !nodes_[i].present)
                continue;
            int fds[2];
            if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) != 0)
                return -1;
            open_[fds[0]] = Open{i, fds[1]};
            return fds[0];
        }
        errno = ENOENT;
        return -1;
    }

    int ioctl(int fd, unsigned long request, void* argument) override {
        const std::lock_guard lock(mutex_);
        Node* node = nodeOf(fd);
        if (node == nullptr || !node->present) {
            errno = ENODEV;
            return -1;
        }
        const auto descriptor =
            vendorReportDescriptor(node->device->caps(), node->reportId, node->featureId);
        if (request == HIDIOCGRDESCSIZE) {
            *static_cast<int*>(argument) = static_cast<int>(descriptor.size());
            return 0;
        }
        if (request == HIDIOCGRDESC) {
            auto* out = static_cast<hidraw_report_descriptor*>(argument);
            std::memcpy(out->value, descriptor.data(),
                        std::min<std::size_t>(out->size, descriptor.size()));
            return 0;
        }
        errno = EINVAL;
        return -1;
    }

    ssize_t read(int fd, void* buffer, std::size_t length) override {
        const std::lock_guard lock(mutex_);
        Node* node = nodeOf(fd);
        const ssize_t n = ::recv(fd, buffer, length, MSG_DONTWAIT);
        if (n < 0 && errno == EAGAIN && node != nullptr && !node->present)
            errno = EIO;
        return n;
    }

    // hidraw_write waits, uninterruptibly and whatever O_NONBLOCK says, for
    // usb_interrupt_msg: until the device takes the report, or the time-out.
    ssize_t write(int fd, const void* buffer, std::size_t length) override {
        if (beforeWrite)
            beforeWrite();
        std::unique_lock lock(mutex_);
        Node* node = nodeOf(fd);
        if (node == nullptr || !node->present) {
            errno = ENODEV;
            return -1;
        }
        if (!node->takesOutput) {
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(usbTimeoutMs_));
            errno = ETIMEDOUT;
            return -1;
        }
        const ssize_t n = ::send(fd, buffer, length, MSG_NOSIGNAL);
        if (n > 0)
            answer(open_.at(fd), *node);
        return n;
    }

    // The wait itself runs unlocked, as a reader sleeps in the kernel.
    int poll(pollfd* fds, nfds_t count, int timeoutMs) override {
        std::unique_lock lock(mutex_);
        Node* node = count == 1 ? nodeOf(fds[0].fd) : nullptr;
        const bool gone = node != nullptr && !node->present;
        if (!gone && interruptsLeft_ > 0 && (timeoutMs < 0 || timeoutMs > interruptMs_)) {
            const int every = interruptMs_;
            lock.unlock();
            const int ready = ::poll(fds, count, every);
            if (ready != 0)
                return ready;
            lock.lock();
            --interruptsLeft_;
            errno = EINTR;
            return -1;
        }
        if (gone) {
            ::poll(fds, count, 0);
            fds[0].revents |= POLLERR | POLLHUP;
            return 1;
        }
        lock.unlock();
        const int ready = ::poll(fds, count, timeoutMs);
        lock.lock();
        node = count == 1 ? nodeOf(fds[0].fd) : nullptr;
        if (ready == 0 && node != nullptr && landsAtWrite_ == 0)
            deliverHeld(*node);
        return ready;
    }

    // Closing the file drops its lock, as the kernel does at the last close
    // of the file, a program's end included.
    int close(int fd) override {
        const std::lock_guard lock(mutex_);
        const auto found = open_.find(fd);
        if (found == open_.end())
            return ::close(fd);
        Node& node = nodes_[found->second.node];
        if (node.lockedBy == fd)
            node.lockedBy = -1;
        ::close(found->second.peer);
        open_.erase(found);
        return ::close(fd);
    }

    // flock(2): one exclusive lock per node, held by one open file.
    int flock(int fd, int operation) override {
        const std::lock_guard lock(mutex_);
        Node* node = nodeOf(fd);
        if (node == nullptr) {
            errno = EBADF;
            return -1;
        }
        if ((operation & ~LOCK_NB) == LOCK_UN) {
            if (node->lockedBy == fd)
                node->lockedBy = -1;
            return 0;
        }
        if ((operation & ~LOCK_NB) != LOCK_EX) {
            errno = EINVAL;
            return -1;
        }
        if (node->lockedBy != -1 && node->lockedBy != fd) {
            errno = EWOULDBLOCK; // the test never asks to wait
            return -1;
        }
        node->lockedBy = fd;
        return 0;
    }

    std::vector<std::uint8_t> sysfsReportDescriptor(const std::string&) override { return {}; }
    int notificationFd() override { return noticeRead_; }
    bool drainNotifications() override {
        const std::lock_guard lock(mutex_);
        char bytes[64];
        bool any = false;
        while (::read(noticeRead_, bytes, sizeof bytes) > 0)
            any = true;
        return any;
    }

private:
    struct Node {
        sim::VirtualHidDevice* device;
        std::string path;
        std::string id;
        std::uint8_t reportId;
        std::uint8_t featureId;
        bool present;
        int lockedBy;                               // the open file that holds the flock, or -1
        std::deque<std::vector<std::uint8_t>> held; // late answers
        bool takesOutput = true;
    };
    struct Open {
        std::size_t node;
        int peer;
    };

    Node* nodeOf(int fd) {
        const auto found = open_.find(fd);
        return found == open_.end() ? nullptr : &nodes_[found->second.node];
    }

    void notify() { [[maybe_unused]] const ssize_t n = ::write(noticeWrite_, "!", 1); }

    // hidraw_report_event: a copy of the report for every open file of the
    // node.
    void deliver(std::size_t node, const std::vector<std::uint8_t>& report) {
        for (const auto& [fd, open] : open_)
            if (open.node == node)
                ::send(open.peer, report.data(), report.size(), MSG_NOSIGNAL);
    }
    void deliverHeld(Node& node) {
        const auto index = static_cast<std::size_t>(&node - nodes_.data());
        for (const auto& report : node.held)
            deliver(index, report);
        node.held.clear();
    }

    // The device's side: takes the report off the wire and queues its
    // answers on the node, without the ID byte when reports are unnumbered.
    void answer(Open& open, Node& node) {
        std::vector<std::uint8_t> report(4096);
        const ssize_t n = ::recv(open.peer, report.data(), report.size(), MSG_DONTWAIT);
        if (n <= 0)
            return;
        report.resize(static_cast<std::size_t>(n));
        if (!node.held.empty() && landsAtWrite_ > 0 && --writesToLanding_ == 0)
            deliverHeld(node);
        const bool late = written_++ == lateAt_;
        if (late)
            writesToLanding_ = landsAtWrite_;
        for (std::vector<std::uint8_t> reply : node.device->onOutputReport(report)) {
            if (node.reportId != 0)
                reply[0] = node.reportId;
            else
                reply.erase(reply.begin());
            if (late)
                node.held.push_back(std::move(reply));
            else
                deliver(open.node, reply);
        }
    }

    std::vector<Node> nodes_;
    std::map<int, Open> open_;
    int noticeRead_ = -1;
    int noticeWrite_ = -1;
    std::size_t written_ = 0;
    std::size_t lateAt_ = static_cast<std::size_t>(-1);
    std::size_t landsAtWrite_ = 0;
    std::size_t writesToLanding_ = 0;
    int interruptMs_ = 0;
    std::size_t interruptsLeft_ = 0;
    std::atomic<int> usbTimeoutMs_{5000};
    mutable std::recursive_mutex mutex_;
};

} // namespace ccp::testing
