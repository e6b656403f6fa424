#include "link/stop_point.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace ccp::link {
namespace {

std::function<void()>& beforeStop() {
    static std::function<void()> action;
    return action;
}

} // namespace

void stopPoint([[maybe_unused]] const char* name) {
#ifdef CCP_TEST_HOOKS
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
