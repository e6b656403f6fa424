#include "link/hid_device.h"
#include "link/usb_jig.h"
#include "sim/simulated_hid_backend.h"
#include "sim/virtual_usb_jig.h"
#include "support/jig_fixture.h"
#include "support/recording_ui.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <string>
#include <vector>

namespace ccp::link {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Crc8, CheckValue) {
    const std::string text = "123456789";
    EXPECT_EQ(Crc8(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())),
              0xA1);
    EXPECT_EQ(Crc8({}), 0x00);
}

class UsbJigTest : public ::testing::Test {
protected:
    UsbJigTest() {
        backend.onReport = [this](bool out, std::span<const std::uint8_t> report) {
            (out ? sent : received).emplace_back(report.begin(), report.end());
        };
        backend.plug(virtualJig);
        controller.DeviceNotification(THidDeviceController::kStartMarker);
        jig.setDevice(controller.CheckOutByCallback([](THidDevice&) { return true; }));
        link.JigVersion = 2;
        link.UsbActive = true;
        transfers.setUsbTransport(&jig);
        std::iota(eeprom.memory().begin(), eeprom.memory().end(), std::uint8_t{0});
    }

    std::vector<std::uint8_t> commands() const {
        std::vector<std::uint8_t> out;
        for (const Bytes& report : sent)
            out.push_back(report[1]);
        return out;
    }

    sim::VirtualClock clock;
    sim::Eeprom24c04 eeprom{clock, 2};
    sim::Pcd5003 decoder{clock};
    sim::VirtualUsbJig virtualJig{eeprom, decoder};
    sim::SimulatedHidBackend backend{clock};
    THidDeviceController controller{backend};
    ProgrammerLink link;
    testing::RecordingProgress progress;
    testing::RecordingUi ui;
    UsbJig jig{link, clock, progress, ui};
    sim::SimulatedParallelPort port{clock};
    ProgrammerTransfers transfers{link, port, clock, progress};
    std::vector<Bytes> sent;
    std::vector<Bytes> received;
};

// A 512-byte read: "(", sixteen 0x14 at 0x0000 ... 0x01E0 with the block
// byte of a 24C04 and the device select, ")"; each report carries the CRC of
// bytes 1-63 in byte 64.
TEST_F(UsbJigTest, ReadIsSixteenChunksInBrackets) {
    for (std::uint8_t select : {2, 0}) {
        SCOPED_TRACE(int{select});
        sim::Eeprom24c04 other{clock, select};
        std::iota(other.memory().begin(), other.memory().end(), std::uint8_t{0});
        sim::VirtualUsbJig jigFor{other, decoder};
        sent.clear();
        backend.unplug(virtualJig);
        backend.plug(jigFor);
        controller.DeviceNotification(0);
        jig.setDevice(controller.CheckOutByCallback([](THidDevice&) { return true; }));

        Bytes buffer(512, 0);
        EXPECT_EQ(transfers.EepromTransfer("04", select, "r", buffer), TransferResult::ReadDone);
        EXPECT_EQ(buffer, other.memory());
        ASSERT_EQ(sent.size(), 18u);
        EXPECT_EQ(sent.front()[1], usb::kBegin);
        EXPECT_EQ(sent.back()[1], usb::kEnd);
        for (std::size_t k = 0; k < 16; ++k) {
            const Bytes& r = sent[k + 1];
            ASSERT_EQ(r.size(), 65u);
            EXPECT_EQ(r[1], usb::kReadEeprom);
            EXPECT_EQ(r[2], 0x20 | select);
            EXPECT_EQ((r[3] << 8) | r[4], int(k * 32));
            EXPECT_EQ(r[64], Crc8(std::span(r).subspan(1, 63)));
        }
        jig.setDevice(nullptr);
        backend.unplug(jigFor);
        controller.DeviceNotification(0);
    }
}

