// Who holds a reservation on a SQLite store: a process of this machine, named
// by its pid, the time it started (clock ticks since boot, so that a later
// process with the same pid is told apart) and the boot it belongs to (so that
// after a power cut every earlier holder is gone).
#pragma once

#include <string>

namespace ccp::store {

// "pid PID start TICKS boot BOOT_ID" of the calling process.
std::string thisProcessOwner();
// False once the process named by `owner` has ended, or the machine has been
// restarted since; an owner text that cannot be read is taken as gone.
bool processOwnerAlive(const std::string& owner);

} // namespace ccp::store
