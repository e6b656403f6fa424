#include "link/transfers.h"
#include "sim/eeprom_24c04.h"
#include "sim/pacing.h"
#include "support/jig_fixture.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ccp::link {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr auto kVerified = TransferResult::Verified;

Bytes pattern(std::size_t length, unsigned seed = 7) {
    Bytes out(length);
    for (std::size_t i = 0; i < length; ++i) {
        out[i] = static_cast<std::uint8_t>(i * 37 + seed + (i >> 8));
    }
    return out;
}

class EepromTransferTest : public testing::JigFixture {
protected:
    EepromTransferTest() { port.attach(chip); }

    TransferResult write(Bytes bytes, std::uint8_t select = 2, const char* code = "04") {
        return transfers.EepromTransfer(code, select, "w", bytes);
    }

    // The frames of the write phase, that is before the verify's first read
    // command, as (device byte, address bytes...).
    std::vector<Bytes> writeFrames() const {
        std::vector<Bytes> out;
        for (const Bytes& frame : monitor.frames()) {
            if (!frame.empty() && (frame[0] & 1)) {
                out.pop_back(); // the verify's address phase
                break;
            }
            out.push_back(frame);
        }
        return out;
    }

    sim::Eeprom24c04 chip{clock, 2};
};

TEST_F(EepromTransferTest, WriteSendsThirtyTwoPagesAndVerifies) {
    const Bytes bytes = pattern(512);
    EXPECT_EQ(write(bytes), kVerified);
    EXPECT_EQ(chip.memory(), bytes);

    const std::vector<Bytes> frames = writeFrames();
    ASSERT_EQ(frames.size(), 32u);
    for (std::size_t k = 0; k < 32; ++k) {
        SCOPED_TRACE(k);
        ASSERT_EQ(frames[k].size(), 2u + 16u);
        EXPECT_EQ(frames[k][0], k < 16 ? 0xA4 : 0xA6);
        EXPECT_EQ(frames[k][1], (k * 16) & 0xFF);
        EXPECT_TRUE(std::equal(frames[k].begin() + 2, frames[k].end(), bytes.begin() + k * 16));
    }
    expectLinesClosed();
    EXPECT_EQ(data() & 0x06, 0x00) << "clock and data out low after the close";
}

TEST_F(EepromTransferTest, DeviceSelectZeroAddressesTheOtherChip) {
    sim::Eeprom24c04 chip0{clock, 0};
    port.attach(chip0);
    const Bytes before = chip.memory();
    EXPECT_EQ(write(pattern(512), 0), kVerified);
    EXPECT_EQ(chip0.memory(), pattern(512));
    EXPECT_EQ(chip.memory(), before);
    const std::vector<Bytes> frames = writeFrames();
    ASSERT_EQ(frames.size(), 32u);
    EXPECT_EQ(frames[0][0], 0xA0);
    EXPECT_EQ(frames[31][0], 0xA2);
}

// A read sets the address counter to 0 with a write command, then reads the
// whole chip after a repeated start, acknowledging all but the last byte.
TEST_F(EepromTransferTest, ReadAddressesZeroThenReadsSequentially) {
    chip.memory() = pattern(512, 99);
    Bytes buffer(512, 0);
    EXPECT_EQ(transfers.EepromTransfer("04", 2, "R", buffer), TransferResult::ReadDone);
    EXPECT_EQ(buffer, chip.memory());

    // BusOn's stop condition comes first.
    const std::vector<std::string> e(monitor.events.begin() + 1, monitor.events.end());
    ASSERT_GE(e.size(), 6u + 512u);
    EXPECT_EQ(monitor.events[0], "P");
    EXPECT_EQ((std::vector<std::string>(e.begin(), e.begin() + 6)),
              (std::vector<std::string>{"S", "A4+", "00+", "S", "A5+", e[5]}));
    EXPECT_EQ(e[5].back(), '+');
    EXPECT_EQ(e[4 + 512].back(), '-') << "the last byte is left unacknowledged";
    EXPECT_EQ(e[5 + 512], "P");
}

TEST_F(EepromTransferTest, ModeIsReadForROnly) {
    struct Case {
        const char* mode;
        TransferResult result;
    };
    for (const Case& c : {Case{"r", TransferResult::ReadDone}, Case{"R", TransferResult::ReadDone},
                          Case{"w", kVerified}, Case{"W", kVerified}, Case{"rw", kVerified}}) {
        SCOPED_TRACE(c.mode);
        Bytes buffer = chip.memory();
        EXPECT_EQ(transfers.EepromTransfer("04", 2, c.mode, buffer), c.result);
    }
}

