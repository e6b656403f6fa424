// capcode-tool series settle NAME --jig JIG [--slot N]
// capcode-tool series settle NAME --slot N --scrapped
// A slot in doubt (its writer died or lost the store after the first byte
// went to the pager) is settled by what its pager holds: read on the jig, a
// pager that holds the slot's capcodes with a configuration that reads back
// whole was written; one that answers but holds them not (or holds no whole
// configuration) gives them back. A pager that is gone is scrapped: its
// capcodes are never issued again. Status 0 settled, 1 the pager could not
// be read or the store failed, 2 refused (no such slot in doubt, a pager that
// holds another slot's capcodes, several slots and none named).
#pragma once

#include "store/store.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace ccp::tool {

struct SettleRequest {
    std::string series;
    std::optional<std::string> jig;
    std::optional<std::int64_t> slot;
    bool scrapped = false;
};

int runSettle(const SettleRequest& request, store::Store& store, std::ostream& out,
              std::ostream& err);

} // namespace ccp::tool
