// Start-up detection of the parallel-port jig, also run when a USB jig goes
// away: resets the link to LPT1 without USB, asks the OS whether the port may
// be used, claims it for one read of the jig's presence line on LPT1, and reports
// the outcome as one log line and the state of the port and pager menus.
#pragma once

#include "form/controls.h"
#include "link/os_info.h"
#include "link/port_driver.h"
#include "link/programmer_link.h"

namespace ccp::link {

enum class PortDetection {
    DisabledBySystem, // "Parallel ports disable in Vista"; Port1 disabled
    NotOffered,       // nothing logged, nothing changed
    Unavailable,      // initialise or the status read failed; read and write disabled
    Ready,            // presence line high; read and write enabled
    NotConnected,     // presence line low; read and write disabled
};

inline constexpr const char* kPortsDisabledText = "Parallel ports disable in Vista";
inline constexpr const char* kPortsUnavailableText = "Parallel ports busy or unavailable.";
inline constexpr const char* kPortsReadyText = "Parallel ports ready.";
inline constexpr const char* kJigMissingText = "Programmer not connected or not powered.";

// Where the port is disabled by the system or not offered, the read and write
// menu items keep their state and the driver is not initialised.
PortDetection DetectParallelPort(ProgrammerLink& link, PortDriver& driver, const OsInfo& os,
                                 form::LogPane& log, form::MenuItem& port1,
                                 form::MenuItem& writeToPager, form::MenuItem& readFromPager);

} // namespace ccp::link
