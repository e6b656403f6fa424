#include "link/transfers.h"

#include "link/bus_probe.h"

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

namespace {
// The pager's EEPROM: a 24C04 at device select 0 or 2.
constexpr std::uint16_t kPagerEepromCode = 4;
constexpr std::uint8_t kOtherSelect = 2;
} // namespace

EepromPresence ProgrammerTransfers::EepromPresent(std::uint8_t deviceSelect) {
    const EepromType& type = *findEepromType(kPagerEepromCode);
    if (link_.UsbActive)
        return usb_ != nullptr ? usb_->presence(type, deviceSelect) : EepromPresence::Failed;
    const PortClaim claim(&port_, link_.PortBase);
    if (!claim.held())
        return EepromPresence::Failed;
    lines_.clearFault();
    // Presence low: no powered jig on the port.
    if (!lines_.readLine(kPresenceLine) || lines_.faulted()) {
        lookPowered_.reset();
        return EepromPresence::Failed;
    }
    if (lookPowered_ != link_.PortBase || !lines_.readLine(kD3Line)) {
        lines_.LinesOn();
        lines_.BusOn();
        lookPowered_ = link_.PortBase;
    }
    BusProbe probe(lines_);
    const auto select = [&](std::uint8_t which) {
        return probe.acknowledges(writeCommandByte(type, which, 0), BusPace::Eeprom);
    };
    EepromPresence found = EepromPresence::Silent;
    if (select(deviceSelect))
        found = EepromPresence::Answers;
    else if (!lines_.faulted() && select(deviceSelect ^ kOtherSelect))
        found = EepromPresence::OtherSelect;
    if (lines_.faulted()) {
        lookPowered_.reset();
        return EepromPresence::Failed;
    }
    return found;
}

void ProgrammerTransfers::EndPresenceLooks() {
    if (!lookPowered_ || link_.UsbActive)
        return;
    ProgrammerLink powered = link_;
    powered.PortBase = *lookPowered_;
    lookPowered_.reset();
    const PortClaim claim(&port_, powered.PortBase);
    if (!claim.held())
        return;
    PortLines lines(port_, clock_, powered);
    lines.BusOff();
    lines.LinesOff();
    lines.DataLow();
    lines.ClockLow();
}

} // namespace ccp::link
