// The two things the tool does. A run starts the window headless with a
// profile (detecting the jig when it has one), then takes the platform steps,
// Help > Repair, Read From Pager, File > Open, File > Import text, each
// setting in order, Write To Pager, File > Save and File > Export as text; it stops at the first
// step that fails. A diff loads two files into two headless windows and prints what differs. Both
// return the exit status: 0 done (or identical), 1 a file or pager step failed, or the jig or trace
// could not keep what it holds (or the files differ), 2 refused.
#pragma once

#include "jig/jig.h"
#include "tool/user_setting.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace ccp::tool {

struct RunRequest {
    int profile = 1;
    std::optional<int> platform;
    bool repair = false;
    // The jig the pager steps run on; without one the port is not offered.
    std::optional<jig::JigChoice> jig;
    bool read = false;
    std::optional<std::string> load;
    // File > Import text... with this configuration text, after the load.
    std::optional<std::string> importText;
    std::vector<Assignment> settings;
    bool write = false;
    std::optional<std::string> save;
    // File > Export as text... with this file, after the save.
    std::optional<std::string> exportText;
    // Every access to the jig, written to this file (see TracingPort, and
    // TracingHidBackend for a USB jig).
    std::optional<std::string> trace;
    // The answer to every yes/no question.
    bool answerYes = false;
    // One JSON document on `out` instead of the log lines.
    bool json = false;
    // The JSON-lines file that also gets every write attempt; empty: none.
    std::string productionLog;
    // The store of the record and the series: empty is the default SQLite
    // file.
    std::string db;
    // Write the next pager of this series (profile, platform and image come
    // from it; `load` must be empty).
    std::optional<std::string> series;
};

struct DiffRequest {
    std::string fileA;
    std::string fileB;
    int profile = 1;
    std::optional<int> platform;
};

// Log lines (or the JSON document) go to `out`; boxes and the reason for a
// failure or refusal go to `err`. The JSON document is printed whatever the
// outcome, with the reason as "error" when the run did not succeed (only
// "error" when it was refused before the window started).
int runSteps(const RunRequest& request, std::ostream& out, std::ostream& err);
// Differences go to `out`; a file that does not load is reported on `err`
// with the reason its load logged, and gives status 2. Either file may be a
// configuration text: it is imported instead of loaded.
int runDiff(const DiffRequest& request, std::ostream& out, std::ostream& err);

} // namespace ccp::tool
