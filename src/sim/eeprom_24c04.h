// The pager's serial EEPROM on the jig's two-wire bus, a 24C04 by default and
// any 24Cxx size by parameter. The device byte is 1010 followed by the select
// pins and, on chips of 512 to 2048 bytes, the upper address bits in place of
// the pins those chips lack; chips of 4096 bytes and more take a high and a
// low address byte. Written bytes go into a page buffer whose address wraps
// inside the page; a stop after them starts the write cycle, during which the
// chip acknowledges nothing. Reads run on from the address counter across the
// whole chip. Faults for tests: absent, no acknowledge from the k-th data byte
// on, and a bit flipped on its way out.
#pragma once

#include "link/clock.h"
#include "sim/two_wire_slave.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace ccp::sim {

class Eeprom24c04 final : public TwoWireSlave {
public:
    static constexpr std::size_t kSize = 512;
    // The longest write cycle of the family's data sheets, so that a bus
    // that waits less than a real chip may need is caught. The parallel bus
    // waits 50 ms after each page's stop.
    static constexpr std::uint64_t kWriteCycleUs = 10'000;

    // `deviceSelect` is the level of the select pins as the PC names it
    // (0 or 2 on the pager: A1 tied low or high). The page is the chip's
    // own: 8 bytes up to 256, 16 up to 2048, 32 up to 8192, then 64.
    Eeprom24c04(const link::Clock& clock, std::uint8_t deviceSelect = 0, std::size_t size = kSize);
    Eeprom24c04(const link::Clock& clock, std::uint8_t deviceSelect, std::size_t size,
                std::size_t page);

    std::size_t size() const { return memory_.size(); }
    std::size_t page() const { return page_; }
    const std::vector<std::uint8_t>& memory() const { return memory_; }
    std::vector<std::uint8_t>& memory() { return memory_; }
    std::size_t addressCounter() const { return counter_; }
    bool busy() const;

    // The USB jig's firmware reaching the chip over its own bus: whether the
    // chip answers `deviceSelect`, a byte as the chip sends it, a byte
    // programmed (false once the chip stops acknowledging).
    bool answers(std::uint8_t deviceSelect) const;
    std::uint8_t sendAt(std::size_t address) const;
    bool programAt(std::size_t address, std::uint8_t value);

    void setAbsent(bool absent) { absent_ = absent; }
    // From the `k`-th data byte written (0 = the first) on, the chip takes
    // nothing more and acknowledges nothing, and the page being loaded is lost.
    void failFromDataByte(std::size_t k) { failAt_ = k; }
    // Reading `address` gives its byte XOR `mask`; the memory keeps it.
    void flipOnRead(std::size_t address, std::uint8_t mask);

protected:
    bool addressed(std::uint8_t address) override;
    bool received(std::uint8_t byte) override;
    std::uint8_t nextToSend() override;
    void started() override;
    void stopped() override;
    void poweredDown() override;

private:
    struct Pending {
        std::size_t address;
        std::uint8_t value;
    };

    std::size_t addressBytes() const { return size() >= 4096 ? 2 : 1; }

    const link::Clock& clock_;
    std::uint8_t selectBits_;  // the pins' bits of the device byte
    std::uint8_t selectMask_;  // which device-byte bits are pins
    std::uint8_t carriedMask_; // address bits 8 and up carried in the device byte
    std::size_t page_;
    std::vector<std::uint8_t> memory_;
    std::vector<std::uint8_t> flips_;
    std::size_t counter_ = 0;
    std::size_t carried_ = 0;
    std::size_t addressNeeded_ = 0; // address bytes still to come
    std::size_t highByte_ = 0;
    std::vector<Pending> pending_;
    std::uint64_t busyUntilUs_ = 0;
    bool absent_ = false;
    std::size_t dataBytes_ = 0;
    bool failed_ = false;
    std::size_t failAt_ = std::numeric_limits<std::size_t>::max();
};

} // namespace ccp::sim
