#include "sim/virtual_clock.h"

namespace ccp::sim {

void VirtualClock::sleepMs(unsigned ms) {
    wait(WaitKind::Sleep, std::uint64_t{ms} * 1000);
}

void VirtualClock::busyWaitUs(std::uint64_t us) {
    wait(WaitKind::Busy, us);
}

void VirtualClock::wait(WaitKind kind, std::uint64_t us) {
    waits_.push_back(Wait{kind, nowUs_, us});
    nowUs_ += us;
}

std::uint64_t VirtualClock::totalUs(WaitKind kind) const {
    std::uint64_t total = 0;
    for (const Wait& w : waits_) {
        if (w.kind == kind) {
            total += w.lengthUs;
        }
    }
    return total;
}

} // namespace ccp::sim
