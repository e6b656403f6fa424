#include "link/port_lines.h"
#include "sim/eeprom_24c04.h"
#include "sim/simulated_parallel_port.h"
#include "sim/virtual_clock.h"

#include <cstdint>
#include <gtest/gtest.h>

namespace ccp::sim {
namespace {

// A bus master on the jig's lines at the EEPROM bus's pace.
struct Master {
    VirtualClock clock;
    SimulatedParallelPort port{clock};
    link::ProgrammerLink link;
    link::PortLines lines{port, clock, link};

    void start() {
        lines.DataHigh();
        lines.ClockHigh();
        lines.DataLow();
        lines.ClockLow();
    }
    bool send(std::uint8_t byte) {
        for (int bit = 7; bit >= 0; --bit) {
            if ((byte >> bit) & 1)
                lines.DataHigh();
            else
                lines.DataLow();
            lines.ClockHigh();
            lines.ClockLow();
        }
        lines.ClockHigh();
        const bool acknowledged = !lines.SampleData();
        lines.ClockLow();
        return acknowledged;
    }
};

// A real chip of the family may need 10 ms to program a page; the virtual one
// takes that long, so a bus that waits less is caught.
TEST(Eeprom24c04, RealWorldRefusesItsAddressFor10MsAfterAStop) {
    struct Case {
        std::uint64_t afterUs; // from the stop to the next start
        bool acknowledged;
    };
    const Case cases[] = {{4'000, false}, {8'500, false}, {10'000, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.afterUs);
        Master m;
        Eeprom24c04 chip(m.clock);
        m.port.attach(chip);
        m.lines.LinesOn();
        m.lines.BusOn();
        m.start();
        ASSERT_TRUE(m.send(0xA0) && m.send(0x10) && m.send(0x5A));
        m.lines.BusStop();
        EXPECT_TRUE(chip.busy());
        m.clock.advanceUs(c.afterUs);
        m.start();
        EXPECT_EQ(m.send(0xA0), c.acknowledged);
        EXPECT_EQ(chip.memory()[0x10], 0x5A);
    }
}

} // namespace
} // namespace ccp::sim
