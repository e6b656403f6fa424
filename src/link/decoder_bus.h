// The PCD5003 decoder's register block on the parallel-port jig, on a slow
// two-wire bus that shares the EEPROM's lines: the data line is held 480 us
// per change, and each byte programmed is preceded by a 40 ms busy-wait. The
// 48-byte DecoderImage is eight blocks of six bytes; block k sits at the
// chip's block pointer 8k. Each transfer opens the lines (1.5 s for the
// decoder to come up) and closes them with LinesOff before BusOff, the
// reverse of the EEPROM transfer. A failed port access fails the transfer.
#pragma once

#include "link/clock.h"
#include "link/port_lines.h"
#include "link/transfer_progress.h"
#include "link/transfer_result.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace ccp::link {

class ParallelDecoderBus {
public:
    static constexpr std::size_t kBlocks = 8;
    static constexpr std::size_t kBlockBytes = 6;
    static constexpr std::size_t kImageBytes = kBlocks * kBlockBytes;
    static constexpr unsigned kOpenSettleMs = 1500;
    static constexpr unsigned kProgramByteMs = 40;

    ParallelDecoderBus(PortLines& lines, Clock& clock, TransferProgress& progress);

    // `buffer` holds at least kImageBytes bytes (the caller checks).
    // Done, or Failed with the lines closed after the first block that failed.
    DecoderResult read(std::span<std::uint8_t> buffer);
    // Done when every block was programmed and read back the same; Failed
    // when a block could not be programmed; VerifyFailed otherwise.
    DecoderResult program(std::span<const std::uint8_t> buffer);

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

    bool registerWrite(std::uint8_t reg, std::uint8_t value);
    bool registerBlockWrite(std::uint8_t reg, std::span<const std::uint8_t> bytes);
    bool registerFrame(std::uint8_t reg, std::span<const std::uint8_t> bytes,
                       unsigned waitBeforeEachMs);
    bool registerBlockRead(std::span<std::uint8_t> out);
    bool writeBlock(std::size_t k, std::span<const std::uint8_t> bytes);
    bool readBlock(std::size_t k, std::span<std::uint8_t> out);

    PortLines& lines_;
    Clock& clock_;
    TransferProgress& progress_;
};

} // namespace ccp::link
