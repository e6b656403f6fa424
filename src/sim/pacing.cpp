#include "sim/pacing.h"

#include "link/port_lines.h"

namespace ccp::sim {

namespace {

constexpr std::uint8_t kClock = link::kClockLine.mask;
constexpr std::uint8_t kData = link::kDataOutLine.mask;

} // namespace

std::vector<PacingViolation> pacingViolations(const std::vector<RegisterWrite>& writes,
                                              std::uint16_t dataPort, const BusPacing& pacing) {
    std::vector<PacingViolation> out;
    bool pending = false;
    bool framed = false;
    PacingViolation last{};
    for (const RegisterWrite& w : writes) {
        const auto changed = static_cast<std::uint8_t>(w.before ^ w.value);
        if (w.port != dataPort || changed == 0) {
            continue;
        }
        if (pending && w.timeUs - last.timeUs < last.promisedUs) {
            last.heldUs = w.timeUs - last.timeUs;
            out.push_back(last);
        }
        if ((changed & kData) != 0 && (w.before & kClock) != 0 && (w.value & kClock) != 0) {
            framed = (w.value & kData) == 0;
        }
        const LinePaces& paces = framed ? pacing.framed : pacing.between;
        pending = false;
        for (const LinePace& pace : paces) {
            if ((changed & pace.mask) == 0) {
                continue;
            }
            const bool rose = (w.value & pace.mask) != 0;
            const std::uint64_t promised = rose ? pace.afterRiseUs : pace.afterFallUs;
            if (!pending || promised > last.promisedUs) {
                last = PacingViolation{w.timeUs, pace.mask, 0, promised};
                pending = true;
            }
        }
    }
    return out;
}

} // namespace ccp::sim
