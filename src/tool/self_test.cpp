#include "tool/self_test.h"

#include "link/eeprom_types.h"
#include "link/port_lines.h"
#include "link/programmer_link.h"
#include "tool/bus_probe.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <grp.h>
#include <ostream>
#include <sys/stat.h>

namespace ccp::tool {
namespace {

constexpr std::size_t kNameWidth = 16;
constexpr std::size_t kResultWidth = 8;
// The pager's EEPROM is a 24C04: device bytes 1010 p2 p1 a8 0.
constexpr std::uint16_t kPagerEepromCode = 4;
constexpr std::uint8_t kFirstEepromAddress = 0xA0;
constexpr std::uint8_t kLastEepromAddress = 0xAE;
constexpr std::uint8_t kDecoderAddress = 0x4E;
// Long enough for the decoder, the slower of the two chips, to come up.
constexpr unsigned kPowerSettleMs = 1500;

const char* resultText(CheckResult result) {
    switch (result) {
    case CheckResult::Pass:
        return "PASS";
    case CheckResult::Fail:
        return "FAIL";
    case CheckResult::Skip:
        break;
    }
    return "SKIP";
}

std::string hexByte(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

std::string padded(std::string text, std::size_t width) {
    text.resize(std::max(text.size() + 1, width), ' ');
    return text;
}

Check pass(std::string name, std::string detail) {
    return {std::move(name), CheckResult::Pass, std::move(detail), {}};
}

Check fail(std::string name, std::string detail, std::string hint) {
    return {std::move(name), CheckResult::Fail, std::move(detail), std::move(hint)};
}

void skipRest(std::vector<Check>& checks, const std::vector<const char*>& names,
              const std::string& why) {
    for (const char* name : names)
        checks.push_back({name, CheckResult::Skip, why, {}});
}

std::string groupOf(const std::string& node) {
    struct stat info {};
    if (::stat(node.c_str(), &info) == 0) {
        if (const struct group* group = ::getgrgid(info.st_gid))
            return group->gr_name;
    }
    return "lp";
}

std::string platformText(const PagerExpectation& pager) {
    return "platform " + std::to_string(pager.platform.value_or(0));
}

Check eepromScan(BusProbe& probe, const PagerExpectation& pager) {
    std::string answered;
    bool expectedAnswered = false;
    const std::uint8_t expected =
        link::writeCommandByte(*link::findEepromType(kPagerEepromCode), pager.deviceSelect, 0);
    for (unsigned address = kFirstEepromAddress; address <= kLastEepromAddress; address += 2) {
        if (!probe.acknowledges(static_cast<std::uint8_t>(address), BusPace::Eeprom))
            continue;
        answered += (answered.empty() ? "acknowledged at " : ", ") + hexByte(address);
        expectedAnswered = expectedAnswered || address == expected;
    }
    const char* name = "EEPROM scan";
    if (answered.empty())
        return fail(name, "no device address from 0xA0 to 0xAE acknowledged",
                    "no EEPROM answered: check the pager's seat in the jig and its contacts");
    if (pager.platform && !expectedAnswered)
        return fail(name, answered + "; " + platformText(pager) + " expects " + hexByte(expected),
                    "the EEPROM answers another device select: is the pager of " +
                        platformText(pager) + "?");
    return pass(name, answered);
}

Check decoderScan(BusProbe& probe, const PagerExpectation& pager) {
    const char* name = "decoder scan";
    if (probe.acknowledges(kDecoderAddress, BusPace::Decoder))
        return pass(name, "acknowledged at " + hexByte(kDecoderAddress));
    const std::string detail = "nothing acknowledged " + hexByte(kDecoderAddress);
    if (pager.decoder)
        return fail(name, detail,
                    "the decoder did not answer: check the seat, and that the pager is of " +
                        platformText(pager) + " (platforms 0-1 have a decoder)");
    return {name,
            CheckResult::Skip,
            detail + (pager.platform ? "; " + platformText(pager) + " pagers have no decoder"
                                     : "; only pagers of platforms 0-1 have one (--platform "
                                       "requires it)"),
            {}};
}

} // namespace

bool printChecks(const std::vector<Check>& checks, std::ostream& out) {
    std::size_t failed = 0;
    std::size_t passed = 0;
    out << padded("check", kNameWidth) << padded("result", kResultWidth) << "detail\n";
    for (const Check& check : checks) {
        out << padded(check.name, kNameWidth) << padded(resultText(check.result), kResultWidth)
            << check.detail << '\n';
        if (check.result == CheckResult::Fail) {
            ++failed;
            out << std::string(kNameWidth + kResultWidth, ' ') << "hint: " << check.hint << '\n';
        }
        passed += check.result == CheckResult::Pass ? 1 : 0;
    }
    if (failed == 0)
        out << passed << " of " << checks.size() << " checks passed, none failed\n";
    else
        out << failed << " of " << checks.size() << " checks FAILED\n";
    return failed == 0;
}

PortAccessFailure portAccessFailure(int error, const std::string& node) {
    switch (error) {
    case ENOENT:
        return {node + ": no such device node",
                "load the parallel-port driver (sudo modprobe ppdev); if the node still does not "
                "appear, the machine has no parallel port"};
    case EACCES:
    case EPERM: {
        const std::string group = groupOf(node);
        return {node + ": permission denied", "join the group " + group + " (sudo usermod -aG " +
                                                  group + " \"$USER\"), then log out and in again"};
    }
    case EBUSY:
        return {node + ": held by another program",
                "close the program that holds the port (the window, another capcode-tool, a "
                "printer driver) and try again"};
    case ENXIO:
    case ENODEV:
        return {node + ": no port behind the node",
                "the port's driver found no hardware: check the port card and its setting in "
                "the machine's firmware"};
    default:
        break;
    }
    return {node + ": " + (error != 0 ? std::strerror(error) : "cannot be used"),
            "the kernel refused the port: see the system log (journalctl -k)"};
}

std::vector<Check> parallelSelfTest(ParallelBench bench, const PagerExpectation& pager) {
    std::vector<Check> checks;
    const std::uint16_t status = link::registerAddress(bench.base, link::PortRegister::Status);
    // The port is held for the self-test and let go when it ends.
    const bool ready = bench.port.initialise();
    const link::PortClaim claim(ready ? &bench.port : nullptr, bench.base);
    const bool claimed = ready && claim.held();
    const std::optional<std::uint8_t> before = claimed ? bench.port.read(status) : std::nullopt;
    const std::string port = bench.base == link::kLpt1Base ? "LPT1" : "LPT2";
    if (!before) {
        const PortAccessFailure failure = bench.accessFailure();
        checks.push_back(fail("port access", failure.detail, failure.hint));
        skipRest(checks, {"presence line", "bus power", "data line", "EEPROM scan", "decoder scan"},
                 "needs port access");
        return checks;
    }
    checks.push_back(pass("port access", port + " claimed, status " + hexByte(*before)));
    if ((*before & link::kPresenceLine.mask) == 0) {
        checks.push_back(fail("presence line", "low (status bit 0x20)",
                              "no powered jig on " + port +
                                  ": check the cable, the jig's power supply and the port chosen"));
        skipRest(checks, {"bus power", "data line", "EEPROM scan", "decoder scan"},
                 "needs the jig");
        return checks;
    }
    checks.push_back(pass("presence line", "high (status bit 0x20)"));

    link::ProgrammerLink link{bench.base, false, 0};
    link::PortLines lines(bench.port, bench.clock, link);
    lines.LinesOn();
    lines.BusOn();
    bench.clock.sleepMs(kPowerSettleMs - link::kBusPowerUpMs);
    const bool d3 = lines.readLine(link::kD3Line);
    const bool held = lines.readLine(link::kPresenceLine);
    if (lines.faulted() || !d3)
        checks.push_back(fail("bus power", "D3 did not read back high",
                              "the port does not keep what is written to it: another program "
                              "may be driving it"));
    else if (!held)
        checks.push_back(fail("bus power", "presence dropped when D3 powered the pager",
                              "the jig's supply cannot carry the pager: a short in the seat, a "
                              "damaged pager or a weak supply"));
    else
        checks.push_back(pass("bus power", "D3 high, presence held"));

    lines.ClockLow();
    lines.DataLow();
    const bool low = !lines.readLine(link::kDataInLine);
    lines.DataHigh();
    const bool high = lines.readLine(link::kDataInLine);
    lines.BusStop();
    if (low && high && !lines.faulted())
        checks.push_back(pass("data line", "driven low and released high, both read back"));
    else
        checks.push_back(fail("data line",
                              std::string("data in stays ") + (high ? "high" : "low") +
                                  " when data out is " + (high ? "low" : "released"),
                              high ? "the data line does not come back: the cable (pins 4 and "
                                     "10) or the jig's line driver"
                                   : "something holds the data line low: a pager seated the "
                                     "wrong way, a short, or a damaged pager"));

    BusProbe probe(lines);
    checks.push_back(eepromScan(probe, pager));
    checks.push_back(decoderScan(probe, pager));

    lines.BusOff();
    lines.LinesOff();
    lines.DataLow();
    lines.ClockLow();
    return checks;
}

} // namespace ccp::tool
