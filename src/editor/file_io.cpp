#include "editor/file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ccp::editor {
namespace {

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The mode a newly created file gets: the target's own when it exists,
// otherwise read-write for all less the process's umask.
mode_t modeFor(const struct stat* existing) {
    if (existing != nullptr)
        return existing->st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Devices do not sync (EINVAL); a regular file must reach the medium.
bool flushed(int fd, bool regular) {
    return ::fsync(fd) == 0 || (!regular && (errno == EINVAL || errno == EROFS));
}

bool writeInPlace(const std::string& path, std::span<const std::uint8_t> bytes, bool regular) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes) && flushed(fd, regular);
    return (::close(fd) == 0) && written;
}

// The file a path names once every symbolic link is followed, also when the
// last link points at a file that does not exist yet. The path itself when
// it is no link, or the links go round in a circle.
std::string followLinks(const std::string& path) {
    constexpr int kMaxLinks = 40;
    std::string current = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size())
            return path;
        target.resize(static_cast<std::size_t>(n));
        if (target.front() != '/') {
            const std::size_t slash = current.rfind('/');
            target = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) +
                     target;
        }
        current = target;
    }
    return path;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The rename is only lasting once the folder's entry is on the medium too.
void syncFolder(const std::string& path) {
    const int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A folder that refuses new files: the plain open-and-truncate of a file that
// may be written still works there.
bool folderRefusesNewFiles(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

} // namespace

std::optional<std::vector<std::uint8_t>> readFilePrefix(const std::string& path,
                                                        std::size_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(limit);
    std::size_t done = 0;
    bool failed = false;
    while (done < limit) {
        const ssize_t n = ::read(fd, bytes.data() + done, limit - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failed = true;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (failed)
        return std::nullopt;
    bytes.resize(done);
    return bytes;
}

bool writeFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes) {
    // A link stays a link: the file it points to is the one replaced.
    const std::string file = followLinks(path);
    struct stat target {};
    const bool exists = ::stat(file.c_str(), &target) == 0;
    if (exists && !S_ISREG(target.st_mode))
        return writeInPlace(file, bytes, false);

    std::string temporary = file + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        const int error = errno;
        return exists && folderRefusesNewFiles(error) && ::access(file.c_str(), W_OK) == 0 &&
               writeInPlace(file, bytes, true);
    }
    bool ok = ::fchmod(fd, modeFor(exists ? &target : nullptr)) == 0;
    // The owner and group stay where the process may keep them; a file of
    // another user keeps at least its group where the process is a member.
    if (ok && exists && ::fchown(fd, target.st_uid, target.st_gid) != 0 &&
        ::fchown(fd, static_cast<uid_t>(-1), target.st_gid) != 0) {
        // Neither can be kept: the file keeps its mode alone.
    }
    ok = ok && writeAll(fd, bytes);
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), file.c_str()) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    else
        syncFolder(file);
    return ok;
}

} // namespace ccp::editor
