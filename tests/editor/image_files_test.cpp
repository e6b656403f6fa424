#include "model/checksum.h"
#include "support/editor_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace ccp::editor {
namespace {

using Bytes = std::vector<unsigned char>;

// Image files on the editor as the window has it.
class ImageFilesTest : public ::testing::Test {
protected:
    void onPlatform(int platform) { rig.hardwarePlatform = static_cast<std::uint8_t>(platform); }
    // A valid file of the current platform, saved from the current settings.
    Bytes savedFile(const std::string& name) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(files.save(path));
        return testing::TempDir::read(path);
    }
    std::vector<std::string> logSince(std::size_t from) const {
        return {rig.log.lines().begin() + static_cast<long>(from), rig.log.lines().end()};
    }
    // Loading `bytes` fails with `line`, a beep, and the images untouched.
    void expectRefused(const Bytes& bytes, const std::string& line) {
        const std::string path = dir.file("refused.eep");
        testing::TempDir::write(path, bytes);
        rig.eeprom.fill(0x5A);
        rig.decoder.fill(0xA5);
        const int beeps = rig.ui.beeps;
        const std::size_t from = rig.log.lines().size();
        EXPECT_FALSE(files.load(path));
        EXPECT_EQ(logSince(from), (std::vector<std::string>{"Load data from " + path, line}));
        EXPECT_EQ(rig.ui.beeps, beeps + 1);
        for (std::uint8_t b : rig.eeprom)
            ASSERT_EQ(b, 0x5A);
        for (std::uint8_t b : rig.decoder)
            ASSERT_EQ(b, 0xA5);
    }

    testing::BoundEditor editor;
    testing::EditorRig& rig = editor.rig;
    ImageFiles& files = editor.files;
    testing::TempDir dir;
};

TEST_F(ImageFilesTest, FormatFollowsThePlatform) {
    const std::size_t lengths[] = {560, 560, 307, 307, 307, 512, 512};
    for (int platform = 0; platform <= 6; ++platform) {
        onPlatform(platform);
        EXPECT_EQ(
            savedFile(std::string("p").append(std::to_string(platform)).append(".eep")).size(),
            lengths[platform]);
        EXPECT_EQ(rig.log.lines().back(), "ok!");
    }
}

TEST_F(ImageFilesTest, SaveLogsItsPathAndStoresTheChecksumsInTheImage) {
    onPlatform(3);
    const std::string path = dir.file("folder with spaces ünï.eep");
    const std::size_t from = rig.log.lines().size();
    ASSERT_TRUE(files.save(path));
    EXPECT_EQ(logSince(from), (std::vector<std::string>{"Save data to " + path, "ok!"}));
    EXPECT_TRUE(model::verifyChecksum(rig.eeprom, model::ChecksumBlock::A));
    EXPECT_TRUE(model::verifyChecksum(rig.eeprom, model::ChecksumBlock::B));
    const Bytes file = testing::TempDir::read(path);
    EXPECT_TRUE(std::equal(file.begin(), file.end(), rig.eeprom.begin()));
    EXPECT_EQ(rig.eeprom[0], 0) << "bytes no setting names are cleared by a save";
    EXPECT_EQ(rig.eeprom[32], 0);
    EXPECT_EQ(rig.eeprom[45], 0);
    EXPECT_TRUE(files.load(path)) << "the same name loads";
    EXPECT_EQ(rig.log.lines().back(), "File loaded");
    EXPECT_EQ(rig.ui.beeps, 0);
}

TEST_F(ImageFilesTest, LoadOfASavedFileReplacesTheImagesAndDecodes) {
    onPlatform(0);
    rig.settings.serial.setText("AB12CD34");
    const Bytes file = savedFile("a.eep");
    const model::DecoderImage savedDecoder = rig.decoder;
    rig.settings.serial.setText("00000000");
    rig.eeprom.fill(0);
    rig.decoder.fill(0);
    const std::size_t from = rig.log.lines().size();
    ASSERT_TRUE(files.load(dir.file("a.eep")));
    EXPECT_EQ(logSince(from),
              (std::vector<std::string>{"Load data from " + dir.file("a.eep"), "File loaded"}));
    EXPECT_EQ(rig.settings.serial.text(), "AB12CD34");
    EXPECT_EQ(rig.decoder, savedDecoder);
    EXPECT_TRUE(std::equal(rig.eeprom.begin(), rig.eeprom.end(), file.begin()));
    EXPECT_EQ(rig.ui.beeps, 0) << "a successful load does not beep";
}

