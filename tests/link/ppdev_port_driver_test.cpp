#include "link/ppdev_port_driver.h"
#include "sim/simulated_ppdev.h"
#include "sim/virtual_clock.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <linux/ppdev.h>
#include <optional>
#include <string>
#include <sys/ioctl.h>
#include <thread>

namespace ccp::link {
namespace {

namespace fs = std::filesystem;

// A folder of its own that stands in for /dev; nodes are <folder>/parportN.
class NodeFolder {
public:
    NodeFolder() {
        std::string pattern = (fs::temp_directory_path() / "ccp_ppdev_XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~NodeFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    bool ok() const { return !path_.empty(); }
    std::string prefix() const { return (path_ / "parport").string(); }
    fs::path node(int n) const { return path_ / ("parport" + std::to_string(n)); }

private:
    fs::path path_;
};

struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
    int error;
};

const Case kCases[] = {
    {"missing node", [](const fs::path&) {}, ENOENT},
    {"regular file", [](const fs::path& p) { std::ofstream(p) << "not a port"; }, ENOTTY},
    {"folder", [](const fs::path& p) { fs::create_directory(p); }, EISDIR},
    {"character device that is not ppdev",
     [](const fs::path& p) { fs::create_symlink("/dev/null", p); }, ENOTTY},
};

TEST(PpdevPortDriver, InitialiseFailsCleanlyWithoutAPortNode) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        NodeFolder folder;
        ASSERT_TRUE(folder.ok());
        c.make(folder.node(0));
        PpdevPortDriver driver(folder.prefix());

