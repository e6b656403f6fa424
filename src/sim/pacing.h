// Pacing promises of the jig's buses, checked over the writes a simulated
// port recorded: after a line changes, the next change of any line on the
// same register comes no sooner than the wait promised for that line and
// direction. The EEPROM bus holds its data line 80 us; inside its frames
// (from a start to its stop) the decoder bus holds it 480 us when it drives
// it low or sends a bit, and 80 us when it releases it to sample an
// acknowledge, while the stop conditions of bus power on and off between
// frames are the EEPROM bus's. The bus power line (D3) is given 500 ms to
// power the pager before anything else moves.
#pragma once

#include "sim/simulated_parallel_port.h"

#include <array>
#include <cstdint>
#include <vector>

namespace ccp::sim {

struct LinePace {
    std::uint8_t mask; // the line's bit in the data register
    std::uint64_t afterRiseUs;
    std::uint64_t afterFallUs;
};

struct PacingViolation {
    std::uint64_t timeUs; // when the line changed
    std::uint8_t mask;
    std::uint64_t heldUs;
    std::uint64_t promisedUs;
};

inline constexpr std::uint64_t kBusPowerUpUs = 500'000;

using LinePaces = std::array<LinePace, 3>;

struct BusPacing {
    LinePaces framed;  // from a start condition to its stop
    LinePaces between; // outside the frames
};

inline constexpr LinePaces kFastPaces{{
    {0x02, 15, 15},
    {0x04, 80, 80},
    {0x08, kBusPowerUpUs, 0},
}};

inline constexpr BusPacing kEepromBusPacing{kFastPaces, kFastPaces};

inline constexpr BusPacing kDecoderBusPacing{{{
                                                 {0x02, 15, 15},
                                                 {0x04, 80, 480},
                                                 {0x08, kBusPowerUpUs, 0},
                                             }},
                                             kFastPaces};

// Every change of a paced line on the data register at `dataPort` that the
// next change of any line of that register followed too soon. Frames are
// told by the PC's own clock and data bits: the data bit moving while the
// clock bit is high starts (falling) or stops (rising) one.
std::vector<PacingViolation> pacingViolations(const std::vector<RegisterWrite>& writes,
                                              std::uint16_t dataPort, const BusPacing& pacing);

} // namespace ccp::sim
