#include "link/ppdev_port_driver.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <future>
#include <linux/ppdev.h>
#include <mutex>
#include <pthread.h>
#include <sys/ioctl.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace ccp::link {
namespace {

using std::chrono::steady_clock;

// PPCLAIM sleeps in the kernel for as long as another program holds the port.
// The sleep is interruptible: a signal ends it with EINTR, and ppdev never
// restarts the call. So each claim runs under a timer of the calling
// thread's own that sends a signal once its slice has passed, and again every
// kClaimRepeat after it, in case the first landed just before the call went
// to sleep. The handler does nothing; the interruption is all it is for.
//
// The sleep holds ppdev's one mutex, which every ioctl of every ppdev handle
// takes, the holder's PPRELEASE among them: a claim that slept for its whole
// limit would keep the holder from letting go for all that time. So a claim
// sleeps a slice at a time and leaves the mutex free for kSliceGap between
// slices, until its limit has passed.
constexpr std::chrono::milliseconds kClaimSlice{20};
constexpr std::chrono::milliseconds kClaimRepeat{10};
constexpr std::chrono::milliseconds kSliceGap{2};
// How often the caller's pump runs while a claim waits on its own thread.
constexpr std::chrono::milliseconds kPumpEvery{15};

void onClaimSignal(int) {
}

// The claim's signal: the first real-time signal from SIGRTMIN + 1 on that
// has this handler already or none at all (SIG_DFL), which then gets it,
// without SA_RESTART. A signal the rest of the program handles or ignores is
// left as it is: its handler must neither be replaced nor be run by the
// timer. 0, with `error` set, when no signal is free.
int claimSignal(int& error) {
    static std::mutex choosing;
    const std::lock_guard lock(choosing);
    for (int signal = SIGRTMIN + 1; signal <= SIGRTMAX; ++signal) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0)
            continue;
        if (current.sa_handler == onClaimSignal)
            return signal;
        if (current.sa_handler != SIG_DFL)
            continue;
        struct sigaction action {};
        action.sa_handler = onClaimSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        if (::sigaction(signal, &action, nullptr) != 0) {
            error = errno;
            return 0;
        }
        return signal;
    }
    error = EAGAIN;
    return 0;
}

timespec toTimespec(std::chrono::nanoseconds span) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(span);
    timespec out{};
    out.tv_sec = static_cast<time_t>(seconds.count());
    out.tv_nsec = static_cast<long>((span - seconds).count());
    return out;
}

class ClaimTimer {
public:
    explicit ClaimTimer(std::chrono::nanoseconds after) {
        const int signo = claimSignal(error_);
        if (signo == 0)
            return;
        sigevent event{};
        event.sigev_notify = SIGEV_THREAD_ID;
        event.sigev_signo = signo;
        event._sigev_un._tid = ::gettid(); // sigev_notify_thread_id; glibc 2.36 lacks the name
        if (::timer_create(CLOCK_MONOTONIC, &event, &timer_) != 0) {
            error_ = errno;
            return;
        }
        created_ = true;
        sigset_t signal;
        sigemptyset(&signal);
        sigaddset(&signal, signo);
        error_ = ::pthread_sigmask(SIG_UNBLOCK, &signal, &savedMask_);
        if (error_ != 0)
            return;
        unblocked_ = true;
        itimerspec when{};
        when.it_value = toTimespec(after);
        when.it_interval = toTimespec(kClaimRepeat);
        if (::timer_settime(timer_, 0, &when, nullptr) != 0)
            error_ = errno;
    }
    ~ClaimTimer() {
        if (created_)
            ::timer_delete(timer_);
        if (unblocked_)
            ::pthread_sigmask(SIG_SETMASK, &savedMask_, nullptr);
    }
    ClaimTimer(const ClaimTimer&) = delete;
    ClaimTimer& operator=(const ClaimTimer&) = delete;

    // 0 once armed; otherwise the claim must not be tried.
    int error() const { return error_; }

private:
    timer_t timer_{};
    sigset_t savedMask_{};
    bool created_ = false;
    bool unblocked_ = false;
    int error_ = 0;
};

constexpr int kOpenFlags = O_RDWR | O_CLOEXEC | O_NOCTTY;

} // namespace

PpdevPortDriver::PpdevPortDriver(std::string nodePrefix, PpdevCalls& calls,
                                 std::chrono::milliseconds claimLimit)
    : prefix_(std::move(nodePrefix)), calls_(calls), claimLimit_(claimLimit) {
}

PpdevPortDriver::~PpdevPortDriver() {
    shutdown();
}

std::string PpdevPortDriver::nodePath(std::size_t node) const {
    return prefix_ + std::to_string(node);
}

void PpdevPortDriver::whileClaimWaits(std::function<void()> pump) {
    pump_ = std::move(pump);
}

bool PpdevPortDriver::isClaimed(std::size_t node) const {
    return held_ && node_ == node && fd_ >= 0;
}

void PpdevPortDriver::failed(int error, std::size_t node) {
    lastError_ = error;
    lastErrorNode_ = node;
}

bool PpdevPortDriver::initialise() {
    shutdown();
    const int fd = calls_.open(nodePath(0).c_str(), kOpenFlags);
    if (fd < 0) {
        failed(errno, 0);
        return false;
    }
    calls_.close(fd);
    initialised_ = true;
    return true;
}

