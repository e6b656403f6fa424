#include "form/control.h"
#include "form/controls.h"
#include "link/detect_parallel_port.h"
#include "sim/simulated_parallel_port.h"
#include "sim/virtual_clock.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ccp::link {
namespace {

class FakeOsInfo final : public OsInfo {
public:
    explicit FakeOsInfo(ParallelPortPolicy policy) : policy_(policy) {}
    ParallelPortPolicy parallelPortPolicy() const override { return policy_; }
    char decimalSeparator() const override { return '.'; }

private:
    ParallelPortPolicy policy_;
};

struct MenuState {
    bool port1;
    bool write;
    bool read;
    bool operator==(const MenuState&) const = default;
};

struct Case {
    const char* name;
    ParallelPortPolicy policy;
    bool initialises;
    std::uint16_t jigBase;
    bool present;
    std::uint8_t otherStatus;
    MenuState before;
    PortDetection outcome;
    std::vector<std::string> log;
    MenuState after;
    int initialiseCalls;
    bool statusReadFails = false;
};

constexpr auto kAvailable = ParallelPortPolicy::Available;
constexpr auto kDisabled = ParallelPortPolicy::DisabledBySystem;
constexpr auto kNotOffered = ParallelPortPolicy::NotOffered;
constexpr MenuState kAllOn{true, true, true};
constexpr MenuState kAllOff{false, false, false};

using enum PortDetection;
constexpr const char* kVista = "Parallel ports disable in Vista";
constexpr const char* kBusy = "Parallel ports busy or unavailable.";
constexpr const char* kReady = "Parallel ports ready.";
constexpr const char* kMissing = "Programmer not connected or not powered.";

// clang-format off
const Case kCases[] = {
    // name                              policy       init   jig at     present status  menus before
    //   outcome          log        menus after            initialise calls
    {"disabled by the system, menus on",  kDisabled,   true,  kLpt1Base, true,  0x00, kAllOn,
        DisabledBySystem, {kVista},   {false, true, true},   0},
    {"disabled by the system, menus off", kDisabled,   true,  kLpt1Base, true,  0x00, kAllOff,
        DisabledBySystem, {kVista},   kAllOff,               0},
    {"not offered, menus on",             kNotOffered, true,  kLpt1Base, true,  0x00, kAllOn,
        NotOffered,       {},         kAllOn,                0},
    {"not offered, menus off",            kNotOffered, true,  kLpt1Base, false, 0x00, kAllOff,
        NotOffered,       {},         kAllOff,               0},
    {"driver unavailable",                kAvailable,  false, kLpt1Base, true,  0x00, kAllOn,
        Unavailable,      {kBusy},    {true, false, false},  1},
    {"jig present, other bits high",      kAvailable,  true,  kLpt1Base, true,  0x9F, kAllOff,
        Ready,            {kReady},   {false, true, true},   1},
    {"jig present, other bits low",       kAvailable,  true,  kLpt1Base, true,  0x00, kAllOn,
        Ready,            {kReady},   kAllOn,                1},
    {"jig absent, other bits high",       kAvailable,  true,  kLpt1Base, false, 0xDF, kAllOn,
        NotConnected,     {kMissing}, {true, false, false},  1},
    {"jig only on LPT2",                  kAvailable,  true,  kLpt2Base, true,  0x00, kAllOn,
        NotConnected,     {kMissing}, {true, false, false},  1},
    {"claimed, status read fails",        kAvailable,  true,  kLpt1Base, true,  0x00, kAllOn,
        Unavailable,      {kBusy},    {true, false, false},  1, true},
};
// clang-format on

TEST(DetectParallelPort, OutcomesLogLinesAndMenus) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        form::Form form;
        form::LogPane log(form, "Memo1");
        form::MenuItem port1(form, "Port1", "&Port");
        form::MenuItem writeToPager(form, "WriteToPager", "&Write_To_Pager");
        form::MenuItem readFromPager(form, "ReadFromPager", "&Read_From_Pager");
        port1.setEnabled(c.before.port1);
        writeToPager.setEnabled(c.before.write);
        readFromPager.setEnabled(c.before.read);

        sim::VirtualClock clock;
        sim::SimulatedParallelPort port(clock, c.jigBase);
        port.setInitialiseResult(c.initialises);
        port.setPresence(c.present);
        port.setOtherStatusBits(c.otherStatus);
        if (c.statusReadFails) {
            port.failAccessesAfter(0);
        }
        const FakeOsInfo os(c.policy);
        // A user who chose LPT2, then a USB jig that went away.
        ProgrammerLink link{kLpt2Base, true, 3};

        const PortDetection outcome =
            DetectParallelPort(link, port, os, log, port1, writeToPager, readFromPager);

        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(log.lines(), c.log);
        EXPECT_EQ((MenuState{port1.enabled(), writeToPager.enabled(), readFromPager.enabled()}),
                  c.after);
        EXPECT_EQ(port.initialiseCalls(), c.initialiseCalls);
        EXPECT_EQ(link.PortBase, kLpt1Base);
        EXPECT_FALSE(link.UsbActive);
        EXPECT_TRUE(port.writes().empty()) << "detection only reads";
    }
}

} // namespace
} // namespace ccp::link
