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
    const char* at = std::getenv("CCP_TEST_STOP_AT");
    if (at == nullptr || std::strcmp(at, name) != 0)
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
