#include "link/stop_point.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

namespace ccp::link {
namespace {

std::function<void()>& beforeStop() {
    static std::function<void()> action;
    return action;
}

#ifdef CCP_TEST_HOOKS
// True when `name` is reached for the N-th time that one of the comma
// separated NAME#N of `list` names (NAME alone: the first time).
bool pauseHere(const char* list, std::string_view name) {
    static std::map<std::string, long, std::less<>> reached;
    const long count = ++reached[std::string(name)];
    std::string_view rest(list);
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        const std::size_t hash = item.find('#');
        if (item.substr(0, hash) != name)
            continue;
        const long at = hash == std::string_view::npos
                            ? 1
                            : std::atol(std::string(item.substr(hash + 1)).c_str());
        if (at == count)
            return true;
    }
    return false;
}
#endif

} // namespace

void stopPoint([[maybe_unused]] const char* name) {
#ifdef CCP_TEST_HOOKS
    if (const char* pause = std::getenv("CCP_TEST_PAUSE_AT");
        pause != nullptr && pauseHere(pause, name))
        std::raise(SIGSTOP);
    // NAME stops the first time the point is reached, NAME#N the N-th time.
    const char* at = std::getenv("CCP_TEST_STOP_AT");
    const std::size_t length = std::strlen(name);
    if (at == nullptr || std::strncmp(at, name, length) != 0 ||
        (at[length] != '\0' && at[length] != '#'))
        return;
    static long reached = 0;
    if (++reached < (at[length] == '#' ? std::atol(at + length + 1) : 1))
        return;
    if (beforeStop())
        beforeStop()();
    std::raise(SIGKILL);
#endif
}

void setBeforeStop(std::function<void()> action) {
    beforeStop() = std::move(action);
}

} // namespace ccp::link
