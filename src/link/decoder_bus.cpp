#include "link/decoder_bus.h"

#include "link/delay.h"

#include <algorithm>
#include <array>

namespace ccp::link {

namespace {

constexpr std::uint8_t kWriteAddress = 0x4E;
constexpr std::uint8_t kReadAddress = 0x4F;
constexpr std::uint8_t kControlRegister = 0;
constexpr std::uint8_t kPointerRegister = 7;
constexpr std::uint8_t kDataRegister = 10;
constexpr std::uint8_t kProgramEnable = 2;
constexpr std::uint8_t kProgramDisable = 0;
constexpr std::size_t kPointerStride = 8;

} // namespace

ParallelDecoderBus::ParallelDecoderBus(PortLines& lines, Clock& clock, TransferProgress& progress)
    : lines_(lines), clock_(clock), progress_(progress) {
}

void ParallelDecoderBus::open() {
    lines_.clearFault();
    lines_.LinesOn();
    lines_.BusOn();
    clock_.sleepMs(kOpenSettleMs);
}

void ParallelDecoderBus::close() {
    lines_.LinesOff();
    lines_.BusOff();
}

void ParallelDecoderBus::start() {
    lines_.ClockHigh();
    lines_.SlowDataHigh();
    lines_.SlowDataLow();
    lines_.ClockLow();
}

void ParallelDecoderBus::stop() {
    lines_.SlowDataLow();
    lines_.ClockHigh();
    lines_.SlowDataHigh();
}

void ParallelDecoderBus::sendByte(std::uint8_t byte) {
    for (int bit = 7; bit >= 0; --bit) {
        if ((byte >> bit) & 1) {
            lines_.SlowDataHigh();
        } else {
            lines_.SlowDataLow();
        }
        lines_.ClockHigh();
        lines_.ClockLow();
    }
    progress_.stepBy(1);
}

bool ParallelDecoderBus::readAck() {
    lines_.ClockHigh();
    const bool high = lines_.SampleData();
    lines_.ClockLow();
    return !high && !lines_.faulted();
}

std::uint8_t ParallelDecoderBus::receiveByte() {
    std::uint8_t value = 0;
    for (int bit = 0; bit < 8; ++bit) {
        lines_.SlowDataHigh();
        lines_.ClockHigh();
        const bool high = lines_.SlowSampleData();
        lines_.ClockLow();
        value = static_cast<std::uint8_t>(value << 1 | (high ? 1 : 0));
    }
    progress_.stepBy(1);
    return value;
}

void ParallelDecoderBus::ackByte() {
    lines_.SlowDataLow();
    lines_.ClockHigh();
    lines_.ClockLow();
}

void ParallelDecoderBus::leaveUnacknowledged() {
    lines_.SlowDataHigh();
    lines_.ClockHigh();
    lines_.ClockLow();
}

// A register write is a block write of one byte without the programming wait.
bool ParallelDecoderBus::registerWrite(std::uint8_t reg, std::uint8_t value) {
    const std::uint8_t bytes[] = {value};
    return registerFrame(reg, bytes, 0);
}

bool ParallelDecoderBus::registerBlockWrite(std::uint8_t reg, std::span<const std::uint8_t> bytes) {
    return registerFrame(reg, bytes, kProgramByteMs);
}

// The stop is sent whether or not every byte was acknowledged. A port that
// failed during the stop fails the frame too: the next open clears the fault,
// so it would not be seen again.
bool ParallelDecoderBus::registerFrame(std::uint8_t reg, std::span<const std::uint8_t> bytes,
                                       unsigned waitBeforeEachMs) {
    start();
    sendByte(kWriteAddress);
    bool ok = readAck();
    if (ok) {
        sendByte(reg);
        ok = readAck();
    }
    for (std::size_t i = 0; ok && i < bytes.size(); ++i) {
        DelayMilliseconds(clock_, waitBeforeEachMs);
        sendByte(bytes[i]);
        ok = readAck();
    }
    stop();
    return ok && !lines_.faulted();
}

bool ParallelDecoderBus::registerBlockRead(std::span<std::uint8_t> out) {
    start();
    sendByte(kReadAddress);
    bool ok = readAck();
    for (std::size_t i = 0; ok && i < out.size(); ++i) {
        out[i] = receiveByte();
        if (i + 1 < out.size()) {
            ackByte();
        } else {
            leaveUnacknowledged();
        }
    }
    stop();
    return ok && !lines_.faulted();
}

bool ParallelDecoderBus::writeBlock(std::size_t k, std::span<const std::uint8_t> bytes) {
    const auto pointer = static_cast<std::uint8_t>(k * kPointerStride);
    if (!registerWrite(kControlRegister, kProgramEnable)) {
        return false;
    }
    clock_.sleepMs(4);
    if (!registerWrite(kPointerRegister, pointer)) {
        return false;
    }
    clock_.sleepMs(4);
    if (!registerBlockWrite(kDataRegister, bytes)) {
        return false;
    }
    clock_.sleepMs(30);
    if (!registerWrite(kControlRegister, kProgramDisable)) {
        return false;
    }
    clock_.sleepMs(10);
    return true;
}

bool ParallelDecoderBus::readBlock(std::size_t k, std::span<std::uint8_t> out) {
    const auto pointer = static_cast<std::uint8_t>(k * kPointerStride);
    if (!registerWrite(kPointerRegister, pointer)) {
        return false;
    }
    clock_.sleepMs(1);
    if (!registerBlockWrite(kDataRegister, {})) {
        return false;
    }
    clock_.sleepMs(1);
    if (!registerBlockRead(out)) {
        return false;
    }
    clock_.sleepMs(2);
    return true;
}

DecoderResult ParallelDecoderBus::read(std::span<std::uint8_t> buffer) {
    open();
    for (std::size_t k = 0; k < kBlocks; ++k) {
        if (!readBlock(k, buffer.subspan(k * kBlockBytes, kBlockBytes))) {
            close();
            return DecoderResult::Failed;
        }
    }
    close();
    return DecoderResult::Done;
}

// The verify read opens and closes the lines itself; the program closes them
// once more after it.
DecoderResult ParallelDecoderBus::program(std::span<const std::uint8_t> buffer) {
    open();
    for (std::size_t k = 0; k < kBlocks; ++k) {
        if (!writeBlock(k, buffer.subspan(k * kBlockBytes, kBlockBytes))) {
            close();
            return DecoderResult::Failed;
        }
    }
    std::array<std::uint8_t, kImageBytes> scratch{};
    const bool readBack = read(scratch) == DecoderResult::Done;
    const bool same = std::equal(scratch.begin(), scratch.end(), buffer.begin());
    close();
    return readBack && same ? DecoderResult::Done : DecoderResult::VerifyFailed;
}

} // namespace ccp::link
