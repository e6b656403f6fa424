// Pager steps of the built program on a USB jig: the virtual USB jig leaves
// the pager as the virtual parallel jig does, its trace shows every report,
// and the real jig that is not there ends a read at once.
#include "jig/tracing_hid.h"
#include "link/jig_discovery.h"
#include "link/usb_jig.h"
#include "sim/simulated_hid_backend.h"
#include "sim/simulated_parallel_port.h"
#include "sim/virtual_clock.h"
#include "sim/virtual_usb_jig.h"
#include "support/temp_dir.h"
#include "tool/headless_form.h"
#include "tool/tool_process.h"

#include <chrono>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>

namespace ccp::tool {
namespace {

using jig::TracingHidBackend;
using ::testing::HasSubstr;
using testing::runTool;
using testing::TempDir;

using Bytes = std::vector<unsigned char>;

TEST(TracingHidBackend, WritesEveryReportTimeOutAndFailureFromItsStart) {
    sim::VirtualClock clock;
    clock.advanceUs(500);
    sim::SimulatedHidBackend backend(clock);
    sim::ForeignHidDevice device(0x1234, 0x0001, "keyboard", 1, {3, 3});
    backend.plug(device);
    std::ostringstream out;
    TracingHidBackend tracing(backend, clock, out);
    const std::unique_ptr<link::HidHandle> handle = tracing.open(tracing.enumerate().at(0));
    ASSERT_TRUE(handle);
    const std::uint8_t report[] = {0x00, 0xAB, 0x0F};
    std::uint8_t reply[3] = {};
    EXPECT_TRUE(handle->writeReport(report));
    EXPECT_EQ(handle->readReport(reply, 7), link::HidReadResult::Timeout);
    backend.unplug(device);
    EXPECT_FALSE(handle->writeReport(report));
    EXPECT_EQ(handle->readReport(reply, 7), link::HidReadResult::Failed);
    EXPECT_EQ(out.str(), "0 OUT 00ab0f\n"
                         "7000 TIMEOUT\n"
                         "7000 OUT 00ab0f failed\n"
                         "7000 IN -- failed\n");
}

// A virtual USB jig on virtual time that answers the opening bracket after
// 20 ms, and that bracket as the program sends it.
struct SlowBracketJig {
    SlowBracketJig() {
        jig.setCaps({3, 39});
        jig.answerAfter(link::usb::kBegin, 20);
        backend.plug(jig);
        report[1] = link::usb::kBegin;
        report.back() = link::Crc8(std::span<const std::uint8_t>(report).subspan(1, 37));
    }
    sim::VirtualClock clock;
    sim::Eeprom24c04 eeprom{clock};
    sim::Pcd5003 decoder{clock};
    sim::VirtualUsbJig jig{eeprom, decoder};
    sim::SimulatedHidBackend backend{clock};
    Bytes report = Bytes(39, 0);
};

TEST(TracingHidBackend, WritesTheLateReplyItDiscards) {
    SlowBracketJig rig;
    std::ostringstream out;
    TracingHidBackend tracing(rig.backend, rig.clock, out);
    const std::unique_ptr<link::HidHandle> handle = tracing.open(tracing.enumerate().at(0));
    ASSERT_TRUE(handle);
    std::uint8_t reply[3] = {};
    EXPECT_TRUE(handle->writeReport(rig.report));
    EXPECT_EQ(handle->readReport(reply, 7), link::HidReadResult::Timeout);
    rig.clock.advanceUs(13'000);
    EXPECT_EQ(handle->discardQueued().size(), 1u);
    EXPECT_THAT(out.str(), HasSubstr("\n7000 TIMEOUT\n20000 STALE 004000\n"));
}

// A read on a real node sleeps until the reply comes; the virtual jig's reply
// is waited for asleep too, so that eight jigs waiting at once on the real
// clock do not hold two processors.
TEST(SimulatedHidBackend, AReplyIsWaitedForAsleep) {
    SlowBracketJig rig;
    const std::unique_ptr<link::HidHandle> handle = rig.backend.open(rig.backend.enumerate().at(0));
    std::uint8_t reply[3] = {};
    ASSERT_TRUE(handle->writeReport(rig.report));
    EXPECT_EQ(handle->readReport(reply, 1000), link::HidReadResult::Ok);
    EXPECT_EQ(rig.clock.nowUs(), 20'000u);
    EXPECT_EQ(rig.clock.totalUs(sim::WaitKind::Busy), 0u);
}

class UsbJigRun : public ::testing::Test {
protected:
    // `--jig JIG` and `args`, expected to succeed.
    void run(const std::string& jig, std::vector<std::string> args) {
        args.insert(args.begin(), {"--jig", jig});
        const testing::ToolResult result = runTool(args);
        ASSERT_EQ(result.status, 0) << jig << "\n" << result.out << result.err;
    }

    TempDir dir;
};

class SameFileAsParallel : public UsbJigRun, public ::testing::WithParamInterface<int> {};

TEST_P(SameFileAsParallel, AfterAWriteAndARead) {
    const std::string platform = std::to_string(GetParam());
    for (const std::string kind : {"sim", "sim-usb"}) {
        const std::string jig = kind + ":" + dir.file(kind + ".bin");
        run(jig, {"--platform", platform, "--repair", "--set", "address1=1234567", "--write"});
        run(jig, {"--platform", platform, "--read", "--save", dir.file(kind + ".eep")});
    }
    EXPECT_EQ(TempDir::read(dir.file("sim-usb.bin")), TempDir::read(dir.file("sim.bin")));
    EXPECT_EQ(TempDir::read(dir.file("sim-usb.eep")), TempDir::read(dir.file("sim.eep")));
}

// A PCD5003 platform, whose decoder the jig programs too, and an SM8212 one
// with A1 high.
INSTANTIATE_TEST_SUITE_P(Platforms, SameFileAsParallel, ::testing::Values(1, 3));

struct TracedReport {
    bool out;
    Bytes bytes;
};

std::vector<TracedReport> readTrace(const std::string& file) {
    std::vector<TracedReport> reports;
    std::ifstream in(file);
    std::uint64_t previousUs = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::uint64_t timeUs = 0;
        std::string kind;
        std::string hex;
        std::string rest;
        EXPECT_TRUE(fields >> timeUs >> kind >> hex) << line;
        EXPECT_FALSE(fields >> rest) << line;
        EXPECT_GE(timeUs, previousUs) << line;
        EXPECT_TRUE(kind == "OUT" || kind == "IN") << line;
        EXPECT_EQ(hex.find_first_not_of("0123456789abcdef"), std::string::npos) << line;
        previousUs = timeUs;
        TracedReport report{kind == "OUT", {}};
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            report.bytes.push_back(
                static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        reports.push_back(std::move(report));
    }
    return reports;
}

TEST_F(UsbJigRun, ATraceOfAReadShowsEveryChunkInBracketsAndTheReplies) {
    const std::string pager = dir.file("pager.bin");
    run("sim:" + pager, {"--platform", "3", "--repair", "--write"});
    const Bytes bytes = TempDir::read(pager);
    const std::string trace = dir.file("trace.txt");
    run("sim-usb:" + pager, {"--platform", "3", "--read", "--trace", trace});

    const std::vector<TracedReport> reports = readTrace(trace);
    ASSERT_EQ(reports.size() % 2, 0u);
    std::vector<unsigned char> commands;
    for (std::size_t i = 0; i < reports.size(); i += 2) {
        const TracedReport& out = reports[i];
        const TracedReport& in = reports[i + 1];
        ASSERT_TRUE(out.out && !in.out) << "report " << i << " and its reply";
        ASSERT_EQ(out.bytes.size(), 65u);
        ASSERT_EQ(in.bytes.size(), 65u);
        EXPECT_EQ(out.bytes[0], 0x00) << "report ID";
        EXPECT_EQ(in.bytes[1], 0x40) << "done";
        commands.push_back(out.bytes[1]);
        if (out.bytes[1] != link::usb::kReadEeprom)
            continue;
        const std::size_t chunk = commands.size() - 3;
        const std::size_t address = chunk * link::usb::kChunk;
        EXPECT_EQ(out.bytes[2], 0x22) << "block 0x20, A1 high";
        EXPECT_EQ(static_cast<std::size_t>(out.bytes[3] << 8 | out.bytes[4]), address);
        EXPECT_TRUE(std::equal(in.bytes.begin() + 3, in.bytes.begin() + 3 + link::usb::kChunk,
                               bytes.begin() + static_cast<std::ptrdiff_t>(address)))
            << "chunk at " << address;
    }
    std::vector<unsigned char> expected{link::usb::kAttach, link::usb::kBegin};
    expected.insert(expected.end(), 16, link::usb::kReadEeprom);
    expected.push_back(link::usb::kEnd);
    EXPECT_EQ(commands, expected);
}

TEST_F(UsbJigRun, WithoutAJigAReadEndsAtOnceWithStatusOne) {
    const auto start = std::chrono::steady_clock::now();
    const testing::ToolResult result = runTool({"--jig", "usb", "--read"});
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (result.out.find(link::kUsbReadyText) != std::string::npos)
        GTEST_SKIP() << "a USB jig is plugged in";
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    EXPECT_THAT(result.err, HasSubstr("pager not read: no USB jig was found"));
    EXPECT_LT(elapsed, std::chrono::milliseconds(link::usb::kReadChunkTimeoutMs))
        << "waits for no reply";
}

// Another program holds the jig: the run's read fails with the jig's node
// and why, which its log says too, and nothing goes to the jig.
TEST(HeadlessUsb, KernelOpenersAJigHeldElsewhereIsTheRunsError) {
    sim::VirtualClock clock;
    sim::Eeprom24c04 eeprom{clock, 2};
    sim::Pcd5003 decoder{clock};
    sim::VirtualUsbJig jig{eeprom, decoder};
    sim::SimulatedHidBackend backend{clock};
    backend.plug(jig);
    const std::unique_ptr<link::HidHandle> other = backend.open(backend.enumerate().at(0));
    ASSERT_TRUE(other->claim());
    sim::SimulatedParallelPort port{clock};
    const JigServices services{port, clock, &backend};
    std::ostringstream log;
    HeadlessForm headless(1, &log, nullptr, &services);
    const StepResult step = headless.readFromPager();
    const std::string inUse = "the USB jig /sim/hidraw0 is in use by another program";
    EXPECT_EQ(step.outcome, Outcome::Failed);
    EXPECT_EQ(step.reason, inUse);
    EXPECT_THAT(log.str(), HasSubstr(inUse));
    EXPECT_TRUE(jig.commands().empty());
}

} // namespace
} // namespace ccp::tool
