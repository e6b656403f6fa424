// The window on the real ppdev driver with the kernel's side simulated: the
// driver's own claims, register ioctls and failures run against the virtual
// pager, and a port held by another program is met in real time.
#include "link/detect_parallel_port.h"
#include "link/ppdev_port_driver.h"
#include "sim/simulated_ppdev.h"
#include "support/pager_rig.h"

#include <cerrno>
#include <chrono>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace ccp::app {
namespace {

using Lines = std::vector<std::string>;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr const char* kNodes = "/sim/parport";
constexpr milliseconds kReportedWithin{2000};
// A claim that met a held port waited for it, up to the driver's limit.
constexpr milliseconds kWaitedAtLeast{900};

// The pager rig with the window on ppdev; the rig's simulated port is the
// connector's pins behind the simulated nodes.
struct PpdevRig : testing::PagerRig {
    PpdevRig() { driver = &ppdev; }
    ~PpdevRig() { form.reset(); }
    sim::SimulatedPpdev kernel{port, kNodes};
    link::PpdevPortDriver ppdev{kNodes, kernel};
};

template <typename Action> milliseconds timed(Action action) {
    const steady_clock::time_point start = steady_clock::now();
    action();
    return std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
}

auto writesOf(const sim::SimulatedParallelPort& port) {
    std::vector<std::tuple<std::uint64_t, std::uint16_t, int, int>> out;
    for (const sim::RegisterWrite& w : port.writes())
        out.emplace_back(w.timeUs, w.port, w.before, w.value);
    return out;
}

// Every register write lands on the pins at the same virtual time as through
// the simulated port itself, C0, C1 and C3 included, which the raw control
// register inverts; and the port is let go after each operation.
TEST(PpdevRealWorld, WriteAndReadLeaveTheSameBytesAsTheSimulatedPort) {
    for (const int platform : {1, 6}) {
        SCOPED_TRACE(platform);
        testing::PagerRig direct;
        PpdevRig ppdev;
        for (testing::PagerRig* rig : {&direct, static_cast<testing::PagerRig*>(&ppdev)}) {
            TForm1& window = rig->startWithPagerImage(1, platform);
            window.address[0].setText("1000000");
            rig->port.clearWrites();
            EXPECT_TRUE(window.pagerOperations.WriteToPagerClick());
            EXPECT_TRUE(window.pagerOperations.ReadFromPagerClick());
        }
        EXPECT_EQ(ppdev.eeprom->memory(), direct.eeprom->memory());
        EXPECT_EQ(ppdev.decoder->image(), direct.decoder->image());
        EXPECT_EQ(ppdev.form->Memo1.lines(), direct.form->Memo1.lines());
        EXPECT_EQ(writesOf(ppdev.port), writesOf(direct.port));
        EXPECT_FALSE(ppdev.kernel.claimed(0));
        EXPECT_EQ(ppdev.kernel.openHandles(), 0u);
    }
}

TEST(PpdevRealWorld, DetectionReportsAPortHeldElsewhere) {
    PpdevRig rig;
    rig.kernel.holdElsewhere(0);
    const milliseconds took = timed([&] { rig.start(1); });
    EXPECT_GE(took, kWaitedAtLeast);
    EXPECT_LT(took, kReportedWithin);
    EXPECT_THAT(rig.form->Memo1.lines(),
                ::testing::Contains("Parallel ports busy or unavailable."));
    EXPECT_FALSE(rig.form->ReadFromPager.enabled());
    EXPECT_EQ(rig.ppdev.lastError(), EBUSY);
    EXPECT_EQ(rig.kernel.openHandles(), 0u);
}

// Each operation fails with its own line once the claim's limit has passed,
// and works again as soon as the other program lets go; a holder that lets go
// within the limit is waited for.
TEST(PpdevRealWorld, AnOperationMeetingAHeldPortFailsThenWorksOnceLetGo) {
    PpdevRig rig;
    TForm1& window = rig.startWithPagerImage(1, 6);
    ops::PagerOperations& ops = window.pagerOperations;
    struct Step {
        bool (ops::PagerOperations::*run)();
        Lines failed;
        const char* done;
    };
    const Step steps[] = {
        {&ops::PagerOperations::ReadFromPagerClick,
         {"Read data from pager", "Hardware error, please check connection."},
         "Read completed"},
        {&ops::PagerOperations::WriteToPagerClick,
         {"Read hardware config from pager",
          "Hardware error, please check connection or a Rohs mode or not!"},
         "Verify OK !"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.done);
        rig.kernel.holdElsewhere(0);
        std::size_t from = window.Memo1.lines().size();
        bool done = true;
        const milliseconds took = timed([&] { done = (ops.*step.run)(); });
        EXPECT_FALSE(done);
        EXPECT_GE(took, kWaitedAtLeast);
        EXPECT_LT(took, kReportedWithin);
        EXPECT_EQ(rig.logSince(from), step.failed);
        EXPECT_FALSE(window.State_Form.window().visible());

        rig.kernel.letGo(0);
        from = window.Memo1.lines().size();
        EXPECT_TRUE((ops.*step.run)());
        EXPECT_EQ(rig.logSince(from).back(), step.done);
    }

    rig.kernel.holdElsewhere(0);
    std::thread other([&] {
        std::this_thread::sleep_for(milliseconds(200));
        rig.kernel.letGo(0);
    });
    const milliseconds took = timed([&] { EXPECT_TRUE(ops.ReadFromPagerClick()); });
    other.join();
    EXPECT_GE(took, milliseconds(200));
    // Each claim sleeps a slice at a time, so that a holder can let go.
    EXPECT_GT(rig.kernel.interruptedClaims(), 2 * 20);
    EXPECT_EQ(rig.kernel.openHandles(), 0u);
}

// The port's hardware going away in the middle of a read ends it with the
// read's failure; so does an LPT2 that is gone, at once.
TEST(PpdevRealWorld, APortThatGoesAwayEndsTheOperation) {
    PpdevRig rig;
    rig.kernel.remove(1);
    TForm1& window = rig.startWithPagerImage(1, 6);
    rig.kernel.removeAfter(0, 2'000);
    std::size_t from = window.Memo1.lines().size();
    EXPECT_FALSE(window.pagerOperations.ReadFromPagerClick());
    EXPECT_EQ(rig.logSince(from).back(), "Hardware error, please check connection.");
    EXPECT_EQ(rig.ppdev.lastError(), ENODEV);
    EXPECT_EQ(rig.kernel.openHandles(), 0u);

    window.LPT21Click();
    from = window.Memo1.lines().size();
    const milliseconds took = timed([&] { window.pagerOperations.ReadFromPagerClick(); });
    EXPECT_EQ(rig.logSince(from).back(), "Hardware error, please check connection.");
    EXPECT_EQ(rig.ppdev.lastError(), ENOENT) << "the node of a removed port is gone";
    EXPECT_EQ(rig.ppdev.nodePath(rig.ppdev.lastErrorNode()), "/sim/parport1");
    EXPECT_LT(took, milliseconds(500));
}

} // namespace
} // namespace ccp::app
