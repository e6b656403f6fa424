// The virtual EEPROM's page buffer, driven bit by bit on its own lines: the
// program only ever writes whole aligned pages, so only a master of the
// test's own can show that a page load wraps inside its page, as the real
// chip's does.
#include "sim/eeprom_24c04.h"
#include "sim/virtual_clock.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace ccp::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

class WireMaster {
public:
    explicit WireMaster(Eeprom24c04& chip) : chip_(chip) { lines(true, true); }

    void start() {
        lines(true, true);
        lines(true, false);
        lines(false, false);
    }
    void stop() {
        lines(false, false);
        lines(true, false);
        lines(true, true);
    }
    // True when the chip acknowledged the byte.
    bool send(std::uint8_t byte) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool level = (byte >> bit) & 1;
            lines(false, level);
            lines(true, level);
            lines(false, level);
        }
        lines(false, true);
        lines(true, true);
        const bool ack = !chip_.dataInLine();
        lines(false, true);
        return ack;
    }

private:
    void lines(bool clock, bool data) { chip_.onLines({true, clock, data}); }
    Eeprom24c04& chip_;
};

TEST(Eeprom24c04, APageLoadWrapsInsideItsPage) {
    struct Case {
        const char* name;
        std::size_t from;
        std::size_t count;
    };
    // The 24C04's pages are 16 bytes; 0x20-0x2F is the third.
    const Case cases[] = {
        {"one byte more than a page from its start", 0x20, 17},
        {"a whole page from its middle", 0x28, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualClock clock;
        Eeprom24c04 chip(clock);
        Bytes before(chip.size());
        for (std::size_t i = 0; i < before.size(); ++i)
            before[i] = static_cast<std::uint8_t>(i);
        chip.memory() = before;

        WireMaster master(chip);
        master.start();
        ASSERT_TRUE(master.send(0xA0));
        ASSERT_TRUE(master.send(static_cast<std::uint8_t>(c.from)));
        Bytes expected = before;
        for (std::size_t k = 0; k < c.count; ++k) {
            const auto value = static_cast<std::uint8_t>(0xC0 + k);
            ASSERT_TRUE(master.send(value));
            expected[0x20 + (c.from + k) % 16] = value;
        }
        master.stop();
        EXPECT_EQ(chip.memory(), expected);
    }
}

} // namespace
} // namespace ccp::sim