// Version 1 sends no brackets and skips the closing sleep; version 2 sleeps
// 20 ms inside each bracket and 1 s after the closing one.
TEST_F(UsbJigTest, BracketsFromVersionTwo) {
    for (int version : {1, 2}) {
        SCOPED_TRACE(version);
        link.JigVersion = version;
        sent.clear();
        clock.clearWaits();
        Bytes image(512);
        std::fill(image.begin(), image.end(), static_cast<std::uint8_t>(version));
        EXPECT_EQ(transfers.EepromTransfer("04", 2, "w", image), TransferResult::Verified);
        EXPECT_EQ(eeprom.memory(), image);
        std::vector<std::uint8_t> expected;
        if (version >= 2)
            expected.push_back(usb::kBegin);
        expected.insert(expected.end(), 16, usb::kWriteEeprom);
        expected.insert(expected.end(), 16, usb::kReadEeprom);
        if (version >= 2)
            expected.push_back(usb::kEnd);
        EXPECT_EQ(commands(), expected);
        EXPECT_EQ(clock.totalUs(sim::WaitKind::Sleep), version >= 2 ? 1'040'000u : 0u);
    }
    EXPECT_EQ(progress.steps, 2 * 32 * 32);
}

// Reply codes mean success or a message by the command they answer.
TEST_F(UsbJigTest, ReplyCodes) {
    struct Case {
        std::uint8_t command;
        std::uint8_t code;
        bool decoderTransfer;
        const char* message; // nullptr: success
    };
    const Case cases[] = {
        {usb::kReadEeprom, 0x40, false, nullptr},
        {usb::kReadEeprom, 0x41, false, "EERPOM not found!"},
        {usb::kReadEeprom, 0x42, false, "USB error!"},
        {usb::kReadEeprom, 0x43, false, "CRC error!"},
        {usb::kReadEeprom, 0x44, false, "CMD not valid!"},
        {usb::kReadEeprom, 0x7F, false, nullptr},
        {usb::kBegin, 0x41, true, "EERPOM not found!"},
        {usb::kReadDecoder, 0x41, true, nullptr},
        {usb::kReadDecoder, 0x40, true, "Decoder not found!"},
        {usb::kReadDecoder, 0x43, true, "CRC error!"},
        {usb::kReadDecoder, 0x00, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.command) + "/" + std::to_string(c.code));
        sim::VirtualUsbJig scripted{eeprom, decoder};
        scripted.replyWith(c.command, c.code);
        backend.plug(scripted);
        controller.DeviceNotification(0);
        THidDevice* device = controller.Devices().back().get();
        controller.CheckOutByCallback([device](THidDevice& d) { return &d == device; });
        jig.setDevice(device);
        ui.messages.clear();

        Bytes buffer(512, 0);
        if (c.decoderTransfer) {
            const DecoderResult r = transfers.DecoderTransfer("r", buffer);
            EXPECT_EQ(r, c.message ? DecoderResult::UsbError : DecoderResult::Done);
        } else {
            const TransferResult r = transfers.EepromTransfer("04", 2, "r", buffer);
            EXPECT_EQ(r, c.message ? TransferResult::UsbError : TransferResult::ReadDone);
        }
        EXPECT_EQ(ui.messages,
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        jig.setDevice(nullptr);
        controller.Release(device);
        backend.unplug(scripted);
        controller.DeviceNotification(0);
    }
}

// A jig whose read-back carries wrong data fails the verify; nothing is
// taken as written.
TEST_F(UsbJigTest, WrongDataFailsTheVerify) {
    eeprom.flipOnRead(300, 0x04);
    Bytes image(512, 0x3C);
    EXPECT_EQ(transfers.EepromTransfer("04", 2, "w", image), TransferResult::VerifyFailed);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(commands().back(), usb::kEnd);
}

// An error reply in the middle of a write keeps the chunks before it and
// sends no ")".
TEST_F(UsbJigTest, ErrorMidWriteKeepsEarlierChunks) {
    eeprom.failFromDataByte(4 * 32);
    const Bytes before = eeprom.memory();
    Bytes image(512, 0xA5);
    EXPECT_EQ(transfers.EepromTransfer("04", 2, "w", image), TransferResult::UsbError);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"EERPOM not found!"});
    EXPECT_TRUE(std::all_of(eeprom.memory().begin(), eeprom.memory().begin() + 128,
                            [](std::uint8_t b) { return b == 0xA5; }));
    EXPECT_TRUE(std::equal(before.begin() + 160, before.end(), eeprom.memory().begin() + 160));
    EXPECT_EQ(commands().back(), usb::kWriteEeprom);
}

