// A long run of random user actions on the window with a fixed seed: the
// window's invariants hold after every action.
#include "support/temp_dir.h"
#include "support/window_actions.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace ccp::app {
namespace {

TEST(RandomActions, TheWindowsInvariantsHoldThroughAHundredThousandActions) {
    constexpr std::size_t kActions = 100'000;
    std::mt19937 random(20261208);
    std::vector<std::uint8_t> bytes(kActions * 8);
    for (std::uint8_t& b : bytes)
        b = static_cast<std::uint8_t>(random());

    testing::TempDir dir;
    testing::PagerRig rig;
    rig.startWithPagerImage(5, 6);
    rig.plugUsbJig();
    testing::WindowActions actions(rig, dir.file("random.eep"));
    testing::ByteSource source(bytes);
    for (std::size_t n = 0; n < kActions && actions.violation().empty(); ++n)
        actions.step(source);
    EXPECT_EQ(actions.violation(), "");
}

} // namespace
} // namespace ccp::app
