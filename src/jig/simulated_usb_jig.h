// The USB jig with a virtual pager in its seat: a virtual
// USB jig (version 2, 65-byte reports) on a simulated HID back-end, plugged
// in from the start, so the first scan after start-up takes it. The pager is
// the one of sim:FILE, kept in FILE by the same rules and on the same time;
// its EEPROM is seated
// once the platform steps are done and answers their device select. Until
// then the jig finds no EEPROM. The parallel port is not offered. With a
// folder for a socket, the socket is looked at before each report; while it
// cannot be used the jig answers every report with its "USB error" code,
// as a firmware that cannot reach its seat.
#pragma once

#include "jig/absent_port.h"
#include "jig/jig.h"
#include "jig/simulated_jig.h"
#include "sim/simulated_hid_backend.h"
#include "sim/virtual_usb_jig.h"

#include <functional>
#include <memory>
#include <optional>

namespace ccp::jig {

// The jig as the PC sees it: the firmware of the seated pager, or before
// that of an empty seat, which answers the same but has no EEPROM.
class UsbJigSeat final : public sim::VirtualHidDevice {
public:
    // Both outlive the object.
    UsbJigSeat(const link::Clock& clock, sim::Pcd5003& decoder);

    // Puts `eeprom` in the seat; later calls change nothing.
    void seat(sim::Eeprom24c04& eeprom);
    // Runs before each report; false answers it with the USB error code.
    void setBeforeReport(std::function<bool()> before) { before_ = std::move(before); }

    std::uint16_t vendorId() const override { return jig().vendorId(); }
    std::uint16_t productId() const override { return jig().productId(); }
    std::uint16_t version() const override { return jig().version(); }
    std::optional<std::string> productString() const override { return jig().productString(); }
    link::HidCaps caps() const override { return jig().caps(); }
    std::vector<sim::Report> onOutputReport(std::span<const std::uint8_t> report) override;

private:
    sim::VirtualUsbJig& jig() { return seated_ ? *seated_ : emptyJig_; }
    const sim::VirtualUsbJig& jig() const { return seated_ ? *seated_ : emptyJig_; }

    sim::Pcd5003& decoder_;
    sim::Eeprom24c04 noEeprom_;
    sim::VirtualUsbJig emptyJig_;
    std::optional<sim::VirtualUsbJig> seated_;
    std::function<bool()> before_;
};

class SimulatedUsbJig final : public VirtualPagerJig {
public:
    explicit SimulatedUsbJig(std::unique_ptr<VirtualPager> pager);

    link::PortDriver& port() override { return noPort_; }
    link::HidBackend* hid() override { return &backend_; }
    void ready(const WindowState& window) override;

private:
    AbsentPort noPort_;
    UsbJigSeat jig_{pager().clock(), pager().decoder()};
    // Last, so that it goes before the jig plugged into it.
    sim::SimulatedHidBackend backend_{pager().clock()};
};

} // namespace ccp::jig
