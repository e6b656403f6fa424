// The production station on a virtual socket: pagers moved into the jig's
// folder and out again while `capcode-tool --station` runs, one of them taken
// off in the middle of its write and a SIGTERM in the middle of another's.
// The test stops the tool at an exact page of a write (CCP_TEST_PAUSE_AT),
// changes the world and lets it go on.
#include "model/capcode.h"
#include "store/store.h"
#include "support/temp_dir.h"
#include "tool/tool_process.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace ccp::tool {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;

std::int64_t firstCapcode(const std::vector<unsigned char>& pager) {
    model::EepromImage image{};
    std::copy_n(pager.begin(), image.size(), image.begin());
    return model::unpackCapcode8212(image, 0)->capcode;
}

// One process's state letter from /proc ('T' while stopped).
char processState(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? '?' : text[close + 2];
}

template <class Done> bool waitFor(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

class Station : public ::testing::TestWithParam<bool> {
protected:
    bool usb() const { return GetParam(); }
    std::string jig() const { return (usb() ? "sim-usb:" : "sim:") + socket_; }

    void SetUp() override {
        std::filesystem::create_directories(socket_);
        const std::vector<std::string> env = {"XDG_DATA_HOME=" + dir_.file("data")};
        const std::string tpl = dir_.file("template.eep");
        ASSERT_EQ(testing::runTool({"--platform", "6", "--save", tpl}, env).status, 0);
        const testing::ToolResult created =
            testing::runTool({"series", "create", "st", "--platform", "6", "--load", tpl, "--db",
                              db_, "--set", "address1=1700000", "--set", "autoinc1=1"},
                             env);
        ASSERT_EQ(created.status, 0) << created.err;
        const std::string programmed = dir_.file("programmed.bin");
        ASSERT_EQ(testing::runTool(
                      {"--jig", "sim:" + programmed, "--platform", "6", "--repair", "--write"}, env)
                      .status,
                  0);
        good_ = TempDir::read(programmed);
    }

    std::string shelf(const std::string& name) const { return dir_.file(name); }
    void place(const std::string& name) {
        std::filesystem::rename(shelf(name), socket_ + "/" + name);
    }
    void takeOff(const std::string& name) {
        std::filesystem::rename(socket_ + "/" + name, shelf(name));
    }
    std::vector<std::string> lines() const {
        return testing::linesOf(testing::fileText(dir_.file("out")));
    }
    bool linesReach(std::size_t n) const { return lines().size() >= n; }

    TempDir dir_;
    std::string socket_ = dir_.file("socket");
    std::string db_ = dir_.file("production.db");
    std::vector<unsigned char> good_;
};

// A: written once though it stays on the jig for several looks, and the
// looks leave it as its write did. B: taken off after a few pages: it fails,
// its capcodes go back and C gets them. D: SIGTERM in the middle of its
// write: the write ends, is recorded, and the station stops with status 0.
TEST_P(Station, OnePlacementOneWriteNoCapcodeTwiceNoneLost) {
    // Pages the station's EEPROM stop points count per pager: a page stop on
    // the parallel jig, each programmed byte through the USB jig's 32-byte
    // chunks.
    const int unit = usb() ? 16 : 1;
    const int write = 32 * unit;
    const std::string pauses = "eeprom-programmed#" + std::to_string(write + 8 * unit) +
                               ",eeprom-programmed#" + std::to_string(2 * write + 16 * unit);
    for (const char* name : {"a.bin", "b.bin", "c.bin", "d.bin"})
        TempDir::write(shelf(name), good_);
    std::string failure;
    const pid_t pid =
        testing::spawnTool({"--series", "st", "--jig", jig(), "--station", "--db", db_},
                           {"XDG_DATA_HOME=" + dir_.file("data"), "CCP_TEST_PAUSE_AT=" + pauses},
                           dir_.file("out"), dir_.file("err"), failure);
    ASSERT_GT(pid, 0) << failure;
    // A station left running by a failed expectation goes with the test.
    struct Child {
        pid_t pid;
        bool reaped = false;
        ~Child() {
            if (!reaped && kill(pid, SIGKILL) == 0)
                testing::waitForTool(pid);
        }
    } child{pid};
    const auto stopped = [pid] { return processState(pid) == 'T'; };

    place("a.bin");
    ASSERT_TRUE(waitFor([&] { return linesReach(1); })) << testing::fileText(dir_.file("err"));
    const std::vector<unsigned char> written = TempDir::read(socket_ + "/a.bin");
    std::this_thread::sleep_for(1500ms);
    takeOff("a.bin");
    std::this_thread::sleep_for(700ms);
    const std::vector<unsigned char> a = TempDir::read(shelf("a.bin"));
    EXPECT_EQ(lines().size(), 1u) << "a pager left on the jig was written again";
    EXPECT_EQ(a, written) << "a look changed the pager";
    EXPECT_EQ(firstCapcode(a), 1700000);

    place("b.bin");
    ASSERT_TRUE(waitFor(stopped));
    takeOff("b.bin");
    kill(pid, SIGCONT);
    ASSERT_TRUE(waitFor([&] { return linesReach(2); }));
    // The station arms again once it has seen the socket empty.
    std::this_thread::sleep_for(700ms);
    place("c.bin");
    ASSERT_TRUE(waitFor([&] { return linesReach(3); }));
    takeOff("c.bin");
    std::this_thread::sleep_for(700ms);
    place("d.bin");
    ASSERT_TRUE(waitFor(stopped));
    kill(pid, SIGTERM);
    kill(pid, SIGCONT);
    child.reaped = true;
    EXPECT_EQ(testing::waitForTool(pid), 0) << testing::fileText(dir_.file("err"));
    takeOff("d.bin");

    const std::vector<std::string> out = lines();
    ASSERT_EQ(out.size(), 4u) << testing::fileText(dir_.file("out"));
    EXPECT_NE(out[0].find("verified, capcodes 1700000 "), std::string::npos) << out[0];
    EXPECT_NE(out[1].find("failed: "), std::string::npos) << out[1];
    EXPECT_NE(out[1].find("1700001 "), std::string::npos) << out[1];
    EXPECT_NE(out[1].find("given back"), std::string::npos) << out[1];
    EXPECT_NE(out[2].find("verified, capcodes 1700001 "), std::string::npos) << out[2];
    EXPECT_NE(out[3].find("verified, capcodes 1700002 "), std::string::npos) << out[3];

    // Each pager holds what its write left.
    const std::vector<unsigned char> b = TempDir::read(shelf("b.bin"));
    EXPECT_NE(b, good_) << "nothing reached the pager taken off";
    EXPECT_NE(firstCapcode(b), 1700001) << "the pager taken off was written whole";
    EXPECT_EQ(firstCapcode(TempDir::read(shelf("c.bin"))), 1700001);
    EXPECT_EQ(firstCapcode(TempDir::read(shelf("d.bin"))), 1700002);

    store::Result<std::unique_ptr<store::Store>> opened = store::Store::open(db_);
    ASSERT_TRUE(opened.ok()) << opened.failure.message;
    std::unique_ptr<store::Store> s = std::move(*opened.value);
    EXPECT_EQ(s->records({.series = "st"}).value->size(), 4u);
    const store::SeriesStatus status = **s->series("st").value;
    EXPECT_EQ(status.written, 3);
    EXPECT_EQ(status.failed, 1);
    EXPECT_EQ(status.reserved, 0);
    EXPECT_TRUE(status.inDoubt.empty());
    EXPECT_EQ(status.next[0], 1700003);
}

INSTANTIATE_TEST_SUITE_P(Jigs, Station, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Usb" : "Parallel";
                         });

} // namespace
} // namespace ccp::tool
