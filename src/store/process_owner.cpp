#include "store/process_owner.h"

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace ccp::store {
namespace {

std::string bootId() {
    std::ifstream in("/proc/sys/kernel/random/boot_id");
    std::string id;
    std::getline(in, id);
    return id;
}

// Field 22 of /proc/PID/stat (empty for a process that has ended), after the command name in
// parentheses, which may itself hold spaces and parentheses.
std::string startTicks(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(in, stat);
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return {};
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    for (int n = 3; n <= 22 && fields >> field; ++n) {
        // A zombie has ended; only its parent has not yet been told.
        if (n == 3 && field == "Z")
            return {};
    }
    return field;
}

} // namespace

std::string thisProcessOwner() {
    const long pid = ::getpid();
    return "pid " + std::to_string(pid) + " start " + startTicks(pid) + " boot " + bootId();
}

bool processOwnerAlive(const std::string& owner) {
    std::istringstream in(owner);
    std::string pidWord, startWord, bootWord, start, boot;
    long pid = 0;
    if (!(in >> pidWord >> pid >> startWord >> start >> bootWord >> boot) || pidWord != "pid" ||
        pid <= 0)
        return false;
    return boot == bootId() && !start.empty() && startTicks(pid) == start;
}

} // namespace ccp::store
