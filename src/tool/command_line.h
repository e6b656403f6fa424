// The tool's command line:
//   capcode-tool [--profile P] [--platform N] [--repair] [--jig JIG] [--read]
//                [--load FILE | --import TEXT] [--set NAME=VALUE]... [--write]
//                [--save FILE] [--export TEXT] [--trace FILE] [--answer yes|no]
//                [--json]
//   capcode-tool diff FILE_A FILE_B [--profile P] [--platform N]   (images or texts)
//   capcode-tool selftest --jig JIG [--profile P] [--platform N]
//   capcode-tool jigs | series ... | record ...
// A subcommand takes --profile, --platform, --jig, --json and --db written
// before it too, where it has them (the same value when given twice); any
// other option of a window run before a subcommand is refused, never ignored.
// A malformed command line is reported on `err` with status 2; --help prints
// the usage and --version "capcode-tool VERSION" on `out`, with status 0.
#pragma once

#include <iosfwd>

namespace ccp::tool {

int runCommandLine(int argc, const char* const* argv, int defaultProfile, std::ostream& out,
                   std::ostream& err);

} // namespace ccp::tool
