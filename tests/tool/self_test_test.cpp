// The jig self-test over the virtual pager: every check passes on a good
// bench and nothing on the pager changes; each fault fails the check that
// looks for it, with its hint, and skips what depends on it; a USB jig that
// stops answering ends in virtual time, never in a hang.
#include "link/ppdev_port_driver.h"
#include "sim/eeprom_24c04.h"
#include "sim/pcd5003.h"
#include "sim/simulated_hid_backend.h"
#include "sim/simulated_parallel_port.h"
#include "sim/simulated_ppdev.h"
#include "sim/virtual_clock.h"
#include "sim/virtual_usb_jig.h"
#include "support/temp_dir.h"
#include "tool/self_test.h"
#include "tool/tool_process.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace ccp::tool {
namespace {

using ::testing::HasSubstr;
using testing::runTool;
using testing::TempDir;

// "PASS,FAIL,..." in table order, for one glance at a whole run.
std::string results(const std::vector<Check>& checks) {
    std::string text;
    for (const Check& check : checks) {
        text += text.empty() ? "" : ",";
        text += check.result == CheckResult::Pass   ? "PASS"
                : check.result == CheckResult::Fail ? "FAIL"
                                                    : "SKIP";
    }
    return text;
}

const Check& named(const std::vector<Check>& checks, const std::string& name) {
    for (const Check& check : checks)
        if (check.name == name)
            return check;
    throw std::runtime_error("no check " + name);
}

TEST(PortAccessFailure, TellsNoNodeNoPermissionWithTheGroupAndBusyApart) {
    TempDir dir;
    const std::string node = dir.file("parport0");
    TempDir::write(node, {});
    const std::string group = ::getgrgid(::getegid())->gr_name;
    struct Case {
        int error;
        std::string detail;
        std::string hint;
    };
    for (const Case& c : {Case{ENOENT, "no such device node", "modprobe ppdev"},
                          Case{EACCES, "permission denied", "sudo usermod -aG " + group + " "},
                          Case{EBUSY, "held by another program", "close the program"},
                          Case{EIO, "Input/output error", "journalctl"}}) {
        const PortAccessFailure failure = portAccessFailure(c.error, node);
        EXPECT_EQ(failure.detail, node + ": " + c.detail) << c.error;
        EXPECT_THAT(failure.hint, HasSubstr(c.hint)) << c.error;
    }
}

struct ParallelCase {
    const char* label;
    std::optional<int> platform;
    std::function<void(sim::SimulatedParallelPort&, sim::Eeprom24c04&, sim::Pcd5003&)> fault;
    std::string results;
    const char* failing; // the first check that fails, and its hint
    const char* hint;
};

void PrintTo(const ParallelCase& c, std::ostream* out) {
    *out << c.label;
}

class ParallelSelfTest : public ::testing::TestWithParam<ParallelCase> {};

TEST_P(ParallelSelfTest, FailsTheCheckThatLooksForTheFault) {
    const ParallelCase& c = GetParam();
    sim::VirtualClock clock;
    sim::SimulatedParallelPort port(clock);
    sim::Eeprom24c04 eeprom(clock, 0);
    sim::Pcd5003 decoder(clock);
    for (std::size_t i = 0; i < eeprom.size(); ++i)
        eeprom.memory()[i] = static_cast<std::uint8_t>(i * 7);
    port.attach(eeprom);
    port.attach(decoder);
    c.fault(port, eeprom, decoder);
    const std::vector<std::uint8_t> before = eeprom.memory();
    const sim::Pcd5003::Image decoderBefore = decoder.image();
    PagerExpectation pager{c.platform, static_cast<std::uint8_t>(c.platform == 3 ? 2 : 0),
                           c.platform && *c.platform <= 1};
    const std::vector<Check> checks =
        parallelSelfTest({port, clock, link::kLpt1Base,
                          [] {
                              return PortAccessFailure{"node", "the hint"};
                          }},
                         pager);
    EXPECT_EQ(results(checks), c.results);
    if (c.failing != nullptr) {
        EXPECT_THAT(named(checks, c.failing).hint, HasSubstr(c.hint));
    }
    EXPECT_EQ(eeprom.memory(), before) << "nothing written to the EEPROM";
    EXPECT_EQ(decoder.image(), decoderBefore) << "nothing written to the decoder";
    EXPECT_LT(clock.nowUs(), 5'000'000u);
}

// Through the ppdev driver: a port held by another program fails the port
// access as held, within the claim's limit; once let go the self-test passes,
// and the port is let go again when it ends.
TEST(ParallelSelfTestRealWorld, APortHeldElsewhereIsReportedAndLetGoAfterwards) {
    sim::VirtualClock clock;
    sim::SimulatedParallelPort lines(clock);
    sim::Eeprom24c04 eeprom(clock, 0);
    lines.attach(eeprom);
    sim::SimulatedPpdev kernel(lines, "/sim/parport");
    link::PpdevPortDriver driver("/sim/parport", kernel);
    const ParallelBench bench{driver, clock, link::kLpt1Base, [&] {
                                  return portAccessFailure(driver.lastError(), "/sim/parport0");
                              }};
    kernel.holdElsewhere(0);
    const auto start = std::chrono::steady_clock::now();
    const std::vector<Check> held = parallelSelfTest(bench, {});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(results(held), "FAIL,SKIP,SKIP,SKIP,SKIP,SKIP");
    EXPECT_THAT(held[0].detail, HasSubstr("held by another program"));

    kernel.letGo(0);
    EXPECT_EQ(results(parallelSelfTest(bench, {})), "PASS,PASS,PASS,PASS,PASS,SKIP");
    EXPECT_FALSE(kernel.claimed(0));
}

// The port removed at each register call of the self-test in turn: the
// kernel then reads 0x00 and drops writes, with success. Once a status read
// has met the removed port, some check fails.
TEST(ParallelSelfTestRealWorld, KernelRemovedPortNeverPassesEveryCheck) {
    const auto run = [](std::size_t removeAfter, std::size_t* calls) {
        sim::VirtualClock clock;
        sim::SimulatedParallelPort lines(clock);
        sim::Eeprom24c04 eeprom(clock, 0);
        sim::Pcd5003 decoder(clock);
        lines.attach(eeprom);
        lines.attach(decoder);
        sim::SimulatedPpdev kernel(lines, "/sim/parport");
        link::PpdevPortDriver driver("/sim/parport", kernel);
        kernel.removeAfter(0, removeAfter);
        const std::string got =
            results(parallelSelfTest({driver, clock, link::kLpt1Base,
                                      [] {
                                          return PortAccessFailure{"node", "the hint"};
                                      }},
                                     {1, 0, true}));
        *calls = kernel.registerCalls();
        return std::pair{got, kernel.deadStatusReads()};
    };
    std::size_t calls = 0;
    ASSERT_EQ(run(SIZE_MAX, &calls).first, "PASS,PASS,PASS,PASS,PASS,PASS");
    for (std::size_t k = 0; k < calls; ++k) {
        std::size_t made = 0;
        const auto [got, deadReads] = run(k, &made);
        EXPECT_TRUE(deadReads == 0 || got.find("FAIL") != std::string::npos)
            << "removed after " << k << " of " << calls << ": " << got;
        if (HasFailure())
            return;
    }
}

const auto kNoFault = [](sim::SimulatedParallelPort&, sim::Eeprom24c04&, sim::Pcd5003&) {};

INSTANTIATE_TEST_SUITE_P(
    Faults, ParallelSelfTest,
    ::testing::Values(
        ParallelCase{"GoodBench", 1, kNoFault, "PASS,PASS,PASS,PASS,PASS,PASS", nullptr, ""},
        ParallelCase{"NoDecoderNeededWithoutPlatform", std::nullopt,
                     [](auto&, auto&, sim::Pcd5003& d) { d.setAbsent(true); },
                     "PASS,PASS,PASS,PASS,PASS,SKIP", nullptr, ""},
        ParallelCase{"EepromAbsent", 1,
                     [](auto&, sim::Eeprom24c04& e, auto&) { e.setAbsent(true); },
                     "PASS,PASS,PASS,PASS,FAIL,PASS", "EEPROM scan", "no EEPROM answered"},
        ParallelCase{"EepromOfAnotherPlatform", 3, kNoFault, "PASS,PASS,PASS,PASS,FAIL,PASS",
                     "EEPROM scan", "is the pager of platform 3"},
        ParallelCase{"DecoderAbsent", 0, [](auto&, auto&, sim::Pcd5003& d) { d.setAbsent(true); },
                     "PASS,PASS,PASS,PASS,PASS,FAIL", "decoder scan", "the decoder did not"},
        ParallelCase{"SupplyCollapsesUnderThePager", 1,
                     [](sim::SimulatedParallelPort& p, auto&, auto&) { p.losePowerAt(0); },
                     "PASS,PASS,FAIL,FAIL,FAIL,FAIL", "bus power", "supply"},
        ParallelCase{"NoJig", 1,
                     [](sim::SimulatedParallelPort& p, auto&, auto&) { p.setPresence(false); },
                     "PASS,FAIL,SKIP,SKIP,SKIP,SKIP", "presence line", "cable"},
        ParallelCase{
            "PortRefused", 1,
            [](sim::SimulatedParallelPort& p, auto&, auto&) { p.setInitialiseResult(false); },
            "FAIL,SKIP,SKIP,SKIP,SKIP,SKIP", "port access", "the hint"}),
    [](const ::testing::TestParamInfo<ParallelCase>& info) {
        return std::string(info.param.label);
    });

class UsbSelfTest : public ::testing::Test {
protected:
    std::vector<Check> run(std::uint8_t deviceSelect = 0) {
        return usbSelfTest(backend, PagerExpectation{std::nullopt, deviceSelect, false});
    }

