#include "jig/pager_socket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ccp::jig {
namespace {

constexpr std::string_view kPagerSuffix = ".bin";

std::string errnoText(int error) {
    return error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string();
}

bool isPagerName(std::string_view name) {
    return name.size() > kPagerSuffix.size() && name.ends_with(kPagerSuffix) && name.front() != '.';
}

} // namespace

PagerSocket::PagerSocket(std::string folder, std::size_t pagerBytes)
    : folder_(std::move(folder)), pagerBytes_(pagerBytes) {
}

PagerSocket::~PagerSocket() {
    release();
}

PagerSocket::Listing PagerSocket::list() const {
    Listing listing;
    DIR* dir = ::opendir(folder_.c_str());
    if (dir == nullptr) {
        listing.error = folder_ + ": the jig's socket cannot be looked at" + errnoText(errno);
        return listing;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (!isPagerName(entry->d_name))
            continue;
        struct stat status {};
        const std::string path = folder_ + "/" + entry->d_name;
        if (::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode))
            listing.files.push_back(entry->d_name);
    }
    ::closedir(dir);
    std::sort(listing.files.begin(), listing.files.end());
    return listing;
}

bool PagerSocket::seat(const std::string& name) {
    const std::string path = folder_ + "/" + name;
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        fault_ = path + ": the pager file cannot be read and written" + errnoText(errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    std::vector<std::uint8_t> bytes(pagerBytes_);
    const ssize_t got = static_cast<std::size_t>(status.st_size) == pagerBytes_
                            ? ::pread(fd, bytes.data(), bytes.size(), 0)
                            : -1;
    if (got != static_cast<ssize_t>(pagerBytes_)) {
        fault_ = path + ": a pager file holds " + std::to_string(pagerBytes_) +
                 " bytes (the EEPROM's 512, then the decoder's 48); this one holds " +
                 std::to_string(status.st_size);
        ::close(fd);
        return false;
    }
    fd_ = fd;
    seatedName_ = name;
    device_ = status.st_dev;
    inode_ = status.st_ino;
    placed_ = std::move(bytes);
    return true;
}

PagerSocket::View PagerSocket::look() {
    const Listing listing = list();
    fault_ = listing.error;
    if (fault_.empty() && listing.files.size() > 1) {
        std::string names;
        for (const std::string& file : listing.files)
            names += (names.empty() ? "" : ", ") + file;
        fault_ = folder_ + ": more than one pager on the jig (" + names +
                 "); leave one pager file in the folder";
    }
    View view;
    if (!fault_.empty() || listing.files.size() != 1)
        return view;
    view.one = listing.files.front();
    struct stat status {};
    view.seatedThere = seated() && ::stat((folder_ + "/" + *view.one).c_str(), &status) == 0 &&
                       status.st_dev == device_ && status.st_ino == inode_;
    return view;
}

std::optional<std::string> PagerSocket::keep(const std::vector<std::uint8_t>& bytes) const {
    if (fd_ < 0)
        return std::nullopt;
    const ssize_t wrote = ::pwrite(fd_, bytes.data(), bytes.size(), 0);
    if (wrote == static_cast<ssize_t>(bytes.size()) && ::fsync(fd_) == 0)
        return std::nullopt;
    return folder_ + "/" + seatedName_ + ": the pager could not be written back" + errnoText(errno);
}

void PagerSocket::release() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    seatedName_.clear();
    placed_.clear();
}

} // namespace ccp::jig
