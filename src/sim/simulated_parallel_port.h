// A PortDriver for tests and the virtual pager: LPT1 and LPT2 each answer with
// a data, control and status register; the jig sits on one of them. Writes to
// the jig's port drive the attached bus devices, its status register reports
// presence and the data-in line, and every write is recorded with the virtual
// time so that tests can see which bits changed and how long a line was held.
#pragma once

#include "link/port_driver.h"
#include "link/programmer_link.h"
#include "sim/virtual_clock.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ccp::sim {

// A chip on the jig's wires (the pager's EEPROM or decoder).
class BusDevice {
public:
    virtual ~BusDevice() = default;
    // The jig port's data and control registers after a write to either.
    virtual void onLines(std::uint8_t data, std::uint8_t control) = 0;
    // False while the device pulls the data line low.
    virtual bool dataInLine() const = 0;
};

struct RegisterWrite {
    std::uint64_t timeUs;
    std::uint16_t port;
    std::uint8_t before; // the register's byte before the write
    std::uint8_t value;
};

// Control register after a PC's port reset: nInit high, SelectIn set.
inline constexpr std::uint8_t kResetControl = 0x0C;

class SimulatedParallelPort final : public link::PortDriver {
public:
    explicit SimulatedParallelPort(VirtualClock& clock, std::uint16_t jigBase = link::kLpt1Base);

    // Registers answer whether or not initialise() was called.
    bool initialise() override;
    std::uint8_t read(std::uint16_t port) override;
    void write(std::uint16_t port, std::uint8_t value) override;
    void shutdown() override { ++shutdownCalls_; }

    void setInitialiseResult(bool result) { initialiseResult_ = result; }
    int initialiseCalls() const { return initialiseCalls_; }
    int shutdownCalls() const { return shutdownCalls_; }

    // `base` is one of link::kLptBases.
    void setJigBase(std::uint16_t base) { jigBase_ = base; }
    std::uint16_t jigBase() const { return jigBase_; }
    // A jig that is absent or unpowered reads like a port with nothing on it:
    // presence low, data in high, and the devices see no line changes.
    void setPresence(bool present) { present_ = present; }
    // Status bits other than presence and data in, on both ports.
    void setOtherStatusBits(std::uint8_t bits);

    // The devices outlive the port or are detached first.
    void attach(BusDevice& device);
    void detach(BusDevice& device);

    // Presets a data or control register: no record, no device notice.
    void setRegister(std::uint16_t port, std::uint8_t value);

    const std::vector<RegisterWrite>& writes() const { return writes_; }
    void clearWrites() { writes_.clear(); }
    std::size_t readCount() const { return readCount_; }

    // For the bits `mask` of the register at `port`: how long each level was
    // held, from one write that changed them to the next that changed them.
    std::vector<std::uint64_t> holdTimesUs(std::uint16_t port, std::uint8_t mask) const;

private:
    struct Registers {
        std::uint8_t data = 0x00;
        std::uint8_t control = kResetControl;
    };

    struct Location {
        std::size_t port;
        link::PortRegister reg;
    };

    bool locate(std::uint16_t address, Location& out) const;
    bool jigConnected(std::size_t port) const;
    bool dataInHigh(std::size_t port) const;
    std::uint8_t status(std::size_t port) const;
    std::uint8_t peek(std::uint16_t port) const;

    VirtualClock& clock_;
    std::uint16_t jigBase_;
    bool present_ = true;
    bool initialiseResult_ = true;
    int initialiseCalls_ = 0;
    int shutdownCalls_ = 0;
    std::uint8_t otherStatusBits_ = 0x00;
    std::array<Registers, link::kLptBases.size()> registers_{};
    std::vector<BusDevice*> devices_;
    std::vector<RegisterWrite> writes_;
    std::size_t readCount_ = 0;
};

} // namespace ccp::sim