        const auto detect = [&] {
            const PortClaim claim(driver.initialise() ? &driver : nullptr, kLpt1Base);
            for (std::uint16_t reg = 0; reg < kPortRegisterCount; ++reg) {
                driver.write(kLpt1Base + reg, 0x00);
                EXPECT_EQ(driver.read(kLpt1Base + reg), std::nullopt);
            }
            return driver.isClaimed(0);
        };
        EXPECT_FALSE(detect());
        EXPECT_EQ(driver.lastError(), c.error);
        driver.shutdown();
        driver.shutdown();
        EXPECT_FALSE(detect()) << "a second detection fails the same way";
    }
}

TEST(PpdevPortDriver, NoNodeIsOpenedBeforeInitialise) {
    NodeFolder folder;
    ASSERT_TRUE(folder.ok());
    fs::create_symlink("/dev/null", folder.node(1));
    PpdevPortDriver driver(folder.prefix());

    EXPECT_EQ(driver.read(kLpt2Base + 1), std::nullopt);
    driver.write(kLpt2Base, 0xFF);
    EXPECT_EQ(driver.lastError(), 0) << "an open was tried";
    EXPECT_FALSE(driver.isClaimed(1));
}

TEST(PpdevPortDriver, ShutdownWithoutInitialiseIsSafe) {
    PpdevPortDriver driver("/nonexistent/parport");
    driver.shutdown();
    driver.shutdown();
    EXPECT_EQ(driver.lastError(), 0);
    EXPECT_EQ(driver.nodePath(1), "/nonexistent/parport1");
}

volatile std::sig_atomic_t handlerRuns = 0;

// Another part of the program handles the real-time signal a claim would
// pick first: its handler stays in place and is never run by the claim, and
// a claim that meets a held port still gives up at its limit.
TEST(PpdevPortDriver, AClaimLeavesAnExistingSignalHandlerAlone) {
    struct sigaction mine {};
    struct sigaction before {};
    mine.sa_handler = [](int) { handlerRuns = handlerRuns + 1; };
    sigemptyset(&mine.sa_mask);
    ASSERT_EQ(::sigaction(SIGRTMIN + 1, &mine, &before), 0);
    sim::VirtualClock clock;
    sim::SimulatedParallelPort lines(clock);
    sim::SimulatedPpdev kernel(lines, "/sim/parport");
    PpdevPortDriver driver("/sim/parport", kernel, std::chrono::milliseconds(50));
    ASSERT_TRUE(driver.initialise());
    kernel.holdElsewhere(0);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(driver.claim(kLpt1Base));
    driver.release();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(driver.lastError(), EBUSY);
    struct sigaction after {};
    ::sigaction(SIGRTMIN + 1, &before, &after);
    EXPECT_EQ(after.sa_handler, mine.sa_handler) << "the handler was replaced";
    EXPECT_EQ(handlerRuns, 0) << "the claim's timer ran the program's handler";
}

using std::chrono::milliseconds;
using std::chrono::steady_clock;

struct KernelRig {
    sim::VirtualClock clock;
    sim::SimulatedParallelPort lines{clock};
    sim::SimulatedPpdev kernel{lines, "/sim/parport"};
};

// Another program holds LPT1 and lets go with PPRELEASE after 200 ms. That
// needs ppdev's mutex, which a claim holds while it sleeps: the claim leaves
// it free between its slices, the release goes through, and the port is ours.
TEST(PpdevPortDriver, KernelReleaseByTheHolderAt200msWithPpreleaseGivesUsThePort) {
    KernelRig rig;
    PpdevPortDriver driver("/sim/parport", rig.kernel);
    ASSERT_TRUE(driver.initialise());
    const int holder = rig.kernel.open("/sim/parport0", O_RDWR);
    ASSERT_EQ(rig.kernel.ioctl(holder, PPCLAIM, nullptr), 0);
    const steady_clock::time_point start = steady_clock::now();
    steady_clock::duration released{};
    std::thread other([&] {
        std::this_thread::sleep_for(milliseconds(200));
        EXPECT_EQ(rig.kernel.ioctl(holder, PPRELEASE, nullptr), 0);
        released = steady_clock::now() - start;
        rig.kernel.close(holder);
    });
    const bool claimed = driver.claim(kLpt1Base);
    const steady_clock::duration took = steady_clock::now() - start;
    other.join();
    EXPECT_TRUE(claimed);
    EXPECT_LT(released, milliseconds(400)) << "the holder's PPRELEASE waited for our claim";
    EXPECT_LT(took, milliseconds(600));
    driver.release();
    EXPECT_FALSE(rig.kernel.claimed(0));
}

// Another program asleep in PPCLAIM holds ppdev's mutex, which no signal
// interrupts: a claim waits as long as it sleeps, past its own limit, and
// the caller's pump runs all the while. Letting go by closing needs no mutex.
TEST(PpdevPortDriver, KernelAsleepClaimerKeepsTheCallerPumpingAndReleaseFree) {
    KernelRig rig;
    PpdevPortDriver driver("/sim/parport", rig.kernel, milliseconds(100));
    ASSERT_TRUE(driver.initialise());
    int pumps = 0;
    driver.whileClaimWaits([&pumps] { ++pumps; });
    rig.kernel.asleepInClaim();
    const steady_clock::time_point start = steady_clock::now();
    std::thread waker([&] {
        std::this_thread::sleep_for(milliseconds(400));
        rig.kernel.wakeAsleep();
    });
    EXPECT_TRUE(driver.claim(kLpt1Base));
    const steady_clock::duration took = steady_clock::now() - start;
    waker.join();
    EXPECT_GE(took, milliseconds(350));
    EXPECT_GE(pumps, 10);

    rig.kernel.asleepInClaim();
    // Should the release wait for the mutex, the program wakes after two
    // seconds.
    std::promise<void> released;
    std::thread safety([&rig, done = released.get_future()] {
        if (done.wait_for(std::chrono::seconds(2)) == std::future_status::timeout)
            rig.kernel.wakeAsleep();
    });
    const steady_clock::time_point before = steady_clock::now();
    driver.release();
    EXPECT_LT(steady_clock::now() - before, milliseconds(500)) << "the release waited";
    released.set_value();
    safety.join();
    EXPECT_FALSE(rig.kernel.claimed(0));
    rig.kernel.wakeAsleep();
}

} // namespace
} // namespace ccp::link
