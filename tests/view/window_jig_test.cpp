// The window's --jig: a word or a pager file it cannot use leaves it without
// a jig and the file untouched; a virtual pager is named in the log and kept
// in its file after each operation, unless the file went away or became
// read-only meanwhile.
#include "link/ppdev_port_driver.h"
#include "sim/simulated_ppdev.h"
#include "sim/virtual_clock.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"
#include "view/window_jig.h"

#include <QTimer>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace ccp::view {
namespace {

using testing::RecordingUi;
using testing::TempDir;
using Bytes = std::vector<unsigned char>;

constexpr std::size_t kPagerBytes = 560;

struct Window {
    explicit Window(const std::string& word) : jig(word), form(jig.services(ui, {}), 1) {
        jig.started(form);
    }
    const std::string& lastLine() const { return form.Memo1.lines().back(); }
    RecordingUi ui;
    WindowJig jig;
    app::TForm1 form;
};

struct Refusal {
    const char* name;
    std::string word;
    Bytes fileBytes; // written before the start; empty: no file
    mode_t mode;
    const char* says;
};

TEST(WindowJig, WithoutAJigItsOperationsAreGreyAndTheFileIsLeftAsItWas) {
    TempDir dir;
    const std::string file = dir.file("pager.bin");
    const Refusal cases[] = {
        {"no jig word", "lpt3", {}, 0644, "--jig takes sim:FILE, sim-usb:FILE, lpt1, lpt2, usb"},
        {"short file", "sim:" + file, Bytes(12, 0x5A), 0644, "this one holds 12"},
        {"read-only file", "sim:" + file, Bytes(kPagerBytes, 0x5A), 0444, "is read-only"},
        {"read-only, USB", "sim-usb:" + file, Bytes(kPagerBytes, 0x5A), 0444, "is read-only"},
        {"no such folder", "sim:" + dir.file("gone/pager.bin"), {}, 0644, "cannot be made there"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(file);
        if (!c.fileBytes.empty()) {
            TempDir::write(file, c.fileBytes);
            ::chmod(file.c_str(), c.mode);
        }
        {
            Window window(c.word);
            EXPECT_NE(window.jig.refusal().find(c.says), std::string::npos) << window.jig.refusal();
            EXPECT_EQ(window.lastLine(), "No jig: " + window.jig.refusal());
            EXPECT_FALSE(window.form.ReadFromPager.enabled());
            EXPECT_FALSE(window.form.WriteToPager.enabled());
            EXPECT_FALSE(window.form.CompareWithPager.enabled());
            EXPECT_TRUE(window.jig.pagerFile().empty());
            EXPECT_EQ(window.jig.keep(window.form), std::nullopt);
        }
        EXPECT_EQ(std::filesystem::exists(file), !c.fileBytes.empty());
        if (!c.fileBytes.empty()) {
            EXPECT_EQ(TempDir::read(file), c.fileBytes);
        }
        ::chmod(file.c_str(), 0644);
    }
}

TEST(WindowJig, NamesTheVirtualPagerAndItsJigInTheLog) {
    TempDir dir;
    const std::string file = dir.file("pager.bin");
    EXPECT_EQ(Window("sim:" + file).lastLine(),
              "Virtual pager: " + file + " (parallel jig on LPT1)");
    Window usb("sim-usb:" + file);
    EXPECT_EQ(usb.lastLine(), "Virtual pager: " + file + " (USB jig)");
    // Until the first scan takes the USB jig there is nothing to read.
    EXPECT_FALSE(usb.form.ReadFromPager.enabled());
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(WindowJig, KeepsThePagerUnlessItsFileWentAwayOrBecameReadOnly) {
    TempDir dir;
    const std::string file = dir.file("pager.bin");
    Window window("sim:" + file);
    // A missing file is a blank pager, made at the first keep.
    ASSERT_EQ(window.jig.keep(window.form), std::nullopt);
    Bytes blank(512, 0xFF);
    blank.resize(kPagerBytes, 0x00);
    EXPECT_EQ(TempDir::read(file), blank);

    std::filesystem::remove(file);
    const std::optional<std::string> gone = window.jig.keep(window.form);
    ASSERT_TRUE(gone.has_value());
    EXPECT_EQ(*gone, "The virtual pager could not be kept: " + file + ": the pager file is gone");
    EXPECT_EQ(window.lastLine(), *gone);
    EXPECT_FALSE(std::filesystem::exists(file));

    TempDir::write(file, Bytes(kPagerBytes, 0x5A));
    ::chmod(file.c_str(), 0444);
    const std::optional<std::string> readOnly = window.jig.keep(window.form);
    ASSERT_TRUE(readOnly.has_value());
    EXPECT_NE(readOnly->find("read-only"), std::string::npos);
    EXPECT_EQ(TempDir::read(file), Bytes(kPagerBytes, 0x5A));

    // Nothing was lost: once the file may be written, the pager is kept.
    ::chmod(file.c_str(), 0644);
    EXPECT_EQ(window.jig.keep(window.form), std::nullopt);
    EXPECT_EQ(TempDir::read(file), blank);
}

// Another program asleep in PPCLAIM holds ppdev's mutex for as long as it
// sleeps, and the window's claim waits for it without bound. The window's
// timers run meanwhile: here it is one of them that wakes that program.
TEST(WindowJig, KernelAsleepClaimerLeavesTheWindowsTimersRunning) {
    sim::VirtualClock clock;
    sim::SimulatedParallelPort lines(clock);
    sim::SimulatedPpdev kernel(lines, "/sim/parport");
    link::PpdevPortDriver driver("/sim/parport", kernel);
    driver.whileClaimWaits(keepWindowEventsGoing);
    ASSERT_TRUE(driver.initialise());
    kernel.asleepInClaim();
    constexpr int kTicks = 20;
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (++ticks == kTicks)
            kernel.wakeAsleep();
    });
    ticker.start();
    // Should the timers stand still, the program wakes after three seconds.
    std::promise<void> claimed;
    std::thread safety([&kernel, done = claimed.get_future()] {
        if (done.wait_for(std::chrono::seconds(3)) == std::future_status::timeout)
            kernel.wakeAsleep();
    });
    EXPECT_TRUE(driver.claim(link::kLpt1Base));
    claimed.set_value();
    safety.join();
    EXPECT_GE(ticks, kTicks) << "the window's timers stood still while the claim waited";
    driver.release();
}

} // namespace
} // namespace ccp::view
