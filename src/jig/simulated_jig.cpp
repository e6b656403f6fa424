#include "jig/simulated_jig.h"

#include "editor/file_io.h"
#include "link/stop_point.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace ccp::jig {
namespace {

constexpr std::uint8_t kBlankEeprom = 0xFF;
constexpr std::uint8_t kBlankDecoder = 0x00;
// A person moves files in milliseconds at best; the folder is looked at no
// more often than this, so that a transfer's bus accesses stay cheap.
constexpr std::uint64_t kLookIntervalUs = 2000;
// The lines of a chip that lost its supply.
constexpr sim::BusLines kUnpowered{false, true, true};

std::string errnoText(int error) {
    return error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string();
}

// Why `file` could not be replaced now, or nothing. A file without any write
// bit counts as read-only even for a user whom the system would let write it.
std::optional<std::string> unkeepable(const std::string& file, bool mustExist) {
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) {
        const int error = errno;
        if (error != ENOENT)
            return file + ": cannot look at the pager file" + errnoText(error);
        if (mustExist)
            return file + ": the pager file is gone";
        const std::filesystem::path folder = std::filesystem::path(file).parent_path();
        const std::string where = folder.empty() ? std::string(".") : folder.string();
        if (::access(where.c_str(), W_OK | X_OK) != 0)
            return file + ": the pager file cannot be made there" + errnoText(errno);
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode))
        return file + ": a pager file must be a regular file";
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(file.c_str(), W_OK) != 0)
        return file + ": the pager file is read-only";
    return std::nullopt;
}

} // namespace

std::unique_ptr<VirtualPager> VirtualPager::open(const std::string& file, std::string& reason,
                                                 JigUse use) {
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) {
        auto socket = std::make_unique<PagerSocket>(file, kPagerFileBytes);
        const PagerSocket::View view = socket->look();
        if (view.one && !socket->seat(*view.one)) {
            reason = socket->fault();
            return nullptr;
        }
        if (!socket->fault().empty()) {
            reason = socket->fault();
            return nullptr;
        }
        return std::make_unique<VirtualPager>(std::move(socket), use);
    }
    if (use.keptAfterEachOperation) {
        if (std::optional<std::string> why = unkeepable(file, false)) {
            reason = std::move(*why);
            return nullptr;
        }
    }
    std::vector<std::uint8_t> pager(model::kEepromSize, kBlankEeprom);
    pager.resize(kPagerFileBytes, kBlankDecoder);
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) {
        if (errno != ENOENT) {
            reason = file + ": cannot read the pager file" + errnoText(errno);
            return nullptr;
        }
        return std::make_unique<VirtualPager>(file, pager, use, false);
    }
    if (!S_ISREG(status.st_mode)) {
        reason = file + ": a pager file must be a regular file";
        return nullptr;
    }
    if (static_cast<std::size_t>(status.st_size) != kPagerFileBytes) {
        reason = file + ": a pager file holds " + std::to_string(kPagerFileBytes) +
                 " bytes (the EEPROM's 512, then the decoder's 48); this one holds " +
                 std::to_string(status.st_size);
        return nullptr;
    }
    errno = 0;
    const std::optional<std::vector<std::uint8_t>> bytes =
        editor::readFilePrefix(file, kPagerFileBytes);
    if (!bytes || bytes->size() != kPagerFileBytes) {
        reason = file + ": cannot read the pager file" + errnoText(errno);
        return nullptr;
    }
    return std::make_unique<VirtualPager>(file, *bytes, use, true);
}

VirtualPager::VirtualPager(std::string file, const std::vector<std::uint8_t>& bytes, JigUse use,
                           bool fileExists)
    : file_(std::move(file)),
      eepromBytes_(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(model::kEepromSize)),
      fileExists_(fileExists), clock_(use.realTime ? static_cast<link::Clock&>(steadyClock_)
                                                   : static_cast<link::Clock&>(virtualClock_)) {
    sim::Pcd5003::Image decoder{};
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(model::kEepromSize), decoder.size(),
                decoder.begin());
    decoder_.setImage(decoder);
    // A program stopped at once leaves the pager as far as it was written.
    link::setBeforeStop([this] { (void)keep(); });
}

VirtualPager::VirtualPager(std::unique_ptr<PagerSocket> socket, JigUse use)
    : VirtualPager(socket->folder(),
                   socket->seated() ? socket->placedBytes()
                                    : std::vector<std::uint8_t>(kPagerFileBytes, kBlankEeprom),
                   use, true) {
    socket_ = std::move(socket);
    if (!socket_->seated())
        decoder_.setAbsent(true);
}

