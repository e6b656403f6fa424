#include "editor/image_files.h"

#include "editor/address_rules.h"
#include "editor/file_io.h"
#include "editor/image_decoder.h"
#include "editor/image_encoder.h"
#include "model/checksum.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace ccp::editor {
namespace {

constexpr std::size_t kDecoderOffset = model::kEepromSize;

bool checksumsHold(std::span<const std::uint8_t> image, model::Layout layout) {
    for (model::ChecksumBlock block : model::checksumBlocksOf(layout))
        if (!model::verifyChecksum(image, block))
            return false;
    return true;
}

} // namespace

FileFormat fileFormatOf(int hardwarePlatform) {
    switch (model::layoutOf(hardwarePlatform)) {
    case model::Layout::Pcd5003:
        return {model::kEepromSize + model::kDecoderSize, true, false};
    case model::Layout::Sm8212:
        return {307, false, true};
    case model::Layout::Sm8212Extended:
        break;
    }
    return {model::kEepromSize, false, false};
}

ImageFiles::ImageFiles(EditorContext& context, ImageEncoder& encoder, ImageDecoder& decoder,
                       AddressRules& addresses)
    : context_(context), encoder_(encoder), decoder_(decoder), addresses_(addresses) {
}

void ImageFiles::Open1Click() {
    if (std::optional<std::string> path = context_.ui().openFile(kOpenFilter))
        load(*path);
}

void ImageFiles::Save1Click() {
    if (std::optional<std::string> path = context_.ui().saveFile(kSaveFilter, kSaveDefaultExt))
        save(*path);
}

void ImageFiles::fail(const char* line) {
    context_.log.append(line);
    context_.ui().beep();
}

bool ImageFiles::load(const std::string& path) {
    context_.log.append("Load data from " + path);
    const FileFormat format = fileFormatOf(context_.hardwarePlatform);

    std::optional<std::vector<std::uint8_t>> file = readFilePrefix(path, format.length);
    if (!file) {
        fail("Load file error");
        return false;
    }
    return loadImage(std::move(*file));
}

bool ImageFiles::loadImage(std::vector<std::uint8_t> bytes) {
    const int platform = context_.hardwarePlatform;
    const model::Layout layout = model::layoutOf(platform);
    const FileFormat format = fileFormatOf(platform);
    std::vector<std::uint8_t>& file = bytes;
    if (file.size() < format.length) {
        if (!format.padShortFile) {
            fail("File size error, stop load!!!");
            return false;
        }
        file.resize(format.length, 0xFF);
    }

    // Staging: the image as the file would leave it, checked before use.
    model::EepromImage staged = context_.eeprom;
    std::copy_n(file.begin(), std::min(format.length, model::kEepromSize), staged.begin());
    if (!checksumsHold(staged, layout)) {
        fail("File checksum error!!!");
        return false;
    }

    context_.eeprom = staged;
    if (format.withDecoder)
        std::copy_n(file.begin() + kDecoderOffset, model::kDecoderSize, context_.decoder.begin());
    context_.log.append("File loaded");

    decoder_.decode();
    addresses_.msgtypeChange();
    const int entries = layout == model::Layout::Pcd5003 ? 6 : 8;
    for (int n = 1; n <= entries; ++n)
        addresses_.addressExit(n);
    return true;
}

bool ImageFiles::save(const std::string& path) {
    context_.log.append("Save data to " + path);
    const int platform = context_.hardwarePlatform;
    const model::Layout layout = model::layoutOf(platform);
    const FileFormat format = fileFormatOf(platform);

    context_.eeprom.fill(0);
    if (!encoder_.encode())
        return false;
    // The in-memory image takes the checksums only once the file is written.
    model::EepromImage withChecksums = context_.eeprom;
    model::storeChecksums(withChecksums, layout);

    std::vector<std::uint8_t> bytes(
        withChecksums.begin(), withChecksums.begin() + std::min(format.length, model::kEepromSize));
    if (format.withDecoder)
        bytes.insert(bytes.end(), context_.decoder.begin(), context_.decoder.end());
    if (!writeFileReplacing(path, bytes)) {
        fail("write error!");
        return false;
    }
    context_.eeprom = withChecksums;
    context_.log.append("ok!");
    return true;
}

} // namespace ccp::editor
