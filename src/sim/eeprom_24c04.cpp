#include "sim/eeprom_24c04.h"

#include "link/stop_point.h"

#include <algorithm>

namespace ccp::sim {

namespace {

constexpr std::uint8_t kDeviceCode = 0xA0;
constexpr std::uint8_t kDeviceCodeMask = 0xF0;
constexpr std::uint8_t kReadBit = 0x01;
constexpr std::uint8_t kPinBits = 0x0E;

std::size_t familyPage(std::size_t size) {
    if (size <= 256) {
        return 8;
    }
    if (size <= 2048) {
        return 16;
    }
    return size <= 8192 ? 32 : 64;
}

// Device-byte bits 3..1 that carry address bits 8 and up: none up to 256
// bytes, A8 on a 24C04, A9-A8 on a 24C08, A10-A8 on a 24C16; the two-byte
// addressed chips carry none.
std::uint8_t carriedBits(std::size_t size) {
    if (size <= 256 || size >= 4096) {
        return 0x00;
    }
    std::uint8_t bits = 0;
    for (std::size_t pages = (size - 1) >> 8; pages != 0; pages >>= 1) {
        bits = static_cast<std::uint8_t>(bits << 1 | 1);
    }
    return static_cast<std::uint8_t>((bits << 1) & kPinBits);
}

} // namespace

Eeprom24c04::Eeprom24c04(const link::Clock& clock, std::uint8_t deviceSelect, std::size_t size)
    : Eeprom24c04(clock, deviceSelect, size, familyPage(size)) {
}

Eeprom24c04::Eeprom24c04(const link::Clock& clock, std::uint8_t deviceSelect, std::size_t size,
                         std::size_t page)
    : clock_(clock), carriedMask_(carriedBits(size)), page_(std::max<std::size_t>(page, 1)),
      memory_(std::max<std::size_t>(size, 1), 0xFF), flips_(memory_.size(), 0x00) {
    selectMask_ = static_cast<std::uint8_t>(kPinBits & ~carriedMask_);
    selectBits_ = static_cast<std::uint8_t>((deviceSelect << 1) & selectMask_);
}

bool Eeprom24c04::busy() const {
    return clock_.nowUs() < busyUntilUs_;
}

void Eeprom24c04::flipOnRead(std::size_t address, std::uint8_t mask) {
    if (address < flips_.size()) {
        flips_[address] = mask;
    }
}

bool Eeprom24c04::answers(std::uint8_t deviceSelect) const {
    return !absent_ && !failed_ && ((deviceSelect << 1) & selectMask_) == selectBits_;
}

std::uint8_t Eeprom24c04::sendAt(std::size_t address) const {
    const std::size_t at = address % size();
    return memory_[at] ^ flips_[at];
}

bool Eeprom24c04::programAt(std::size_t address, std::uint8_t value) {
    if (failed_ || dataBytes_ >= failAt_) {
        failed_ = true;
        return false;
    }
    ++dataBytes_;
    memory_[address % size()] = value;
    link::stopPoint("eeprom-programmed");
    return true;
}

bool Eeprom24c04::addressed(std::uint8_t address) {
    if (absent_ || failed_ || busy() || (address & kDeviceCodeMask) != kDeviceCode ||
        (address & selectMask_) != selectBits_) {
        return false;
    }
    if ((address & kReadBit) == 0) {
        carried_ = static_cast<std::size_t>((address & carriedMask_) >> 1) << 8;
        addressNeeded_ = addressBytes();
        pending_.clear();
    }
    return true;
}

bool Eeprom24c04::received(std::uint8_t byte) {
    if (failed_) {
        return false;
    }
    if (addressNeeded_ == 2) {
        highByte_ = byte;
        --addressNeeded_;
        return true;
    }
    if (addressNeeded_ == 1) {
        const std::size_t high = addressBytes() == 2 ? highByte_ << 8 : carried_;
        counter_ = (high | byte) % size();
        --addressNeeded_;
        return true;
    }
    if (dataBytes_ >= failAt_) {
        failed_ = true;
        pending_.clear();
        return false;
    }
    ++dataBytes_;
    pending_.push_back(Pending{counter_, byte});
    const std::size_t pageBase = counter_ - counter_ % page_;
    counter_ = pageBase + (counter_ % page_ + 1) % page_;
    return true;
}

std::uint8_t Eeprom24c04::nextToSend() {
    const std::uint8_t value = memory_[counter_] ^ flips_[counter_];
    counter_ = (counter_ + 1) % size();
    return value;
}

// A start in the middle of a write (the repeated start of a random read)
// drops the loaded bytes; only a stop programs them.
void Eeprom24c04::started() {
    pending_.clear();
    addressNeeded_ = 0;
}

void Eeprom24c04::stopped() {
    addressNeeded_ = 0;
    if (pending_.empty() || failed_) {
        pending_.clear();
        return;
    }
    for (const Pending& p : pending_) {
        memory_[p.address] = p.value;
    }
    pending_.clear();
    busyUntilUs_ = clock_.nowUs() + kWriteCycleUs;
    link::stopPoint("eeprom-programmed");
}

void Eeprom24c04::poweredDown() {
    pending_.clear();
    addressNeeded_ = 0;
    busyUntilUs_ = 0;
}

} // namespace ccp::sim
