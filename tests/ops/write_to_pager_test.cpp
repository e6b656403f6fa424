#include "model/checksum.h"
#include "support/pager_rig.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ccp::ops {
namespace {

using Lines = std::vector<std::string>;

std::string rangeOut(int n) {
    return "Address [" + std::to_string(n) +
           "] range out, should be within 8-2007663; 2007672-2045055; 2045064-2097143";
}

// The log of an ordinary write and of an ordinary read, line by line.
TEST(PagerOperations, OrdinaryWriteAndReadLogExactly) {
    testing::PagerRig rig;
    app::TForm1& window = rig.startWithPagerImage(1, 6);
    std::size_t from = window.Memo1.lines().size();
    ASSERT_TRUE(window.pagerOperations.WriteToPagerClick());
    EXPECT_EQ(rig.logSince(from),
              (Lines{"Read hardware config from pager", "Write to Pager...", "Verify OK !"}));
    EXPECT_TRUE(std::equal(window.EepromImage.begin(), window.EepromImage.end(),
                           rig.eeprom->memory().begin()));
    EXPECT_FALSE(window.State_Form.window().visible());
    EXPECT_EQ(window.State_Form.window().caption(), "Verify data from pager, please wait...");
    EXPECT_EQ(window.State_Form.bar().position(), 512) << "stepped past its maximum, held there";

    from = window.Memo1.lines().size();
    ASSERT_TRUE(window.pagerOperations.ReadFromPagerClick());
    EXPECT_EQ(rig.logSince(from), (Lines{"Read data from pager", "Read completed"}));
    EXPECT_TRUE(rig.ui.questions.empty());
}

// The menu items run the operations.
TEST(PagerOperations, MenuItemsAreBound) {
    testing::PagerRig rig;
    app::TForm1& window = rig.startWithPagerImage(1, 6);
    window.WriteToPager.userClick();
    EXPECT_EQ(window.Memo1.lines().back(), "Verify OK !");
    window.ReadFromPager.userClick();
    EXPECT_EQ(window.Memo1.lines().back(), "Read completed");
}

// Block B is checked on platforms 2-4 only, for profiles 2 and 6 or a
// firmware version above 8 in the window; the answer decides the write.
TEST(PagerOperations, BlockBQuestion) {
    struct Case {
        int platform;
        int profile;
        const char* version;
        bool answer;
        bool asked;
        bool written;
    };
    const Case cases[] = {
        {3, 1, "8", true, false, true},  {3, 1, "9", false, true, false},
        {3, 1, "9", true, true, true},   {2, 2, "3", false, true, false},
        {4, 6, "3", true, true, true},   {5, 2, "9", false, false, true},
        {0, 2, "9", false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.platform) + "/" + std::to_string(c.profile) + "/" +
                     c.version + (c.answer ? " yes" : " no"));
        testing::PagerRig rig;
        app::TForm1& window = rig.startWithPagerImage(c.profile, c.platform);
        rig.eeprom->memory()[280] ^= 0x40; // block B (RSSI levels on 5-6)
        window.firmwareversion.setText(c.version);
        rig.ui.answers.push_back(c.answer);
        const int beeps = rig.ui.beeps;
        const std::size_t from = window.Memo1.lines().size();

        EXPECT_EQ(window.pagerOperations.WriteToPagerClick(), c.written);
        EXPECT_EQ(rig.ui.questions,
                  c.asked ? Lines{"Checksum error!: Continue to repair the unit?"} : Lines{});
        if (c.asked && !c.answer) {
            EXPECT_EQ(rig.logSince(from),
                      (Lines{"Read hardware config from pager", "Pager eeprom checksum error!"}));
            EXPECT_EQ(rig.ui.beeps - beeps, 1);
        }
    }
}

// The pager's own configuration wins over the window's, and the contrast
// default of the platform applies while its box is checked.
TEST(PagerOperations, WriteKeepsThePagersConfiguration) {
    testing::PagerRig rig;
    app::TForm1& window = rig.startWithPagerImage(2, 0);
    rig.eeprom->memory()[248] = 12;
    rig.eeprom->memory()[249] = 'Q';
    model::storeChecksum(std::span<std::uint8_t>(rig.eeprom->memory()), model::ChecksumBlock::A);
    window.firmwareversion.setText("9");
    window.contrast.setText("30");
    window.contrast_mask.setChecked(true);
    ASSERT_TRUE(window.pagerOperations.WriteToPagerClick());
    EXPECT_EQ(window.firmwareversion.text(), "1");
    EXPECT_EQ(window.subversion.text(), "Q");
    EXPECT_EQ(window.RXE.index(), 3) << "version 1 is below 6";
    EXPECT_EQ(window.ROE.index(), 3);
    EXPECT_EQ(window.contrast.text(), "48");
}