TEST_F(ImageFilesTest, FilesThatDoNotFitTheFormatAreRefusedAndChangeNothing) {
    onPlatform(0);
    const Bytes format5003 = savedFile("5003.eep");
    onPlatform(3);
    const Bytes format8212 = savedFile("8212.eep");
    onPlatform(5);
    const Bytes formatExt = savedFile("ext.eep");

    onPlatform(0);
    expectRefused(Bytes(format8212), "File size error, stop load!!!");
    expectRefused(Bytes(559, 0), "File size error, stop load!!!");
    onPlatform(3);
    expectRefused(format5003, "File checksum error!!!"); // block B over zeros
    onPlatform(2);
    expectRefused({}, "File checksum error!!!"); // all 0xFF
    onPlatform(5);
    expectRefused(Bytes(format8212), "File size error, stop load!!!");
    expectRefused(Bytes(511, 0), "File size error, stop load!!!");

    // One flipped byte inside each checksum block.
    struct Flip {
        int platform;
        const Bytes* file;
        std::size_t offset;
    } flips[] = {{0, &format5003, 100}, {3, &format8212, 10}, {3, &format8212, 300},
                 {5, &formatExt, 200},  {5, &formatExt, 400}, {5, &formatExt, 511}};
    for (const Flip& f : flips) {
        onPlatform(f.platform);
        Bytes bad = *f.file;
        bad[f.offset] ^= 0x10;
        expectRefused(bad, "File checksum error!!!");
    }
    onPlatform(1);
    expectRefused({}, "File size error, stop load!!!");
}

TEST_F(ImageFilesTest, AMissingFileIsALoadError) {
    expectRefused({}, "File size error, stop load!!!");
    const std::string path = dir.file("missing.eep");
    const std::size_t from = rig.log.lines().size();
    EXPECT_FALSE(files.load(path));
    EXPECT_EQ(logSince(from),
              (std::vector<std::string>{"Load data from " + path, "Load file error"}));
}

TEST_F(ImageFilesTest, ALongerFileLoadsAndItsExtraBytesAreIgnored) {
    for (int platform : {0, 3, 6}) {
        onPlatform(platform);
        Bytes file = savedFile("long.eep");
        file.resize(file.size() + 100, 0x77);
        testing::TempDir::write(dir.file("long.eep"), file);
        EXPECT_TRUE(files.load(dir.file("long.eep"))) << platform;
    }
}

TEST_F(ImageFilesTest, ARefusedSaveWritesNoFile) {
    onPlatform(2);
    rig.settings.pubboxlength[0].setText("95"); // 95 + 15 = 110 messages
    const std::string path = dir.file("refused.eep");
    const std::size_t from = rig.log.lines().size();
    EXPECT_FALSE(files.save(path));
    EXPECT_EQ(logSince(from),
              (std::vector<std::string>{
                  "Save data to " + path,
                  "Total number of public messages is greater than 99. Write aborted."}));
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ImageFilesTest, AFailedWriteIsReportedAndKeepsTheEarlierFile) {
    onPlatform(4);
    const int beeps = rig.ui.beeps;
    EXPECT_FALSE(files.save(dir.file("no/such/folder/x.eep")));
    EXPECT_EQ(rig.log.lines().back(), "write error!");
    EXPECT_FALSE(files.save("/dev/full"));
    EXPECT_EQ(rig.log.lines().back(), "write error!");
    EXPECT_EQ(rig.ui.beeps, beeps + 2);
    EXPECT_FALSE(model::verifyChecksum(rig.eeprom, model::ChecksumBlock::B) && rig.eeprom[306] != 0)
        << "the checksums are stored only with a written file";
}

TEST_F(ImageFilesTest, DialogsUseTheirFiltersAndACancelDoesNothing) {
    const std::size_t from = rig.log.lines().size();
    files.Open1Click();
    files.Save1Click();
    EXPECT_EQ(rig.ui.filters, (std::vector<std::string>{"*.bin, *.eep|*.eep; *.bin",
                                                        "*.bin|*.bin|*.eep|*.eep (eep)"}));
    EXPECT_EQ(rig.log.lines().size(), from) << "nothing is logged after a cancel";
    rig.ui.paths.push_back(dir.file("chosen.eep"));
    files.Save1Click();
    EXPECT_TRUE(std::filesystem::exists(dir.file("chosen.eep")));
}

} // namespace
} // namespace ccp::editor
