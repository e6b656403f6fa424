// `capcode-tool diff pager FILE --jig JIG`: what a write of FILE would change
// on the pager. FILE is loaded into a headless window, the pager is read into
// the window's headless copy through the jig (Compare with Pager), and every
// setting that differs is printed as "NAME: pager -> file" (the value on
// the pager, then the one writing FILE would put there), then every
// differing byte the same way. Status 0 when nothing differs, 1 when something does, 2
// when FILE does not load, the pager cannot be read, or the jig is refused.
#pragma once

#include "jig/jig.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace ccp::tool {

struct PagerDiffRequest {
    std::string file;
    jig::JigChoice jig;
    int profile = 1;
    std::optional<int> platform;
};

int runPagerDiff(const PagerDiffRequest& request, std::ostream& out, std::ostream& err);

} // namespace ccp::tool
