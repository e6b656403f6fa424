// Points at which a test build stops the program as a power cut would
// (SIGKILL), so that tests see what the store and the pager are left with.
// Only a build made with the tests has them: there CCP_TEST_STOP_AT names
// the point (NAME#N: its N-th time), and the action set before runs first (a virtual pager keeps
// its file, as a real pager keeps what reached its EEPROM). Everywhere else
// a point does nothing.
#pragma once

#include <functional>

namespace ccp::link {

void stopPoint(const char* name);
// One action at a time; an empty one clears it.
void setBeforeStop(std::function<void()> action);

} // namespace ccp::link
