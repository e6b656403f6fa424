// The jig's lines on the parallel port and the primitives that the EEPROM and
// decoder buses are built from. Every line change is one read-modify-write of
// one register at the link's PortBase as it is at the time of the change, so
// the other bits keep their value and a later LPT2 choice takes effect; a
// primitive then busy-waits its line's time. A register access that fails is
// remembered as a fault until clearFault(): the line change is not made (a
// byte that was not read is not written back), a failed read counts as the
// line high, and the buses end their transfer with its failure code. A status
// read with both the presence and the data-in line low is a fault as well:
// the jig holds presence high while it is powered, and a port the kernel has
// removed reads 0x00 with success, which would otherwise pass for
// acknowledges and 0 bits. A jig that lost its power reads presence low and
// data in high: no acknowledge and 0xFF bytes, which the transfers already
// fail on or the image's checksum catches.
#pragma once

#include "link/clock.h"
#include "link/port_driver.h"
#include "link/programmer_link.h"

#include <cstdint>

namespace ccp::link {

struct JigLine {
    PortRegister reg;
    std::uint8_t mask;
};

// None of these bits is inverted by the port hardware.
inline constexpr JigLine kClockLine{PortRegister::Data, 0x02};   // pin 3: bus clock
inline constexpr JigLine kDataOutLine{PortRegister::Data, 0x04}; // pin 4: 1 releases the line
inline constexpr JigLine kD3Line{PortRegister::Data, 0x08};      // pin 5: high while the bus is on
inline constexpr JigLine kD7Line{PortRegister::Data, 0x80};      // pin 9: high during a transfer
inline constexpr JigLine kPresenceLine{PortRegister::Status, 0x20}; // pin 12: jig powered
inline constexpr JigLine kDataInLine{PortRegister::Status, 0x40};   // pin 10: 1 = line high
inline constexpr JigLine kNInitLine{PortRegister::Control, 0x04};   // pin 16: low in a transfer

// Waits after a change: the clock and the EEPROM bus's data line are fast,
// the decoder bus's data line is slow.
inline constexpr std::uint64_t kClockWaitUs = 15;
inline constexpr std::uint64_t kDataWaitUs = 80;
inline constexpr std::uint64_t kSlowDataWaitUs = 480;
// The pager side powers up after D3 goes high.
inline constexpr unsigned kBusPowerUpMs = 500;

class PortLines {
public:
    // All three outlive the object; `link` is read at every access.
    PortLines(PortDriver& driver, Clock& clock, const ProgrammerLink& link);
    // The link must outlive the object; a temporary would be gone at once.
    PortLines(PortDriver& driver, Clock& clock, ProgrammerLink&& link) = delete;

    // A failed read gives kUnreachablePortValue; both record the fault.
    std::uint8_t PortRead(std::uint16_t port);
    void PortWrite(std::uint16_t port, std::uint8_t value);

    // True once a register access failed, or a status read found presence
    // and data in low, since construction or clearFault().
    bool faulted() const { return faulted_; }
    void clearFault() { faulted_ = false; }

    // One read-modify-write of the line's register, no wait.
    void setLine(JigLine line, bool high);
    // The line's bit in its register, read now.
    bool readLine(JigLine line);

    void ClockHigh();
    void ClockLow();
    void DataHigh();
    void DataLow();
    void SlowDataHigh();
    void SlowDataLow();
    // DataHigh (or SlowDataHigh), then the data-in line: true = high.
    bool SampleData();
    bool SlowSampleData();

    // The EEPROM bus's stop condition: ClockLow, DataLow, ClockHigh, DataHigh.
    void BusStop();
    // nInit low, then D7 high; no waits.
    void LinesOn();
    // D7 low, then nInit high; no waits.
    void LinesOff();
    // D3 high, a 500 ms sleep while the pager side powers up, then BusStop.
    void BusOn();
    // BusStop, then D3 low.
    void BusOff();

private:
    void change(JigLine line, bool high, std::uint64_t waitUs);

    PortDriver& driver_;
    Clock& clock_;
    const ProgrammerLink& link_;
    bool faulted_ = false;
};

} // namespace ccp::link
