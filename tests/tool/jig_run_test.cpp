// Pager steps of the built program on the virtual jig: what a trace shows of
// the bus, a series of pagers programmed from one template, the pager file
// kept as it was when a step fails or the file cannot be written back, and
// the answer to the block B question; a folder as the jig's socket.
#include "jig/jig.h"
#include "jig/tracing_port.h"
#include "link/port_lines.h"
#include "model/checksum.h"
#include "sim/pacing.h"
#include "sim/simulated_parallel_port.h"
#include "sim/simulated_ppdev.h"
#include "sim/virtual_clock.h"
#include "support/bus_monitor.h"
#include "support/temp_dir.h"
#include "tool/headless_form.h"
#include "tool/tool_process.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <span>
#include <sstream>

namespace ccp::tool {
namespace {

using jig::TracingPort;
using ::testing::HasSubstr;
using testing::linesOf;
using testing::runTool;
using testing::TempDir;

using Bytes = std::vector<unsigned char>;

constexpr std::uint16_t kDataPort = 0x378;

std::string capcode(int number) {
    char text[8];
    std::snprintf(text, sizeof text, "%07d", number);
    return text;
}

class JigRun : public ::testing::Test {
protected:
    // A pager programmed in repair mode with the window's defaults for
    // `platform`, as a pager comes from the factory.
    std::string programmed(const std::string& name, int platform) {
        const std::string file = dir.file(name);
        const testing::ToolResult run = runTool({"--jig", "sim:" + file, "--platform",
                                                 std::to_string(platform), "--repair", "--write"});
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        return file;
    }

    // The window's controls after reading the pager in `file`.
    nlohmann::json readBack(const std::string& file) {
        const testing::ToolResult run = runTool({"--jig", "sim:" + file, "--read", "--json"});
        EXPECT_EQ(run.status, 0) << run.err;
        return nlohmann::json::parse(run.out)["controls"];
    }

