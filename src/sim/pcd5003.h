// The pager's PCD5003 paging decoder on the jig's two-wire bus (0x4E write,
// 0x4F read). The first byte of a write names a register and the bytes after
// it go to that register: 0 is the control register (2 enables programming),
// 7 the block pointer, 10 the data register, which reads and writes the
// non-volatile block memory at the pointer and moves the pointer on. Block k
// of the DecoderImage (6 bytes) sits at pointer 8k. Each programmed byte
// takes a while, during which the chip refuses the next one. Faults for
// tests: absent, no acknowledge from the k-th programmed byte on, and a bit
// flipped on its way out.
#pragma once

#include "link/clock.h"
#include "sim/two_wire_slave.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace ccp::sim {

class Pcd5003 final : public TwoWireSlave {
public:
    static constexpr std::size_t kBlocks = 8;
    static constexpr std::size_t kBlockBytes = 6;
    static constexpr std::size_t kImageBytes = kBlocks * kBlockBytes;
    static constexpr std::uint8_t kControlRegister = 0;
    static constexpr std::uint8_t kPointerRegister = 7;
    static constexpr std::uint8_t kDataRegister = 10;
    static constexpr std::uint8_t kProgramEnable = 2;
    // The jig busy-waits 40 ms before each byte it programs.
    static constexpr std::uint64_t kProgramByteUs = 20000;

    using Image = std::array<std::uint8_t, kImageBytes>;

    explicit Pcd5003(const link::Clock& clock);

    // Bytes 6k to 6k + 5 are block k.
    Image image() const;
    void setImage(const Image& image);
    std::uint8_t reg(std::uint8_t index) const { return registers_[index & kRegisterMask]; }

    // The USB jig's firmware reaching the chip over its own bus: whether it
    // answers, an image byte as the chip sends it, a byte programmed (false
    // once the chip stops acknowledging).
    bool answers() const { return !absent_ && !failed_; }
    std::uint8_t sendImageByte(std::size_t index) const;
    bool programImageByte(std::size_t index, std::uint8_t value);

    void setAbsent(bool absent) { absent_ = absent; }
    // From the `k`-th byte programmed (0 = the first) on, the chip
    // acknowledges nothing.
    void failFromProgrammedByte(std::size_t k) { failAt_ = k; }
    // Reading image byte `index` gives it XOR `mask`; the memory keeps it.
    void flipOnRead(std::size_t index, std::uint8_t mask);

protected:
    bool addressed(std::uint8_t address) override;
    bool received(std::uint8_t byte) override;
    std::uint8_t nextToSend() override;
    void started() override { registerNamed_ = false; }
    void poweredDown() override;

private:
    static constexpr std::size_t kPointerSpace = 64;
    static constexpr std::uint8_t kRegisterMask = 0x0F;

    static std::size_t slot(std::size_t index) {
        return index / kBlockBytes * 8 + index % kBlockBytes;
    }
    bool writeData(std::uint8_t byte);

    const link::Clock& clock_;
    std::array<std::uint8_t, kRegisterMask + 1> registers_{};
    std::array<std::uint8_t, kPointerSpace> memory_{};
    std::array<std::uint8_t, kPointerSpace> flips_{};
    std::uint8_t selected_ = 0;
    bool registerNamed_ = false;
    std::uint64_t busyUntilUs_ = 0;
    bool absent_ = false;
    bool failed_ = false;
    std::size_t programmed_ = 0;
    std::size_t failAt_ = std::numeric_limits<std::size_t>::max();
};

} // namespace ccp::sim
