#include "model/folder_slots.h"

#include <algorithm>

namespace ccp::model {

std::vector<std::uint8_t> folderSlotBytes(std::span<const FolderUse> folders) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(folders.size() * kFolderSlotSize);
    std::uint8_t next = 0;
    for (const FolderUse& folder : folders) {
        if (!folder.active) {
            bytes.push_back(kInactiveFirstSlot);
            bytes.push_back(kInactiveLastSlot);
            continue;
        }
        const unsigned length = static_cast<unsigned>(folder.length) & 0xFFu;
        const auto last = static_cast<std::uint8_t>(next + length - 1u);
        bytes.push_back(next);
        bytes.push_back(last);
        next = static_cast<std::uint8_t>(last + 1);
    }
    return bytes;
}

void storeFolderSlots(EepromImage& image, std::span<const FolderUse> folders) {
    const std::vector<std::uint8_t> bytes =
        folderSlotBytes(folders.first(std::min(folders.size(), kFolderCount)));
    std::copy(bytes.begin(), bytes.end(), image.begin() + kFolderSlotBase);
}

std::optional<int> folderLengthFromSlots(std::uint8_t first, std::uint8_t last) {
    if (first == kInactiveFirstSlot) {
        return std::nullopt;
    }
    return static_cast<int>(last) - static_cast<int>(first) + 1;
}

std::optional<int> folderLength(const EepromImage& image, std::size_t folder) {
    if (folder >= kFolderCount) {
        return std::nullopt;
    }
    const std::size_t at = kFolderSlotBase + kFolderSlotSize * folder;
    return folderLengthFromSlots(image[at], image[at + 1]);
}

} // namespace ccp::model
