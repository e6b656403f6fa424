#include "model/checksum.h"
#include "support/pager_rig.h"
#include "support/settings_table.h"
#include "support/snapshot.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace ccp::ops {
namespace {

using namespace testing::settings_table;

// Settings written by one window in repair mode and read back into a fresh
// window on the same platform are the same settings; the pager holds the
// image with the platform's checksums, and the decoder the DecoderImage.
class PagerRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(PagerRoundTrip, WrittenSettingsReadBackIntoAFreshWindow) {
    const int platform = GetParam();
    const model::Layout layout = model::layoutOf(platform);
    testing::PagerRig rig;
    app::TForm1& writer = rig.startOn(5, platform);
    rig.plugPager();
    for (const Setting& s : kSettings)
        if (s.layouts & layoutBit(platform))
            apply(writer, s, s.a);
    writer.Repair1Click();
    ASSERT_TRUE(writer.pagerOperations.WriteToPagerClick());

    const model::EepromImage written = writer.EepromImage;
    EXPECT_TRUE(std::equal(written.begin(), written.end(), rig.eeprom->memory().begin()));
    for (model::ChecksumBlock block : model::checksumBlocksOf(layout))
        EXPECT_TRUE(model::verifyChecksum(written, block));
    if (layout == model::Layout::Pcd5003) {
        const sim::Pcd5003::Image decoder = rig.decoder->image();
        EXPECT_TRUE(std::equal(decoder.begin(), decoder.end(), writer.DecoderImage.begin()));
    }

