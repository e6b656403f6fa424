// The USB programming jig as the PC sees it: a HID device (vendor 0x04D8,
// product 0x1000, "A31 programmer", version 2, 65-byte reports by default)
// whose firmware runs each command on the pager's EEPROM and decoder, the
// same chip objects the parallel jig drives. It checks the CRC of every
// report (0x43 when it does not hold) and answers each command with its reply
// code: 0x40 done for the EEPROM and bracket commands, 0x41 done for the
// decoder commands, 0x41 no EEPROM, 0x40 no decoder. Tests can make it answer
// any code to a command, or nothing at all.
#pragma once

#include "sim/eeprom_24c04.h"
#include "sim/pcd5003.h"
#include "sim/simulated_hid_backend.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ccp::sim {

class VirtualUsbJig final : public VirtualHidDevice {
public:
    VirtualUsbJig(Eeprom24c04& eeprom, Pcd5003& decoder);

    std::uint16_t vendorId() const override { return vendor_; }
    std::uint16_t productId() const override { return product_; }
    std::uint16_t version() const override { return version_; }
    std::optional<std::string> productString() const override { return name_; }
    link::HidCaps caps() const override { return caps_; }
    std::vector<Report> onOutputReport(std::span<const std::uint8_t> report) override;

    void setIdentity(std::uint16_t vendor, std::uint16_t product, std::string name) {
        vendor_ = vendor;
        product_ = product;
        name_ = std::move(name);
    }
    void setVersion(std::uint16_t version) { version_ = version; }
    void setCaps(link::HidCaps caps) { caps_ = caps; }
    // Every later `command` is answered with `code` and not carried out.
    void replyWith(std::uint8_t command, std::uint8_t code) { forced_[command] = code; }
    // From the `n`-th report on (0 = the next), no answer at all.
    void silenceAfter(std::size_t n) { silentFrom_ = received_ + n; }
    // Every later `command` is answered `ms` after it was sent (no time by
    // default), as a firmware doing the command's work.
    void answerAfter(std::uint8_t command, unsigned ms) { delaysMs_[command] = ms; }
    std::uint64_t answerDelayUs(std::span<const std::uint8_t> report) const override;

    // The commands taken, in order, and whether the attach command came.
    const std::vector<std::uint8_t>& commands() const { return commands_; }
    bool attached() const { return attached_; }

private:
    Report reply(std::uint8_t code) const;
    std::uint8_t eepromRead(std::span<const std::uint8_t> report, Report& out);
    std::uint8_t eepromWrite(std::span<const std::uint8_t> report);

    Eeprom24c04& eeprom_;
    Pcd5003& decoder_;
    std::uint16_t vendor_ = 0x04D8;
    std::uint16_t product_ = 0x1000;
    std::uint16_t version_ = 2;
    std::string name_ = "A31 programmer";
    link::HidCaps caps_{65, 65};
    std::map<std::uint8_t, std::uint8_t> forced_;
    std::map<std::uint8_t, unsigned> delaysMs_;
    std::size_t received_ = 0;
    std::size_t silentFrom_ = static_cast<std::size_t>(-1);
    std::vector<std::uint8_t> commands_;
    bool attached_ = false;
};

} // namespace ccp::sim
