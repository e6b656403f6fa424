// Time for pacing the jig's lines: millisecond sleeps through the OS and
// microsecond busy-waits on a free-running counter that hold the thread for
// the full length and never sleep or yield. A wait may run long (preemption),
// never short: the buses are clocked by the PC, so a longer wait is safe.
#pragma once

#include <cstdint>
#include <ctime>

namespace ccp::link {

class Clock {
public:
    virtual ~Clock() = default;
    virtual void sleepMs(unsigned ms) = 0;
    virtual void busyWaitUs(std::uint64_t us) = 0;
    // Microseconds since an arbitrary fixed start.
    virtual std::uint64_t nowUs() const = 0;
};

// A free-running counter that advances frequency() ticks per second.
class TickCounter {
public:
    virtual ~TickCounter() = default;
    virtual std::int64_t frequency() = 0;
    virtual std::int64_t ticks() = 0;
};

// The kernel's monotonic clock in nanoseconds (CLOCK_MONOTONIC_RAW, which NTP
// does not slew; CLOCK_MONOTONIC where the raw clock is not offered).
class MonotonicCounter final : public TickCounter {
public:
    MonotonicCounter();
    std::int64_t frequency() override { return 1'000'000'000; }
    std::int64_t ticks() override;

private:
    clockid_t clockId_;
};

// Ticks in `us` microseconds at `frequency`: frequency * us / 1 000 000,
// multiplied first so that a frequency that is no whole number of MHz keeps
// its fraction. A product past 64 bits is split at whole seconds; a result
// past the signed 64-bit range saturates. A frequency of 0 or less gives 0.
std::int64_t ticksForMicroseconds(std::int64_t frequency, std::uint64_t us);

class SteadyClock final : public Clock {
public:
    // Counts on its own MonotonicCounter.
    SteadyClock();
    // Counts on `counter`, which outlives the clock.
    explicit SteadyClock(TickCounter& counter);
    SteadyClock(const SteadyClock&) = delete;
    SteadyClock& operator=(const SteadyClock&) = delete;

    void sleepMs(unsigned ms) override;
    // Reads the frequency and the counter, then reads the counter until it is
    // not below counter + ticksForMicroseconds(frequency, us), compared as
    // signed 64-bit numbers. The frequency is read anew at every call.
    void busyWaitUs(std::uint64_t us) override;
    std::uint64_t nowUs() const override;

private:
    MonotonicCounter own_;
    TickCounter& counter_;
};

} // namespace ccp::link
