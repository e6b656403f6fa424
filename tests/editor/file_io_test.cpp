#include "editor/file_io.h"
#include "support/temp_dir.h"

#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ccp::editor {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FileIo, ReadsAtMostTheLimitAndReportsMissingFiles) {
    testing::TempDir dir;
    const std::string path = dir.file("image.eep");
    testing::TempDir::write(path, {1, 2, 3, 4, 5});
    EXPECT_EQ(readFilePrefix(path, 3), (Bytes{1, 2, 3}));
    EXPECT_EQ(readFilePrefix(path, 10), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_FALSE(readFilePrefix(dir.file("missing.eep"), 10));
    EXPECT_FALSE(readFilePrefix(dir.file(""), 10)) << "a folder is no image";
}

TEST(FileIo, WritesNewAndReplacesExistingFilesWholly) {
    testing::TempDir dir;
    const std::string path = dir.file("name with spaces é.eep");
    ASSERT_TRUE(writeFileReplacing(path, Bytes(560, 0xAB)));
    EXPECT_EQ(testing::TempDir::read(path).size(), 560u);
    ASSERT_TRUE(writeFileReplacing(path, Bytes{7, 8}));
    EXPECT_EQ(testing::TempDir::read(path), (std::vector<unsigned char>{7, 8}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("")),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file is left behind";
}

TEST(FileIo, FailsWithoutAFolderOrOnAFullDevice) {
    testing::TempDir dir;
    EXPECT_FALSE(writeFileReplacing(dir.file("no/such/folder/x.eep"), Bytes(10, 1)));
    EXPECT_FALSE(writeFileReplacing("/dev/full", Bytes(10, 1)));
}

TEST(FileIo, AFailedWriteLeavesTheEarlierFileAsItWas) {
    testing::TempDir dir;
    const std::string path = dir.file("keep.eep");
    testing::TempDir::write(path, std::vector<unsigned char>(307, 0x11));

    // A file-size limit makes the write fail part way, as a full disk would.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit original{};
    getrlimit(RLIMIT_FSIZE, &original);
    rlimit small = original;
    small.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool written = writeFileReplacing(path, Bytes(560, 0x22));
    setrlimit(RLIMIT_FSIZE, &original);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(written);
    EXPECT_EQ(testing::TempDir::read(path), std::vector<unsigned char>(307, 0x11));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("")),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(FileIo, ANewFileGetsTheUsualModeAndAReplacedOneKeepsItsOwn) {
    testing::TempDir dir;
    const std::string path = dir.file("mode.eep");
    ASSERT_TRUE(writeFileReplacing(path, Bytes{1}));
    struct stat st {};
    ::stat(path.c_str(), &st);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
    ::chmod(path.c_str(), 0600);
    ASSERT_TRUE(writeFileReplacing(path, Bytes{2}));
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// A save through a link writes the file it points to (also one that does not
// exist yet, through a relative link) and leaves the link a link.
TEST(FileIo, SavingThroughALinkWritesItsTarget) {
    testing::TempDir dir;
    const std::string real = dir.file("real.eep");
    testing::TempDir::write(real, {1});
    const std::string link = dir.file("link.eep");
    const std::string dangling = dir.file("dangling.eep");
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    ASSERT_EQ(::symlink("new.eep", dangling.c_str()), 0);

    ASSERT_TRUE(writeFileReplacing(link, Bytes{9, 9}));
    ASSERT_TRUE(writeFileReplacing(dangling, Bytes{5}));
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(testing::TempDir::read(real), (std::vector<unsigned char>{9, 9}));
    EXPECT_EQ(testing::TempDir::read(dir.file("new.eep")), (std::vector<unsigned char>{5}));
}

// Runs `body` as an ordinary user when the tests run as root, where
// permissions would not hold; returns what it returned.
bool asOrdinaryUser(const std::function<bool()>& body) {
    if (::geteuid() != 0)
        return body();
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(dropped && body() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Where no new file can be created, a file that may be written is written in
// place; one that may not is refused and stays as it was.
TEST(FileIo, AFolderThatRefusesNewFilesIsWrittenInPlace) {
    testing::TempDir dir;
    const std::string folder = dir.file("locked");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string open = folder + "/open.eep";
    const std::string closed = folder + "/closed.eep";
    testing::TempDir::write(open, {1, 1, 1});
    testing::TempDir::write(closed, {2, 2, 2});
    ::chmod(open.c_str(), 0666);
    ::chmod(closed.c_str(), 0644);
    if (::geteuid() != 0) {
        ::chmod(closed.c_str(), 0444);
        ::chmod(folder.c_str(), 0555);
    }
    EXPECT_TRUE(asOrdinaryUser([&] { return writeFileReplacing(open, Bytes{7}); }));
    EXPECT_FALSE(asOrdinaryUser([&] { return writeFileReplacing(closed, Bytes{7}); }));
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(testing::TempDir::read(open), (std::vector<unsigned char>{7}));
    EXPECT_EQ(testing::TempDir::read(closed), (std::vector<unsigned char>{2, 2, 2}));
}

TEST(FileIo, AReplacedFileKeepsItsOwnerAndGroup) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file away";
    testing::TempDir dir;
    const std::string path = dir.file("owned.eep");
    testing::TempDir::write(path, {1});
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(writeFileReplacing(path, Bytes{2}));
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

} // namespace
} // namespace ccp::editor
