// Virtual time for tests and the virtual pager: the clock stands still until
// something waits on it, and every wait advances it by exactly its length
// and is recorded with its start, so a full transfer that takes seconds of
// virtual time takes none of real time.
#pragma once

#include "link/clock.h"

#include <cstdint>
#include <vector>

namespace ccp::sim {

enum class WaitKind { Busy, Sleep };

struct Wait {
    WaitKind kind;
    std::uint64_t startUs;
    std::uint64_t lengthUs;
};

class VirtualClock final : public link::Clock {
public:
    void sleepMs(unsigned ms) override;
    void busyWaitUs(std::uint64_t us) override;
    std::uint64_t nowUs() const override { return nowUs_; }

    // Moves time on without a wait, as time passing outside the program.
    void advanceUs(std::uint64_t us) { nowUs_ += us; }

    const std::vector<Wait>& waits() const { return waits_; }
    void clearWaits() { waits_.clear(); }
    // Total length of the recorded waits of one kind.
    std::uint64_t totalUs(WaitKind kind) const;

private:
    void wait(WaitKind kind, std::uint64_t us);

    std::uint64_t nowUs_ = 0;
    std::vector<Wait> waits_;
};

} // namespace ccp::sim
