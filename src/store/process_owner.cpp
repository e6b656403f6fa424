#include "store/process_owner.h"

#include <climits>
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

// "pid:[4026531836]": the same text for every process of one PID namespace.
std::string pidNamespace() {
    char link[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/ns/pid", link, sizeof link - 1);
    return n > 0 ? std::string(link, static_cast<std::size_t>(n)) : std::string();
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
    const std::string ns = pidNamespace();
    return "pid " + std::to_string(pid) + " start " + startTicks(pid) + " boot " + bootId() +
           (ns.empty() ? "" : " ns " + ns);
}

bool processOwnerAlive(const std::string& owner) {
    std::istringstream in(owner);
    std::string pidWord, startWord, bootWord, start, boot, nsWord, ns;
    long pid = 0;
    if (!(in >> pidWord >> pid >> startWord >> start >> bootWord >> boot) || pidWord != "pid" ||
        pid <= 0)
        return false;
    // The boot id is the kernel's, the same in every namespace: a holder of
    // an earlier boot is gone wherever it ran.
    if (boot != bootId())
        return false;
    const bool named = in >> nsWord >> ns && nsWord == "ns";
    const std::string here = pidNamespace();
    // Its pid means nothing here: reclaiming a live writer's slot would issue
    // its capcodes twice, so it keeps the slot until it ends it or the
    // machine restarts.
    if (!named || here.empty() || ns != here)
        return true;
    return !start.empty() && startTicks(pid) == start;
}

} // namespace ccp::store