void PpdevPortDriver::shutdown() {
    drop();
    depth_ = 0;
    held_ = false;
    initialised_ = false;
}

bool PpdevPortDriver::claim(std::uint16_t base) {
    ++depth_;
    if (depth_ > 1)
        return held_ && kLptBases[node_] == base;
    held_ = false;
    for (std::size_t node = 0; node < kLptBases.size(); ++node) {
        if (kLptBases[node] == base) {
            held_ = initialised_ && take(node);
            break;
        }
    }
    return held_;
}

void PpdevPortDriver::release() {
    if (depth_ == 0)
        return;
    if (--depth_ == 0) {
        drop();
        held_ = false;
    }
}

bool PpdevPortDriver::take(std::size_t node) {
    if (!pump_)
        return takeInSlices(node);
    // The mutex wait of PPCLAIM has no bound (see whileClaimWaits), so the
    // claim runs on a thread of its own while the caller pumps.
    std::promise<bool> taken;
    std::future<bool> result = taken.get_future();
    std::thread claimer;
    try {
        claimer = std::thread([&] { taken.set_value(takeInSlices(node)); });
    } catch (const std::system_error&) {
        return takeInSlices(node); // no thread: the caller waits itself
    }
    while (result.wait_for(kPumpEvery) != std::future_status::ready)
        pump_();
    claimer.join();
    return result.get();
}

bool PpdevPortDriver::takeInSlices(std::size_t node) {
    const std::string path = nodePath(node);
    const steady_clock::time_point deadline = steady_clock::now() + claimLimit_;
    for (;;) {
        const int fd = calls_.open(path.c_str(), kOpenFlags);
        if (fd < 0) {
            failed(errno, node);
            return false;
        }
        const steady_clock::duration left = deadline - steady_clock::now();
        int result = -1;
        int error = EBUSY;
        if (left > steady_clock::duration::zero()) {
            const ClaimTimer timer(std::min<steady_clock::duration>(left, kClaimSlice));
            error = timer.error();
            if (error == 0) {
                result = calls_.ioctl(fd, PPCLAIM, nullptr);
                error = errno;
            }
        }
        if (result == 0) {
            fd_ = fd;
            node_ = node;
            return true;
        }
        // Closing also takes the handle off the kernel's list of waiters, and
        // lets go of the port should it have been handed over just as the
        // wait was interrupted.
        calls_.close(fd);
        if (error != EINTR || steady_clock::now() >= deadline) {
            failed(error == EINTR ? EBUSY : error, node);
            return false;
        }
        // The slice ended (or another signal cut it short): the mutex is
        // free for a moment, then the claim waits again for the time left.
        std::this_thread::sleep_for(kSliceGap);
    }
}

// Closing lets go of the port (ppdev's release hands it to parport_release)
// without ppdev's mutex, which PPRELEASE would wait for while another
// program sleeps in PPCLAIM.
void PpdevPortDriver::drop() {
    if (fd_ < 0)
        return;
    if (calls_.close(fd_) != 0)
        failed(errno, node_);
    fd_ = -1;
}

std::optional<std::uint8_t> PpdevPortDriver::read(std::uint16_t port) {
    if (!held_ || port < kLptBases[node_] || port >= kLptBases[node_] + kPortRegisterCount)
        return std::nullopt;
    unsigned long request = PPRDATA;
    switch (static_cast<PortRegister>(port - kLptBases[node_])) {
    case PortRegister::Status:
        request = PPRSTATUS;
        break;
    case PortRegister::Control:
        request = PPRCONTROL;
        break;
    case PortRegister::Data:
        break;
    }
    std::uint8_t value = 0;
    if (!control(request, &value))
        return std::nullopt;
    if (request == PPRSTATUS && value == 0x00 && !stillThere())
        return std::nullopt;
    return value;
}

// A port that was removed keeps answering the handle that holds it, with the
// kernel's dead operations: every register reads 0x00 and every ioctl
// succeeds. PPGETMODES looks the port up by its number and fails with ENODEV
// once it is gone; a status of 0x00 (BUSY high, every other line low) is
// rare on a live port, so only that read is checked.
bool PpdevPortDriver::stillThere() {
    unsigned int modes = 0;
    if (calls_.ioctl(fd_, PPGETMODES, &modes) != 0) {
        failed(errno, node_);
        return false;
    }
    return true;
}

bool PpdevPortDriver::write(std::uint16_t port, std::uint8_t value) {
    if (!held_ || port < kLptBases[node_] || port >= kLptBases[node_] + kPortRegisterCount)
        return false;
    switch (static_cast<PortRegister>(port - kLptBases[node_])) {
    case PortRegister::Data:
        return control(PPWDATA, &value);
    case PortRegister::Control:
        return control(PPWCONTROL, &value);
    case PortRegister::Status:
        break;
    }
    return false;
}

bool PpdevPortDriver::control(unsigned long request, std::uint8_t* value) {
    unsigned char byte = *value;
    if (calls_.ioctl(fd_, request, &byte) != 0) {
        failed(errno, node_);
        return false;
    }
    *value = byte;
    return true;
}

} // namespace ccp::link
