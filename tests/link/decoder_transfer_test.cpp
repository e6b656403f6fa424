#include "link/transfers.h"
#include "sim/pacing.h"
#include "sim/pcd5003.h"
#include "support/jig_fixture.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ccp::link {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes image(unsigned seed) {
    Bytes out(48);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<std::uint8_t>(i * 11 + seed);
    }
    return out;
}

sim::Pcd5003::Image asImage(const Bytes& bytes) {
    sim::Pcd5003::Image out{};
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return out;
}

class DecoderTransferTest : public testing::JigFixture {
protected:
    DecoderTransferTest() { port.attach(decoder); }

    DecoderResult program(Bytes bytes) { return transfers.DecoderTransfer("w", bytes); }

    sim::Pcd5003 decoder{clock};
};

// Each block: control := 2, pointer := 8k, six bytes to the data register,
// control := 0. Then a read of all eight blocks verifies.
TEST_F(DecoderTransferTest, ProgramWritesBlocksInOrderAndVerifies) {
    const Bytes bytes = image(5);
    EXPECT_EQ(program(bytes), DecoderResult::Done);
    EXPECT_EQ(decoder.image(), asImage(bytes));
    EXPECT_EQ(decoder.reg(0), 0) << "programming left disabled";

    const auto frames = monitor.frames();
    ASSERT_EQ(frames.size(), 8u * 4 + 8u * 3);
    for (std::size_t k = 0; k < 8; ++k) {
        SCOPED_TRACE(k);
        const Bytes data(bytes.begin() + 6 * k, bytes.begin() + 6 * k + 6);
        Bytes block{0x4E, 0x0A};
        block.insert(block.end(), data.begin(), data.end());
        EXPECT_EQ(frames[4 * k], (Bytes{0x4E, 0x00, 0x02}));
        EXPECT_EQ(frames[4 * k + 1], (Bytes{0x4E, 0x07, static_cast<std::uint8_t>(8 * k)}));
        EXPECT_EQ(frames[4 * k + 2], block);
        EXPECT_EQ(frames[4 * k + 3], (Bytes{0x4E, 0x00, 0x00}));
        const std::size_t r = 32 + 3 * k;
        EXPECT_EQ(frames[r], (Bytes{0x4E, 0x07, static_cast<std::uint8_t>(8 * k)}));
        EXPECT_EQ(frames[r + 1], (Bytes{0x4E, 0x0A}));
        Bytes read{0x4F};
        read.insert(read.end(), data.begin(), data.end());
        EXPECT_EQ(frames[r + 2], read);
    }
    expectLinesClosed();
}

TEST_F(DecoderTransferTest, ReadFillsTheBufferAndStepsPerByte) {
    decoder.setImage(asImage(image(9)));
    Bytes buffer(48, 0);
    EXPECT_EQ(transfers.DecoderTransfer("r", buffer), DecoderResult::Done);
    EXPECT_EQ(buffer, image(9));
    // Per block: 3 + 2 bytes written, 1 + 6 in the read.
    EXPECT_EQ(progress.steps, 8 * 12);
    expectLinesClosed();
}

