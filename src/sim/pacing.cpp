#include "sim/pacing.h"

#include <algorithm>

namespace ccp::sim {

std::vector<PacingViolation> pacingViolations(const std::vector<RegisterWrite>& writes,
                                              std::uint16_t dataPort,
                                              std::span<const LinePace> paces) {
    std::vector<PacingViolation> out;
    bool pending = false;
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
