// The USB jig's report protocol. The jig does the bit-level work; the PC
// sends one output report per command and reads one input report as its
// reply. Output: byte 0 report ID 0, byte 1 the command, arguments from byte
// 2, and in the last byte the CRC-8 of bytes 1 to length - 2. Input: byte 1
// the reply code, data from byte 3. Both report buffers live as long as the
// jig object, so bytes a command does not set keep what the last report left.
// From jig version 2 on every transfer is bracketed by "(" and ")". An error
// reply shows its message box and ends the transfer with 255; a jig that
// does not answer within its command's reply time-out, or is gone, is a USB
// error, and no command goes to it until the reply it owes has come.
#pragma once

#include "form/user_interface.h"
#include "link/clock.h"
#include "link/hid_device.h"
#include "link/programmer_link.h"
#include "link/transfer_progress.h"
#include "link/transfers.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ccp::link {

// CRC-8/MAXIM: reflected polynomial 0x8C, initial value 0, no final XOR.
std::uint8_t Crc8(std::span<const std::uint8_t> bytes);

namespace usb {
inline constexpr std::uint8_t kAttach = 0x13;
inline constexpr std::uint8_t kReadEeprom = 0x14;
inline constexpr std::uint8_t kWriteEeprom = 0x15;
inline constexpr std::uint8_t kReadDecoder = 0x1E;
inline constexpr std::uint8_t kProgramDecoder = 0x1F;
inline constexpr std::uint8_t kBegin = 0x28; // "("
inline constexpr std::uint8_t kEnd = 0x29;   // ")"
// Reply codes. 0x40 is done after the EEPROM and bracket commands and "no
// decoder" after the decoder commands; 0x41 the other way round.
inline constexpr std::uint8_t kReplyEepromDone = 0x40;
inline constexpr std::uint8_t kReplyNoDecoder = 0x40;
inline constexpr std::uint8_t kReplyDecoderDone = 0x41;
inline constexpr std::uint8_t kReplyNoEeprom = 0x41;
inline constexpr std::uint8_t kReplyUsbError = 0x42;
inline constexpr std::uint8_t kReplyCrcError = 0x43;
inline constexpr std::uint8_t kReplyBadCommand = 0x44;
inline constexpr std::size_t kChunk = 32;
inline constexpr std::size_t kDecoderBytes = 30;
// The shortest reports that hold every command's bytes and its CRC, and the
// 32 data bytes of a reply.
inline constexpr std::size_t kMinOutputLength = 39;
inline constexpr std::size_t kMinInputLength = 35;

// How long the jig may take to answer each command: the work the command
// asks of it, with a margin of at least two for USB polling and a slow
// firmware. Too short and a good transfer fails; too long and a jig that has
// hung holds the window that long.
//
// The attach command asks for no bus work at all.
inline constexpr int kAttachTimeoutMs = 1000;
// "(" and ")" switch the pager's lines on and off; how long the firmware
// lets them settle is its own affair (the PC sleeps 20 ms before reading
// and 1 s after ")"), so these keep the generous 3 s jigs have always met.
inline constexpr int kBracketTimeoutMs = 3000;
// 32 bytes on the EEPROM's two-wire bus: about 300 clocks, 3 ms at 100 kHz
// and 10 ms even at the parallel jig's pace.
inline constexpr int kReadChunkTimeoutMs = 1000;
// 32 bytes are two 16-byte pages of up to 10 ms write cycle each; a firmware
// that writes byte by byte needs 32 cycles, 320 ms.
inline constexpr int kWriteChunkTimeoutMs = 1000;
// 30 decoder bytes are five 6-byte blocks at the decoder bus's pace (480 us
// per data change, 40 ms before a register write's byte): about 0.1 s a
// block read, plus the 1.5 s the decoder bus is given to settle when opened.
inline constexpr int kReadDecoderTimeoutMs = 5000;
// Programming the five blocks takes about 0.3 s each, 1.5 s, plus the same
// 1.5 s of settling: the 3 s that once was every command's limit would
// fail a good jig on a slow chip.
inline constexpr int kProgramDecoderTimeoutMs = 8000;
// How long a reply that missed its time-out is still waited for before the
// next command goes out.
inline constexpr int kLateReplySettleMs = 1000;
} // namespace usb

// The reply time-out of `command`; an unknown command gets the brackets'.
int replyTimeoutMs(std::uint8_t command);

class UsbJig final : public UsbTransport {
public:
    // All outlive the object; the link's JigVersion is read at every transfer.
    UsbJig(const ProgrammerLink& link, Clock& clock, TransferProgress& progress,
           form::UserInterface& ui);

    // The held device, or nullptr. A new device owes no replies.
    void setDevice(THidDevice* device) {
        if (device != device_) {
            owed_ = 0;
        }
        device_ = device;
    }
    THidDevice* device() const { return device_; }

    TransferResult eeprom(const EepromType& type, std::uint8_t deviceSelect, bool read,
                          std::span<std::uint8_t> buffer) override;
    DecoderResult decoder(bool read, std::span<std::uint8_t> buffer) override;
    // Reads the first 32 bytes of the EEPROM at `deviceSelect` as a read
    // transfer does ("(" and its 20 ms on jigs from version 2, one 0x14 at
    // address 0) and looks only at the reply code: 0x41 is the jig's "no
    // EEPROM". Silent then tries the other select in the same way, and a
    // select nothing answers ends there as every error reply ends a transfer,
    // without ")". An EEPROM that answered gets ")" and the transfer's 1 s
    // close. Shows no box: a jig that does not answer is Failed.
    EepromPresence presence(const EepromType& type, std::uint8_t deviceSelect) override;

    // The attach command: written once when the jig is taken; the reply is
    // read and not looked at.
    void sendAttach();

    const std::vector<std::uint8_t>& outputReport() const { return out_; }
    // Replies the held jig still owes: commands whose reply did not come in
    // time.
    std::size_t owedReplies() const { return owed_; }

private:
    enum class Replies { Eeprom, Decoder };

    bool prepare();
    // The reply code to `command`; nothing when the jig did not answer, or
    // still owes the reply to an earlier one.
    std::optional<std::uint8_t> send(std::uint8_t command, unsigned sleepMs,
                                     int stepAfterWrite = 0);
    std::optional<std::uint8_t> readAt(std::uint8_t block, std::size_t address);
    bool settle();
    bool exchange(std::uint8_t command, Replies replies, unsigned sleepMs = 0,
                  int stepAfterWrite = 0);
    bool bracket(std::uint8_t command);
    bool readChunks(std::uint8_t block, std::size_t length, std::span<std::uint8_t> into);
    void fill(std::size_t first, std::size_t last, std::uint8_t value);
    void usbError();

    const ProgrammerLink& link_;
    Clock& clock_;
    TransferProgress& progress_;
    form::UserInterface& ui_;
    THidDevice* device_ = nullptr;
    std::vector<std::uint8_t> out_;
    std::vector<std::uint8_t> in_;
    std::size_t owed_ = 0;
};

} // namespace ccp::link
