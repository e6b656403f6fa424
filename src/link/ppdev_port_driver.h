// The parallel port on Linux through ppdev: LPT1 (0x378) is the node
// <prefix>0, LPT2 (0x278) the node <prefix>1. A port is opened and claimed
// only between claim() and release(), so that a window left open never locks
// another program out of it, nor the reverse; the registers of the claimed
// port answer in between, every other access fails. A claim waits at most
// the claim limit for another holder to let go, unless another program
// asleep in PPCLAIM holds ppdev's mutex (see whileClaimWaits). Release is by
// closing the node. The registers are the raw ones: ppdev undoes none of
// the hardware's inversions.
#pragma once

#include "link/port_driver.h"
#include "link/ppdev_calls.h"
#include "link/programmer_link.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace ccp::link {

// Long enough for a program that holds the port for a moment (a printer
// daemon probing it) to let go, short enough that a held port is reported
// rather than felt as a frozen window.
inline constexpr std::chrono::milliseconds kPortClaimLimit{1000};

class PpdevPortDriver final : public PortDriver {
public:
    explicit PpdevPortDriver(std::string nodePrefix = "/dev/parport",
                             PpdevCalls& calls = systemPpdevCalls(),
                             std::chrono::milliseconds claimLimit = kPortClaimLimit);
    ~PpdevPortDriver() override;
    PpdevPortDriver(const PpdevPortDriver&) = delete;
    PpdevPortDriver& operator=(const PpdevPortDriver&) = delete;

    // Releases whatever is held and checks that LPT1's node opens. False when
    // it is missing or not permitted; claims fail until it succeeds.
    bool initialise() override;
    // A status read fails (lastError() ENODEV) when the port was removed
    // while claimed, instead of giving the 0x00 the kernel then answers.
    std::optional<std::uint8_t> read(std::uint16_t port) override;
    // The status register is read only: a write to it fails.
    bool write(std::uint16_t port, std::uint8_t value) override;
    void shutdown() override;
    // Opens the port's node and claims it: false when the node is missing,
    // not permitted, not a ppdev device, or still held by another program
    // when the claim limit has passed (lastError() is then EBUSY).
    bool claim(std::uint16_t base) override;
    void release() override;

    // While a claim waits, `pump` runs on the calling thread every few tens
    // of milliseconds, and the claim on a thread of its own. The kernel
    // bounds no wait for ppdev's mutex, which every ioctl takes and which
    // another program asleep in PPCLAIM holds for as long as it sleeps; a
    // window keeps its events going with this. Nothing: the claim runs on
    // the calling thread.
    void whileClaimWaits(std::function<void()> pump);

    // Node n serves kLptBases[n].
    std::string nodePath(std::size_t node) const;
    bool isClaimed(std::size_t node) const;
    // errno of the most recent failed system call, 0 when none failed, and
    // the node it was made on.
    int lastError() const { return lastError_; }
    std::size_t lastErrorNode() const { return lastErrorNode_; }

private:
    bool take(std::size_t node);
    bool takeInSlices(std::size_t node);
    void drop();
    bool control(unsigned long request, std::uint8_t* value);
    bool stillThere();
    void failed(int error, std::size_t node);

    std::string prefix_;
    PpdevCalls& calls_;
    std::chrono::milliseconds claimLimit_;
    std::function<void()> pump_;
    bool initialised_ = false;
    int depth_ = 0;        // claims not yet released
    bool held_ = false;    // the outermost claim succeeded
    std::size_t node_ = 0; // the node claimed while held_
    int fd_ = -1;
    int lastError_ = 0;
    std::size_t lastErrorNode_ = 0;
};

} // namespace ccp::link
