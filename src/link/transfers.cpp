#include "link/transfers.h"

namespace ccp::link {

bool isReadMode(std::string_view mode) {
    return mode == "R" || mode == "r";
}

ProgrammerTransfers::ProgrammerTransfers(const ProgrammerLink& link, PortDriver& port, Clock& clock,
                                         TransferProgress& progress)
    : link_(link), port_(port), lines_(port, clock, link), clock_(clock), progress_(progress) {
}

PortClaim ProgrammerTransfers::claimPort() {
    return PortClaim(link_.UsbActive ? nullptr : &port_, link_.PortBase);
}

TransferResult ProgrammerTransfers::EepromTransfer(const std::string& typeCode,
                                                   std::uint8_t deviceSelect,
                                                   const std::string& mode,
                                                   std::span<std::uint8_t> buffer) {
    const EepromType* type = findEepromType(eepromTypeCode(typeCode));
    const bool read = isReadMode(mode);
    const TransferResult refused = read ? TransferResult::ReadFailed : TransferResult::WriteFailed;
    if (type == nullptr) {
        return refused;
    }
    if (link_.UsbActive) {
        return usb_ != nullptr ? usb_->eeprom(*type, deviceSelect, read, buffer)
                               : TransferResult::UsbError;
    }
    if (buffer.size() < type->length) {
        return refused;
    }
    const PortClaim claim(&port_, link_.PortBase);
    if (!claim.held()) {
        return refused;
    }
    ParallelEepromBus bus(lines_, clock_, progress_);
    return read ? bus.read(*type, deviceSelect, buffer) : bus.write(*type, deviceSelect, buffer);
}

DecoderResult ProgrammerTransfers::DecoderTransfer(const std::string& mode,
                                                   std::span<std::uint8_t> buffer) {
    const bool read = isReadMode(mode);
    if (link_.UsbActive) {
        return usb_ != nullptr ? usb_->decoder(read, buffer) : DecoderResult::UsbError;
    }
    if (buffer.size() < ParallelDecoderBus::kImageBytes) {
        return DecoderResult::Failed;
    }
    const PortClaim claim(&port_, link_.PortBase);
    if (!claim.held()) {
        return DecoderResult::Failed;
    }
    ParallelDecoderBus bus(lines_, clock_, progress_);
    return read ? bus.read(buffer) : bus.program(buffer);
}

} // namespace ccp::link
