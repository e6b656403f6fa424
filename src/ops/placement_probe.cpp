#include "ops/placement_probe.h"

namespace ccp::ops {

Placement PlacementProbe::look() {
    if (operations_.running())
        return Placement::Busy;
    switch (transfers_.EepromPresent(deviceSelect_)) {
    case link::EepromPresence::Answers:
        return Placement::Present;
    case link::EepromPresence::OtherSelect:
        return Placement::OtherPlatform;
    case link::EepromPresence::Silent:
        return Placement::Absent;
    case link::EepromPresence::Failed:
        break;
    }
    return Placement::JigFailed;
}

void PlacementProbe::stop() {
    if (!operations_.running())
        transfers_.EndPresenceLooks();
}

} // namespace ccp::ops
