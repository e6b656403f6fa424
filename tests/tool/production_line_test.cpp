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
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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

// A process killed in the middle of a write (held there by a trace nobody
// reads) loses its capcodes only until it is gone: the next pager gets them,
// and no capcode is issued twice.
TEST_P(ProductionLine, AKilledWriteGivesItsCapcodesBack) {
    const std::string pager = dir_.file("killed.bin");
    TempDir::write(pager, good_);
    const std::string fifo = dir_.file("trace");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::vector<std::string> args = writeArgs("sim:" + pager);
    args.insert(args.end(), {"--trace", fifo});
    const std::string tool = testing::toolPath();
    std::vector<char*> argv{const_cast<char*>(tool.c_str())};
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string data = bench(0)[0];
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::putenv(data.data());
        ::setenv("LC_ALL", "C", 1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    const int trace = ::open(fifo.c_str(), O_RDONLY);
    ASSERT_GE(trace, 0);
    std::unique_ptr<store::Store> s = store();
    ASSERT_NE(s, nullptr);
    char buffer[4096];
    std::size_t afterReservation = 0;
    // Reads on until the capcodes are reserved and the write is well under
    // way, then stops reading: the process blocks inside the transfer.
    while (afterReservation < 256 * 1024) {
        const ssize_t n = ::read(trace, buffer, sizeof buffer);
        ASSERT_GT(n, 0) << "the write ended before it was killed";
        if (afterReservation > 0 || (**s->series("line").value).reserved == 1)
            afterReservation += static_cast<std::size_t>(n);
    }
    EXPECT_EQ((**s->series("line").value).reserved, 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(trace);
    EXPECT_TRUE(WIFSIGNALED(status));

    std::set<std::int64_t> issued;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int k = 0; k < 3; ++k) {
        const testing::ToolResult r = runTool(writeArgs("sim:" + pager), bench(1));
        ASSERT_EQ(r.status, 0) << r.err;
        const Capcodes c = capcodesOf(TempDir::read(pager));
        // On the server the killed session may take a moment to end.
        if (k == 0 && c[0] != 2004000 && postgres() &&
            std::chrono::steady_clock::now() < deadline) {
            issued.insert({c[0], c[2]});
            --k;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        EXPECT_TRUE(issued.insert(c[0]).second) << c[0];
        EXPECT_TRUE(issued.insert(c[2]).second) << c[2];
        if (k == 0) {
            EXPECT_EQ(c[0], 2004000);
        }
    }
    EXPECT_EQ((**s->series("line").value).reserved, 0);
}

INSTANTIATE_TEST_SUITE_P(Stores, ProductionLine, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Postgres" : "Sqlite"; });

} // namespace
} // namespace ccp::tool