// After "Verify OK !" each capcode grows by its own step, pairs taken as 2,
// 1, 4, 3, ...: setting a text runs its change rule, then both exit rules.
TEST(PagerOperations, AutoIncrementOrderAndSteps) {
    struct Case {
        int platform;
        int entries;
    };
    for (const Case& c : {Case{6, 8}, Case{1, 6}}) {
        SCOPED_TRACE(c.platform);
        testing::PagerRig rig;
        app::TForm1& window = rig.startWithPagerImage(5, c.platform);
        for (std::size_t i = 0; i < 8; ++i) {
            window.address[i].setText("2097140");
            window.autoinc[i].setIndex(static_cast<int>(i) + 1);
        }
        window.Repair1Click();
        std::size_t from = window.Memo1.lines().size();
        ASSERT_TRUE(window.pagerOperations.WriteToPagerClick());

        Lines expected{"Write to Pager...", "Verify OK !"};
        const int order[] = {2, 1, 1, 2, 4, 3, 3, 4, 6, 5, 5, 6, 8, 7, 7, 8};
        for (int k = 0; k < c.entries * 2; ++k) {
            // Steps 1-3 keep the capcode in range: no line for them.
            if (order[k] >= 4)
                expected.push_back(rangeOut(order[k]));
        }
        EXPECT_EQ(rig.logSince(from), expected);
        for (int n = 1; n <= 8; ++n)
            EXPECT_EQ(window.address[n - 1].text(),
                      std::to_string(2097140 + (n <= c.entries ? n : 0)))
                << n;
    }
}

TEST(PagerOperations, AStepOfZeroStillRunsTheExitRule) {
    testing::PagerRig rig;
    app::TForm1& window = rig.startWithPagerImage(5, 6);
    window.address[2].setText("2007665"); // in the gap of invalid capcodes
    window.autoinc[2].setIndex(0);
    window.Repair1Click();
    std::size_t from = window.Memo1.lines().size();
    ASSERT_TRUE(window.pagerOperations.WriteToPagerClick());
    const Lines log = rig.logSince(from);
    EXPECT_EQ(std::count(log.begin(), log.end(), rangeOut(3)), 2)
        << "the exit rule before the write and again after it";
    EXPECT_EQ(window.address[2].text(), "2007665");
}

// Repair mode reads nothing from the pager, asks nothing, and starts the
// encoding from an all-zero image: no byte of an earlier image is written.
TEST(PagerOperations, RepairModeWritesFromTheWindowAlone) {
    std::vector<std::uint8_t> pagers[2];
    for (int run = 0; run < 2; ++run) {
        testing::PagerRig rig;
        app::TForm1& window = rig.startOn(2, 3);
        rig.plugPager();
        window.EepromImage.fill(run == 0 ? 0x00 : 0xAB);
        window.Repair1Click();
        std::size_t from = window.Memo1.lines().size();
        ASSERT_TRUE(window.pagerOperations.WriteToPagerClick());
        EXPECT_EQ(rig.logSince(from), (Lines{"Write to Pager...", "Verify OK !"}));
        EXPECT_TRUE(rig.ui.questions.empty());
        pagers[run] = rig.eeprom->memory();
    }
    EXPECT_EQ(pagers[0], pagers[1]);
}

