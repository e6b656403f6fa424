#include "link/port_lines.h"

#include "link/delay.h"

#include <optional>

namespace ccp::link {

PortLines::PortLines(PortDriver& driver, Clock& clock, const ProgrammerLink& link)
    : driver_(driver), clock_(clock), link_(link) {
}

std::uint8_t PortLines::PortRead(std::uint16_t port) {
    const std::optional<std::uint8_t> value = driver_.read(port);
    if (!value) {
        faulted_ = true;
        return kUnreachablePortValue;
    }
    if (port == registerAddress(link_.PortBase, kPresenceLine.reg) &&
        (*value & (kPresenceLine.mask | kDataInLine.mask)) == 0) {
        faulted_ = true;
    }
    return *value;
}

void PortLines::PortWrite(std::uint16_t port, std::uint8_t value) {
    if (!driver_.write(port, value)) {
        faulted_ = true;
    }
}

void PortLines::setLine(JigLine line, bool high) {
    const std::uint16_t port = registerAddress(link_.PortBase, line.reg);
    const std::optional<std::uint8_t> now = driver_.read(port);
    if (!now) {
        faulted_ = true;
        return;
    }
    const auto next = static_cast<std::uint8_t>(high ? *now | line.mask : *now & ~line.mask);
    PortWrite(port, next);
}

bool PortLines::readLine(JigLine line) {
    return (PortRead(registerAddress(link_.PortBase, line.reg)) & line.mask) != 0;
}

void PortLines::change(JigLine line, bool high, std::uint64_t waitUs) {
    setLine(line, high);
    DelayMicroseconds(clock_, waitUs);
}

void PortLines::ClockHigh() {
    change(kClockLine, true, kClockWaitUs);
}

void PortLines::ClockLow() {
    change(kClockLine, false, kClockWaitUs);
}

void PortLines::DataHigh() {
    change(kDataOutLine, true, kDataWaitUs);
}

void PortLines::DataLow() {
    change(kDataOutLine, false, kDataWaitUs);
}

void PortLines::SlowDataHigh() {
    change(kDataOutLine, true, kSlowDataWaitUs);
}

void PortLines::SlowDataLow() {
    change(kDataOutLine, false, kSlowDataWaitUs);
}

bool PortLines::SampleData() {
    DataHigh();
    return readLine(kDataInLine);
}

bool PortLines::SlowSampleData() {
    SlowDataHigh();
    return readLine(kDataInLine);
}

void PortLines::BusStop() {
    ClockLow();
    DataLow();
    ClockHigh();
    DataHigh();
}

void PortLines::LinesOn() {
    setLine(kNInitLine, false);
    setLine(kD7Line, true);
}

void PortLines::LinesOff() {
    setLine(kD7Line, false);
    setLine(kNInitLine, true);
}

void PortLines::BusOn() {
    setLine(kD3Line, true);
    clock_.sleepMs(kBusPowerUpMs);
    BusStop();
}

void PortLines::BusOff() {
    BusStop();
    setLine(kD3Line, false);
}

} // namespace ccp::link
