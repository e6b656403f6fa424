// ppdev as the kernel offers it, for tests of the real driver: the nodes
// <prefix>0 (LPT1) and <prefix>1 (LPT2) open into handles that claim their
// port, read and write its raw registers, and release it. `lines` holds the
// levels on the connector's pins, with the virtual pager on them; the
// registers handed out are the hardware's, which invert the status BUSY bit
// and the control bits C0, C1 and C3 (the jig's bits are none of these).
// As in the kernel: every ioctl of every handle takes one mutex, which no
// signal interrupts, and a claim waits for another holder to let go holding
// it, interruptibly (a signal ends the wait with EINTR): while anyone sleeps
// in PPCLAIM, every other ioctl, the holder's PPRELEASE included, waits.
// open() and close() take no such mutex, and closing a handle lets go of
// its port. Registers answer only the handle that claimed. A port that goes
// away (adapter unplugged, driver unloaded) is left with the kernel's dead
// operations: the handle that holds it keeps answering every ioctl with
// success, register reads give 0x00 and writes are dropped; only PPGETMODES,
// which looks the port up by number, fails with ENODEV. Its node vanishes
// (open gives ENOENT), and a handle that had not claimed it gets ENXIO from
// PPCLAIM. Thread-safe, so that a test can let go of the port from another
// thread.
#pragma once

#include "link/ppdev_calls.h"
#include "sim/simulated_parallel_port.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

namespace ccp::sim {

// Raw register bit = pin level XOR these.
inline constexpr std::uint8_t kInvertedStatusBits = 0x80;  // BUSY
inline constexpr std::uint8_t kInvertedControlBits = 0x0B; // C0 nStrobe, C1 nAutoFd, C3 nSelectIn

class SimulatedPpdev final : public link::PpdevCalls {
public:
    // `lines` outlives the object and is touched only under its lock.
    explicit SimulatedPpdev(SimulatedParallelPort& lines, std::string prefix = "/dev/parport");

    int open(const char* path, int flags) override;
    int ioctl(int fd, unsigned long request, void* arg) override;
    int close(int fd) override;

    // Another program takes node `node`'s port (at once, as if it had asked
    // first) and lets it go again.
    void holdElsewhere(std::size_t node);
    void letGo(std::size_t node);
    // Another program goes to sleep in PPCLAIM for a port someone holds, and
    // so holds the ppdev mutex, until wakeAsleep() (a signal ending its wait).
    // Waits, as that program's ioctl would, while the mutex is taken.
    void asleepInClaim();
    void wakeAsleep();
    // The port's hardware goes away, as described above.
    void remove(std::size_t node);
    // The same once `calls` more register reads and writes have succeeded.
    void removeAfter(std::size_t node, std::size_t calls);
    // Register reads and writes made on live ports so far, on every node,
    // and status reads a removed port answered.
    std::size_t registerCalls() const;
    std::size_t deadStatusReads() const;

    // True while one of this object's handles has node `node` claimed.
    bool claimed(std::size_t node) const;
    std::size_t openHandles() const;
    // Claims that had to wait, and those a signal interrupted.
    int claimWaits() const;
    int interruptedClaims() const;

    // A wait no caller bounds ends after this with EDEADLK, so that a test of
    // an unbounded claim fails instead of hanging.
    static constexpr std::chrono::seconds kLongestWait{5};

private:
    struct Node {
        bool heldElsewhere = false;
        bool removed = false;
        int holder = -1; // the handle that has it claimed
        std::size_t callsLeft = std::numeric_limits<std::size_t>::max();
    };
    struct Handle {
        int fd;
        std::size_t node;
    };

    int fail(int error);
    const Handle* find(int fd) const;
    int serve(std::unique_lock<std::mutex>& lock, int fd, unsigned long request, void* arg);
    int claim(std::unique_lock<std::mutex>& lock, const Handle& handle);
    int access(const Handle& handle, unsigned long request, unsigned char* byte);
    int dead(unsigned long request, unsigned char* byte);

    SimulatedParallelPort& lines_;
    std::string prefix_;
    mutable std::mutex mutex_;
    // ppdev's own mutex, held by an ioctl or by the program asleep elsewhere.
    bool ppdevMutexHeld_ = false;
    bool asleepElsewhere_ = false;
    std::condition_variable ppdevMutexFree_;
    std::array<Node, link::kLptBases.size()> nodes_{};
    std::vector<Handle> handles_;
    int nextFd_ = 1000;
    int claimWaits_ = 0;
    int interruptedClaims_ = 0;
    std::size_t registerCalls_ = 0;
    std::size_t deadStatusReads_ = 0;
};

} // namespace ccp::sim