// Every failure logs its line with its beeps, closes the dialog and leaves
// the capcodes where they were.
TEST(PagerOperations, WriteFailures) {
    struct Case {
        const char* name;
        int platform;
        bool repair;
        void (*inject)(testing::PagerRig&);
        Lines tail;
        int beeps;
    };
    const Case cases[] = {
        {"no decoder",
         0,
         false,
         [](auto& r) { r.decoder->setAbsent(true); },
         {"Read hardware config from pager",
          "Decoder Read error, please check it is a non Rohs model or not!"},
         1},
        {"no EEPROM, 5003",
         1,
         false,
         [](auto& r) { r.eeprom->setAbsent(true); },
         {"Read hardware config from pager", "Hardware error, please check the connection!"},
         1},
        {"no EEPROM, 8212",
         4,
         false,
         [](auto& r) { r.eeprom->setAbsent(true); },
         {"Read hardware config from pager",
          "Hardware error, please check connection or a Rohs mode or not!"},
         1},
        {"blank pager",
         6,
         false,
         [](auto& r) { r.eeprom->memory().assign(512, 0xFF); },
         {"Read hardware config from pager", "Pager Read error, please check the connection."},
         0},
        {"decoder refuses a byte",
         0,
         true,
         [](auto& r) { r.decoder->failFromProgrammedByte(10); },
         {"Write to Pager...", "Decoder program error!"},
         1},
        {"decoder verify",
         1,
         true,
         [](auto& r) { r.decoder->flipOnRead(47, 0x01); },
         {"Write to Pager...", "Decoder verify fail!"},
         1},
        {"EEPROM verify",
         6,
         true,
         [](auto& r) { r.eeprom->flipOnRead(7, 0x02); },
         {"Write to Pager...", "Verify fail !"},
         2},
        {"EEPROM refuses a byte",
         3,
         true,
         [](auto& r) { r.eeprom->failFromDataByte(40); },
         {"Write to Pager...", "Pager cannot be written, may be hardware error!"},
         1},
        {"jig pulled mid-write",
         6,
         true,
         [](auto& r) { r.port.losePowerAt(r.clock.nowUs() + 1'500'000); },
         {"Write to Pager...", "Pager cannot be written, may be hardware error!"},
         1},
        {"repair, no pager",
         3,
         true,
         [](auto& r) { r.eeprom->setAbsent(true); },
         {"Write to Pager...", "Pager cannot be written, may be hardware error!"},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::PagerRig rig;
        app::TForm1& window = rig.startWithPagerImage(5, c.platform);
        window.address[0].setText("1000000");
        window.autoinc[0].setIndex(3);
        if (c.repair)
            window.Repair1Click();
        c.inject(rig);
        const std::size_t from = window.Memo1.lines().size();
        const int beeps = rig.ui.beeps;

        EXPECT_FALSE(window.pagerOperations.WriteToPagerClick());
        EXPECT_EQ(rig.logSince(from), c.tail);
        EXPECT_EQ(rig.ui.beeps - beeps, c.beeps);
        EXPECT_EQ(window.address[0].text(), "1000000");
        EXPECT_FALSE(window.State_Form.window().visible());
    }
}

// A USB jig that reads the pager's image back and fails where told to, as if
// it had shown its USB error box.
class ScriptedUsb final : public link::UsbTransport {
public:
    link::TransferResult eeprom(const link::EepromType&, std::uint8_t, bool read,
                                std::span<std::uint8_t> buffer) override {
        if (read) {
            std::copy(image.begin(), image.end(), buffer.begin());
            return link::TransferResult::ReadDone;
        }
        ++eepromWrites;
        return failEepromWrite ? link::TransferResult::UsbError : link::TransferResult::Verified;
    }
    link::DecoderResult decoder(bool read, std::span<std::uint8_t>) override {
        const bool fail = read ? failDecoderRead : failDecoderWrite;
        return fail ? link::DecoderResult::UsbError : link::DecoderResult::Done;
    }
    std::vector<std::uint8_t> image;
    bool failDecoderRead = false;
    bool failDecoderWrite = false;
    bool failEepromWrite = false;
    int eepromWrites = 0;
};

// A USB error from the decoder stops a read before the stale staging reaches
// the window, and stops a write before the EEPROM; a USB error from the
// EEPROM write leaves the capcodes for the next attempt.
TEST(PagerOperations, UsbErrorsStopTheOperation) {
    struct Case {
        const char* name;
        bool read;
        bool failDecoderRead, failDecoderWrite, failEepromWrite;
        const char* lastLine;
        int eepromWrites;
    };
    const Case cases[] = {
        {"decoder, read", true, true, false, false, "Read data from pager", 0},
        {"decoder, configuration read", false, true, false, false,
         "Read hardware config from pager", 0},
        {"decoder program", false, false, true, false, "Write to Pager...", 0},
        {"EEPROM write", false, false, false, true, "Write to Pager...", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::PagerRig rig;
        app::TForm1& window = rig.startWithPagerImage(5, 0);
        ScriptedUsb usb;
        usb.image = rig.eeprom->memory();
        usb.failDecoderRead = c.failDecoderRead;
        usb.failDecoderWrite = c.failDecoderWrite;
        usb.failEepromWrite = c.failEepromWrite;
        window.transfers.setUsbTransport(&usb);
        window.Link.UsbActive = true;
        window.address[0].setText("1000000");
        window.autoinc[0].setIndex(3);
        window.DecoderImage.fill(0x5A);

        EXPECT_FALSE(c.read ? window.pagerOperations.ReadFromPagerClick()
                            : window.pagerOperations.WriteToPagerClick());
        EXPECT_EQ(window.Memo1.lines().back(), c.lastLine);
        EXPECT_EQ(usb.eepromWrites, c.eepromWrites);
        EXPECT_EQ(window.address[0].text(), "1000000");
        if (c.read) {
            EXPECT_EQ(window.DecoderImage[0], 0x5A) << "a read takes nothing over";
        }
        EXPECT_FALSE(window.State_Form.window().visible());
    }
}

} // namespace
} // namespace ccp::ops
