#include "link/port_lines.h"
#include "sim/simulated_parallel_port.h"
#include "sim/virtual_clock.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ccp::sim {
namespace {

using link::kLpt1Base;
using link::kLpt2Base;

// Lines seen as "P" (powered) or "-", then clock and data levels.
class RecordingDevice final : public BusDevice {
public:
    void onLines(const BusLines& lines) override {
        seen.push_back(std::string(lines.powered ? "P" : "-") + (lines.clock ? "1" : "0") +
                       (lines.data ? "1" : "0"));
    }
    bool dataInLine() const override { return !pullsLow; }

    bool pullsLow = false;
    std::vector<std::string> seen;
};

TEST(SimulatedParallelPort, EachPortHasItsOwnRegisters) {
    VirtualClock clock;
    SimulatedParallelPort port(clock);
    port.write(kLpt1Base, 0x12);
    port.write(kLpt1Base + 2, 0x05);
    port.write(kLpt2Base, 0x34);
    port.write(0x3BC, 0x56);

    EXPECT_EQ(port.read(kLpt1Base), 0x12);
    EXPECT_EQ(port.read(kLpt1Base + 2), 0x05);
    EXPECT_EQ(port.read(kLpt2Base), 0x34);
    EXPECT_EQ(port.read(kLpt2Base + 2), kResetControl);
    EXPECT_EQ(port.read(0x3BC), std::nullopt);
    EXPECT_FALSE(port.write(0x3BC, 0x00));
    EXPECT_EQ(port.readCount(), 4u);
}

TEST(SimulatedParallelPort, StatusReportsPresenceAndTheWiredData) {
    struct Case {
        const char* name;
        std::uint16_t jigBase;
        bool present;
        std::uint8_t data;
        bool devicePullsLow;
        std::uint8_t otherStatus;
        std::uint16_t readAt;
        std::uint8_t status;
    };
    const Case cases[] = {
        {"released", kLpt1Base, true, 0x04, false, 0x00, kLpt1Base + 1, 0x60},
        {"device pulls low", kLpt1Base, true, 0x04, true, 0x00, kLpt1Base + 1, 0x20},
        {"data out low", kLpt1Base, true, 0xFB, false, 0x00, kLpt1Base + 1, 0x20},
        {"jig unpowered", kLpt1Base, false, 0x04, true, 0x00, kLpt1Base + 1, 0x40},
        {"other bits", kLpt1Base, true, 0x04, true, 0xFF, kLpt1Base + 1, 0xBF},
        {"port without the jig", kLpt1Base, true, 0x04, true, 0x00, kLpt2Base + 1, 0x40},
        {"jig on LPT2", kLpt2Base, true, 0x04, true, 0x00, kLpt2Base + 1, 0x20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualClock clock;
        SimulatedParallelPort port(clock, c.jigBase);
        RecordingDevice device;
        device.pullsLow = c.devicePullsLow;
        port.attach(device);
        port.setPresence(c.present);
        port.setOtherStatusBits(c.otherStatus);
        port.setRegister(c.readAt - 1, c.data);
        EXPECT_EQ(port.read(c.readAt), c.status);
    }
}

TEST(SimulatedParallelPort, DevicesSeeTheJigPortsLinesAndItsPower) {
    VirtualClock clock;
    SimulatedParallelPort port(clock);
    RecordingDevice device;
    port.attach(device);
    port.attach(device);

    port.write(kLpt1Base, 0x06);     // clock and data out high, D3 low
    port.write(kLpt1Base + 2, 0x04); // control: same lines
    port.write(kLpt1Base, 0x0E);     // D3 high: powered
    port.write(kLpt2Base, 0x02);     // not the jig's port
    port.setPresence(false);
    port.write(kLpt1Base, 0x0A);
    port.setPresence(true);
    port.write(kLpt1Base, 0x08);
    port.detach(device);
    port.write(kLpt1Base, 0x0A);

    EXPECT_EQ(device.seen, (std::vector<std::string>{"-11", "-11", "P11", "-11", "P00"}));
}

TEST(SimulatedParallelPort, FailingAccessesAndPowerLoss) {
    VirtualClock clock;
    SimulatedParallelPort port(clock);
    port.failAccessesAfter(2);
    EXPECT_TRUE(port.write(kLpt1Base, 0x08));
    EXPECT_TRUE(port.read(kLpt1Base + 1).has_value());
    EXPECT_EQ(port.read(kLpt1Base + 1), std::nullopt);
    EXPECT_FALSE(port.write(kLpt1Base, 0x00));
    port.stopFailing();
    EXPECT_EQ(port.read(kLpt1Base), 0x08);

    port.losePowerAt(100);
    clock.advanceUs(100);
    EXPECT_EQ(port.read(kLpt1Base + 1), 0x20);
    port.write(kLpt1Base, 0x0C);
    EXPECT_EQ(port.read(kLpt1Base + 1), 0x40);
}

TEST(SimulatedParallelPort, RecordsWritesWithTheirTimeAndHoldTimes) {
    VirtualClock clock;
    SimulatedParallelPort port(clock);
    const link::ProgrammerLink jig;
    link::PortLines lines(port, clock, jig);
    lines.ClockHigh();
    lines.DataHigh();
    lines.ClockLow();
    clock.advanceUs(5);
    lines.ClockHigh();

    ASSERT_EQ(port.writes().size(), 4u);
    const RegisterWrite& third = port.writes()[2];
    EXPECT_EQ(third.timeUs, 95u);
    EXPECT_EQ(third.before, 0x06);
    EXPECT_EQ(third.value, 0x04);
    EXPECT_EQ(port.holdTimesUs(kLpt1Base, link::kClockLine.mask),
              (std::vector<std::uint64_t>{95, 20}));
    EXPECT_EQ(port.holdTimesUs(kLpt1Base, link::kDataOutLine.mask), (std::vector<std::uint64_t>{}));
    EXPECT_EQ(clock.nowUs(), 130u);
    EXPECT_EQ(clock.totalUs(WaitKind::Busy), 125u);
}

TEST(SimulatedParallelPort, InitialiseResultAndCallCounts) {
    VirtualClock clock;
    SimulatedParallelPort port(clock);
    EXPECT_TRUE(port.initialise());
    port.setInitialiseResult(false);
    EXPECT_FALSE(port.initialise());
    port.shutdown();
    EXPECT_EQ(port.initialiseCalls(), 2);
    EXPECT_EQ(port.shutdownCalls(), 1);
}

} // namespace
} // namespace ccp::sim
