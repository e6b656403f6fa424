// A production line: many capcode-tool processes at once, each on its own
// virtual jig, writing pagers of one series from one store; some pagers are
// damaged, one process is killed in the middle of a write.
#include "model/capcode.h"
#include "ops/sha256.h"
#include "store/store.h"
#include "support/postgres_server.h"
#include "support/temp_dir.h"
#include "tool/tool_process.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <thread>

namespace ccp::tool {
namespace {

using testing::runTool;
using testing::TempDir;
using Capcodes = std::vector<std::int64_t>;

constexpr int kJigs = 8;
constexpr int kPagersPerJig = 25;
// Entries 1 and 3 step, the others are group calls.
const std::vector<std::string> kSteps = {"--set", "autoinc1=1", "--set", "autoinc3=8"};

// A pager that has been programmed once (its configuration reads back), as
// it comes to the line; the damaged one has never been, so the read before
// the write fails.
std::vector<unsigned char> programmedPager(const TempDir& dir) {
    const std::string file = dir.file("programmed.bin");
    EXPECT_EQ(runTool({"--jig", "sim:" + file, "--platform", "6", "--repair", "--write"},
                      {"XDG_DATA_HOME=" + dir.file("prep")})
                  .status,
              0);
    return TempDir::read(file);
}

Capcodes capcodesOf(const std::vector<unsigned char>& pager) {
    model::EepromImage image{};
    std::copy_n(pager.begin(), image.size(), image.begin());
    Capcodes capcodes;
    for (int entry = 0; entry < 8; ++entry)
        capcodes.push_back(model::unpackCapcode8212(image, entry)->capcode);
    return capcodes;
}

struct Attempt {
    bool damaged = false;
    int status = -1;
    std::string err;
    std::vector<unsigned char> pager; // as the jig left it
};

class ProductionLine : public ::testing::TestWithParam<bool> {
protected:
    bool postgres() const { return GetParam(); }

    void SetUp() override {
        db_ = dir_.file("bench0/capcode-programmer/production.db");
        if (postgres()) {
            testing::PostgresServer& server = testing::PostgresServer::instance();
            ASSERT_TRUE(server.running()) << server.failure();
            db_ = server.freshDatabase();
            ASSERT_FALSE(db_.empty());
        }
        template_ = dir_.file("template.eep");
        ASSERT_EQ(runTool({"--platform", "6", "--save", template_}).status, 0);
        std::vector<std::string> create = {"series", "create",  "line", "--platform", "6",
                                           "--load", template_, "--db", db_};
        create.insert(create.end(), kSteps.begin(), kSteps.end());
        const testing::ToolResult created = runTool(create, bench(0));
        ASSERT_EQ(created.status, 0) << created.err;
        good_ = programmedPager(dir_);
    }

    // Two benches on the server: their own data folders (and pending
    // files), one store.
    std::vector<std::string> bench(int jig) const {
        return {"XDG_DATA_HOME=" + dir_.file("bench" + std::to_string(postgres() ? jig % 2 : 0))};
    }

    std::vector<std::string> writeArgs(const std::string& jig) const {
        return {"--series", "line", "--jig", jig, "--write", "--db", db_};
    }

    std::unique_ptr<store::Store> store() const {
        store::Result<std::unique_ptr<store::Store>> opened = store::Store::open(db_);
        EXPECT_TRUE(opened.ok()) << opened.failure.message;
        return opened.ok() ? std::move(*opened.value) : nullptr;
    }

