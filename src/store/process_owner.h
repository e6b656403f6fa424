// Who holds a reservation on a SQLite store: a process of this machine, named
// by its pid, the time it started (clock ticks since boot, so that a later
// process with the same pid is told apart), the boot it belongs to (so that
// after a power cut every earlier holder is gone) and its PID namespace (a
// pid means another process, or none, in another namespace: a container).
#pragma once

#include <string>

namespace ccp::store {

// "pid PID start TICKS boot BOOT_ID ns pid:[INODE]" of the calling process;
// without " ns ..." when /proc/self/ns/pid cannot be read.
std::string thisProcessOwner();
// False once the process named by `owner` has ended, or the machine has been
// restarted since. A holder of this boot that cannot be judged from here is
// taken as alive: one of another PID namespace, and one whose text names no
// namespace (written by an earlier version, or where the link could not be
// read). An owner text that cannot be read at all is taken as gone.
bool processOwnerAlive(const std::string& owner);

} // namespace ccp::store
