// capcode-tool record [--series NAME] [--capcode C] [--serial S]
//                     [--since DATE] [--json | --jsonl] [--db URL]
// The production record from the store, oldest first: one line per write
// attempt (time, result, serial no., capcodes, series), or one JSON array, or
// the records' own JSON lines, as the production log file holds them. Status
// 0, 1 when the store cannot be read, 2 for a usage error (a --since that
// names no instant among them).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

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

// --since's instant as the records write their time, "YYYY-MM-DDTHH:MM:SSZ"
// in UTC, so that the store's comparison of texts finds the records at or
// after it: a date alone is its midnight UTC; a date and time
// (YYYY-MM-DDTHH:MM[:SS[.FRACTION]]) needs Z or an offset (+HH:MM, -HH:MM,
// +HHMM), and a fraction other than zero moves it to the next whole second.
// Nothing, and the reason, for any other text or an impossible date or time.
struct Since {
    std::optional<std::string> utc;
    std::string reason;
};
Since parseSince(std::string_view text);

int runRecordCommand(const RecordOptions& options, std::ostream& out, std::ostream& err);

} // namespace ccp::tool
