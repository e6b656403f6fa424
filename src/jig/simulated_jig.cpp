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

VirtualPager::~VirtualPager() {
    link::setBeforeStop({});
}

sim::Eeprom24c04& VirtualPager::seat(std::uint8_t deviceSelect) {
    if (!eeprom_) {
        eeprom_ = std::make_unique<sim::Eeprom24c04>(clock_, deviceSelect);
        std::copy(eepromBytes_.begin(), eepromBytes_.end(), eeprom_->memory().begin());
    }
    return *eeprom_;
}

std::vector<std::uint8_t> VirtualPager::bytes() const {
    std::vector<std::uint8_t> bytes = eeprom_ ? eeprom_->memory() : eepromBytes_;
    const sim::Pcd5003::Image decoder = decoder_.image();
    bytes.insert(bytes.end(), decoder.begin(), decoder.end());
    return bytes;
}

std::optional<std::string> VirtualPager::keep() const {
    errno = 0;
    if (editor::writeFileReplacing(file_, bytes()))
        return std::nullopt;
    return file_ + ": the pager could not be written back" + errnoText(errno) +
           "; the file is left as it was before the run";
}

std::optional<std::string> VirtualPager::keepChecked() {
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

void SimulatedJig::ready(const WindowState& window) {
    if (!pager().seated())
        port_.attach(pager().seat(window.eepromDeviceSelect));
}

} // namespace ccp::jig