// The decoder transfer moves bytes 0-29 only; the verify read keeps the
// programmed bytes in its report.
TEST_F(UsbJigTest, DecoderReadAndProgram) {
    Bytes image(48);
    std::iota(image.begin(), image.end(), std::uint8_t{100});
    EXPECT_EQ(transfers.DecoderTransfer("w", image), DecoderResult::Done);
    const sim::Pcd5003::Image programmed = decoder.image();
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 30, programmed.begin()));
    EXPECT_EQ(programmed[30], 0x00);
    const Bytes& verify = sent[sent.size() - 2];
    EXPECT_EQ(verify[1], usb::kReadDecoder);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 30, verify.begin() + 2));

    Bytes buffer(48, 0xEE);
    EXPECT_EQ(transfers.DecoderTransfer("r", buffer), DecoderResult::Done);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 30, buffer.begin()));
    EXPECT_TRUE(std::all_of(buffer.begin() + 30, buffer.end(), [](auto b) { return b == 0xEE; }));

    decoder.flipOnRead(29, 0x01);
    EXPECT_EQ(transfers.DecoderTransfer("w", image), DecoderResult::VerifyFailed);
    EXPECT_EQ(progress.steps, 0) << "decoder commands do not step the bar";
}

// A jig that stops answering or is pulled: one "USB error!" and 255, on
// virtual time, never a hang.
TEST_F(UsbJigTest, SilenceAndUnplugAreUsbErrors) {
    for (const bool unplug : {false, true}) {
        SCOPED_TRACE(unplug ? "unplugged" : "no reply");
        if (unplug) {
            backend.unplugAfter(virtualJig, 3);
        } else {
            virtualJig.silenceAfter(3);
        }
        ui.messages.clear();
        Bytes buffer(512, 0);
        EXPECT_EQ(transfers.EepromTransfer("04", 2, "r", buffer), TransferResult::UsbError);
        EXPECT_EQ(ui.messages, std::vector<std::string>{"USB error!"});
        EXPECT_LE(clock.nowUs(), 60'000'000u);
        virtualJig.silenceAfter(static_cast<std::size_t>(-1) / 2);
    }
}

// A look reads the first chunk and takes only its reply code: "no EEPROM"
// tries the other select and ends without ")", as an error reply ends any
// transfer; a pager that answers gets ")" and the closing second. No box.
TEST_F(UsbJigTest, PresenceLooksAtOneChunksReplyCode) {
    struct Case {
        const char* what;
        std::uint8_t asked;
        bool absent;
        EepromPresence expected;
        std::vector<std::uint8_t> commands;
    } cases[] = {
        {"answers", 2, false, EepromPresence::Answers, {0x28, 0x14, 0x29}},
        {"other select", 0, false, EepromPresence::OtherSelect, {0x28, 0x14, 0x14, 0x29}},
        {"empty seat", 2, true, EepromPresence::Silent, {0x28, 0x14, 0x14}},
    };
    const std::vector<std::uint8_t> before = eeprom.memory();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sent.clear();
        eeprom.setAbsent(c.absent);
        const std::uint64_t start = clock.nowUs();
        EXPECT_EQ(transfers.EepromPresent(c.asked), c.expected);
        EXPECT_EQ(commands(), c.commands);
        EXPECT_EQ(sent.at(1)[2], 0x20 | c.asked);
        EXPECT_EQ(clock.nowUs() - start >= 1'000'000u, c.commands.back() == 0x29);
    }
    EXPECT_EQ(eeprom.memory(), before);
    EXPECT_TRUE(ui.messages.empty());
    virtualJig.silenceAfter(0);
    EXPECT_EQ(transfers.EepromPresent(2), EepromPresence::Failed);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(VirtualUsbJig, RefusesABadCrc) {
    sim::VirtualClock clock;
    sim::Eeprom24c04 eeprom{clock};
    sim::Pcd5003 decoder{clock};
    sim::VirtualUsbJig jig{eeprom, decoder};
    Bytes report(65, 0);
    report[1] = usb::kBegin;
    report[64] = Crc8(std::span(report).subspan(1, 63)) ^ 0x01;
    const auto replies = jig.onOutputReport(report);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0][1], 0x43);
}

} // namespace
} // namespace ccp::link
