#include "editor/file_io.h"
#include "support/temp_dir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

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

} // namespace
} // namespace ccp::editor