    app::TForm1 reader(app::Services{rig.ui, rig.port, rig.clock, rig.os}, 5);
    while (reader.HardwarePlatform != platform)
        reader.N5003T6K041Click();
    ASSERT_TRUE(reader.pagerOperations.ReadFromPagerClick());
    // On platforms 2-4 a read takes bytes 0-306 only; the address and data
    // checks in byte 318 stay the reading window's own.
    const bool short8212 = layout == model::Layout::Sm8212;
    for (const Setting& s : kSettings) {
        const std::string name = s.name;
        if (!(s.layouts & layoutBit(platform)) ||
            (short8212 && (name == "addr_check" || name == "data_check")))
            continue;
        EXPECT_EQ(valueOf(reader, s.name), valueOf(writer, s.name)) << s.name;
    }
    EXPECT_TRUE(rig.ui.errors.empty());
    EXPECT_FALSE(reader.State_Form.window().visible());
}

// The USB jig writes the same bytes as the parallel jig, and reads them back
// into the same settings.
TEST_P(PagerRoundTrip, TheUsbJigWritesWhatTheParallelJigWrites) {
    const int platform = GetParam();
    std::vector<std::uint8_t> eeproms[2];
    sim::Pcd5003::Image decoders[2];
    for (int usb = 0; usb < 2; ++usb) {
        testing::PagerRig rig;
        app::TForm1& writer = rig.startOn(5, platform);
        rig.plugPager();
        if (usb)
            rig.plugUsbJig();
        ASSERT_EQ(writer.Link.UsbActive, usb == 1);
        for (const Setting& s : kSettings)
            if (s.layouts & layoutBit(platform))
                apply(writer, s, s.a);
        writer.Repair1Click();
        ASSERT_TRUE(writer.pagerOperations.WriteToPagerClick());
        eeproms[usb] = rig.eeprom->memory();
        decoders[usb] = rig.decoder->image();
        if (!usb)
            continue;
        app::TForm1 reader(app::Services{rig.ui, rig.port, rig.clock, rig.os, &rig.hid}, 5);
        while (reader.HardwarePlatform != platform)
            reader.N5003T6K041Click();
        writer.HidCtl.Release(writer.usbJig.device());
        reader.HidCtl.DeviceNotification(link::THidDeviceController::kStartMarker);
        ASSERT_TRUE(reader.Link.UsbActive);
        ASSERT_TRUE(reader.pagerOperations.ReadFromPagerClick());
        EXPECT_TRUE(std::equal(writer.EepromImage.begin(), writer.EepromImage.begin() + 307,
                               reader.EepromImage.begin()));
        EXPECT_EQ(reader.serial.text(), writer.serial.text());
        EXPECT_TRUE(rig.ui.messages.empty());
    }
    EXPECT_EQ(eeproms[0], eeproms[1]);
    if (model::layoutOf(platform) == model::Layout::Pcd5003) {
        EXPECT_TRUE(std::equal(decoders[0].begin(), decoders[0].begin() + 30, decoders[1].begin()));
    }
}

INSTANTIATE_TEST_SUITE_P(AllPlatforms, PagerRoundTrip, ::testing::Range(0, 7));

// A pager holding the window's current settings, and a window that then
// holds other values.
app::TForm1& prepare(testing::PagerRig& rig, int platform) {
    app::TForm1& window = rig.startWithPagerImage(5, platform);
    window.serial.setText("CHANGED1");
    window.EepromImage.fill(0x5A);
    window.DecoderImage.fill(0x5A);
    return window;
}

TEST(ReadFromPager, FailuresChangeNothing) {
    struct Case {
        const char* name;
        int platform;
        void (*inject)(testing::PagerRig&);
        const char* line;
        int beeps;
    };
    const Case cases[] = {
        {"no chip", 6, [](auto& r) { r.eeprom->setAbsent(true); },
         "Hardware error, please check connection.", 1},
        {"checksum wrong", 3, [](auto& r) { r.eeprom->memory()[100] ^= 0x01; },
         "Pager Read error, please check the connection.", 0},
        {"checksum wrong, decoder read", 0, [](auto& r) { r.eeprom->memory()[255] ^= 0x80; },
         "Pager Read error, please check the connection.", 0},
        {"no decoder", 1, [](auto& r) { r.decoder->setAbsent(true); },
         "Decoder Read error, please check hardware selection.", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::PagerRig rig;
        app::TForm1& window = prepare(rig, c.platform);
        c.inject(rig);
        const auto before = testing::snapshot(window);
        const std::size_t lines = window.Memo1.lines().size();
        const int beeps = rig.ui.beeps;

        EXPECT_FALSE(window.pagerOperations.ReadFromPagerClick());
        EXPECT_EQ(rig.logSince(lines), (std::vector<std::string>{"Read data from pager", c.line}));
        EXPECT_EQ(rig.ui.beeps - beeps, c.beeps);
        // The log and the progress dialog's caption move; no setting does.
        auto after = testing::snapshot(window);
        for (const char* moved : {"Memo1", "State_Form"})
            after[moved] = before.at(moved);
        EXPECT_EQ(testing::changes(before, after), (std::map<std::string, std::string>{}));
        EXPECT_TRUE(std::all_of(window.EepromImage.begin(), window.EepromImage.end(),
                                [](std::uint8_t b) { return b == 0x5A; }));
        EXPECT_TRUE(std::all_of(window.DecoderImage.begin(), window.DecoderImage.end(),
                                [](std::uint8_t b) { return b == 0x5A; }));
        EXPECT_FALSE(window.State_Form.window().visible());
    }
}

// Platforms 2-4 take bytes 0-306 (the rest is the window's own); 5-6 take
// 0-510 (the check byte stays the window's); 0-1 all 512 and the decoder.
TEST(ReadFromPager, TakesOverTheBytesOfItsPlatform) {
    struct Case {
        int platform;
        std::size_t taken;
    };
    for (const Case& c : {Case{3, 307}, Case{6, 511}, Case{0, 512}}) {
        SCOPED_TRACE(c.platform);
        testing::PagerRig rig;
        app::TForm1& window = prepare(rig, c.platform);
        ASSERT_TRUE(window.pagerOperations.ReadFromPagerClick());
        const auto& pager = rig.eeprom->memory();
        EXPECT_TRUE(std::equal(pager.begin(), pager.begin() + c.taken, window.EepromImage.begin()));
        EXPECT_TRUE(std::all_of(window.EepromImage.begin() + c.taken, window.EepromImage.end(),
                                [](std::uint8_t b) { return b == 0x5A; }));
        EXPECT_EQ(window.DecoderImage[0] == 0x5A, c.platform != 0);
        EXPECT_NE(window.serial.text(), "CHANGED1") << "decoded from the pager";
    }
}

} // namespace
} // namespace ccp::ops
