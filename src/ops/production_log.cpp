#include "ops/production_log.h"

#include "store/sqlite_database.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace ccp::ops {

namespace {

std::string jsonString(const std::string& latin1) {
    std::string out = "\"";
    for (const char c : latin1) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '"' || b == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
            out += escaped;
        } else if (b >= 0x80) {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace

std::string toJsonLine(const WriteRecord& r) {
    std::string capcodes = "[";
    for (int i = 0; i < 8; ++i) {
        capcodes += std::string(i ? "," : "") + "{\"capcode\":" + jsonString(r.capcodes[i]) +
                    ",\"enabled\":" + (r.enabled[i] ? "true" : "false") + "}";
    }
    capcodes += "]";
    std::string questions = "[";
    for (const Question& q : r.questions) {
        questions += std::string(questions.size() > 1 ? "," : "") +
                     "{\"caption\":" + jsonString(q.caption) + ",\"text\":" + jsonString(q.text) +
                     ",\"answer\":" + (q.answer ? "\"yes\"" : "\"no\"") + "}";
    }
    questions += "]";
    return "{\"time\":" + jsonString(r.time) + ",\"version\":" + jsonString(r.version) +
           ",\"jig\":" + jsonString(r.jig) + ",\"profile\":" + std::to_string(r.profile) +
           ",\"platform\":" + std::to_string(r.platform) +
           ",\"firmware\":" + jsonString(r.firmware) +
           ",\"subversion\":" + jsonString(r.subversion) + ",\"serial\":" + jsonString(r.serial) +
           ",\"capcodes\":" + capcodes + ",\"result\":" + jsonString(r.result) +
           ",\"questions\":" + questions + ",\"sha256\":" + jsonString(r.sha256) + "}";
}

std::string defaultProductionLogPath() {
    std::string base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/')
        base = data;
    else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
        base = std::string(home) + "/.local/share";
    else
        return {};
    return base + "/capcode-programmer/production.jsonl";
}

ProductionLog::ProductionLog(std::string path, std::function<void(const std::string&)> complain)
    : path_(std::move(path)), complain_(std::move(complain)) {
}

void ProductionLog::append(const WriteRecord& record) {
    appendLine(toJsonLine(record));
}

void ProductionLog::appendLine(const std::string& text) {
    if (path_.empty())
        return;
    const std::string line = text + "\n";
    const char* failed = nullptr;
    int error = 0;
    int fd = -1;
    if (!store::makeFoldersFor(path_)) {
        failed = "its folder cannot be made";
        error = errno;
    } else if ((fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644)) < 0) {
        failed = "it cannot be opened";
        error = errno;
    } else {
        const ssize_t n = ::write(fd, line.data(), line.size());
        if (n != static_cast<ssize_t>(line.size())) {
            failed = "the record was not written";
            error = n < 0 ? errno : ENOSPC;
        } else if (::fsync(fd) != 0 && errno != EINVAL) {
            failed = "the record did not reach the disk";
            error = errno;
        }
        ::close(fd);
    }
    if (failed != nullptr && !complained_ && complain_) {
        complained_ = true;
        complain_("Production log " + path_ + ": " + failed + " (" + std::strerror(error) + ")");
    }
}

} // namespace ccp::ops
