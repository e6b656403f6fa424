#include "link/transfers.h"
#include "sim/eeprom_24c04.h"
#include "sim/pacing.h"
#include "support/jig_fixture.h"

#include <gtest/gtest.h>
#include <memory>
#include <numeric>

namespace ccp::link {
namespace {

class PresenceProbeTest : public testing::JigFixture {};

// What answers on the jig, and what a look at device select 2 finds: only
// select bytes go on the bus, at the EEPROM bus's pace, and the chip keeps
// every byte.
TEST_F(PresenceProbeTest, EachLookIsSelectBytesOnlyAndTellsWhatAnswers) {
    struct Case {
        const char* what;
        int chipSelect; // -1: no pager
        bool jigPresent;
        EepromPresence expected;
        std::size_t frames;
    } cases[] = {
        {"the platform's pager", 2, true, EepromPresence::Answers, 1},
        {"a pager of the other group", 0, true, EepromPresence::OtherSelect, 2},
        {"an empty socket", -1, true, EepromPresence::Silent, 2},
        {"no jig", 2, false, EepromPresence::Failed, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::VirtualClock caseClock;
        sim::SimulatedParallelPort casePort{caseClock};
        testing::BusMonitor caseMonitor;
        casePort.attach(caseMonitor);
        ProgrammerTransfers caseTransfers{link, casePort, caseClock, progress};
        std::unique_ptr<sim::Eeprom24c04> chip;
        if (c.chipSelect >= 0) {
            chip = std::make_unique<sim::Eeprom24c04>(caseClock,
                                                      static_cast<std::uint8_t>(c.chipSelect));
            std::iota(chip->memory().begin(), chip->memory().end(), std::uint8_t{3});
            casePort.attach(*chip);
        }
        casePort.setPresence(c.jigPresent);
        const std::vector<std::uint8_t> before =
            chip ? chip->memory() : std::vector<std::uint8_t>{};
        EXPECT_EQ(caseTransfers.EepromPresent(2), c.expected);
        EXPECT_EQ(caseMonitor.frames().size(), c.frames);
        for (const auto& frame : caseMonitor.frames())
            EXPECT_EQ(frame.size(), 1u) << "a byte after the select";
        if (chip) {
            EXPECT_EQ(chip->memory(), before);
        }
        EXPECT_TRUE(
            sim::pacingViolations(casePort.writes(), kLpt1Base, sim::kEepromBusPacing).empty());
    }
}

// The bus is powered once, as a transfer powers it, and stays so between
// looks until they end; an operation then starts from closed lines.
TEST_F(PresenceProbeTest, TheBusIsPoweredOnceAndSwitchedOffWhenTheLooksEnd) {
    sim::Eeprom24c04 chip{clock, 2};
    port.attach(chip);
    std::uint64_t start = clock.nowUs();
    EXPECT_EQ(transfers.EepromPresent(2), EepromPresence::Answers);
    EXPECT_GE(clock.nowUs() - start, kBusPowerUpMs * 1000u);
    start = clock.nowUs();
    EXPECT_EQ(transfers.EepromPresent(2), EepromPresence::Answers);
    EXPECT_LT(clock.nowUs() - start, 5000u);
    EXPECT_EQ(data() & kD3Line.mask, kD3Line.mask);
    transfers.EndPresenceLooks();
    expectLinesClosed();
    EXPECT_TRUE(sim::pacingViolations(port.writes(), kLpt1Base, sim::kEepromBusPacing).empty());
}

} // namespace
} // namespace ccp::link
