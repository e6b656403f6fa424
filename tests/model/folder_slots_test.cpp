#include "model/folder_slots.h"

#include <gtest/gtest.h>
#include <vector>

namespace ccp::model {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FolderSlots, InactiveFolderTakesNoSlot) {
    const FolderUse folders[] = {{true, 3}, {false, 9}, {true, 5}};
    EXPECT_EQ(folderSlotBytes(folders), (Bytes{0x00, 0x02, 0xFF, 0x00, 0x03, 0x07}));
}

TEST(FolderSlots, SixteenFoldersOfSix) {
    std::vector<FolderUse> folders(kFolderCount, FolderUse{true, 6});
    EepromImage image;
    image.fill(0xEE);
    storeFolderSlots(image, folders);
    for (std::size_t n = 0; n < kFolderCount; ++n) {
        EXPECT_EQ(image[216 + 2 * n], 6 * n);
        EXPECT_EQ(image[217 + 2 * n], 6 * n + 5);
        EXPECT_EQ(folderLength(image, n), 6);
    }
    EXPECT_EQ(image[215], 0xEE);
    EXPECT_EQ(image[248], 0xEE);
}

TEST(FolderSlots, SlotNumbersWrapAtOneByte) {
    const FolderUse folders[] = {{true, 250}, {true, 10}, {true, 1}};
    EXPECT_EQ(folderSlotBytes(folders), (Bytes{0, 249, 250, 3, 4, 4}));
}

TEST(FolderSlots, ExtraFoldersAreNotStored) {
    std::vector<FolderUse> folders(20, FolderUse{true, 1});
    EepromImage image;
    image.fill(0xEE);
    storeFolderSlots(image, folders);
    EXPECT_EQ(image[247], 15);
    EXPECT_EQ(image[248], 0xEE);
}

TEST(FolderSlots, LengthFromSlots) {
    EXPECT_EQ(folderLengthFromSlots(0x03, 0x07), 5);
    EXPECT_EQ(folderLengthFromSlots(0x05, 0x05), 1);
    EXPECT_EQ(folderLengthFromSlots(0x05, 0x04), 0);
    EXPECT_EQ(folderLengthFromSlots(0x10, 0x02), -13);
    EXPECT_FALSE(folderLengthFromSlots(0xFF, 0x00).has_value());
    EXPECT_FALSE(folderLengthFromSlots(0xFF, 0x20).has_value());
    EXPECT_FALSE(folderLength(EepromImage{}, 16).has_value());
}

} // namespace
} // namespace ccp::model
