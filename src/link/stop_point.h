// Points at which a test build stops the program as a power cut would
// (SIGKILL), so that tests see what the store and the pager are left with.
// Only a build made with the tests has them: there CCP_TEST_STOP_AT names
// the point (NAME#N: its N-th time), and the action set before runs first (a virtual pager keeps
// its file, as a real pager keeps what reached its EEPROM). Everywhere else
// a point does nothing. CCP_TEST_PAUSE_AT=NAME#N[,NAME#N...] stops the
// program there as SIGSTOP does instead, so that a test can change the world
// (take a virtual pager off the jig, send a signal) at that exact point and
// let it go on with SIGCONT.
#pragma once

#include <functional>

namespace ccp::link {

void stopPoint(const char* name);
// One action at a time; an empty one clears it.
void setBeforeStop(std::function<void()> action);

} // namespace ccp::link
