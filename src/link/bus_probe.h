// An acknowledge probe on the parallel jig's two-wire bus: a start condition,
// one address byte, the acknowledge bit, a stop. It writes nothing to a chip
// (no register or memory byte follows the address) and uses the primitives
// and waits of the bus it probes: the EEPROM's fast data line, or the
// decoder's slow one (480 us per change). The lines must be on (LinesOn,
// BusOn) and the bus idle.
#pragma once

#include "link/port_lines.h"

#include <cstdint>

namespace ccp::link {

enum class BusPace { Eeprom, Decoder };

class BusProbe {
public:
    // `lines` outlives the probe.
    explicit BusProbe(PortLines& lines) : lines_(lines) {}

    // True when a chip pulled the data line low in the acknowledge slot after
    // `address` (a failed port access counts as no acknowledge).
    bool acknowledges(std::uint8_t address, BusPace pace);

private:
    void dataLine(bool high, BusPace pace);

    PortLines& lines_;
};

} // namespace ccp::link