    sim::VirtualClock clock;
    sim::Eeprom24c04 eeprom{clock, 0};
    sim::Pcd5003 decoder{clock};
    sim::VirtualUsbJig jig{eeprom, decoder};
    sim::SimulatedHidBackend backend{clock};
};

TEST_F(UsbSelfTest, PassesOnAGoodJigAndReadsWithoutWriting) {
    backend.plug(jig);
    eeprom.memory()[0] = 0xC3;
    const std::vector<std::uint8_t> before = eeprom.memory();
    const std::vector<Check> checks = run();
    EXPECT_EQ(results(checks), "PASS,PASS,PASS,PASS,PASS");
    EXPECT_THAT(checks.back().detail, HasSubstr("(c3"));
    EXPECT_EQ(jig.commands(), (std::vector<std::uint8_t>{0x13, 0x28, 0x14, 0x29}));
    EXPECT_EQ(eeprom.memory(), before);
}

TEST_F(UsbSelfTest, AJigThatStopsAnsweringFailsTheReadAfterItsTimeOut) {
    backend.plug(jig);
    jig.silenceAfter(2); // the attach and the begin are answered
    const std::vector<Check> checks = run();
    EXPECT_EQ(results(checks), "PASS,PASS,PASS,PASS,FAIL");
    EXPECT_EQ(checks.back().detail, "no reply within 1 s");
    EXPECT_THAT(checks.back().hint, HasSubstr("plug it in again"));
    EXPECT_GE(clock.nowUs(), 1'000'000u);
    EXPECT_LT(clock.nowUs(), 2'000'000u);
}

// The attach reply comes after its time-out: a little later it is waited
// for and not taken for the read's (a jig of version 1 sends no begin that
// could take it); much later the read is not tried.
TEST_F(UsbSelfTest, ALateAttachReplyIsNeverTakenForTheRead) {
    jig.setVersion(1);
    backend.plug(jig);
    eeprom.memory()[0] = 0xC3;
    for (const auto& [delayMs, expected] : {std::pair{1500u, "PASS,PASS,PASS,FAIL,PASS"},
                                            std::pair{2500u, "PASS,PASS,PASS,FAIL,SKIP"}}) {
        SCOPED_TRACE(delayMs);
        jig.answerAfter(0x13, delayMs);
        const std::vector<Check> checks = run();
        EXPECT_EQ(results(checks), expected);
        if (checks.back().result == CheckResult::Pass) {
            EXPECT_THAT(checks.back().detail, HasSubstr("(c3"));
        }
    }
}

TEST_F(UsbSelfTest, NoEepromAtTheDeviceSelectFailsTheRead) {
    backend.plug(jig);
    const std::vector<Check> checks = run(2);
    EXPECT_EQ(results(checks), "PASS,PASS,PASS,PASS,FAIL");
    EXPECT_THAT(checks.back().hint, HasSubstr("no EEPROM answered"));
}

TEST_F(UsbSelfTest, IdentityTellsMissingUnopenableAndForeignDevicesApart) {
    struct Case {
        std::optional<sim::ForeignHidDevice> device;
        const char* hint;
    };
    std::vector<Case> cases{
        Case{std::nullopt, "plug the jig in"},
        Case{sim::ForeignHidDevice(0x04D8, 0x1000, "A31 programmer", 2, {65, 65}, false),
             "udev rule"},
        Case{sim::ForeignHidDevice(0x04D8, 0x1000, "PICkit"), "not a programming"}};
    for (Case& c : cases) {
        sim::SimulatedHidBackend devices(clock);
        if (c.device)
            devices.plug(*c.device);
        const std::vector<Check> checks =
            usbSelfTest(devices, PagerExpectation{std::nullopt, 0, false});
        EXPECT_EQ(results(checks), "FAIL,SKIP,SKIP,SKIP,SKIP");
        EXPECT_THAT(checks.front().hint, HasSubstr(c.hint));
    }
}

TEST(SelfTestCommand, PassesOnBothVirtualJigsAndLeavesThePagerFileAlone) {
    TempDir dir;
    for (const std::string kind : {"sim:", "sim-usb:"}) {
        const std::string file = dir.file("pager.bin");
        const testing::ToolResult run =
            runTool({"selftest", "--jig", kind + file, "--platform", "1"});
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_THAT(run.out, HasSubstr("none failed")) << kind;
        EXPECT_THAT(run.out, ::testing::Not(HasSubstr("FAIL"))) << run.out;
        EXPECT_FALSE(std::filesystem::exists(file)) << "a blank pager is not saved";
    }
    EXPECT_EQ(runTool({"selftest", "--jig", "parallel"}).status, 2);
    EXPECT_EQ(runTool({"selftest", "--jig", "sim:x", "--write"}).status, 2);
}

} // namespace
} // namespace ccp::tool
