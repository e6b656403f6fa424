#include "link/delay.h"

namespace ccp::link {

void DelayMicroseconds(Clock& clock, std::uint64_t n) {
    clock.busyWaitUs(n);
}

void DelayMilliseconds(Clock& clock, std::uint64_t n) {
    for (std::uint64_t i = 0; i < n; ++i) {
        DelayMicroseconds(clock, kUsPerMs);
    }
}

} // namespace ccp::link
