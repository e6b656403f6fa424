#include "link/clock.h"

#include <chrono>
#include <limits>
#include <thread>

namespace ccp::link {

namespace {

constexpr std::uint64_t kUsPerSecond = 1'000'000;
constexpr std::int64_t kNsPerSecond = 1'000'000'000;
constexpr std::int64_t kMaxTicks = std::numeric_limits<std::int64_t>::max();

} // namespace

MonotonicCounter::MonotonicCounter() : clockId_(CLOCK_MONOTONIC_RAW) {
    timespec probe{};
    if (::clock_gettime(clockId_, &probe) != 0) {
        clockId_ = CLOCK_MONOTONIC;
    }
}

std::int64_t MonotonicCounter::ticks() {
    timespec now{};
    ::clock_gettime(clockId_, &now);
    return static_cast<std::int64_t>(now.tv_sec) * kNsPerSecond + now.tv_nsec;
}

std::int64_t ticksForMicroseconds(std::int64_t frequency, std::uint64_t us) {
    if (frequency <= 0) {
        return 0;
    }
    const auto f = static_cast<std::uint64_t>(frequency);
    std::uint64_t product = 0;
    if (!__builtin_mul_overflow(f, us, &product)) {
        return static_cast<std::int64_t>(product / kUsPerSecond);
    }
    std::uint64_t whole = 0;
    std::uint64_t fraction = 0;
    std::uint64_t sum = 0;
    if (__builtin_mul_overflow(us / kUsPerSecond, f, &whole) ||
        __builtin_mul_overflow(us % kUsPerSecond, f, &fraction) ||
        __builtin_add_overflow(whole, fraction / kUsPerSecond, &sum) ||
        sum > static_cast<std::uint64_t>(kMaxTicks)) {
        return kMaxTicks;
    }
    return static_cast<std::int64_t>(sum);
}

SteadyClock::SteadyClock() : counter_(own_) {
}

SteadyClock::SteadyClock(TickCounter& counter) : counter_(counter) {
}

void SteadyClock::sleepMs(unsigned ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SteadyClock::busyWaitUs(std::uint64_t us) {
    const std::int64_t frequency = counter_.frequency();
    const std::int64_t start = counter_.ticks();
    std::int64_t target = 0;
    if (__builtin_add_overflow(start, ticksForMicroseconds(frequency, us), &target)) {
        target = kMaxTicks;
    }
    while (counter_.ticks() < target) {
    }
}

std::uint64_t SteadyClock::nowUs() const {
    const std::int64_t frequency = counter_.frequency();
    const std::int64_t ticks = counter_.ticks();
    if (frequency <= 0 || ticks <= 0) {
        return 0;
    }
    const auto f = static_cast<std::uint64_t>(frequency);
    const auto t = static_cast<std::uint64_t>(ticks);
    return t / f * kUsPerSecond + t % f * kUsPerSecond / f;
}

} // namespace ccp::link
