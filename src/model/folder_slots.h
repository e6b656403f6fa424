// Public folder slot pairs. Folder n (0-15) keeps two bytes at 216 + 2n: the
// first and last message slot it owns. Slots are numbered from 0 in folder
// order over the active folders, in 8-bit arithmetic; an inactive folder is
// stored as FF 00 and takes no slot. A first slot of 0xFF reads as inactive.
#pragma once

#include "model/image.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ccp::model {

constexpr std::size_t kFolderCount = 16;
constexpr std::size_t kFolderSlotBase = 216; // @0x0D8
constexpr std::size_t kFolderSlotSize = 2;
constexpr std::uint8_t kInactiveFirstSlot = 0xFF;
constexpr std::uint8_t kInactiveLastSlot = 0x00;

struct FolderUse {
    bool active = false;
    int length = 0; // messages; the editor keeps it at 1-99
};

// Two bytes per folder, in folder order. A length is taken modulo 256, as the
// pager's slot numbers are single bytes.
std::vector<std::uint8_t> folderSlotBytes(std::span<const FolderUse> folders);

// Stores the slot pairs of the first 16 folders at 216-247; folders past the
// sixteenth are ignored, bytes of folders not given stay as they are.
void storeFolderSlots(EepromImage& image, std::span<const FolderUse> folders);

// The length of a folder from its slot pair: last - first + 1 as a signed
// number (0 or negative when last lies below first); nullopt when the first
// slot marks the folder inactive.
std::optional<int> folderLengthFromSlots(std::uint8_t first, std::uint8_t last);

// The same for folder n (0-15) of an image; nullopt also for n out of range.
std::optional<int> folderLength(const EepromImage& image, std::size_t folder);

} // namespace ccp::model