VirtualPager::~VirtualPager() {
    link::setBeforeStop({});
}

sim::Eeprom24c04& VirtualPager::seat(std::uint8_t deviceSelect) {
    if (!eeprom_) {
        eeprom_ = std::make_unique<sim::Eeprom24c04>(clock_, deviceSelect);
        std::copy(eepromBytes_.begin(), eepromBytes_.end(), eeprom_->memory().begin());
        eeprom_->setAbsent(socket_ && !socket_->seated());
    }
    return *eeprom_;
}

void VirtualPager::look() {
    if (!socket_)
        return;
    const std::uint64_t now = steadyClock_.nowUs();
    if (looked_ && now - lastLookUs_ < kLookIntervalUs)
        return;
    looked_ = true;
    lastLookUs_ = now;
    const PagerSocket::View view = socket_->look();
    if (socket_->seated() && !view.seatedThere)
        takeOff();
    if (!socket_->seated() && view.one && socket_->seat(*view.one))
        place(socket_->placedBytes());
}

// The pager's chips lose the jig's supply: a page loaded and not yet
// stopped is lost, what was programmed stays, and the file gets it.
void VirtualPager::takeOff() {
    if (std::optional<std::string> why = socket_->keep(bytes()))
        keepFailure_ = std::move(*why);
    socket_->release();
    if (eeprom_) {
        eeprom_->onLines(kUnpowered);
        eeprom_->setAbsent(true);
    }
    decoder_.onLines(kUnpowered);
    decoder_.setAbsent(true);
}

void VirtualPager::place(const std::vector<std::uint8_t>& bytes) {
    std::copy_n(bytes.begin(), model::kEepromSize, eepromBytes_.begin());
    if (eeprom_) {
        std::copy(eepromBytes_.begin(), eepromBytes_.end(), eeprom_->memory().begin());
        eeprom_->setAbsent(false);
    }
    sim::Pcd5003::Image decoder{};
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(model::kEepromSize), decoder.size(),
                decoder.begin());
    decoder_.setImage(decoder);
    decoder_.setAbsent(false);
}

std::string VirtualPager::fault() const {
    if (!socket_)
        return {};
    if (!keepFailure_.empty())
        return keepFailure_;
    return socket_->fault();
}

std::vector<std::uint8_t> VirtualPager::bytes() const {
    std::vector<std::uint8_t> bytes = eeprom_ ? eeprom_->memory() : eepromBytes_;
    const sim::Pcd5003::Image decoder = decoder_.image();
    bytes.insert(bytes.end(), decoder.begin(), decoder.end());
    return bytes;
}

std::optional<std::string> VirtualPager::keep() const {
    if (socket_)
        return socket_->keep(bytes());
    errno = 0;
    if (editor::writeFileReplacing(file_, bytes()))
        return std::nullopt;
    return file_ + ": the pager could not be written back" + errnoText(errno) +
           "; the file is left as it was before the run";
}

std::optional<std::string> VirtualPager::keepChecked() {
    if (socket_)
        return socket_->keep(bytes());
    if (std::optional<std::string> why = unkeepable(file_, fileExists_))
        return why;
    errno = 0;
    if (!editor::writeFileReplacing(file_, bytes()))
        return file_ + ": the pager could not be written" + errnoText(errno);
    fileExists_ = true;
    return std::nullopt;
}

SimulatedJig::SimulatedJig(std::unique_ptr<VirtualPager> pager)
    : VirtualPagerJig(std::move(pager)) {
    // Nothing looks at the recorded writes; a write with verify makes many.
    port_.setRecording(false);
    port_.attach(this->pager().decoder());
}

link::PortDriver& SimulatedJig::port() {
    if (pager().socket())
        return socketPort_;
    return port_;
}

bool SimulatedJig::SocketPort::usable() {
    pager_.look();
    return pager_.fault().empty();
}

std::optional<std::uint8_t> SimulatedJig::SocketPort::read(std::uint16_t port) {
    if (!usable())
        return std::nullopt;
    return port_.read(port);
}

bool SimulatedJig::SocketPort::write(std::uint16_t port, std::uint8_t value) {
    return usable() && port_.write(port, value);
}

void SimulatedJig::ready(const WindowState& window) {
    if (!pager().seated())
        port_.attach(pager().seat(window.eepromDeviceSelect));
}

} // namespace ccp::jig
