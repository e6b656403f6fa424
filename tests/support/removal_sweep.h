// A port removed before every register call of a run, in one run. Run one
// by one, the removals would repeat the healthy prefix each time: n^2/2 calls
// for a run of n (n is 41,000 for a read, 73,000 for a write with verify).
// A fork per call is no way out: under the sanitizers, whose shadow maps
// terabytes, a fork and its exit cost 3-5 ms of kernel time here, as much as
// a thousand register calls.
//
// So removals are grouped by what the code can tell apart. Once removed, the
// port answers 0x00 to every read and drops every write; the code learns of
// the port only through what its reads answer. A read that is at once
// written back to its register (the read-modify-write of a line change)
// only shapes the byte written, which the removed port drops. So removals
// before any call between two other reads (status reads, reads not written
// back) run alike up to and after the first of those reads: they differ
// only in the line changes the pager saw. One child per group is forked
// before the group's first call; it removes the port there and runs the
// tail, which meets the dead port within a few hundred calls, and exits with
// its verdict. The parent goes on healthy and records, before each call,
// whether the pager already holds what a successful run must leave: a group
// whose child succeeded must have that before every call of the group.
// That is one fork per status read: one per 10 register calls of a read, one
// per 16 of a write with its verify.
//
// After the swept run, verdict() ends a child; in the parent it waits for
// every child. A child that leaves its scope without a verdict exits with a
// failure of its own, so it never runs the rest of the tests.
#pragma once

#include "link/ppdev_calls.h"
#include "sim/simulated_ppdev.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace ccp::testing {

class RemovalSweep final : public link::PpdevCalls {
public:
    // Sweeps node `node` of `kernel`. Without `lookUp` a removed port still
    // answers PPGETMODES, as if the driver had no look-up of its own, so that
    // the transfers' presence rule is all that can notice the removal.
    RemovalSweep(sim::SimulatedPpdev& kernel, std::size_t node, bool lookUp = true)
        : kernel_(kernel), node_(node), lookUp_(lookUp) {}
    ~RemovalSweep() override {
        if (child_)
            ::_exit(kLeftWithoutVerdict);
        reapAll();
    }
    RemovalSweep(const RemovalSweep&) = delete;
    RemovalSweep& operator=(const RemovalSweep&) = delete;

    int open(const char* path, int flags) override { return kernel_.open(path, flags); }
    int close(int fd) override { return kernel_.close(fd); }
    int ioctl(int fd, unsigned long request, void* arg) override {
        if (armed_ && !child_ && isRegisterCall(request))
            before(request);
        if (child_ && !lookUp_ && request == PPGETMODES) {
            *static_cast<unsigned int*>(arg) = PARPORT_MODE_PCSPP;
            return 0;
        }
        return kernel_.ioctl(fd, request, arg);
    }

    // From now on every register call is swept. `pagerRight` tells whether
    // the pager holds what a run that succeeds must leave with it.
    void arm(std::function<bool()> pagerRight) {
        pagerRight_ = std::move(pagerRight);
        armed_ = true;
    }

    // In a child: ends it. In the parent: waits for every child.
    void verdict(bool success, bool right) {
        if (child_)
            ::_exit(!success ? kFailed : right ? kSucceededRight : kSucceededWrong);
        reapAll();
        classStarts_.push_back(rightBefore_.size());
        for (std::size_t c = 0; c + 1 < classStarts_.size(); ++c) {
            if (!succeeded_[c])
                continue;
            for (std::size_t k = classStarts_[c] + 1; k < classStarts_[c + 1]; ++k)
                if (!rightBefore_[k])
                    wrong_.push_back(k);
        }
    }

    // Register calls swept, and children forked for them.
    std::size_t points() const { return rightBefore_.size(); }
    std::size_t groups() const { return succeeded_.size(); }
    // The register calls before which a removal ended in success with a
    // wrong image, or in no verdict at all.
    const std::vector<std::size_t>& wrong() const { return wrong_; }

private:
    static constexpr int kFailed = 0;
    static constexpr int kSucceededRight = 1;
    static constexpr int kSucceededWrong = 2;
    static constexpr int kLeftWithoutVerdict = 3;
    static constexpr std::size_t kAtOnce = 2;

    static bool isRegisterCall(unsigned long request) {
        return request == PPRSTATUS || request == PPRDATA || request == PPRCONTROL ||
               request == PPWDATA || request == PPWCONTROL;
    }
    static unsigned long writeBackOf(unsigned long read) {
        return read == PPRDATA ? PPWDATA : read == PPRCONTROL ? PPWCONTROL : 0;
    }

    void before(unsigned long request) {
        const bool writtenBack = pendingRead_ != 0 && request == writeBackOf(pendingRead_);
        const bool newGroup =
            rightBefore_.empty() || answerSeen_ || (pendingRead_ != 0 && !writtenBack);
        answerSeen_ = request == PPRSTATUS;
        pendingRead_ = writeBackOf(request) != 0 ? request : 0;
        rightBefore_.push_back(pagerRight_());
        if (newGroup)
            branch();
    }

    void branch() {
        while (running_.size() >= kAtOnce)
            reapOldest();
        const std::size_t group = succeeded_.size();
        classStarts_.push_back(rightBefore_.size() - 1);
        succeeded_.push_back(false);
        const pid_t pid = ::fork();
        if (pid == 0) {
            child_ = true;
            kernel_.remove(node_);
            return;
        }
        if (pid < 0) {
            wrong_.push_back(classStarts_.back());
            return;
        }
        running_.emplace_back(pid, group);
    }

    void reapOldest() {
        const auto [pid, group] = running_.front();
        running_.pop_front();
        int status = 0;
        const bool exited = ::waitpid(pid, &status, 0) == pid && WIFEXITED(status);
        const int code = exited ? WEXITSTATUS(status) : kLeftWithoutVerdict;
        succeeded_[group] = code == kSucceededRight;
        if (code != kFailed && code != kSucceededRight)
            wrong_.push_back(classStarts_[group]);
    }

    void reapAll() {
        while (!running_.empty())
            reapOldest();
    }

    sim::SimulatedPpdev& kernel_;
    std::size_t node_;
    bool lookUp_;
    bool armed_ = false;
    bool child_ = false;
    std::function<bool()> pagerRight_;
    bool answerSeen_ = false;
    unsigned long pendingRead_ = 0;
    std::vector<char> rightBefore_;        // per register call
    std::vector<std::size_t> classStarts_; // the first call of each group
    std::vector<char> succeeded_;          // per group
    std::deque<std::pair<pid_t, std::size_t>> running_;
    std::vector<std::size_t> wrong_;
};

} // namespace ccp::testing
