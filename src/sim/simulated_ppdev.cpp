#include "sim/simulated_ppdev.h"

#include <algorithm>
#include <cerrno>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>

namespace ccp::sim {
namespace {

// How often a waiting claim looks whether the holder let go.
constexpr int kWaitSliceMs = 5;

} // namespace

SimulatedPpdev::SimulatedPpdev(SimulatedParallelPort& lines, std::string prefix)
    : lines_(lines), prefix_(std::move(prefix)) {
}

int SimulatedPpdev::fail(int error) {
    errno = error;
    return -1;
}

const SimulatedPpdev::Handle* SimulatedPpdev::find(int fd) const {
    const auto it = std::find_if(handles_.begin(), handles_.end(),
                                 [fd](const Handle& h) { return h.fd == fd; });
    return it == handles_.end() ? nullptr : &*it;
}

int SimulatedPpdev::open(const char* path, int) {
    const std::lock_guard lock(mutex_);
    for (std::size_t node = 0; node < nodes_.size(); ++node) {
        if (path != prefix_ + std::to_string(node))
            continue;
        if (nodes_[node].removed)
            return fail(ENOENT);
        handles_.push_back(Handle{nextFd_, node});
        return nextFd_++;
    }
    return fail(ENOENT);
}

int SimulatedPpdev::close(int fd) {
    const std::lock_guard lock(mutex_);
    const Handle* handle = find(fd);
    if (handle == nullptr)
        return fail(EBADF);
    Node& node = nodes_[handle->node];
    if (node.holder == fd)
        node.holder = -1;
    handles_.erase(handles_.begin() + (handle - handles_.data()));
    return 0;
}

// ppdev's ioctl runs under mutex_lock(), which sleeps uninterruptibly: a
// signal neither ends the wait nor makes the call fail.
int SimulatedPpdev::ioctl(int fd, unsigned long request, void* arg) {
    std::unique_lock lock(mutex_);
    ppdevMutexFree_.wait(lock, [this] { return !ppdevMutexHeld_; });
    ppdevMutexHeld_ = true;
    const int result = serve(lock, fd, request, arg);
    const int error = errno;
    ppdevMutexHeld_ = false;
    ppdevMutexFree_.notify_all();
    errno = error;
    return result;
}

int SimulatedPpdev::serve(std::unique_lock<std::mutex>& lock, int fd, unsigned long request,
                          void* arg) {
    const Handle* found = find(fd);
    if (found == nullptr)
        return fail(EBADF);
    const Handle handle = *found;
    Node& node = nodes_[handle.node];
    if (request == PPGETMODES) {
        if (node.removed)
            return fail(ENODEV);
        *static_cast<unsigned int*>(arg) = PARPORT_MODE_PCSPP;
        return 0;
    }
    if (request == PPCLAIM)
        return node.removed ? fail(ENXIO) : claim(lock, handle);
    if (node.holder != fd)
        return fail(EINVAL); // every other request needs the claim
    if (request == PPRELEASE) {
        node.holder = -1;
        return 0;
    }
    if (node.callsLeft == 0)
        node.removed = true;
    if (node.removed)
        return dead(request, static_cast<unsigned char*>(arg));
    if (node.callsLeft != std::numeric_limits<std::size_t>::max())
        --node.callsLeft;
    ++registerCalls_;
    return access(handle, request, static_cast<unsigned char*>(arg));
}

// The kernel's dead operations: reads give 0x00, writes go nowhere, and
// ppdev passes both on as success.
int SimulatedPpdev::dead(unsigned long request, unsigned char* byte) {
    switch (request) {
    case PPRSTATUS:
        ++deadStatusReads_;
        *byte = 0x00;
        return 0;
    case PPRDATA:
    case PPRCONTROL:
        *byte = 0x00;
        return 0;
    case PPWDATA:
    case PPWCONTROL:
        return 0;
    default:
        return fail(ENOTTY);
    }
}

// The kernel's wait is interruptible and its EINTR is never restarted; a
// poll with no descriptors behaves the same, whatever SA_RESTART says.
int SimulatedPpdev::claim(std::unique_lock<std::mutex>& lock, const Handle& handle) {
    Node& node = nodes_[handle.node];
    if (node.holder == handle.fd)
        return fail(EINVAL);
    const auto giveUp = std::chrono::steady_clock::now() + kLongestWait;
    bool waited = false;
    while (node.heldElsewhere || node.holder >= 0) {
        if (!waited)
            ++claimWaits_;
        waited = true;
        lock.unlock();
        const int polled = ::poll(nullptr, 0, kWaitSliceMs);
        const int error = errno;
        lock.lock();
        if (polled < 0 && error == EINTR) {
            ++interruptedClaims_;
            return fail(EINTR);
        }
        if (node.removed)
            return fail(ENXIO);
        if (std::chrono::steady_clock::now() >= giveUp)
            return fail(EDEADLK);
    }
    node.holder = handle.fd;
    return 0;
}

int SimulatedPpdev::access(const Handle& handle, unsigned long request, unsigned char* byte) {
    const std::uint16_t base = link::kLptBases[handle.node];
    const std::uint16_t status = link::registerAddress(base, link::PortRegister::Status);
    const std::uint16_t control = link::registerAddress(base, link::PortRegister::Control);
    std::optional<std::uint8_t> value;
    bool written = false;
    switch (request) {
    case PPRDATA:
        value = lines_.read(base);
        break;
    case PPRSTATUS:
        if ((value = lines_.read(status)))
            *value ^= kInvertedStatusBits;
        break;
    case PPRCONTROL:
        if ((value = lines_.read(control)))
            *value ^= kInvertedControlBits;
        break;
    case PPWDATA:
        written = lines_.write(base, *byte);
        break;
    case PPWCONTROL:
        written = lines_.write(control, static_cast<std::uint8_t>(*byte ^ kInvertedControlBits));
        break;
    default:
        return fail(ENOTTY);
    }
    if (value) {
        *byte = *value;
        return 0;
    }
    return written ? 0 : fail(EIO);
}

void SimulatedPpdev::holdElsewhere(std::size_t node) {
    const std::lock_guard lock(mutex_);
    nodes_[node].heldElsewhere = true;
}

void SimulatedPpdev::letGo(std::size_t node) {
    const std::lock_guard lock(mutex_);
    nodes_[node].heldElsewhere = false;
}

void SimulatedPpdev::asleepInClaim() {
    std::unique_lock lock(mutex_);
    ppdevMutexFree_.wait(lock, [this] { return !ppdevMutexHeld_; });
    ppdevMutexHeld_ = true;
    asleepElsewhere_ = true;
}

void SimulatedPpdev::wakeAsleep() {
    const std::lock_guard lock(mutex_);
    if (!asleepElsewhere_)
        return;
    asleepElsewhere_ = false;
    ppdevMutexHeld_ = false;
    ppdevMutexFree_.notify_all();
}

void SimulatedPpdev::remove(std::size_t node) {
    const std::lock_guard lock(mutex_);
    nodes_[node].removed = true;
}

void SimulatedPpdev::removeAfter(std::size_t node, std::size_t calls) {
    const std::lock_guard lock(mutex_);
    nodes_[node].callsLeft = calls;
}

bool SimulatedPpdev::claimed(std::size_t node) const {
    const std::lock_guard lock(mutex_);
    return nodes_[node].holder >= 0;
}

std::size_t SimulatedPpdev::openHandles() const {
    const std::lock_guard lock(mutex_);
    return handles_.size();
}

std::size_t SimulatedPpdev::registerCalls() const {
    const std::lock_guard lock(mutex_);
    return registerCalls_;
}

std::size_t SimulatedPpdev::deadStatusReads() const {
    const std::lock_guard lock(mutex_);
    return deadStatusReads_;
}

int SimulatedPpdev::claimWaits() const {
    const std::lock_guard lock(mutex_);
    return claimWaits_;
}

int SimulatedPpdev::interruptedClaims() const {
    const std::lock_guard lock(mutex_);
    return interruptedClaims_;
}

} // namespace ccp::sim
