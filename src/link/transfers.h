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
#include <span>
#include <string>

namespace ccp::link {

// The USB jig's side of both transfers; it shows its own error boxes.
class UsbTransport {
public:
    virtual ~UsbTransport() = default;
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

private:
    const ProgrammerLink& link_;
    PortDriver& port_;
    PortLines lines_;
    Clock& clock_;
    TransferProgress& progress_;
    UsbTransport* usb_ = nullptr;
};

} // namespace ccp::link
