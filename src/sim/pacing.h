// Pacing promises of the jig's buses, checked over the writes a simulated
// port recorded: after a line changes, the next change of any line on the
// same register comes no sooner than the wait promised for that line and
// direction. The EEPROM bus holds its data line 80 us; the decoder bus holds
// it 480 us when it drives it low or sends a bit, and 80 us when it releases
// it to sample an acknowledge. The bus power line (D3) is given 500 ms to
// power the pager before anything else moves.
#pragma once

#include "sim/simulated_parallel_port.h"

#include <array>
#include <cstdint>
#include <span>
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

inline constexpr std::array<LinePace, 3> kEepromBusPacing{{
    {0x02, 15, 15},
    {0x04, 80, 80},
    {0x08, kBusPowerUpUs, 0},
}};

inline constexpr std::array<LinePace, 3> kDecoderBusPacing{{
    {0x02, 15, 15},
    {0x04, 80, 480},
    {0x08, kBusPowerUpUs, 0},
}};

// Every change of a paced line on the data register at `dataPort` that the
// next change of any line of that register followed too soon.
std::vector<PacingViolation> pacingViolations(const std::vector<RegisterWrite>& writes,
                                              std::uint16_t dataPort,
                                              std::span<const LinePace> paces);

} // namespace ccp::sim
