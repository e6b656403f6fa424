#include "link/detect_parallel_port.h"

#include "link/port_lines.h"

#include <optional>

namespace ccp::link {

PortDetection DetectParallelPort(ProgrammerLink& link, PortDriver& driver, const OsInfo& os,
                                 form::LogPane& log, form::MenuItem& port1,
                                 form::MenuItem& writeToPager, form::MenuItem& readFromPager) {
    link.PortBase = kLpt1Base;
    link.UsbActive = false;

    switch (os.parallelPortPolicy()) {
    case ParallelPortPolicy::DisabledBySystem:
        log.append(kPortsDisabledText);
        port1.setEnabled(false);
        return PortDetection::DisabledBySystem;
    case ParallelPortPolicy::NotOffered:
        return PortDetection::NotOffered;
    case ParallelPortPolicy::Available:
        break;
    }

    PortDetection outcome = PortDetection::Unavailable;
    const char* message = kPortsUnavailableText;
    if (driver.initialise()) {
        // Held only for the one read, and never waited for past the claim's
        // limit: a port another program holds is reported, not waited for.
        const PortClaim claim(&driver, link.PortBase);
        // A claimed port whose status cannot be read is no more usable than
        // one that could not be claimed.
        const std::optional<std::uint8_t> status =
            claim.held() ? driver.read(registerAddress(link.PortBase, kPresenceLine.reg))
                         : std::nullopt;
        if (status) {
            const bool present = (*status & kPresenceLine.mask) != 0;
            outcome = present ? PortDetection::Ready : PortDetection::NotConnected;
            message = present ? kPortsReadyText : kJigMissingText;
        }
    }
    log.append(message);
    const bool usable = outcome == PortDetection::Ready;
    writeToPager.setEnabled(usable);
    readFromPager.setEnabled(usable);
    return outcome;
}

} // namespace ccp::link
