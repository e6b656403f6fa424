#include "sim/pcd5003.h"

namespace ccp::sim {

namespace {

constexpr std::uint8_t kWriteAddress = 0x4E;
constexpr std::uint8_t kReadAddress = 0x4F;
constexpr std::uint8_t kPointerMask = 0x3F;

} // namespace

Pcd5003::Pcd5003(const link::Clock& clock) : clock_(clock) {
}

Pcd5003::Image Pcd5003::image() const {
    Image out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = memory_[slot(i)];
    }
    return out;
}

void Pcd5003::setImage(const Image& image) {
    for (std::size_t i = 0; i < image.size(); ++i) {
        memory_[slot(i)] = image[i];
    }
}

void Pcd5003::flipOnRead(std::size_t index, std::uint8_t mask) {
    if (index < kImageBytes) {
        flips_[slot(index)] = mask;
    }
}

std::uint8_t Pcd5003::sendImageByte(std::size_t index) const {
    const std::size_t at = slot(index % kImageBytes);
    return memory_[at] ^ flips_[at];
}

bool Pcd5003::programImageByte(std::size_t index, std::uint8_t value) {
    if (failed_ || programmed_ >= failAt_) {
        failed_ = true;
        return false;
    }
    ++programmed_;
    memory_[slot(index % kImageBytes)] = value;
    return true;
}

bool Pcd5003::addressed(std::uint8_t address) {
    if (absent_ || failed_) {
        return false;
    }
    if (address == kWriteAddress) {
        registerNamed_ = false;
        return true;
    }
    return address == kReadAddress;
}

bool Pcd5003::received(std::uint8_t byte) {
    if (failed_) {
        return false;
    }
    if (!registerNamed_) {
        selected_ = byte & kRegisterMask;
        registerNamed_ = true;
        return true;
    }
    switch (selected_) {
    case kDataRegister:
        return writeData(byte);
    case kPointerRegister:
        registers_[selected_] = byte & kPointerMask;
        return true;
    default:
        registers_[selected_] = byte;
        return true;
    }
}

// Without the enable in the control register a data byte is taken on the bus
// but not programmed.
bool Pcd5003::writeData(std::uint8_t byte) {
    if (clock_.nowUs() < busyUntilUs_) {
        return false;
    }
    if (registers_[kControlRegister] != kProgramEnable) {
        return true;
    }
    if (programmed_ >= failAt_) {
        failed_ = true;
        return false;
    }
    ++programmed_;
    std::uint8_t& pointer = registers_[kPointerRegister];
    memory_[pointer] = byte;
    pointer = (pointer + 1) & kPointerMask;
    busyUntilUs_ = clock_.nowUs() + kProgramByteUs;
    return true;
}

std::uint8_t Pcd5003::nextToSend() {
    if (selected_ != kDataRegister) {
        return registers_[selected_];
    }
    std::uint8_t& pointer = registers_[kPointerRegister];
    const std::uint8_t value = memory_[pointer] ^ flips_[pointer];
    pointer = (pointer + 1) & kPointerMask;
    return value;
}

void Pcd5003::poweredDown() {
    registers_.fill(0);
    selected_ = 0;
    registerNamed_ = false;
    busyUntilUs_ = 0;
}

} // namespace ccp::sim
