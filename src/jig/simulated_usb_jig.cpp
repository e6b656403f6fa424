#include "jig/simulated_usb_jig.h"

#include "link/usb_jig.h"

namespace ccp::jig {

UsbJigSeat::UsbJigSeat(const link::Clock& clock, sim::Pcd5003& decoder)
    : decoder_(decoder), noEeprom_(clock), emptyJig_(noEeprom_, decoder) {
    noEeprom_.setAbsent(true);
}

std::vector<sim::Report> UsbJigSeat::onOutputReport(std::span<const std::uint8_t> report) {
    if (before_ && !before_()) {
        sim::Report error(caps().inputReportLength, 0);
        if (error.size() > 1)
            error[1] = link::usb::kReplyUsbError;
        return {error};
    }
    return jig().onOutputReport(report);
}

void UsbJigSeat::seat(sim::Eeprom24c04& eeprom) {
    if (!seated_)
        seated_.emplace(eeprom, decoder_);
}

SimulatedUsbJig::SimulatedUsbJig(std::unique_ptr<VirtualPager> pager)
    : VirtualPagerJig(std::move(pager)) {
    if (this->pager().socket()) {
        jig_.setBeforeReport([this] {
            this->pager().look();
            return this->pager().fault().empty();
        });
    }
    backend_.plug(jig_);
}

void SimulatedUsbJig::ready(const WindowState& window) {
    jig_.seat(pager().seat(window.eepromDeviceSelect));
}

} // namespace ccp::jig