    TempDir dir_;
    std::string db_;
    std::string template_;
    std::vector<unsigned char> good_;
};

// Every verified pager holds its own stepped capcodes, the group calls are
// the same on all, every failed attempt's capcodes go to a later pager, and
// the record holds one row per attempt that matches its pager.
TEST_P(ProductionLine, EightJigsAtOnceNeverShareACapcode) {
    std::vector<std::vector<Attempt>> attempts(kJigs);
    std::vector<std::thread> jigs;
    for (int j = 0; j < kJigs; ++j) {
        jigs.emplace_back([this, j, &attempts] {
            const std::string file = dir_.file("jig" + std::to_string(j) + ".bin");
            const std::string jig = (j % 2 ? "sim-usb:" : "sim:") + file;
            for (int k = 0; k < kPagersPerJig; ++k) {
                Attempt a;
                a.damaged = (k + j) % 10 == 3;
                TempDir::write(file, a.damaged ? std::vector<unsigned char>(560, 0xFF) : good_);
                const testing::ToolResult r = runTool(writeArgs(jig), bench(j));
                a.status = r.status;
                a.err = r.err;
                a.pager = TempDir::read(file);
                attempts[static_cast<std::size_t>(j)].push_back(std::move(a));
            }
        });
    }
    for (std::thread& t : jigs)
        t.join();

    std::map<std::string, Capcodes> verifiedBySha;
    std::set<std::int64_t> stepped;
    int failed = 0;
    for (const std::vector<Attempt>& jig : attempts) {
        for (const Attempt& a : jig) {
            if (a.damaged) {
                EXPECT_EQ(a.status, 1) << a.err;
                ++failed;
                continue;
            }
            ASSERT_EQ(a.status, 0) << a.err;
            const Capcodes c = capcodesOf(a.pager);
            EXPECT_TRUE(stepped.insert(c[0]).second) << "capcode " << c[0] << " twice";
            EXPECT_TRUE(stepped.insert(c[2]).second) << "capcode " << c[2] << " twice";
            EXPECT_EQ(c[1], 2004008);
            EXPECT_EQ(c[7], 2004056);
            std::vector<unsigned char> eeprom(a.pager.begin(), a.pager.begin() + 512);
            verifiedBySha[ops::sha256Hex(eeprom)] = c;
        }
    }
    const int verified = kJigs * kPagersPerJig - failed;
    EXPECT_EQ(failed, 20);
    ASSERT_EQ(static_cast<int>(stepped.size()), 2 * verified);
    std::set<std::int64_t> first;
    for (const auto& [sha, c] : verifiedBySha)
        first.insert(c[0]);
    EXPECT_EQ(*first.begin(), 2004000);

    std::unique_ptr<store::Store> s = store();
    ASSERT_NE(s, nullptr);
    const std::vector<store::Record> records = *s->records({.series = "line"}).value;
    ASSERT_EQ(records.size(), static_cast<std::size_t>(kJigs * kPagersPerJig));
    int recordedOk = 0;
    std::set<std::int64_t> failedCapcodes;
    for (const store::Record& r : records) {
        if (r.result != "Verify OK !") {
            failedCapcodes.insert(std::stoll(r.capcodes.at(0)));
            continue;
        }
        ++recordedOk;
        const std::size_t at = r.line.find("\"sha256\":\"");
        ASSERT_NE(at, std::string::npos);
        const auto pager = verifiedBySha.find(r.line.substr(at + 10, 64));
        ASSERT_NE(pager, verifiedBySha.end()) << r.line;
        EXPECT_EQ(std::stoll(r.capcodes.at(0)), pager->second[0]);
        EXPECT_EQ(std::stoll(r.capcodes.at(2)), pager->second[2]);
    }
    EXPECT_EQ(recordedOk, verified);
    for (const std::int64_t capcode : failedCapcodes)
        EXPECT_TRUE(first.contains(capcode)) << capcode << " was not issued again";
    const store::SeriesStatus status = **s->series("line").value;
    EXPECT_EQ(status.written, verified);
    EXPECT_EQ(status.failed, failed);
    EXPECT_EQ(status.reserved, 0);
    // Nothing given back is left over: the next pager gets new capcodes.
    EXPECT_GT(status.next[0], *first.rbegin());
}

// A writer stopped as a power cut would at each moment of a series write:
// after the reservation its capcodes come back; once the first byte went to
// the pager (and after "Verify OK !", before the store was told) they are in
// doubt, never handed out again by themselves, until the pager on the jig
// settles them. No stepped capcode is ever in two verified pagers.
TEST_P(ProductionLine, AWriterStoppedAtAnyMomentNeverSharesACapcode) {
    std::vector<std::string> create = {"series",           "create", "kills",     "--load",
                                       template_,          "--db",   db_,         "--set",
                                       "address1=1500000", "--set",  "autoinc1=1"};
    ASSERT_EQ(runTool(create, bench(0)).status, 0);
    auto write = [&](const std::string& pager, const std::string& stopAt = {}) {
        std::vector<std::string> env = bench(0);
        if (!stopAt.empty())
            env.push_back("CCP_TEST_STOP_AT=" + stopAt);
        TempDir::write(pager, good_);
        return runTool({"--series", "kills", "--jig", "sim:" + pager, "--write", "--db", db_}, env);
    };
    std::unique_ptr<store::Store> s = store();
    ASSERT_NE(s, nullptr);
    // A server notices a killed session's connection closing soon, not at once.
    auto settledState = [&](std::size_t doubts) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        store::SeriesStatus status;
        do {
            status = **s->series("kills").value;
            if (status.reserved == 0 && status.inDoubt.size() == doubts)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } while (std::chrono::steady_clock::now() < deadline);
        return status;
    };

