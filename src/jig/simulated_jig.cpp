#include "jig/simulated_jig.h"

#include "editor/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace ccp::jig {
namespace {

constexpr std::uint8_t kBlankEeprom = 0xFF;
constexpr std::uint8_t kBlankDecoder = 0x00;

std::string errnoText(int error) {
    return error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string();
}

} // namespace

std::unique_ptr<VirtualPager> VirtualPager::open(const std::string& file, std::string& reason) {
    std::vector<std::uint8_t> pager(model::kEepromSize, kBlankEeprom);
    pager.resize(kPagerFileBytes, kBlankDecoder);
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) {
        if (errno != ENOENT) {
            reason = file + ": cannot read the pager file" + errnoText(errno);
            return nullptr;
        }
        return std::make_unique<VirtualPager>(file, pager);
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
    return std::make_unique<VirtualPager>(file, *bytes);
}

VirtualPager::VirtualPager(std::string file, const std::vector<std::uint8_t>& bytes)
    : file_(std::move(file)),
      eepromBytes_(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(model::kEepromSize)) {
    sim::Pcd5003::Image decoder{};
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(model::kEepromSize), decoder.size(),
                decoder.begin());
    decoder_.setImage(decoder);
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

SimulatedJig::SimulatedJig(std::unique_ptr<VirtualPager> pager) : pager_(std::move(pager)) {
    // Nothing looks at the recorded writes; a write with verify makes many.
    port_.setRecording(false);
    port_.attach(pager_->decoder());
}

void SimulatedJig::ready(const WindowState& window) {
    if (!pager_->seated())
        port_.attach(pager_->seat(window.eepromDeviceSelect));
}

} // namespace ccp::jig
