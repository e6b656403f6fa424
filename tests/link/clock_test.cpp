#include "link/clock.h"
#include "link/delay.h"
#include "sim/virtual_clock.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace ccp::link {
namespace {

constexpr std::int64_t kMaxTicks = std::numeric_limits<std::int64_t>::max();

// Advances by `step` at every read of the counter and keeps what it returned.
class FakeCounter final : public TickCounter {
public:
    FakeCounter(std::int64_t frequency, std::int64_t start, std::int64_t step)
        : frequency_(frequency), next_(start), step_(step) {}

    std::int64_t frequency() override {
        ++frequencyReads;
        return frequency_;
    }
    std::int64_t ticks() override {
        reads.push_back(next_);
        next_ += step_;
        return reads.back();
    }
    void setFrequency(std::int64_t frequency) { frequency_ = frequency; }

    int frequencyReads = 0;
    std::vector<std::int64_t> reads;

private:
    std::int64_t frequency_;
    std::int64_t next_;
    std::int64_t step_;
};

struct BusyWaitCase {
    const char* name;
    std::int64_t frequency;
    std::int64_t start;
    std::int64_t step;
    std::uint64_t us;
    std::int64_t target;
};

// Dividing the frequency by 1 000 000 first would give 45 ticks for the
// ACPI timer's 15 us and none at all for a 32 kHz counter.
const BusyWaitCase kBusyWaitCases[] = {
    {"nanosecond counter", 1'000'000'000, 5'000, 1'000, 15, 20'000},
    {"ACPI timer keeps its fraction", 3'579'545, 0, 1, 15, 53},
    {"32 kHz counter", 32'768, 0, 1, 480, 15},
    {"counter crossing zero", 1'000'000, -20, 1, 40, 20},
    {"product past 64 bits", 1'000'000'000, 0, 1'000'000'000'000, 20'000'000'000,
     20'000'000'000'000},
    {"zero wait", 1'000'000'000, 100, 1, 0, 100},
};

TEST(SteadyClockBusyWait, SpinsUntilTheCounterReachesTheTarget) {
    for (const BusyWaitCase& c : kBusyWaitCases) {
        SCOPED_TRACE(c.name);
        FakeCounter counter(c.frequency, c.start, c.step);
        SteadyClock clock(counter);
        clock.busyWaitUs(c.us);

        EXPECT_EQ(counter.frequencyReads, 1);
        ASSERT_GE(counter.reads.size(), 2u);
        EXPECT_EQ(counter.reads.front(), c.start);
        EXPECT_GE(counter.reads.back(), c.target);
        for (std::size_t i = 1; i + 1 < counter.reads.size(); ++i) {
            EXPECT_LT(counter.reads[i], c.target) << "spun past the target at read " << i;
        }
    }
}

TEST(SteadyClockBusyWait, ReadsTheFrequencyAnewAtEveryCall) {
    FakeCounter counter(1'000'000, 0, 1);
    SteadyClock clock(counter);
    clock.busyWaitUs(10);
    const std::int64_t firstEnd = counter.reads.back();
    counter.setFrequency(2'000'000);
    clock.busyWaitUs(10);

    EXPECT_EQ(counter.frequencyReads, 2);
    EXPECT_EQ(firstEnd, 10);
    const std::int64_t secondStart = firstEnd + 1;
    EXPECT_EQ(counter.reads.back(), secondStart + 20);
}

TEST(TicksForMicroseconds, EdgesOfTheRange) {
    struct Case {
        std::int64_t frequency;
        std::uint64_t us;
        std::int64_t ticks;
    };
    const Case cases[] = {
        {0, 15, 0},
        {-1'000'000, 15, 0},
        {1'000'000'000, 999, 999'000},
        {3'579'545, 1'000'000'000'000'000'015, 3'579'545'000'000'000'053},
        {kMaxTicks, std::numeric_limits<std::uint64_t>::max(), kMaxTicks},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ticksForMicroseconds(c.frequency, c.us), c.ticks)
            << c.frequency << " Hz, " << c.us << " us";
    }
}

TEST(SteadyClockNow, ConvertsTicksWithoutOverflow) {
    struct Case {
        std::int64_t frequency;
        std::int64_t ticks;
        std::uint64_t us;
    };
    const Case cases[] = {
        {3'579'545, 3'579'545 * 3 + 1'789'772, 3'499'999},
        {1'000'000'000, 9'000'000'000'000'000'000, 9'000'000'000'000'000},
        {1'000'000'000, -5, 0},
    };
    for (const Case& c : cases) {
        FakeCounter counter(c.frequency, c.ticks, 0);
        const SteadyClock clock(counter);
        EXPECT_EQ(clock.nowUs(), c.us) << c.ticks << " ticks at " << c.frequency << " Hz";
    }
}

TEST(Delay, WaitsAreBusyWaitsOfTheExactLength) {
    struct Case {
        const char* name;
        void (*delay)(Clock&, std::uint64_t);
        std::uint64_t n;
        std::vector<std::uint64_t> waits;
    };
    const Case cases[] = {
        {"microseconds", &DelayMicroseconds, 15, {15}},
        {"zero milliseconds", &DelayMilliseconds, 0, {}},
        {"three milliseconds", &DelayMilliseconds, 3, {1000, 1000, 1000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::VirtualClock clock;
        c.delay(clock, c.n);
        std::vector<std::uint64_t> waits;
        for (const sim::Wait& w : clock.waits()) {
            EXPECT_EQ(w.kind, sim::WaitKind::Busy);
            waits.push_back(w.lengthUs);
        }
        EXPECT_EQ(waits, c.waits);
    }
}

} // namespace
} // namespace ccp::link
