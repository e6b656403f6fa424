// Judging a SQLite reservation's holder from its owner text: a process of
// this boot and PID namespace by its pid and start time; one that cannot be
// judged from here (another namespace, a text without one) is alive until
// the machine restarts.
#include "store/process_owner.h"

#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace ccp::store {
namespace {

struct Owner {
    std::string pid, start, boot, ns; // ns empty: a text without one
    std::string text() const {
        return "pid " + pid + " start " + start + " boot " + boot + (ns.empty() ? "" : " ns " + ns);
    }
};

TEST(ProcessOwner, IsJudgedOnlyInItsOwnBootAndPidNamespace) {
    const std::string self = thisProcessOwner();
    Owner me;
    std::string word;
    std::istringstream in(self);
    in >> word >> me.pid >> word >> me.start >> word >> me.boot >> word >> me.ns;
    ASSERT_EQ(me.text(), self);
    ASSERT_EQ(me.ns.rfind("pid:[", 0), 0u) << self;

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const std::string ended = std::to_string(child);
    const std::string otherNs = "pid:[1]";
    const std::string otherBoot = "00000000-0000-0000-0000-000000000000";
    const std::pair<std::string, bool> cases[] = {
        {self, true},
        {Owner{me.pid, "1", me.boot, me.ns}.text(), false}, // a later process, the same pid
        {Owner{ended, me.start, me.boot, me.ns}.text(), false},
        {Owner{ended, me.start, me.boot, otherNs}.text(), true},
        {Owner{ended, me.start, me.boot, ""}.text(), true}, // written by an earlier version
        {Owner{ended, me.start, otherBoot, otherNs}.text(), false},
        {Owner{ended, me.start, otherBoot, ""}.text(), false},
        {"", false},
        {"session 12 of bench pid 7", false},
    };
    for (const auto& [owner, alive] : cases) {
        SCOPED_TRACE(owner);
        EXPECT_EQ(processOwnerAlive(owner), alive);
    }
}

} // namespace
} // namespace ccp::store