    TempDir dir;
};

TEST(TracingPort, WritesEveryAccessFromItsStartAndMarksTheFailedOnes) {
    sim::VirtualClock clock;
    clock.advanceUs(1000);
    sim::SimulatedParallelPort port(clock);
    std::ostringstream out;
    TracingPort tracing(port, clock, out);
    EXPECT_TRUE(tracing.read(0x379));
    clock.advanceUs(15);
    EXPECT_TRUE(tracing.write(0x27a, 0x0a));
    port.failAccessesAfter(0);
    EXPECT_FALSE(tracing.read(0x378));
    EXPECT_FALSE(tracing.write(0x378, 0x80));
    EXPECT_EQ(out.str(), "0 R 379 20\n"
                         "15 W 27a 0a\n"
                         "15 R 378 -- failed\n"
                         "15 W 378 80 failed\n");
}

struct DeviceBytes {
    int platform;
    std::set<std::uint8_t> addressBytes; // first byte of every bus frame
};

void PrintTo(const DeviceBytes& bytes, std::ostream* out) {
    *out << "platform " << bytes.platform;
}

class TracedWrite : public JigRun, public ::testing::WithParamInterface<DeviceBytes> {};

TEST_P(TracedWrite, ShowsThePlatformsDeviceSelectOnTheBusAndKeepsItsPacing) {
    const DeviceBytes& expected = GetParam();
    const std::string trace = dir.file("trace.txt");
    const testing::ToolResult run =
        runTool({"--jig", "sim:" + dir.file("pager.bin"), "--platform",
                 std::to_string(expected.platform), "--repair", "--write", "--trace", trace});
    ASSERT_EQ(run.status, 0) << run.out << run.err;

    // Each write's byte before it is the register's byte last read or written.
    std::vector<sim::RegisterWrite> writes;
    std::map<unsigned, unsigned> lastByte;
    testing::BusMonitor monitor;
    std::uint64_t previousUs = 0;
    std::ifstream in(trace);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::uint64_t timeUs = 0;
        char direction = 0;
        unsigned port = 0;
        unsigned value = 0;
        std::string rest;
        ASSERT_TRUE(fields >> timeUs >> direction >> std::hex >> port >> value) << line;
        ASSERT_FALSE(fields >> rest) << line;
        ASSERT_GE(timeUs, previousUs) << line;
        previousUs = timeUs;
        if (direction == 'W') {
            writes.push_back({timeUs, static_cast<std::uint16_t>(port),
                              static_cast<std::uint8_t>(lastByte[port]),
                              static_cast<std::uint8_t>(value)});
            if (port == kDataPort)
                monitor.onLines({(value & link::kD3Line.mask) != 0,
                                 (value & link::kClockLine.mask) != 0,
                                 (value & link::kDataOutLine.mask) != 0});
        }
        lastByte[port] = value;
    }
    ASSERT_GT(writes.size(), 10'000u);

    std::set<std::uint8_t> addressBytes;
    for (const std::vector<std::uint8_t>& frame : monitor.frames())
        if (!frame.empty())
            addressBytes.insert(frame.front());
    EXPECT_EQ(addressBytes, expected.addressBytes);
    EXPECT_THAT(sim::pacingViolations(writes, kDataPort, sim::kEepromBusPacing),
                ::testing::IsEmpty());
}

// Platform 6 leaves the select pins low; platform 3 raises A1.
INSTANTIATE_TEST_SUITE_P(Platforms, TracedWrite,
                         ::testing::Values(DeviceBytes{6, {0xA0, 0xA1, 0xA2}},
                                           DeviceBytes{3, {0xA4, 0xA5, 0xA6}}));

TEST_F(JigRun, ASeriesFromOneTemplateStepsEachCapcodeByItsStep) {
    const std::string factory = programmed("factory.bin", 6);
    const std::string templateFile = dir.file("template.eep");
    ASSERT_EQ(
        runTool({"--set", "address1=1234567", "--set", "address2=0000016", "--save", templateFile})
            .status,
        0);
    // Image files keep no steps: each run gives them.
    for (int n = 0; n < 3; ++n) {
        const std::string pager = dir.file("pager" + std::to_string(n) + ".bin");
        std::filesystem::copy_file(factory, pager);
        const testing::ToolResult run =
            runTool({"--jig", "sim:" + pager, "--load", templateFile, "--set", "autoinc1=8",
                     "--set", "autoinc2=3", "--write", "--save", templateFile});
        ASSERT_EQ(run.status, 0) << run.out << run.err;
    }
    for (int n = 0; n < 3; ++n) {
        const nlohmann::json controls = readBack(dir.file("pager" + std::to_string(n) + ".bin"));
        EXPECT_EQ(controls["address1"]["text"], capcode(1234567 + 8 * n)) << "pager " << n;
        EXPECT_EQ(controls["address2"]["text"], capcode(16 + 3 * n)) << "pager " << n;
    }
    const testing::ToolResult next = runTool({"--load", templateFile, "--json"});
    EXPECT_EQ(nlohmann::json::parse(next.out)["controls"]["address1"]["text"],
              capcode(1234567 + 8 * 3))
        << "the template holds the next pager's capcodes";
}

TEST_F(JigRun, ALoadAfterAReadReplacesWhatWasRead) {
    const std::string pager = programmed("pager.bin", 6);
    const std::string file = dir.file("other.eep");
    ASSERT_EQ(runTool({"--platform", "6", "--set", "address1=1234567", "--save", file}).status, 0);
    // The same load and save without the read: a load does not take every
    // byte back (platform 6 decodes the contrast as "10"), so the reference
    // is that, not the file itself.
    const std::string loaded = dir.file("loaded.eep");
    ASSERT_EQ(runTool({"--platform", "6", "--load", file, "--save", loaded}).status, 0);
    const std::string saved = dir.file("saved.eep");
    const testing::ToolResult run = runTool(
        {"--jig", "sim:" + pager, "--platform", "6", "--read", "--load", file, "--save", saved});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(TempDir::read(saved), TempDir::read(loaded));
}

// The simulated ppdev, recording which nodes are opened; once `refuse` is
// set, every open fails as for a port that is gone, so an operation ends at
// its first claim.
class RecordingPpdev final : public link::PpdevCalls {
public:
    explicit RecordingPpdev(link::PpdevCalls& inner) : inner_(inner) {}
    int open(const char* path, int flags) override {
        opened.emplace_back(path);
        if (refuse) {
            errno = ENODEV;
            return -1;
        }
        return inner_.open(path, flags);
    }
    int ioctl(int fd, unsigned long request, void* arg) override {
        return inner_.ioctl(fd, request, arg);
    }
    int close(int fd) override { return inner_.close(fd); }