// Opening: lines on, bus power with its 500 ms, 800 ms to settle. Closing:
// bus off before lines off, then data and clock low.
TEST_F(EepromTransferTest, OpensAndClosesInOrder) {
    Bytes buffer(512);
    transfers.EepromTransfer("04", 2, "r", buffer);
    const auto& waits = clock.waits();
    ASSERT_GE(waits.size(), 2u);
    EXPECT_EQ(waits[0].kind, sim::WaitKind::Sleep);
    EXPECT_EQ(waits[0].lengthUs, 500'000u);
    EXPECT_EQ(waits[5].lengthUs, 800'000u) << "after BusOn's four line waits";

    const auto& writes = port.writes();
    ASSERT_GE(writes.size(), 3u);
    EXPECT_EQ(writes[0].port, kLpt1Base + 2);
    EXPECT_EQ(writes[0].value & kNInitLine.mask, 0) << "nInit low first";
    EXPECT_EQ(writes[1].value & kD7Line.mask, kD7Line.mask) << "then D7";
    EXPECT_EQ(writes[2].value & kD3Line.mask, kD3Line.mask) << "then bus power";

    // The last changes as register:bits: the stop of BusOff, D3 low, D7 low,
    // nInit high, data out low, clock low.
    std::vector<std::string> changes;
    for (const sim::RegisterWrite& w : writes) {
        if (w.before != w.value) {
            changes.push_back(std::to_string(w.port - kLpt1Base) + ":" +
                              std::to_string(w.before ^ w.value));
        }
    }
    ASSERT_GE(changes.size(), 9u);
    EXPECT_EQ(std::vector<std::string>(changes.end() - 9, changes.end()),
              (std::vector<std::string>{"0:2", "0:4", "0:2", "0:4", "0:8", "0:128", "2:4", "0:4",
                                        "0:2"}));
    EXPECT_EQ(data() & 0x06, 0x00);
}

TEST_F(EepromTransferTest, ProgressStepsOncePerByteOnTheBus) {
    EXPECT_EQ(write(pattern(512)), kVerified);
    // 32 pages of device byte, address byte and 16 data bytes; then the
    // verify: device byte, address byte, read command and 512 bytes.
    EXPECT_EQ(progress.steps, 32 * 18 + 3 + 512);
    EXPECT_EQ(progress.events, (std::vector<std::string>{"Verify data from pager, please wait...",
                                                         "position 0 after 576"}));
}

TEST_F(EepromTransferTest, KeepsEveryPacingPromise) {
    EXPECT_EQ(write(pattern(512)), kVerified);
    Bytes buffer(512);
    EXPECT_EQ(transfers.EepromTransfer("04", 2, "r", buffer), TransferResult::ReadDone);
    EXPECT_TRUE(sim::pacingViolations(port.writes(), kLpt1Base, sim::kEepromBusPacing).empty());
    EXPECT_GT(port.writes().size(), 10'000u);
}

TEST_F(EepromTransferTest, PacingCheckCatchesAShortWait) {
    PortLines lines(port, clock, link);
    lines.DataHigh();
    lines.setLine(kClockLine, true);
    clock.busyWaitUs(14);
    lines.ClockLow();
    lines.DataLow();
    const auto violations = sim::pacingViolations(port.writes(), kLpt1Base, sim::kEepromBusPacing);
    ASSERT_EQ(violations.size(), 1u);
    EXPECT_EQ(violations[0].mask, kClockLine.mask);
    EXPECT_EQ(violations[0].heldUs, 14u);
    EXPECT_EQ(violations[0].promisedUs, 15u);
}

// A chip that stops acknowledging in page k keeps pages 0 to k-1; a flipped
// bit on read-back fails the verify; a lost jig, a missing chip and a port
// that stops answering fail with their codes, and the lines are closed
// wherever the port still answers.
TEST_F(EepromTransferTest, FaultsEndWithTheirResult) {
    struct Case {
        const char* name;
        void (*inject)(sim::Eeprom24c04&, sim::SimulatedParallelPort&);
        bool read;
        TransferResult result;
        int pagesKept; // -1: not looked at
        bool portWorks;
    };
    // Each page takes 68.2 ms after the 1.3 s opening.
    constexpr std::uint64_t kPage9 = 1'300'190 + 9 * 68'200 + 5'000;
    const Case cases[] = {
        {"no ack from page 5, byte 3", [](auto& c, auto&) { c.failFromDataByte(5 * 16 + 3); },
         false, TransferResult::WriteFailed, 5, true},
        {"flipped bit on read-back", [](auto& c, auto&) { c.flipOnRead(300, 0x10); }, false,
         TransferResult::VerifyFailed, 32, true},
        {"no chip, write", [](auto& c, auto&) { c.setAbsent(true); }, false,
         TransferResult::WriteFailed, 0, true},
        {"no chip, read", [](auto& c, auto&) { c.setAbsent(true); }, true,
         TransferResult::ReadFailed, -1, true},
        {"power lost in page 9", [](auto&, auto& p) { p.losePowerAt(kPage9); }, false,
         TransferResult::WriteFailed, 9, true},
        // Received bytes carry no acknowledge from the chip: the bytes after
        // the loss read 0xFF, for the read's checksum to catch.
        {"power lost while reading", [](auto&, auto& p) { p.losePowerAt(1'500'000); }, true,
         TransferResult::ReadDone, -1, true},
        {"port fails while writing", [](auto&, auto& p) { p.failAccessesAfter(20'000); }, false,
         TransferResult::WriteFailed, -1, false},
        {"port fails while reading", [](auto&, auto& p) { p.failAccessesAfter(20'000); }, true,
         TransferResult::ReadFailed, -1, false},
        {"port fails in the verify", [](auto&, auto& p) { p.failAccessesAfter(50'000); }, false,
         TransferResult::VerifyFailed, 32, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::VirtualClock time;
        sim::SimulatedParallelPort jig(time);
        sim::Eeprom24c04 eeprom(time, 2);
        jig.attach(eeprom);
        ProgrammerLink lpt1;
        testing::RecordingProgress bar;
        ProgrammerTransfers transfer(lpt1, jig, time, bar);
        c.inject(eeprom, jig);

        const Bytes bytes = pattern(512);
        Bytes buffer = c.read ? Bytes(512, 0) : bytes;
        EXPECT_EQ(transfer.EepromTransfer("04", 2, c.read ? "r" : "w", buffer), c.result);
        if (c.pagesKept >= 0) {
            const auto kept = static_cast<std::ptrdiff_t>(c.pagesKept) * 16;
            EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + kept, eeprom.memory().begin()));
            EXPECT_TRUE(std::all_of(eeprom.memory().begin() + kept, eeprom.memory().end(),
                                    [](std::uint8_t b) { return b == 0xFF; }));
        }
        jig.stopFailing();
        jig.setPresence(true);
        if (c.portWorks) {
            EXPECT_EQ(*jig.read(kLpt1Base) & 0x88, 0x00) << "D3 and D7 low";
            EXPECT_EQ(*jig.read(kLpt1Base + 2) & kNInitLine.mask, kNInitLine.mask);
        }
    }
}

// Codes beyond the pager's own, each against a chip of its size: the
// addressing and page size of the table move the whole chip.
TEST_F(EepromTransferTest, OtherTypeCodesAgainstTheirChips) {
    struct Case {
        const char* code;
        std::size_t size;
        std::uint8_t select;
        std::size_t frames;     // write commands in the write phase
        Bytes lastFrameAddress; // device byte and address bytes of the last
    };
    const Case cases[] = {
        {"2", 256, 2, 256, {0xA4, 0xFF}},
        {"16", 2048, 2, 128, {0xAE, 0xF0}},
        {"032", 4096, 1, 128, {0xA2, 0x0F, 0xE0}},
        {"256", 32768, 3, 512, {0xA6, 0x7F, 0xC0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        sim::VirtualClock time;
        sim::SimulatedParallelPort jig(time);
        jig.setRecording(false);
        sim::Eeprom24c04 eeprom(time, c.select, c.size);
        testing::BusMonitor bus;
        jig.attach(eeprom);
        jig.attach(bus);
        ProgrammerLink lpt1;
        NoProgress none;
        ProgrammerTransfers transfer(lpt1, jig, time, none);

        Bytes bytes = pattern(c.size, 3);
        EXPECT_EQ(transfer.EepromTransfer(c.code, c.select, "w", bytes), kVerified);
        EXPECT_EQ(eeprom.memory(), bytes);
        std::vector<Bytes> frames = bus.frames();
        ASSERT_EQ(frames.size(), c.frames + 2);
        const Bytes& last = frames[c.frames - 1];
        EXPECT_EQ(Bytes(last.begin(), last.begin() + c.lastFrameAddress.size()),
                  c.lastFrameAddress);

        Bytes back(c.size, 0);
        EXPECT_EQ(transfer.EepromTransfer(c.code, c.select, "r", back), TransferResult::ReadDone);
        EXPECT_EQ(back, bytes);
    }
}

// Code 1 has no address phase: its data go out without a start, which no
// chip takes, and a read runs on from wherever the chip's counter stands.
TEST_F(EepromTransferTest, CodeOneSendsNoAddress) {
    sim::Eeprom24c04 small{clock, 0, 128};
    port.detach(chip);
    port.attach(small);
    small.memory() = pattern(128);
    EXPECT_EQ(write(pattern(128, 1), 0, "1"), TransferResult::WriteFailed);
    EXPECT_EQ(small.memory(), pattern(128));

    monitor.events.clear();
    Bytes buffer(128, 0);
    EXPECT_EQ(transfers.EepromTransfer("1", 0, "r", buffer), TransferResult::ReadDone);
    EXPECT_EQ(buffer, pattern(128));
    ASSERT_EQ(monitor.frames().size(), 1u);
    EXPECT_EQ(monitor.frames()[0][0], 0xA1);
}

TEST_F(EepromTransferTest, RefusesUnknownCodesAndShortBuffersBeforeTheBus) {
    Bytes shortBuffer(511, 0);
    Bytes full(512, 0);
    EXPECT_EQ(transfers.EepromTransfer("3", 2, "w", full), TransferResult::WriteFailed);
    EXPECT_EQ(transfers.EepromTransfer("3", 2, "r", full), TransferResult::ReadFailed);
    EXPECT_EQ(transfers.EepromTransfer("04", 2, "w", shortBuffer), TransferResult::WriteFailed);
    EXPECT_EQ(transfers.EepromTransfer("04", 2, "r", shortBuffer), TransferResult::ReadFailed);
    EXPECT_TRUE(port.writes().empty());
}

TEST(EepromTypes, TableAndCommandBytes) {
    struct Case {
        std::uint16_t code;
        std::size_t length, page;
        int usbBlock; // -1: none
        std::uint8_t select;
        std::size_t address;
        std::uint8_t writeByte;
    };
    const Case cases[] = {
        {1, 128, 1, 0x00, 2, 0, 0xA0},        {2, 256, 1, 0x10, 7, 0, 0xAE},
        {4, 512, 16, 0x20, 2, 0x100, 0xA6},   {4, 512, 16, 0x20, 0, 0xF0, 0xA0},
        {8, 1024, 16, 0x30, 7, 0x300, 0xAE},  {8, 1024, 16, 0x30, 2, 0x200, 0xA4},
        {16, 2048, 16, 0x40, 7, 0x500, 0xAA}, {32, 4096, 32, 0x50, 2, 0xFE0, 0xA4},
        {64, 8192, 32, 0x60, 1, 0, 0xA2},     {128, 16384, 64, 0x70, 0, 0, 0xA0},
        {256, 32768, 64, 0x80, 7, 0, 0xAE},   {512, 65536, 64, 0x90, 0, 0, 0xA0},
        {5003, 36, 1, -1, 0, 0, 0xA0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const EepromType* type = findEepromType(c.code);
        ASSERT_NE(type, nullptr);
        EXPECT_EQ(type->length, c.length);
        EXPECT_EQ(type->page, c.page);
        EXPECT_EQ(type->usbBlock ? int{*type->usbBlock} : -1, c.usbBlock);
        EXPECT_EQ(writeCommandByte(*type, c.select, c.address), c.writeByte);
    }
    EXPECT_EQ(findEepromType(3), nullptr);
    EXPECT_EQ(eepromTypeCode("04"), 4);
    EXPECT_EQ(eepromTypeCode("65540"), 4) << "taken as a 16-bit number";
    EXPECT_EQ(readCommandByte(2), 0xA5);
    EXPECT_EQ(readCommandByte(0), 0xA1);
    EXPECT_EQ(readCommandByte(7), 0xAF);
}

} // namespace
} // namespace ccp::link
