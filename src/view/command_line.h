// The window's command line: capcode-programmer [--jig JIG] [--db URL]
// [--help] [--version]. --help and --version are answered before the application
// object opens a display, so they work where there is none.
#pragma once

#include <optional>
#include <string>

class QCoreApplication;

namespace ccp::view {

struct WindowOptions {
    std::optional<std::string> jig; // the --jig word, as given
    std::string db;                 // the store; empty: the default SQLite file
};

// When the arguments ask for help or the version: prints it and returns the
// exit status. Nothing otherwise.
std::optional<int> answerWithoutDisplay(int argc, char** argv);

// The options of the running application, whose object has taken its own
// arguments out. An unknown option or a missing value is printed and ends the
// program with status 1.
WindowOptions parseOptions(const QCoreApplication& application);

} // namespace ccp::view
