#include "sim/simulated_parallel_port.h"

#include "link/port_lines.h"

#include <algorithm>

namespace ccp::sim {

namespace {

constexpr std::uint8_t kJigStatusBits = link::kPresenceLine.mask | link::kDataInLine.mask;

// A device's pull changes the wire, which the other devices see in turn; the
// chips on this bus settle within a couple of rounds.
constexpr int kSettleRounds = 4;

} // namespace

SimulatedParallelPort::SimulatedParallelPort(const link::Clock& clock, std::uint16_t jigBase)
    : clock_(clock), jigBase_(jigBase) {
}

bool SimulatedParallelPort::initialise() {
    ++initialiseCalls_;
    return initialiseResult_;
}

void SimulatedParallelPort::setOtherStatusBits(std::uint8_t bits) {
    otherStatusBits_ = static_cast<std::uint8_t>(bits & ~kJigStatusBits);
}

void SimulatedParallelPort::attach(BusDevice& device) {
    if (std::find(devices_.begin(), devices_.end(), &device) == devices_.end()) {
        devices_.push_back(&device);
    }
}

void SimulatedParallelPort::detach(BusDevice& device) {
    devices_.erase(std::remove(devices_.begin(), devices_.end(), &device), devices_.end());
}

bool SimulatedParallelPort::locate(std::uint16_t address, Location& out) const {
    for (std::size_t port = 0; port < link::kLptBases.size(); ++port) {
        const std::uint16_t base = link::kLptBases[port];
        if (address >= base && address < base + link::kPortRegisterCount) {
            out = Location{port, static_cast<link::PortRegister>(address - base)};
            return true;
        }
    }
    return false;
}

bool SimulatedParallelPort::accessFails() {
    if (accessesLeft_ == kNoFailure) {
        return false;
    }
    if (accessesLeft_ == 0) {
        return true;
    }
    --accessesLeft_;
    return false;
}

bool SimulatedParallelPort::jigConnected(std::size_t port) const {
    return present_ && link::kLptBases[port] == jigBase_;
}

// The data line is open-collector: high only while the PC's data out and
// every device release it. Nothing drives it on a port without the jig.
bool SimulatedParallelPort::dataInHigh(std::size_t port) const {
    if (!jigConnected(port)) {
        return true;
    }
    if ((registers_[port].data & link::kDataOutLine.mask) == 0) {
        return false;
    }
    return std::all_of(devices_.begin(), devices_.end(),
                       [](const BusDevice* device) { return device->dataInLine(); });
}

std::uint8_t SimulatedParallelPort::status(std::size_t port) const {
    std::uint8_t value = otherStatusBits_;
    if (jigConnected(port)) {
        value |= link::kPresenceLine.mask;
    }
    if (dataInHigh(port)) {
        value |= link::kDataInLine.mask;
    }
    return value;
}

std::optional<std::uint8_t> SimulatedParallelPort::read(std::uint16_t port) {
    Location at{};
    if (!locate(port, at) || accessFails()) {
        return std::nullopt;
    }
    ++readCount_;
    switch (at.reg) {
    case link::PortRegister::Data:
        return registers_[at.port].data;
    case link::PortRegister::Control:
        return registers_[at.port].control;
    case link::PortRegister::Status:
        break;
    }
    return status(at.port);
}

bool SimulatedParallelPort::write(std::uint16_t port, std::uint8_t value) {
    Location at{};
    const bool known = locate(port, at);
    std::uint8_t* latch = nullptr;
    if (known && at.reg == link::PortRegister::Data) {
        latch = &registers_[at.port].data;
    } else if (known && at.reg == link::PortRegister::Control) {
        latch = &registers_[at.port].control;
    }
    if (latch == nullptr || accessFails()) {
        return false;
    }
    if (clock_.nowUs() >= powerLossUs_) {
        present_ = false;
    }
    if (recording_) {
        writes_.push_back(RegisterWrite{clock_.nowUs(), port, *latch, value});
    }
    *latch = value;
    if (link::kLptBases[at.port] == jigBase_) {
        driveDevices(at.port);
    }
    return true;
}

void SimulatedParallelPort::driveDevices(std::size_t port) {
    const bool powered = present_ && (registers_[port].data & link::kD3Line.mask) != 0;
    const bool clock = (registers_[port].data & link::kClockLine.mask) != 0;
    for (int round = 0; round < kSettleRounds; ++round) {
        const bool wire = dataInHigh(port);
        for (BusDevice* device : devices_) {
            device->onLines(BusLines{powered, clock, wire});
        }
        if (dataInHigh(port) == wire) {
            return;
        }
    }
}

void SimulatedParallelPort::setRegister(std::uint16_t port, std::uint8_t value) {
    Location at{};
    if (!locate(port, at)) {
        return;
    }
    if (at.reg == link::PortRegister::Data) {
        registers_[at.port].data = value;
    } else if (at.reg == link::PortRegister::Control) {
        registers_[at.port].control = value;
    }
}

std::vector<std::uint64_t> SimulatedParallelPort::holdTimesUs(std::uint16_t port,
                                                              std::uint8_t mask) const {
    std::vector<std::uint64_t> holds;
    bool changedBefore = false;
    std::uint64_t lastChangeUs = 0;
    for (const RegisterWrite& w : writes_) {
        if (w.port != port || ((w.before ^ w.value) & mask) == 0) {
            continue;
        }
        if (changedBefore) {
            holds.push_back(w.timeUs - lastChangeUs);
        }
        changedBefore = true;
        lastChangeUs = w.timeUs;
    }
    return holds;
}

} // namespace ccp::sim
