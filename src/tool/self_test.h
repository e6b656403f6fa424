// The jig self-test: a row of checks, each PASS, FAIL or SKIP with what it
// saw and, for a failure, one line on what to do. Nothing is written to the
// pager: the parallel checks read the port's lines and send only address
// bytes to the bus; the USB checks send the attach command and read 32 bytes.
// A check that cannot run because an earlier one failed is skipped.
#pragma once

#include "link/clock.h"
#include "link/hid_backend.h"
#include "link/port_driver.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace ccp::tool {

enum class CheckResult { Pass, Fail, Skip };

struct Check {
    std::string name;
    CheckResult result = CheckResult::Pass;
    std::string detail;
    std::string hint; // for a failure
};

// The table, then a summary line. True when no check failed.
bool printChecks(const std::vector<Check>& checks, std::ostream& out);

// Why a ppdev node could not be opened or claimed, from the call's errno:
// no node, no permission (naming the node's group to join), held by another
// program, or anything else.
struct PortAccessFailure {
    std::string detail;
    std::string hint;
};
PortAccessFailure portAccessFailure(int error, const std::string& node);

// What the self-test knows of the pager on the jig: the EEPROM's device
// select of its platform, and whether that platform has a PCD5003 decoder.
// Without a platform the scans report what answered and require only an
// EEPROM.
struct PagerExpectation {
    std::optional<int> platform;
    std::uint8_t deviceSelect = 0;
    bool decoder = false;
};

struct ParallelBench {
    link::PortDriver& port;
    link::Clock& clock;
    std::uint16_t base;
    // Called when the port cannot be claimed or read.
    std::function<PortAccessFailure()> accessFailure;
};

// Port access, presence line, bus power, data line read-back, and the
// acknowledge scans of the EEPROM's device addresses and the decoder's. The
// bus is powered for about two seconds and left off.
std::vector<Check> parallelSelfTest(ParallelBench bench, const PagerExpectation& pager);

// The jig's identity, its report lengths, its version, the attach command
// and one 32-byte EEPROM read at address 0. A reply is awaited 3 s at most.
std::vector<Check> usbSelfTest(link::HidBackend& hid, const PagerExpectation& pager);

} // namespace ccp::tool
