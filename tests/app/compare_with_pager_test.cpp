#include "app/settings_diff.h"
#include "support/pager_rig.h"
#include "support/snapshot.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ccp::app {
namespace {

// A pager that differs from the window in two settings: exactly those two,
// then their bytes; the window keeps its fields and images.
TEST(CompareWithPager, ListsWhatDiffersAndLeavesTheWindowAlone) {
    testing::PagerRig rig;
    testing::TempDir dir;
    TForm1& window = rig.startWithPagerImage(5, 6);
    // The window as a read leaves it, then two settings changed and saved.
    ASSERT_TRUE(window.pagerOperations.ReadFromPagerClick());
    window.serial.setText("CHANGED1");
    window.alerttime.setIndex(window.alerttime.index() == 1 ? 2 : 1);
    ASSERT_TRUE(window.imageFiles.save(dir.file("changed.eep")));
    const auto before = testing::snapshot(window);
    const auto image = window.EepromImage;

    const auto shown = window.CompareWithPagerClick();
    ASSERT_TRUE(shown);
    ASSERT_GE(shown->size(), 4u);
    EXPECT_EQ((*shown)[0], "serial: 00000000 -> CHANGED1") << "the pager's, then the window's";
    EXPECT_EQ((*shown)[1].rfind("alerttime: ", 0), 0u) << (*shown)[1];
    for (std::size_t i = 2; i < shown->size(); ++i)
        EXPECT_EQ((*shown)[i].rfind("byte 0x", 0), 0u) << (*shown)[i];
    ASSERT_EQ(rig.ui.messages.size(), 1u) << "one report";
    EXPECT_EQ(rig.ui.messages[0].rfind("Compare with Pager\nNAME: value on the pager -> value "
                                       "writing would put there\nserial: 00000000 -> CHANGED1\n",
                                       0),
              0u)
        << rig.ui.messages[0];

    auto after = testing::snapshot(window);
    after["Memo1"] = before.at("Memo1");
    EXPECT_EQ(after, before);
    EXPECT_EQ(window.EepromImage, image);
}

TEST(CompareWithPager, AReadFailureShowsItsLineAndNoList) {
    testing::PagerRig rig;
    TForm1& window = rig.startWithPagerImage(5, 6);
    rig.eeprom->setAbsent(true);
    EXPECT_FALSE(window.CompareWithPagerClick());
    EXPECT_EQ(window.Memo1.lines().back(), "Hardware error, please check connection.");
    EXPECT_TRUE(rig.ui.messages.empty());
}

// Enabled while writing and reading are.
TEST(CompareWithPager, MenuItemFollowsTheReadAndWriteItems) {
    testing::PagerRig rig;
    TForm1& window = rig.startOn(1, 6);
    EXPECT_TRUE(window.CompareWithPager.enabled());
    rig.port.setPresence(false);
    window.dispatch([&] { window.LPT11Click(); });
    window.WriteToPager.setEnabled(false);
    window.dispatch([] {});
    EXPECT_FALSE(window.CompareWithPager.enabled());
}

} // namespace
} // namespace ccp::app
