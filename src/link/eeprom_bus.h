// The pager's serial EEPROM on the parallel-port jig, clocked bit by bit: start
// and stop conditions, bytes with their acknowledges, the address phase that
// sets the chip's address counter, page writes with the chip's 50 ms write
// cycle, a sequential read of the whole chip, and the verify pass that reads
// everything back after a write. Each transfer opens the jig lines and closes
// them again on every path; nothing is retried. A port access that fails ends
// the transfer with its failure code.
#pragma once

#include "link/clock.h"
#include "link/eeprom_types.h"
#include "link/port_lines.h"
#include "link/transfer_progress.h"
#include "link/transfer_result.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace ccp::link {

class ParallelEepromBus {
public:
    // The chip powers up and settles before the first start.
    static constexpr unsigned kOpenSettleMs = 800;
    static constexpr unsigned kWriteCycleMs = 50;
    static constexpr unsigned kReadSettleMs = 50;
    static constexpr unsigned kWriteEndMs = 10;

    ParallelEepromBus(PortLines& lines, Clock& clock, TransferProgress& progress);

    // `buffer` holds at least type.length bytes (the caller checks).
    TransferResult write(const EepromType& type, std::uint8_t deviceSelect,
                         std::span<const std::uint8_t> buffer);
    TransferResult read(const EepromType& type, std::uint8_t deviceSelect,
                        std::span<std::uint8_t> buffer);

private:
    void open();
    void close();

    void start();
    void stop();
    void sendByte(std::uint8_t byte);
    bool readAck();
    std::uint8_t receiveByte();
    void ackByte();
    void leaveUnacknowledged();

    bool addressPhase(const EepromType& type, std::uint8_t deviceSelect, std::size_t address);
    bool readCommand(std::uint8_t deviceSelect);
    bool readAll(const EepromType& type, std::uint8_t deviceSelect, std::span<std::uint8_t> out);
    bool writePage(const EepromType& type, std::uint8_t deviceSelect, std::size_t address,
                   std::span<const std::uint8_t> buffer);
    bool writeAll(const EepromType& type, std::uint8_t deviceSelect,
                  std::span<const std::uint8_t> buffer);

    PortLines& lines_;
    Clock& clock_;
    TransferProgress& progress_;
};

} // namespace ccp::link
