#include "ops/production_log.h"

#include "ops/sha256.h"
#include "store/sqlite_database.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <openssl/evp.h>
#include <stdexcept>
#include <sys/random.h>
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

std::string hexOf(const unsigned char* bytes, std::size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < size; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0x0F];
    }
    return hex;
}

// The length of the well-formed UTF-8 sequence that starts at `at`, 0 when
// none does: no overlong forms, no surrogates, nothing past U+10FFFF.
std::size_t utf8SequenceAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0u;
    };
    const unsigned b0 = byte(0);
    const auto tail = [&](std::size_t i, unsigned low = 0x80, unsigned high = 0xBF) {
        return byte(i) >= low && byte(i) <= high;
    };
    if (b0 < 0x80)
        return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF)
        return tail(1) ? 2 : 0;
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        const bool second =
            b0 == 0xE0 ? tail(1, 0xA0) : (b0 == 0xED ? tail(1, 0x80, 0x9F) : tail(1));
        return second && tail(2) ? 3 : 0;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        const bool second =
            b0 == 0xF0 ? tail(1, 0x90) : (b0 == 0xF4 ? tail(1, 0x80, 0x8F) : tail(1));
        return second && tail(2) && tail(3) ? 4 : 0;
    }
    return 0;
}

bool isControl(unsigned char b) {
    return b < 0x20 || b == 0x7F;
}

} // namespace

std::optional<std::string> utf8TextFault(std::string_view text) {
    std::size_t position = 1;
    for (std::size_t at = 0; at < text.size(); ++position) {
        const std::size_t length = utf8SequenceAt(text, at);
        if (length == 0)
            return "is not valid UTF-8 at byte " + std::to_string(at + 1);
        const auto b = static_cast<unsigned char>(text[at]);
        if (isControl(b)) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02x", b);
            return "has a control character (" + std::string(hex) + ") at position " +
                   std::to_string(position);
        }
        at += length;
    }
    return std::nullopt;
}

std::string jsonUtf8String(std::string_view text) {
    std::string out = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8SequenceAt(text, at);
        const auto b = static_cast<unsigned char>(text[at]);
        if (length == 0) {
            out += "\\ufffd";
            ++at;
            continue;
        }
        if (b == '"' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (isControl(b)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
            out += escaped;
        } else {
            out.append(text, at, length);
        }
        at += length;
    }
    return out + "\"";
}

std::string toJsonLine(const WriteRecord& r) {
    std::string capcodes = "[";
    for (int i = 0; i < std::clamp(r.entries, 0, 8); ++i) {
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
    return "{\"id\":" + jsonString(r.id) + ",\"time\":" + jsonString(r.time) +
           ",\"version\":" + jsonString(r.version) + ",\"jig\":" + jsonString(r.jig) +
           ",\"profile\":" + std::to_string(r.profile) +
           ",\"platform\":" + std::to_string(r.platform) +
           ",\"firmware\":" + jsonString(r.firmware) +
           ",\"subversion\":" + jsonString(r.subversion) + ",\"serial\":" + jsonString(r.serial) +
           ",\"capcodes\":" + capcodes + ",\"result\":" + jsonString(r.result) +
           ",\"questions\":" + questions + ",\"sha256\":" + jsonString(r.sha256) + "}";
}

std::string sha256Hex(std::span<const std::uint8_t> bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr) != 1 ||
        size != 32)
        throw std::runtime_error("libcrypto gave no SHA-256");
    return hexOf(digest, size);
}

// getrandom(2) blocks only until the kernel's pool is first seeded, early in
// boot; /dev/urandom serves a kernel too old to have it.
std::string newRecordId() {
    unsigned char bits[16];
    std::size_t got = 0;
    while (got < sizeof bits) {
        const ssize_t n = ::getrandom(bits + got, sizeof bits - got, 0);
        if (n > 0)
            got += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EINTR)
            break;
    }
    if (got < sizeof bits) {
        const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
        got = 0;
        while (fd >= 0 && got < sizeof bits) {
            const ssize_t n = ::read(fd, bits + got, sizeof bits - got);
            if (n > 0)
                got += static_cast<std::size_t>(n);
            else if (n == 0 || errno != EINTR)
                break;
        }
        if (fd >= 0)
            ::close(fd);
    }
    if (got < sizeof bits)
        throw std::runtime_error("no random bits for a record's id: " +
                                 std::string(std::strerror(errno)));
    return hexOf(bits, sizeof bits);
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

std::optional<std::string> ProductionLog::appendLine(const std::string& text) {
    if (path_.empty())
        return std::nullopt;
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
        struct stat before {};
        const bool sized = ::fstat(fd, &before) == 0;
        const ssize_t n = ::write(fd, line.data(), line.size());
        if (n != static_cast<ssize_t>(line.size())) {
            failed = "the record was not written";
            error = n < 0 ? errno : ENOSPC;
            // Half a line would swallow the next record appended after it.
            struct stat after {};
            if (n > 0 && sized && ::fstat(fd, &after) == 0 && after.st_size == before.st_size + n)
                (void)::ftruncate(fd, before.st_size);
        } else if (::fsync(fd) != 0 && errno != EINVAL) {
            failed = "the record did not reach the disk";
            error = errno;
        }
        ::close(fd);
    }
    if (failed == nullptr)
        return std::nullopt;
    const std::string why =
        "Production log " + path_ + ": " + failed + " (" + std::strerror(error) + ")";
    if (!complained_ && complain_) {
        complained_ = true;
        complain_(why);
    }
    return why;
}

} // namespace ccp::ops
