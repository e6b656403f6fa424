#include "link/eeprom_bus.h"

#include <algorithm>
#include <vector>

namespace ccp::link {

ParallelEepromBus::ParallelEepromBus(PortLines& lines, Clock& clock, TransferProgress& progress)
    : lines_(lines), clock_(clock), progress_(progress) {
}

void ParallelEepromBus::open() {
    lines_.clearFault();
    lines_.LinesOn();
    lines_.BusOn();
    clock_.sleepMs(kOpenSettleMs);
}

void ParallelEepromBus::close() {
    lines_.BusOff();
    lines_.LinesOff();
    lines_.DataLow();
    lines_.ClockLow();
}

void ParallelEepromBus::start() {
    lines_.DataHigh();
    lines_.ClockHigh();
    lines_.DataLow();
    lines_.ClockLow();
}

void ParallelEepromBus::stop() {
    lines_.BusStop();
}

void ParallelEepromBus::sendByte(std::uint8_t byte) {
    for (int bit = 7; bit >= 0; --bit) {
        if ((byte >> bit) & 1) {
            lines_.DataHigh();
        } else {
            lines_.DataLow();
        }
        lines_.ClockHigh();
        lines_.ClockLow();
    }
    progress_.stepBy(1);
}

// A port that failed reads as the line high: no acknowledge.
bool ParallelEepromBus::readAck() {
    lines_.ClockHigh();
    const bool high = lines_.SampleData();
    lines_.ClockLow();
    return !high && !lines_.faulted();
}

std::uint8_t ParallelEepromBus::receiveByte() {
    std::uint8_t value = 0;
    for (int bit = 0; bit < 8; ++bit) {
        lines_.DataHigh();
        lines_.ClockHigh();
        const bool high = lines_.SampleData();
        lines_.ClockLow();
        value = static_cast<std::uint8_t>(value << 1 | (high ? 1 : 0));
    }
    progress_.stepBy(1);
    return value;
}

void ParallelEepromBus::ackByte() {
    lines_.DataLow();
    lines_.ClockHigh();
    lines_.ClockLow();
    lines_.DataHigh();
}

void ParallelEepromBus::leaveUnacknowledged() {
    lines_.ClockHigh();
    lines_.ClockLow();
}

// Only the last acknowledge decides; the earlier ones are read and let pass.
bool ParallelEepromBus::addressPhase(const EepromType& type, std::uint8_t deviceSelect,
                                     std::size_t address) {
    if (type.phase == AddressPhase::None) {
        return true;
    }
    start();
    sendByte(writeCommandByte(type, deviceSelect, address));
    readAck();
    if (type.phase == AddressPhase::TwoByte) {
        sendByte(static_cast<std::uint8_t>((address >> 8) & type.highMask));
        readAck();
    }
    sendByte(static_cast<std::uint8_t>(address & 0xFF));
    return readAck();
}

bool ParallelEepromBus::readCommand(std::uint8_t deviceSelect) {
    start();
    sendByte(readCommandByte(deviceSelect));
    return readAck();
}

bool ParallelEepromBus::readAll(const EepromType& type, std::uint8_t deviceSelect,
                                std::span<std::uint8_t> out) {
    if (!addressPhase(type, deviceSelect, 0) || !readCommand(deviceSelect)) {
        return false;
    }
    for (std::size_t i = 0; i < type.length; ++i) {
        out[i] = receiveByte();
        if (lines_.faulted()) {
            return false;
        }
        if (i + 1 < type.length) {
            ackByte();
        } else {
            leaveUnacknowledged();
        }
    }
    stop();
    clock_.sleepMs(kReadSettleMs);
    return !lines_.faulted();
}

// A missing acknowledge ends the page at once; the close sends the stop.
bool ParallelEepromBus::writePage(const EepromType& type, std::uint8_t deviceSelect,
                                  std::size_t address, std::span<const std::uint8_t> buffer) {
    if (!addressPhase(type, deviceSelect, address)) {
        return false;
    }
    for (std::size_t j = 0; j < type.page; ++j) {
        sendByte(buffer[address + j]);
        if (!readAck()) {
            return false;
        }
    }
    stop();
    clock_.sleepMs(kWriteCycleMs);
    return !lines_.faulted();
}

bool ParallelEepromBus::writeAll(const EepromType& type, std::uint8_t deviceSelect,
                                 std::span<const std::uint8_t> buffer) {
    for (std::size_t k = 0; k < type.length / type.page; ++k) {
        if (!writePage(type, deviceSelect, k * type.page, buffer)) {
            return false;
        }
    }
    clock_.sleepMs(kWriteEndMs);
    return true;
}

// A verify read that fails is a failed verify: bytes that were not read back
// cannot vouch for the write.
TransferResult ParallelEepromBus::write(const EepromType& type, std::uint8_t deviceSelect,
                                        std::span<const std::uint8_t> buffer) {
    open();
    TransferResult result = TransferResult::WriteFailed;
    if (writeAll(type, deviceSelect, buffer)) {
        progress_.setCaption(kVerifyCaption);
        progress_.setPosition(0);
        std::vector<std::uint8_t> scratch(type.length);
        const bool readBack = readAll(type, deviceSelect, scratch);
        const bool same = std::equal(scratch.begin(), scratch.end(), buffer.begin());
        result = readBack && same ? TransferResult::Verified : TransferResult::VerifyFailed;
    }
    close();
    return result;
}

TransferResult ParallelEepromBus::read(const EepromType& type, std::uint8_t deviceSelect,
                                       std::span<std::uint8_t> buffer) {
    open();
    const TransferResult result =
        readAll(type, deviceSelect, buffer) ? TransferResult::ReadDone : TransferResult::ReadFailed;
    close();
    return result;
}

} // namespace ccp::link