// Opening: lines on, bus power, 1.5 s. Closing: LinesOff before BusOff.
// Every data byte programmed waits 40 ms busy first.
TEST_F(DecoderTransferTest, OpensClosesAndWaitsBeforeEachByte) {
    EXPECT_EQ(program(image(1)), DecoderResult::Done);
    const auto& waits = clock.waits();
    EXPECT_EQ(waits[0].lengthUs, 500'000u);
    EXPECT_EQ(waits[5].lengthUs, 1'500'000u);
    const auto busyMs = std::count_if(waits.begin(), waits.end(), [](const sim::Wait& w) {
        return w.kind == sim::WaitKind::Busy && w.lengthUs == 1000;
    });
    EXPECT_EQ(busyMs, 48 * 40);

    port.clearWrites();
    Bytes buffer(48);
    EXPECT_EQ(transfers.DecoderTransfer("r", buffer), DecoderResult::Done);
    std::vector<std::string> changes;
    for (const sim::RegisterWrite& w : port.writes()) {
        if (w.before != w.value) {
            changes.push_back(std::to_string(w.port - kLpt1Base) + ":" +
                              std::to_string(w.before ^ w.value));
        }
    }
    // D7 low, nInit high, then BusOff: the stop (clock low, data low, clock
    // high, data high) and D3 low.
    ASSERT_GE(changes.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(changes.end() - 7, changes.end()),
              (std::vector<std::string>{"0:128", "2:4", "0:2", "0:4", "0:2", "0:4", "0:8"}));
}

TEST_F(DecoderTransferTest, KeepsEveryPacingPromise) {
    EXPECT_EQ(program(image(3)), DecoderResult::Done);
    EXPECT_TRUE(sim::pacingViolations(port.writes(), kLpt1Base, sim::kDecoderBusPacing).empty());
}

TEST_F(DecoderTransferTest, FaultsEndWithTheirResult) {
    struct Case {
        const char* name;
        void (*inject)(sim::Pcd5003&, sim::SimulatedParallelPort&);
        bool read;
        DecoderResult result;
        std::size_t frames; // frames on the bus before the lines closed
    };
    const Case cases[] = {
        {"verify differs in byte 47 alone", [](auto& d, auto&) { d.flipOnRead(47, 0x01); }, false,
         DecoderResult::VerifyFailed, 56},
        {"absent, read", [](auto& d, auto&) { d.setAbsent(true); }, true, DecoderResult::Failed, 1},
        {"absent, program", [](auto& d, auto&) { d.setAbsent(true); }, false, DecoderResult::Failed,
         1},
        {"no ack from byte 20", [](auto& d, auto&) { d.failFromProgrammedByte(20); }, false,
         DecoderResult::Failed, 15},
        {"port fails while reading", [](auto&, auto& p) { p.failAccessesAfter(3'000); }, true,
         DecoderResult::Failed, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::VirtualClock time;
        sim::SimulatedParallelPort jig(time);
        sim::Pcd5003 chip(time);
        testing::BusMonitor bus;
        jig.attach(chip);
        jig.attach(bus);
        ProgrammerLink lpt1;
        NoProgress none;
        ProgrammerTransfers transfer(lpt1, jig, time, none);
        c.inject(chip, jig);

        Bytes buffer = image(2);
        EXPECT_EQ(transfer.DecoderTransfer(c.read ? "R" : "w", buffer), c.result);
        if (c.frames > 0) {
            EXPECT_EQ(bus.frames().size(), c.frames);
            EXPECT_EQ(*jig.read(kLpt1Base) & 0x88, 0x00) << "D3 and D7 low";
        }
    }
}

// Fails the port inside the stop of the program's last frame (block 7's
// "control := 0"), once all three of its bytes were acknowledged.
class FailInLastFrameStop final : public sim::BusDevice {
public:
    FailInLastFrameStop(const testing::BusMonitor& monitor, sim::SimulatedParallelPort& port)
        : monitor_(monitor), port_(port) {}
    void onLines(const sim::BusLines&) override {
        const auto& events = monitor_.events;
        if (done_ || std::count(events.begin(), events.end(), "S") != 32 || events.size() < 4)
            return;
        if (std::vector<std::string>(events.end() - 4, events.end()) ==
            std::vector<std::string>{"S", "4E+", "00+", "00+"}) {
            port_.failAccessesAfter(2); // the stop's data line falls, its clock does not rise
            done_ = true;
        }
    }
    bool dataInLine() const override { return true; }
    bool done() const { return done_; }

private:
    const testing::BusMonitor& monitor_;
    sim::SimulatedParallelPort& port_;
    bool done_ = false;
};

// The verify's open clears the fault, so a failed stop must fail its frame.
TEST_F(DecoderTransferTest, RealWorldPortFailingInTheLastFrameIsAProgramError) {
    FailInLastFrameStop trigger(monitor, port);
    port.attach(trigger);
    EXPECT_EQ(program(image(4)), DecoderResult::Failed);
    EXPECT_TRUE(trigger.done());
    port.detach(trigger);
}

TEST_F(DecoderTransferTest, ShortBufferIsRefusedBeforeTheBus) {
    Bytes buffer(47, 0);
    EXPECT_EQ(transfers.DecoderTransfer("r", buffer), DecoderResult::Failed);
    EXPECT_EQ(transfers.DecoderTransfer("w", buffer), DecoderResult::Failed);
    EXPECT_TRUE(port.writes().empty());
}

// Without the enable in register 0 the chip takes data bytes but keeps its
// memory: the order of the block write matters.
TEST(Pcd5003, ProgramsOnlyWhileEnabled) {
    sim::VirtualClock clock;
    sim::SimulatedParallelPort port(clock);
    sim::Pcd5003 chip(clock);
    port.attach(chip);
    ProgrammerLink lpt1;
    PortLines lines(port, clock, lpt1);
    lines.LinesOn();
    lines.BusOn();
    auto sendFrame = [&](const Bytes& bytes) {
        lines.ClockHigh();
        lines.SlowDataHigh();
        lines.SlowDataLow();
        lines.ClockLow();
        for (std::uint8_t byte : bytes) {
            clock.sleepMs(40);
            for (int bit = 7; bit >= 0; --bit) {
                (byte >> bit) & 1 ? lines.SlowDataHigh() : lines.SlowDataLow();
                lines.ClockHigh();
                lines.ClockLow();
            }
            lines.ClockHigh();
            lines.SampleData();
            lines.ClockLow();
        }
        lines.SlowDataLow();
        lines.ClockHigh();
        lines.SlowDataHigh();
    };
    sendFrame({0x4E, 0x0A, 0x55});
    EXPECT_EQ(chip.image()[0], 0x00);
    sendFrame({0x4E, 0x00, 0x02});
    sendFrame({0x4E, 0x07, 0x08});
    sendFrame({0x4E, 0x0A, 0x55, 0x66});
    EXPECT_EQ(chip.image()[6], 0x55);
    EXPECT_EQ(chip.image()[7], 0x66);
    EXPECT_EQ(chip.reg(7), 0x0A);
}

} // namespace
} // namespace ccp::link
