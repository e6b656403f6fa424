// `capcode-tool --series NAME --jig JIG --station`: the production station.
// While idle it looks at the jig every half second (ops::PlacementProbe);
// a pager that appears is written from the series as `--series NAME --write`
// writes one (template, --set steps, capcodes reserved before anything is
// sent, the store told before the first byte, confirmed after the verify or
// given back, one record with "series" per attempt), and the station then
// waits until that pager is taken off before it arms again: one placement is
// one write. SIGINT and SIGTERM end it between pagers, or after the outcome
// of the write under way is recorded. One line per pager on `out` (one JSON
// object per line with --json); what the station says besides goes to `err`.
// Status 0 when a signal stopped it with nothing half done; 1 when it had to
// stop by itself (no capcodes left, the store failed, a record or the pager
// file could not be kept, capcodes left in doubt); 2 refused.
#pragma once

#include "tool/tool_run.h"

#include <iosfwd>

namespace ccp::tool {

// Takes the series, jig, --set steps, --db, --production-log, --answer and
// --json of `request`; the rest comes from the series.
int runStation(const RunRequest& request, std::ostream& out, std::ostream& err);

} // namespace ccp::tool
