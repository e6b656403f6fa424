// The parallel port on Linux through ppdev: LPT1 (0x378) is the node
// <prefix>0, LPT2 (0x278) the node <prefix>1, each opened and claimed before
// use. initialise() claims LPT1; LPT2 is claimed on its first access. Until
// initialise() succeeds, for a node that cannot be claimed, and when an ioctl
// fails, an access fails and says so.
#pragma once

#include "link/port_driver.h"
#include "link/programmer_link.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace ccp::link {

class PpdevPortDriver final : public PortDriver {
public:
    explicit PpdevPortDriver(std::string nodePrefix = "/dev/parport");
    ~PpdevPortDriver() override;
    PpdevPortDriver(const PpdevPortDriver&) = delete;
    PpdevPortDriver& operator=(const PpdevPortDriver&) = delete;

    // Releases whatever is held, then opens and claims LPT1's node. False
    // when the node is missing, not permitted, not a ppdev device or busy.
    bool initialise() override;
    std::optional<std::uint8_t> read(std::uint16_t port) override;
    // The status register is read only: a write to it fails.
    bool write(std::uint16_t port, std::uint8_t value) override;
    void shutdown() override;

    // Node n serves kLptBases[n].
    std::string nodePath(std::size_t node) const;
    bool isClaimed(std::size_t node) const;
    // errno of the most recent failed system call, 0 when none failed.
    int lastError() const { return lastError_; }

private:
    struct Node {
        int fd = -1;
        // An open was tried since initialise(); a failed node is not retried
        // on every bit of a transfer.
        bool tried = false;
    };

    struct Target {
        std::size_t node;
        PortRegister reg;
    };

    bool target(std::uint16_t port, Target& out);
    bool claim(std::size_t node);
    void release(std::size_t node);
    bool control(int fd, unsigned long request, std::uint8_t* value);

    std::string prefix_;
    std::array<Node, kLptBases.size()> nodes_{};
    bool initialised_ = false;
    int lastError_ = 0;
};

} // namespace ccp::link
