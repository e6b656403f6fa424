// capcode-tool series create NAME [--profile P] [--platform N]
//                            (--load TEMPLATE | --import TEXT) [--set NAME=VALUE]... [--db URL]
// capcode-tool series show NAME [--json] [--db URL]
// capcode-tool series list [--db URL]
// capcode-tool series settle NAME (--jig JIG [--slot N] | --slot N --scrapped) [--db URL]
// A series is the window's state after those steps: its image, its first
// pager's capcodes and, from autoinc1-autoinc8, each entry's step. Status 0
// done, 1 the template did not load or the store failed, 2 refused (a name
// taken or unknown, a setting refused, capcodes that would meet).
#pragma once

#include "store/store.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace ccp::tool {

class HeadlessForm;

struct SeriesOptions {
    CLI::App* command = nullptr;
    CLI::App* create = nullptr;
    CLI::App* show = nullptr;
    CLI::App* list = nullptr;
    CLI::App* settle = nullptr;
    std::string name;
    std::optional<int> profile;
    std::optional<int> platform;
    std::string load;
    std::string importText; // the template as a configuration text
    std::vector<std::string> settings;
    bool json = false;
    std::string db;
    std::optional<std::string> jig;
    std::optional<std::int64_t> slot;
    bool scrapped = false;
};

void addSeriesCommand(CLI::App& app, SeriesOptions& options);

int runSeriesCommand(const SeriesOptions& options, int defaultProfile, std::ostream& out,
                     std::ostream& err);

// The series as the window holds it now, its settings encoded into the
// template as a write encodes them; the reason when it cannot be one.
std::optional<store::SeriesDefinition> seriesOfWindow(HeadlessForm& headless,
                                                      const std::string& name, std::string& reason);

} // namespace ccp::tool
