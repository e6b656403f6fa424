// An arbitrary sequence of user actions on the window, with the window's
// invariants checked after every action.
#include "fuzz_check.h"
#include "support/temp_dir.h"
#include "support/window_actions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static ccp::testing::TempDir dir;
    ccp::testing::PagerRig rig;
    rig.startWithPagerImage(data[0] % 7, (data[0] >> 3) % 7);
    rig.plugUsbJig();
    ccp::testing::WindowActions actions(rig, dir.file("window.eep"));
    ccp::testing::ByteSource source({data + 1, size - 1});
    while (!source.empty() && actions.violation().empty())
        actions.step(source);
    ccp::fuzz::require(actions.violation().empty(), actions.violation());
    return 0;
}
