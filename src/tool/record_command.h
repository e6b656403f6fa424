// capcode-tool record [--series NAME] [--capcode C] [--serial S]
//                     [--since DATE] [--json | --jsonl] [--db URL]
// The production record from the store, oldest first: one line per write
// attempt (time, result, serial no., capcodes, series), or one JSON array, or
// the records' own JSON lines, as the production log file holds them. Status
// 0, 1 when the store cannot be read, 2 for a usage error.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace ccp::tool {

struct RecordOptions {
    CLI::App* command = nullptr;
    std::optional<std::string> series;
    std::optional<std::int64_t> capcode;
    std::optional<std::string> serial;
    std::optional<std::string> since;
    bool json = false;
    bool jsonl = false;
    std::string db;
};

void addRecordCommand(CLI::App& app, RecordOptions& options);

int runRecordCommand(const RecordOptions& options, std::ostream& out, std::ostream& err);

} // namespace ccp::tool