    // After the first byte, a few pages in: the pager is neither as it was
    // nor written whole.
    const std::string half = dir_.file("half.bin");
    EXPECT_EQ(write(half, "eeprom-programmed#8").status, 128 + SIGKILL);
    EXPECT_NE(TempDir::read(half), good_) << "nothing reached the pager";
    EXPECT_EQ(settledState(1).inDoubt.at(0).capcodes[0], 1500000);
    // After the reservation: nothing was sent, the next pager gets them.
    EXPECT_EQ(write(dir_.file("unsent.bin"), "reserved").status, 128 + SIGKILL);
    settledState(1);
    const std::string verified = dir_.file("verified.bin");
    EXPECT_EQ(write(verified, "verified").status, 128 + SIGKILL);
    const store::SeriesStatus stopped = settledState(2);
    ASSERT_EQ(stopped.inDoubt.size(), 2u);
    // Slot 1, reserved by the writer stopped before it sent, came back to it.
    EXPECT_EQ(stopped.inDoubt[1].capcodes[0], 1500001);
    EXPECT_EQ(capcodesOf(TempDir::read(verified))[0], 1500001);

    std::map<std::int64_t, int> holders; // stepped capcode -> verified pagers holding it
    holders[1500001] = 1;
    for (int k = 0; k < 3; ++k) {
        const std::string pager = dir_.file("later" + std::to_string(k) + ".bin");
        ASSERT_EQ(write(pager).status, 0);
        ++holders[capcodesOf(TempDir::read(pager))[0]];
    }
    EXPECT_EQ(holders.count(1500000), 0u) << "a slot in doubt was handed out";

    // Settled from the pagers on the jig: the verified one keeps its capcodes,
    // the half-written one gives them back to the next pager.
    const testing::ToolResult fromVerified =
        runTool({"series", "settle", "kills", "--jig", "sim:" + verified, "--db", db_}, bench(1));
    EXPECT_EQ(fromVerified.status, 0) << fromVerified.err;
    EXPECT_NE(fromVerified.out.find("slot 1 "), std::string::npos) << fromVerified.out;
    EXPECT_NE(fromVerified.out.find("written"), std::string::npos) << fromVerified.out;
    const testing::ToolResult fromHalf =
        runTool({"series", "settle", "kills", "--jig", "sim:" + half, "--db", db_}, bench(1));
    EXPECT_EQ(fromHalf.status, 0) << fromHalf.err;
    EXPECT_NE(fromHalf.out.find("slot 0 (capcodes 1500000 "), std::string::npos) << fromHalf.out;
    EXPECT_NE(fromHalf.out.find("given back"), std::string::npos) << fromHalf.out;
    EXPECT_TRUE(s->series("kills").value->value().inDoubt.empty());
    const std::string next = dir_.file("next.bin");
    ASSERT_EQ(write(next).status, 0);
    ++holders[capcodesOf(TempDir::read(next))[0]];
    EXPECT_EQ(holders[1500000], 1);
    for (const auto& [capcode, pagers] : holders)
        EXPECT_EQ(pagers, 1) << "capcode " << capcode << " in " << pagers << " pagers";
}

// A record that neither the store nor the pending file takes (a full disk)
// is said for what it is, and the run fails, however the write went.
TEST(ProductionRecord, ARecordLostIsNoSuccess) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("data/capcode-programmer"));
    std::filesystem::create_symlink("/dev/full",
                                    dir.file("data/capcode-programmer/production.jsonl"));
    TempDir::write(dir.file("store-is-a-file"), {'x'});
    const testing::ToolResult r =
        runTool({"--jig", "sim:" + dir.file("pager.bin"), "--repair", "--write", "--db",
                 dir.file("store-is-a-file/production.db")},
                {"XDG_DATA_HOME=" + dir.file("data")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Production record lost: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("put this pager aside"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("kept in"), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Stores, ProductionLine, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Postgres" : "Sqlite"; });

} // namespace
} // namespace ccp::tool
