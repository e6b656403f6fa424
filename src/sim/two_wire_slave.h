// The bit engine of a chip on a two-wire bus, shared by the pager's EEPROM and
// its decoder: start and stop conditions (the data line falling or rising
// while the clock is high), bytes shifted in on rising clock edges with the
// most significant bit first, the acknowledge pulled low on the ninth clock,
// and bytes driven out after falling edges while the master acknowledges
// each. A chip says through its hooks which address is its own, what a
// received byte does and what it sends. An unpowered chip releases the line.
#pragma once

#include "sim/simulated_parallel_port.h"

#include <cstdint>

namespace ccp::sim {

class TwoWireSlave : public BusDevice {
public:
    void onLines(const BusLines& lines) final;
    bool dataInLine() const final { return !pullLow_; }

protected:
    // The first byte after a start: true acknowledges it. Bit 0 is the
    // direction, 1 = the master reads.
    virtual bool addressed(std::uint8_t address) = 0;
    // A byte the master wrote after an acknowledged write address; true
    // acknowledges it.
    virtual bool received(std::uint8_t byte) = 0;
    // The next byte to send after an acknowledged read address, and after
    // each byte the master acknowledged.
    virtual std::uint8_t nextToSend() = 0;
    virtual void started() {}
    virtual void stopped() {}
    virtual void poweredDown() {}

private:
    enum class Phase { Idle, Address, Receiving, Sending };

    void risingEdge(bool data);
    void fallingEdge();
    void byteDone();

    Phase phase_ = Phase::Idle;
    bool powered_ = false;
    bool clock_ = true;
    bool data_ = true;
    bool pullLow_ = false;
    bool acknowledged_ = false; // this chip's (or the master's) acknowledge
    int clocks_ = 0;            // rising edges seen in the current byte, 0 to 9
    std::uint8_t shift_ = 0;
    std::uint8_t sending_ = 0;
};

} // namespace ccp::sim
