// capcode-tool jigs [--json]: every jig this machine shows, one line each.
// The parallel ports LPT1 and LPT2 with their ppdev node and state (ready: the
// jig's presence line is high; not connected: it is low; busy: another
// program holds the port; no permission; no node), then each USB jig with its
// hidraw path, hardware version and serial number when it has one; `--jig
// usb:PATH` or `--jig usb:SERIAL` (a trailing part is enough when no other
// jig's serial ends with it) picks one of them.
#pragma once

#include "link/hid_backend.h"
#include "link/ppdev_port_driver.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace ccp::tool {

struct ParallelPortState {
    std::string port; // LPT1, LPT2
    std::string node;
    std::string state;
};

struct SeenJigs {
    std::vector<ParallelPortState> parallel;
    std::vector<link::HidDeviceInfo> usb;
};

SeenJigs seeJigs(link::PpdevPortDriver& ports, link::HidBackend& hid);
void printJigs(const SeenJigs& jigs, bool json, std::ostream& out);

struct JigsOptions {
    CLI::App* command = nullptr;
    bool json = false;
};

void addJigsCommand(CLI::App& app, JigsOptions& options);
int runJigsCommand(const JigsOptions& options, std::ostream& out);

} // namespace ccp::tool
