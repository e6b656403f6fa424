#include "tool/jigs_command.h"

#include "jig/chosen_hid_backend.h"
#include "link/hidapi_backend.h"
#include "link/port_lines.h"
#include "link/programmer_link.h"
#include "tool/json_report.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <fcntl.h>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace ccp::tool {
namespace {

// The port's state as a claim and one read of the presence line show it; the
// claim is let go at once.
std::string stateOf(link::PpdevPortDriver& ports, std::size_t node) {
    const std::string path = ports.nodePath(node);
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return "no node";
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES || errno == EPERM ? "no permission" : "no node";
    ::close(fd);
    // The driver checks LPT1's node before it claims any port.
    if (!ports.initialise())
        return "no node";
    const std::uint16_t base = link::kLptBases[node];
    if (!ports.claim(base)) {
        const int error = ports.lastError();
        ports.release();
        return error == EBUSY ? "busy" : error == EACCES ? "no permission" : "no node";
    }
    const std::optional<std::uint8_t> status =
        ports.read(link::registerAddress(base, link::kPresenceLine.reg));
    ports.release();
    ports.shutdown();
    if (!status)
        return "busy";
    return (*status & link::kPresenceLine.mask) != 0 ? "ready" : "not connected";
}

} // namespace

SeenJigs seeJigs(link::PpdevPortDriver& ports, link::HidBackend& hid) {
    SeenJigs seen;
    for (std::size_t node = 0; node < link::kLptBases.size(); ++node)
        seen.parallel.push_back(
            {"LPT" + std::to_string(node + 1), ports.nodePath(node), stateOf(ports, node)});
    seen.usb = jig::usbJigsAmong(hid.enumerate());
    return seen;
}

void printJigs(const SeenJigs& jigs, bool json, std::ostream& out) {
    if (json) {
        Json parallel = Json::array();
        for (const ParallelPortState& p : jigs.parallel)
            parallel.push_back({{"port", p.port}, {"node", p.node}, {"state", p.state}});
        Json usb = Json::array();
        for (const link::HidDeviceInfo& d : jigs.usb)
            usb.push_back({{"path", d.path},
                           {"version", d.version},
                           {"serial", d.serial.empty() ? Json() : Json(d.serial)}});
        printJson({{"parallel", parallel}, {"usb", usb}}, out);
        return;
    }
    for (const ParallelPortState& p : jigs.parallel)
        out << p.port << "  " << p.node << "  " << p.state << '\n';
    for (const link::HidDeviceInfo& d : jigs.usb)
        out << "USB   " << d.path << "  version " << d.version
            << (d.serial.empty() ? std::string() : "  serial " + d.serial) << '\n';
    out.flush();
}

void addJigsCommand(CLI::App& app, JigsOptions& options) {
    options.command = app.add_subcommand("jigs", "every jig this machine shows, one line each");
    options.command->add_flag("--json", options.json, "print one JSON document");
}

int runJigsCommand(const JigsOptions& options, std::ostream& out) {
    link::PpdevPortDriver ports;
    link::HidapiBackend hid;
    printJigs(seeJigs(ports, hid), options.json, out);
    return 0;
}

} // namespace ccp::tool
