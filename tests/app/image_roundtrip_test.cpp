// Save, change the window to other values, load: every stored setting comes
// back, on every platform, and saving again gives the same bytes.
#include "support/form_fixture.h"
#include "support/settings_table.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace ccp::app {
namespace {

using namespace testing::settings_table;

class ImageRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(ImageRoundTrip, EveryStoredSettingComesBackAndASecondSaveIsIdentical) {
    const int platform = GetParam();
    testing::FormRig rig;
    testing::TempDir dir;
    TForm1& form = rig.start(5); // the platform item is enabled; the UC matrix is in use
    while (form.HardwarePlatform != platform)
        form.N5003T6K041Click();
    const unsigned layout = layoutBit(platform);

    for (const Setting& s : kSettings)
        if (s.layouts & layout)
            apply(form, s, s.a);
    const std::string first = dir.file("first.eep");
    ASSERT_TRUE(form.imageFiles.save(first));
    std::map<std::string, std::string> saved;
    for (const Setting& s : kSettings)
        if (s.layouts & layout)
            saved[s.name] = valueOf(form, s.name);

    for (const Setting& s : kSettings)
        if (s.layouts & layout)
            apply(form, s, s.b);
    ASSERT_TRUE(form.imageFiles.load(first));
    for (const auto& [name, value] : saved)
        EXPECT_EQ(valueOf(form, name.c_str()), value) << name << " on platform " << platform;

    const std::string second = dir.file("second.eep");
    ASSERT_TRUE(form.imageFiles.save(second));
    const auto a = testing::TempDir::read(first);
    const auto b = testing::TempDir::read(second);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(int(a[i]), int(b[i])) << "byte " << i << " on platform " << platform;
    EXPECT_TRUE(rig.ui.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(AllPlatforms, ImageRoundTrip, ::testing::Range(0, 7));

TEST(ImageFilesInTheWindow, ALoadOnPlatforms2To6RunsTheExitRulesOfAllEightEntries) {
    for (int platform : {3, 6}) {
        testing::FormRig rig;
        testing::TempDir dir;
        TForm1& form = rig.start(5);
        while (form.HardwarePlatform != platform)
            form.N5003T6K041Click();
        form.address[7].setText("2007664"); // stored as it is, reported on loading
        const std::string path = dir.file("x.eep");
        ASSERT_TRUE(form.imageFiles.save(path));
        const int beeps = rig.ui.beeps;
        ASSERT_TRUE(form.imageFiles.load(path));
        EXPECT_EQ(form.Memo1.lines().back(),
                  "Address [8] range out, should be within 8-2007663; 2007672-2045055; "
                  "2045064-2097143");
        EXPECT_GT(rig.ui.beeps, beeps);
    }
}

TEST(ImageFilesInTheWindow, FileMenuRunsTheDialogsAndTheirFilters) {
    testing::FormRig rig;
    testing::TempDir dir;
    TForm1& form = rig.start(1);
    rig.ui.paths.push_back(dir.file("menu.eep"));
    form.Save1.userClick();
    rig.ui.paths.push_back(dir.file("menu.eep"));
    form.Open1.userClick();
    EXPECT_EQ(rig.ui.filters, (std::vector<std::string>{"*.bin|*.bin|*.eep|*.eep (eep)",
                                                        "*.bin, *.eep|*.eep; *.bin"}));
    EXPECT_EQ(form.Memo1.lines().back(), "File loaded");
}

} // namespace
} // namespace ccp::app
