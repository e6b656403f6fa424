// The seam to the parallel port: byte access to the three registers of a
// standard port (data, status, control) at a 16-bit I/O address, between a
// claim of the port and its release. An access that fails (no such port, the
// port not claimed, the kernel refusing it) says so in its result, so that
// nobody acts on a line level nobody read; errors never escape as exceptions.
#pragma once

#include <cstdint>
#include <optional>

namespace ccp::link {

// Register offsets from a port's base address.
enum class PortRegister : std::uint8_t {
    Data = 0,    // written by the PC; reads back the latched byte
    Status = 1,  // read only
    Control = 2, // read-modify-write
};

inline constexpr std::uint16_t kPortRegisterCount = 3;

// The level the buses assume for a register that could not be read: every
// bit high, which on the jig reads as "data in released", a missing
// acknowledge, so no transfer succeeds on it.
inline constexpr std::uint8_t kUnreachablePortValue = 0xFF;

constexpr std::uint16_t registerAddress(std::uint16_t base, PortRegister reg) {
    return static_cast<std::uint16_t>(base + static_cast<std::uint16_t>(reg));
}

class PortDriver {
public:
    virtual ~PortDriver() = default;

    // True when direct access to the port is available.
    virtual bool initialise() = 0;
    // The register's byte; nothing when the access failed.
    virtual std::optional<std::uint8_t> read(std::uint16_t port) = 0;
    // False when the byte did not reach the register.
    virtual bool write(std::uint16_t port, std::uint8_t value) = 0;
    // Releases the port; safe without a prior initialise and when repeated.
    virtual void shutdown() = 0;

    // Takes the port at `base` for this program until the matching release():
    // false when it cannot be had within about a second (another program
    // holds it, no such port). Claims nest: an inner claim takes nothing new
    // and answers as the outermost one did. Every claim is released, whether
    // it succeeded or not. A port that needs no claiming answers true.
    virtual bool claim(std::uint16_t base) {
        (void)base;
        return true;
    }
    virtual void release() {}
};

// One claim for the life of a scope: a detection, a pager operation, one
// transfer. Without a driver it holds nothing and answers true.
class PortClaim {
public:
    PortClaim(PortDriver* driver, std::uint16_t base)
        : driver_(driver), held_(driver == nullptr || driver->claim(base)) {}
    ~PortClaim() {
        if (driver_ != nullptr)
            driver_->release();
    }
    PortClaim(const PortClaim&) = delete;
    PortClaim& operator=(const PortClaim&) = delete;

    bool held() const { return held_; }

private:
    PortDriver* driver_;
    bool held_;
};

} // namespace ccp::link
