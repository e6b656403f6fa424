#include "tool/simulated_jig.h"

#include "editor/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace ccp::tool {
namespace {

constexpr std::uint8_t kBlankEeprom = 0xFF;
constexpr std::uint8_t kBlankDecoder = 0x00;

std::string errnoText(int error) {
    return error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string();
}

} // namespace

OpenedJig SimulatedJig::open(const std::string& file) {
    std::vector<std::uint8_t> pager(model::kEepromSize, kBlankEeprom);
    pager.resize(kPagerFileBytes, kBlankDecoder);
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) {
        if (errno != ENOENT)
            return {nullptr, file + ": cannot read the pager file" + errnoText(errno)};
        return {std::make_unique<SimulatedJig>(file, std::move(pager)), {}};
    }
    if (!S_ISREG(status.st_mode))
        return {nullptr, file + ": a pager file must be a regular file"};
    if (static_cast<std::size_t>(status.st_size) != kPagerFileBytes)
        return {nullptr, file + ": a pager file holds " + std::to_string(kPagerFileBytes) +
                             " bytes (the EEPROM's 512, then the decoder's 48); this one holds " +
                             std::to_string(status.st_size)};
    errno = 0;
    const std::optional<std::vector<std::uint8_t>> bytes =
        editor::readFilePrefix(file, kPagerFileBytes);
    if (!bytes || bytes->size() != kPagerFileBytes)
        return {nullptr, file + ": cannot read the pager file" + errnoText(errno)};
    return {std::make_unique<SimulatedJig>(file, *bytes), {}};
}

SimulatedJig::SimulatedJig(std::string file, std::vector<std::uint8_t> pager)
    : file_(std::move(file)),
      eepromBytes_(pager.begin(), pager.begin() + static_cast<std::ptrdiff_t>(model::kEepromSize)) {
    sim::Pcd5003::Image decoder{};
    std::copy_n(pager.begin() + static_cast<std::ptrdiff_t>(model::kEepromSize), decoder.size(),
                decoder.begin());
    decoder_.setImage(decoder);
    // Nothing looks at the recorded writes; a write with verify makes many.
    port_.setRecording(false);
    port_.attach(decoder_);
}

void SimulatedJig::ready(app::TForm1& form) {
    if (eeprom_)
        return;
    eeprom_ = std::make_unique<sim::Eeprom24c04>(clock_, form.EepromDeviceSelect);
    std::copy(eepromBytes_.begin(), eepromBytes_.end(), eeprom_->memory().begin());
    port_.attach(*eeprom_);
}

std::vector<std::uint8_t> SimulatedJig::pager() const {
    std::vector<std::uint8_t> bytes = eeprom_ ? eeprom_->memory() : eepromBytes_;
    const sim::Pcd5003::Image decoder = decoder_.image();
    bytes.insert(bytes.end(), decoder.begin(), decoder.end());
    return bytes;
}

std::optional<std::string> SimulatedJig::finish() {
    errno = 0;
    if (editor::writeFileReplacing(file_, pager()))
        return std::nullopt;
    return file_ + ": the pager could not be written back" + errnoText(errno) +
           "; the file is left as it was before the run";
}

} // namespace ccp::tool
