// The production record: one JSON line for every write attempt, appended to a
// log file so that a bench keeps account of every pager it programmed. Each
// record is handed to the kernel in one write on a file opened for appending
// and then synced, so a crash never leaves half a record inside the file. A
// log that cannot be written is said once per run, and never stops a write.
#pragma once

#include "form/user_interface.h"
#include "model/image.h"
#include "model/pager_settings.h"
#include "ops/record_sink.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ccp::ops {

// A yes/no question the person at the bench was asked, and the answer given.
struct Question {
    std::string caption;
    std::string text;
    bool answer = false;
};

struct WriteRecord {
    std::string id;      // 32 lower-case hex digits, random, made with the record
    std::string time;    // UTC, ISO 8601
    std::string version; // the program's
    std::string jig;     // "LPT1", "LPT2" or "USB jig version N"
    int profile = 0;
    int platform = 0;
    // The pager's part: the window's values as they went to the pager, taken
    // before the capcodes advance for the next one. An attempt that stopped
    // before the transfer has the window's values as they stood.
    std::string firmware;
    std::string subversion;
    std::string serial;
    // The pager's capcode entries: 6 on the 5003 platforms, whose decoder
    // has no entries 7-8, else 8. Only these many are recorded.
    int entries = 8;
    std::string capcodes[8];
    bool enabled[8] = {};
    std::string result;              // the write's last log line
    std::vector<Question> questions; // in the order asked
    // Of the 512-byte EepromImage as it went to the pager (checksums
    // complete), followed on the 5003 platforms by the 48-byte DecoderImage:
    // the bytes of a virtual pager file.
    std::string sha256;
};

// The record as one line of JSON (no newline), its id first; the window's
// texts are single-byte Latin-1 and come out as UTF-8.
std::string toJsonLine(const WriteRecord& record);

// What makes a UTF-8 text (a series name) unfit for a record, if anything:
// "is not valid UTF-8 at byte N" or "has a control character (0xNN) at
// position N" (0x00-0x1F, 0x7F), counting bytes or characters from 1.
std::optional<std::string> utf8TextFault(std::string_view text);

// A UTF-8 text as a JSON string: quotes and backslashes escaped, control
// characters as \u00XX, each byte that is not part of well-formed UTF-8 as
// U+FFFD, so that the line stays JSON whatever the text.
std::string jsonUtf8String(std::string_view text);

// A record's identity: 128 random bits from the kernel as 32 lower-case hex
// digits.
std::string newRecordId();

// $XDG_DATA_HOME (or ~/.local/share)/capcode-programmer/production.jsonl.
std::string defaultProductionLogPath();

class ProductionLog final : public RecordSink {
public:
    // An empty path keeps no record. `complain` is called once, with the
    // reason, the first time the log cannot be written.
    ProductionLog(std::string path, std::function<void(const std::string&)> complain);

    void append(const WriteRecord& record) override;
    // One line of JSON, without its newline. Why it could not be written
    // (a line cut short on a full disk is taken out again); nothing once it
    // was, or when there is no file.
    std::optional<std::string> appendLine(const std::string& line);
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::function<void(const std::string&)> complain_;
    bool complained_ = false;
};

} // namespace ccp::ops