    std::vector<std::string> opened;
    bool refuse = false;

private:
    link::PpdevCalls& inner_;
};

TEST(ParallelJigWords, EachWordDrivesItsOwnPort) {
    struct Case {
        const char* word;
        std::uint16_t base;
        const char* node;
    };
    const Case cases[] = {
        {"lpt1", link::kLptBases[0], "/dev/parport0"},
        {"lpt2", link::kLptBases[1], "/dev/parport1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        sim::VirtualClock clock;
        sim::SimulatedParallelPort lines(clock);
        sim::SimulatedPpdev kernel(lines);
        RecordingPpdev ppdev(kernel);
        const std::optional<jig::JigChoice> choice = jig::parseJig(c.word);
        ASSERT_TRUE(choice);
        jig::OpenedJig opened = jig::openJig(*choice, {.ppdev = &ppdev});
        ASSERT_TRUE(opened.jig);
        const JigServices services{opened.jig->port(), opened.jig->clock()};
        HeadlessForm headless(1, nullptr, nullptr, &services);
        app::TForm1& form = headless.form();
        opened.jig->ready({form.EepromDeviceSelect, [&form] { form.LPT21Click(); }});
        EXPECT_EQ(form.Link.PortBase, c.base);
        EXPECT_TRUE(form.Port1.enabled());
        // The menu's check marks are not the port: LPT1 stays checked.
        EXPECT_TRUE(form.LPT11.checked());
        EXPECT_FALSE(form.LPT21.checked());

        ppdev.opened.clear();
        ppdev.refuse = true;
        EXPECT_FALSE(headless.readFromPager().done());
        ASSERT_FALSE(ppdev.opened.empty());
        EXPECT_EQ(ppdev.opened.front(), c.node);
        opened.jig->finish();
    }
}

TEST_F(JigRun, AReadOfAPagerWithABadChecksumFailsAndLeavesItsFileAsItWas) {
    const std::string pager = programmed("pager.bin", 6);
    Bytes bytes = TempDir::read(pager);
    bytes[0x10] ^= 0x01;
    TempDir::write(pager, bytes);
    const std::string backup = dir.file("backup.eep");
    const testing::ToolResult run = runTool({"--jig", "sim:" + pager, "--read", "--save", backup});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(linesOf(run.out).back(), "Pager Read error, please check the connection.");
    EXPECT_THAT(run.err, HasSubstr("pager not read: Pager Read error"));
    EXPECT_EQ(TempDir::read(pager), bytes);
    EXPECT_FALSE(std::filesystem::exists(backup)) << "later steps are skipped";
}

struct Answer {
    const char* answer;
    int status;
    const char* lastLine;
};

class BlockBQuestion : public JigRun, public ::testing::WithParamInterface<Answer> {};

TEST_P(BlockBQuestion, OnlyYesWritesOverADamagedDecoderBlock) {
    const Answer& answer = GetParam();
    const std::string pager = programmed("pager.bin", 3);
    Bytes bytes = TempDir::read(pager);
    bytes[0x110] ^= 0x01; // inside block B, outside block A
    TempDir::write(pager, bytes);
    const testing::ToolResult run =
        runTool({"--jig", "sim:" + pager, "--platform", "3", "--write", "--answer", answer.answer});
    EXPECT_EQ(run.status, answer.status) << run.err;
    EXPECT_EQ(linesOf(run.out).back(), answer.lastLine);
    const Bytes after = TempDir::read(pager);
    EXPECT_EQ(
        model::verifyChecksum(std::span(after.data(), model::kEepromSize), model::ChecksumBlock::B),
        answer.status == 0);
}

INSTANTIATE_TEST_SUITE_P(Answers, BlockBQuestion,
                         ::testing::Values(Answer{"no", 1, "Pager eeprom checksum error!"},
                                           Answer{"yes", 0, "Verify OK !"}));

TEST_F(JigRun, APagerFileOfAnotherLengthIsRefusedAndLeftAlone) {
    for (const std::size_t size : {559u, 561u}) {
        const std::string pager = dir.file("pager.bin");
        const Bytes bytes(size, 0x5A);
        TempDir::write(pager, bytes);
        const testing::ToolResult run = runTool({"--jig", "sim:" + pager, "--read"});
        EXPECT_EQ(run.status, 2) << size;
        EXPECT_THAT(run.err, HasSubstr("a pager file holds 560 bytes"));
        EXPECT_EQ(run.out, "") << "refused before start-up";
        EXPECT_EQ(TempDir::read(pager), bytes);
    }
}

// A folder as the jig's socket holds the pager of its one pager file: none
// is an empty socket, two are refused naming both, other files do not count,
// and the one pager is read and left as it was.
TEST_F(JigRun, ASocketFolderHoldsThePagerOfItsOnePagerFile) {
    const std::string socket = dir.file("socket");
    std::filesystem::create_directory(socket);
    const auto read = [&] { return runTool({"--jig", "sim:" + socket, "--read"}); };
    testing::ToolResult run = read();
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("Hardware error, please check connection."));
    const std::string pager = programmed("pager.bin", 6);
    std::filesystem::copy_file(pager, socket + "/a.bin");
    std::filesystem::copy_file(pager, socket + "/b.bin");
    run = read();
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("more than one pager on the jig (a.bin, b.bin)"));
    std::filesystem::rename(socket + "/b.bin", socket + "/b.bin.kept");
    TempDir::write(socket + "/notes.txt", Bytes(560, 0x20));
    const Bytes before = TempDir::read(pager);
    run = read();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(linesOf(run.out).back(), "Read completed");
    EXPECT_EQ(TempDir::read(socket + "/a.bin"), before);
}

TEST_F(JigRun, APagerFileThatCannotBeWrittenBackGivesStatusOneAndStaysAsItWas) {
    // The longest name a folder takes: the temporary file beside it, whose
    // name is longer, cannot be made, even by root.
    const std::string pager = dir.file(std::string(255, 'p'));
    std::filesystem::copy_file(programmed("pager.bin", 6), pager);
    const Bytes before = TempDir::read(pager);
    const testing::ToolResult run =
        runTool({"--jig", "sim:" + pager, "--set", "address1=1234567", "--write"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(linesOf(run.out).back(), "Verify OK !");
    EXPECT_THAT(run.err, HasSubstr("the pager could not be written back"));
    EXPECT_EQ(TempDir::read(pager), before);
}

} // namespace
} // namespace ccp::tool
