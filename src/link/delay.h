// The busy-waits that pace every change of the jig's lines. Both hold the
// thread for their whole length on the given Clock; neither sleeps.
#pragma once

#include "link/clock.h"

#include <cstdint>

namespace ccp::link {

inline constexpr std::uint64_t kUsPerMs = 1000;

void DelayMicroseconds(Clock& clock, std::uint64_t n);
// n busy-waits of one millisecond each; n = 0 waits nothing.
void DelayMilliseconds(Clock& clock, std::uint64_t n);

} // namespace ccp::link
