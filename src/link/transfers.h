// The two entry points through which the pager operations reach the pager:
// EepromTransfer for the serial EEPROM and DecoderTransfer for the decoder's
// register block. Each looks at the link when it is called: while a USB jig is
// held the USB transport carries the transfer, otherwise the parallel-port
// buses at the link's port do. A buffer too short for the transfer is refused
// before anything moves on the jig.
#pragma once

#include "link/clock.h"
#include "link/decoder_bus.h"
#include "link/eeprom_bus.h"
#include "link/eeprom_types.h"
#include "link/port_driver.h"
#include "link/port_lines.h"
#include "link/programmer_link.h"
#include "link/transfer_progress.h"
#include "link/transfer_result.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace ccp::link {

// What a look for the pager's EEPROM found: it answers the device select
// asked for; it does not, but answers the other select a pager can have (a
// pager of another platform group); nothing answers (no pager on the jig);
// the jig itself failed (no jig, a port or USB error).
enum class EepromPresence { Answers, OtherSelect, Silent, Failed };

// The USB jig's side of both transfers; it shows its own error boxes.
class UsbTransport {
public:
    virtual ~UsbTransport() = default;
    // Shows no box; changes nothing on the pager. A transport that cannot
    // look fails.
    virtual EepromPresence presence(const EepromType& type, std::uint8_t deviceSelect) {
        (void)type;
        (void)deviceSelect;
        return EepromPresence::Failed;
    }
    virtual TransferResult eeprom(const EepromType& type, std::uint8_t deviceSelect, bool read,
                                  std::span<std::uint8_t> buffer) = 0;
    virtual DecoderResult decoder(bool read, std::span<std::uint8_t> buffer) = 0;
};

class ProgrammerTransfers {
public:
    // All outlive the object; the link is read at every call.
    ProgrammerTransfers(const ProgrammerLink& link, PortDriver& port, Clock& clock,
                        TransferProgress& progress);

    // nullptr: no USB transport; a transfer while UsbActive then fails.
    void setUsbTransport(UsbTransport* usb) { usb_ = usb; }

    // `typeCode` is a decimal text ("04" for the pager); a code outside the
    // type table transfers nothing (WriteFailed or ReadFailed). `mode` "R" in
    // either case reads into `buffer`, anything else writes from it.
    TransferResult EepromTransfer(const std::string& typeCode, std::uint8_t deviceSelect,
                                  const std::string& mode, std::span<std::uint8_t> buffer);
    // 48 bytes on the parallel port.
    DecoderResult DecoderTransfer(const std::string& mode, std::span<std::uint8_t> buffer);

    // Holds the parallel port at the link's PortBase for an operation of
    // several transfers, so that no other program takes it between them;
    // nothing while a USB jig carries the transfers. A parallel transfer
    // claims the port itself as well: inside an operation that claim costs
    // nothing, and when the operation's claim failed the transfer ends at
    // once with its failure code, the lines untouched.
    [[nodiscard]] PortClaim claimPort();

    // Whether the pager's EEPROM (type "04") answers `deviceSelect`, changing
    // nothing on it. On the parallel port: the bus is powered as a transfer
    // powers it (LinesOn, BusOn and its 500 ms) unless an earlier look left
    // it so, then one start, the EEPROM's write select and its acknowledge,
    // and a stop, at the EEPROM bus's pace: about 1.4 ms on the bus; the
    // other select is tried the same way when the own one is silent. The bus
    // stays powered for the next look until EndPresenceLooks(), so that a
    // look every half second costs the 500 ms only once. Over USB: see
    // UsbJig::presence.
    EepromPresence EepromPresent(std::uint8_t deviceSelect);
    // Switches the bus off as a transfer's end does, when a look left it on;
    // before an operation and when the looks stop.
    void EndPresenceLooks();

private:
    const ProgrammerLink& link_;
    PortDriver& port_;
    PortLines lines_;
    Clock& clock_;
    TransferProgress& progress_;
    UsbTransport* usb_ = nullptr;
    // The port whose bus a presence look left powered.
    std::optional<std::uint16_t> lookPowered_;
};

} // namespace ccp::link
