#include "link/bus_probe.h"

namespace ccp::link {

void BusProbe::dataLine(bool high, BusPace pace) {
    if (pace == BusPace::Eeprom) {
        if (high)
            lines_.DataHigh();
        else
            lines_.DataLow();
    } else if (high) {
        lines_.SlowDataHigh();
    } else {
        lines_.SlowDataLow();
    }
}

// Start and stop are the ones each bus's transfers send: the EEPROM's start
// falls the data line after raising it with the clock low, the decoder's with
// the clock already high.
bool BusProbe::acknowledges(std::uint8_t address, BusPace pace) {
    lines_.clearFault();
    if (pace == BusPace::Eeprom) {
        lines_.DataHigh();
        lines_.ClockHigh();
    } else {
        lines_.ClockHigh();
        lines_.SlowDataHigh();
    }
    dataLine(false, pace);
    lines_.ClockLow();
    for (int bit = 7; bit >= 0; --bit) {
        dataLine(((address >> bit) & 1) != 0, pace);
        lines_.ClockHigh();
        lines_.ClockLow();
    }
    lines_.ClockHigh();
    const bool high = lines_.SampleData();
    lines_.ClockLow();
    const bool acknowledged = !high && !lines_.faulted();
    if (pace == BusPace::Eeprom) {
        lines_.BusStop();
    } else {
        lines_.SlowDataLow();
        lines_.ClockHigh();
        lines_.SlowDataHigh();
    }
    return acknowledged;
}

} // namespace ccp::link
