// A PortDriver for tests and the virtual pager: LPT1 and LPT2 each answer with
// a data, control and status register; the jig sits on one of them. Writes to
// the jig's port drive the attached bus devices, its status register reports
// presence and the data-in line, and every write is recorded with the clock's
// time so that tests can see which bits changed and how long a line was held.
#pragma once

#include "link/clock.h"
#include "link/port_driver.h"
#include "link/programmer_link.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace ccp::sim {

// The pager side of the jig as a chip on the bus sees it. The bus is powered
// while the jig is present and D3 is high; `data` is the wire, low while the
// PC's data out or any device pulls it low.
struct BusLines {
    bool powered;
    bool clock;
    bool data;
};

// A chip on the jig's wires (the pager's EEPROM or decoder).
class BusDevice {
public:
    virtual ~BusDevice() = default;
    // The lines after a write to the jig port's data or control register,
    // and again when a device's own pull changed the wire.
    virtual void onLines(const BusLines& lines) = 0;
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
    // Times come from `clock` (virtual in tests, the real one in benchmarks).
    explicit SimulatedParallelPort(const link::Clock& clock,
                                   std::uint16_t jigBase = link::kLpt1Base);

    // Registers answer whether or not initialise() was called. An address
    // outside LPT1 and LPT2 fails, as does every access once failing.
    bool initialise() override;
    std::optional<std::uint8_t> read(std::uint16_t port) override;
    bool write(std::uint16_t port, std::uint8_t value) override;
    void shutdown() override { ++shutdownCalls_; }

    void setInitialiseResult(bool result) { initialiseResult_ = result; }
    int initialiseCalls() const { return initialiseCalls_; }
    int shutdownCalls() const { return shutdownCalls_; }

    // `base` is one of link::kLptBases.
    void setJigBase(std::uint16_t base) { jigBase_ = base; }
    std::uint16_t jigBase() const { return jigBase_; }
    // A jig that is absent or unpowered reads like a port with nothing on it:
    // presence low, data in high, and the devices lose their power.
    void setPresence(bool present) { present_ = present; }
    // The jig loses its power at the first write at or after `timeUs`.
    void losePowerAt(std::uint64_t timeUs) { powerLossUs_ = timeUs; }
    // Status bits other than presence and data in, on both ports.
    void setOtherStatusBits(std::uint8_t bits);
    // Every register access fails once `accesses` more have succeeded, as the
    // kernel refusing a port that is unplugged or taken away.
    void failAccessesAfter(std::size_t accesses) { accessesLeft_ = accesses; }
    void stopFailing() { accessesLeft_ = kNoFailure; }

    // The devices outlive the port or are detached first.
    void attach(BusDevice& device);
    void detach(BusDevice& device);

    // Presets a data or control register: no record, no device notice.
    void setRegister(std::uint16_t port, std::uint8_t value);

    // Recording can be switched off for long runs that look at no write.
    void setRecording(bool on) { recording_ = on; }
    const std::vector<RegisterWrite>& writes() const { return writes_; }
    void clearWrites() { writes_.clear(); }
    std::size_t readCount() const { return readCount_; }

    // For the bits `mask` of the register at `port`: how long each level was
    // held, from one write that changed them to the next that changed them.
    std::vector<std::uint64_t> holdTimesUs(std::uint16_t port, std::uint8_t mask) const;

private:
    static constexpr std::size_t kNoFailure = std::numeric_limits<std::size_t>::max();

    struct Registers {
        std::uint8_t data = 0x00;
        std::uint8_t control = kResetControl;
    };

    struct Location {
        std::size_t port;
        link::PortRegister reg;
    };

    bool locate(std::uint16_t address, Location& out) const;
    bool accessFails();
    bool jigConnected(std::size_t port) const;
    bool dataInHigh(std::size_t port) const;
    std::uint8_t status(std::size_t port) const;
    void driveDevices(std::size_t port);

    const link::Clock& clock_;
    std::uint16_t jigBase_;
    bool present_ = true;
    std::uint64_t powerLossUs_ = std::numeric_limits<std::uint64_t>::max();
    bool initialiseResult_ = true;
    int initialiseCalls_ = 0;
    int shutdownCalls_ = 0;
    std::uint8_t otherStatusBits_ = 0x00;
    std::size_t accessesLeft_ = kNoFailure;
    bool recording_ = true;
    std::array<Registers, link::kLptBases.size()> registers_{};
    std::vector<BusDevice*> devices_;
    std::vector<RegisterWrite> writes_;
    std::size_t readCount_ = 0;
};

} // namespace ccp::sim
