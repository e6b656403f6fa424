// capcode-tool selftest --jig JIG [--profile P] [--platform N]: the jig
// self-test on a real or virtual jig, printed as a table. The platform, when
// given, names the pager on the jig (its EEPROM's device select and whether
// it has a decoder), as the window's platform steps set them for profile P.
// Status 0 when no check failed, 1 when one did, 2 for a usage error. A
// virtual pager's file is read and never written.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace ccp::tool {

struct SelfTestOptions {
    CLI::App* command = nullptr; // the subcommand, once added
    std::string jig;
    std::optional<int> profile;
    std::optional<int> platform;
};

// Adds the subcommand and its options to `app`.
void addSelfTestCommand(CLI::App& app, SelfTestOptions& options);

int runSelfTest(const SelfTestOptions& options, int profile, std::ostream& out, std::ostream& err);

} // namespace ccp::tool
