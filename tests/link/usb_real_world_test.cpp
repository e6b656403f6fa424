// The USB jig as a real one behaves: replies that come late, commands that
// take the jig a while, notices that come while one is handled.
#include "form/controls.h"
#include "link/hid_device.h"
#include "link/hidapi_backend.h"
#include "link/jig_discovery.h"
#include "link/transfers.h"
#include "link/usb_jig.h"
#include "sim/simulated_hid_backend.h"
#include "sim/virtual_usb_jig.h"
#include "support/fake_hidraw.h"
#include "support/jig_fixture.h"
#include "support/recording_ui.h"

#include <chrono>
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

namespace ccp::link {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Keeps the time of every message box.
struct TimedUi : testing::RecordingUi {
    explicit TimedUi(sim::VirtualClock& c) : clock(c) {}
    void showMessage(const std::string& text) override {
        at.push_back(clock.nowUs());
        RecordingUi::showMessage(text);
    }
    sim::VirtualClock& clock;
    std::vector<std::uint64_t> at;
};

// The jig on `backend`, checked out and driven as the window drives it.
struct JigOn {
    // `take`: the first device is checked out at once; else discovery takes it.
    JigOn(HidBackend& backend, sim::VirtualClock& clock, bool take = true)
        : controller(backend), ui(clock) {
        if (take) {
            controller.DeviceNotification(THidDeviceController::kStartMarker);
            jig.setDevice(controller.CheckOutByCallback([](THidDevice&) { return true; }));
        }
        link.JigVersion = 2;
        link.UsbActive = take;
        transfers.setUsbTransport(&jig);
    }
    TransferResult eeprom(const char* mode, Bytes& buffer) {
        return transfers.EepromTransfer("04", 2, mode, buffer);
    }

    THidDeviceController controller;
    ProgrammerLink link;
    testing::RecordingProgress progress;
    TimedUi ui;
    UsbJig jig{link, ui.clock, progress, ui};
    sim::SimulatedParallelPort port{ui.clock};
    ProgrammerTransfers transfers{link, port, ui.clock, progress};
};

// A virtual jig behind a fake hidraw node (not yet plugged), its EEPROM
// counting up from `first`.
struct NodeRig {
    explicit NodeRig(std::uint8_t first) {
        std::iota(eeprom.memory().begin(), eeprom.memory().end(), first);
    }
    sim::VirtualClock clock;
    sim::Eeprom24c04 eeprom{clock, 2};
    sim::Pcd5003 decoder{clock};
    sim::VirtualUsbJig virtualJig{eeprom, decoder};
    testing::FakeHidraw node;
};

// One program of several on the same hidraw node, each with its own
// back-end: the jig is taken by discovery, as the window and the tool take
// it.
struct Program {
    struct Os final : OsInfo {
        ParallelPortPolicy parallelPortPolicy() const override {
            return ParallelPortPolicy::NotOffered;
        }
        char decimalSeparator() const override { return '.'; }
    };
    Program(HidrawSystem& node, sim::VirtualClock& clock)
        : backend(node), usb(backend, clock, false) {
        usb.controller.OnDeviceChange = [this](THidDeviceController&) {
            discovery.HidCtlDeviceChange();
        };
    }
    void scan() { usb.controller.DeviceNotification(0); }

    HidapiBackend backend;
    JigOn usb;
    form::Form form;
    form::LogPane log{form, "Memo1"};
    form::MenuItem port1{form, "Port1"}, write{form, "WriteToPager"}, read{form, "ReadFromPager"};
    Os os;
    JigDiscovery discovery{usb.link, usb.controller,           usb.jig, usb.port,
                           os,       {log, port1, write, read}};
};

// hidraw hands every report to every open file of the node, so two programs
// on one jig would read each other's replies. The second is refused, says
// so, and waits for nothing; a command it sent between the first one's drain
// and read would land in the middle of that read. Once the first program has
// closed the node (as the kernel closes it when a program ends, however it
// ends), the second takes the jig at the next device change.
TEST(RealWorldUsb, KernelOpenersOneJigIsOneProgramsAtATime) {
    NodeRig rig{1};
    auto& [clock, eeprom, decoder, virtualJig, node] = rig;
    node.plug(virtualJig);
    auto first = std::make_unique<Program>(node, clock);
    first->scan();
    ASSERT_NE(first->usb.jig.device(), nullptr);

    Program second{node, clock};
    const auto start = std::chrono::steady_clock::now();
    second.scan();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(second.usb.jig.device(), nullptr);
    EXPECT_FALSE(second.usb.link.UsbActive);
    EXPECT_EQ(
        second.log.lines(),
        std::vector<std::string>{"the USB jig /dev/fake-hidraw0 is in use by another program"});

    std::size_t writes = 0;
    node.beforeWrite = [&] {
        if (++writes == 4 && second.usb.jig.device() != nullptr)
            second.usb.jig.sendAttach();
    };
    Bytes buffer(512, 0);
    EXPECT_EQ(first->usb.eeprom("r", buffer), TransferResult::ReadDone);
    EXPECT_EQ(buffer, eeprom.memory()) << "a reply of the other program's was read";
    node.beforeWrite = nullptr;

    first.reset();
    sim::ForeignHidDevice keyboard{0x046D, 0xC31C, "Keyboard"};
    node.plug(keyboard); // the next device change
    second.scan();
    ASSERT_NE(second.usb.jig.device(), nullptr);
    std::fill(buffer.begin(), buffer.end(), 0);
    EXPECT_EQ(second.usb.eeprom("r", buffer), TransferResult::ReadDone);
    EXPECT_EQ(buffer, eeprom.memory());
}

// The third chunk's reply comes after its time-out, through the hidraw
// back-end on a node that queues it as the kernel does: that read is a USB
// error, and the next read and write on the same open jig are whole.
TEST(RealWorldUsb, ALateReplyCostsOneTransferAndNothingAfter) {
    NodeRig rig{0};
    auto& [clock, eeprom, decoder, virtualJig, node] = rig;
    node.plug(virtualJig);
    HidapiBackend backend{node};
    JigOn usb{backend, clock};
    ASSERT_NE(usb.jig.device(), nullptr);

    node.answerLate(3); // "(", two chunks, then the late one
    Bytes buffer(512, 0);
    EXPECT_EQ(usb.eeprom("r", buffer), TransferResult::UsbError);
    EXPECT_EQ(usb.ui.messages, std::vector<std::string>{"USB error!"});

    EXPECT_EQ(usb.eeprom("r", buffer), TransferResult::ReadDone);
    EXPECT_EQ(buffer, eeprom.memory());
    Bytes image(512);
    std::iota(image.rbegin(), image.rend(), std::uint8_t{7});
    EXPECT_EQ(usb.eeprom("w", image), TransferResult::Verified);
    EXPECT_EQ(eeprom.memory(), image);
    EXPECT_EQ(usb.ui.messages.size(), 1u);
}

// The third chunk's reply comes after its time-out and lands in the next
// transfer, after the second chunk's drain and ahead of that chunk's own
// reply: the jig's replies carry nothing of their command, so that chunk
// would take the other's bytes and the read would complete. The next
// transfer fails instead.
TEST(RealWorldUsb, KernelLateReplyAfterTheDrainFailsTheNextTransfer) {
    NodeRig rig{9};
    auto& [clock, eeprom, decoder, virtualJig, node] = rig;
    node.plug(virtualJig);
    HidapiBackend backend{node};
    JigOn usb{backend, clock};
    ASSERT_NE(usb.jig.device(), nullptr);

    node.answerLate(3, 3); // lands at the next transfer's "(", chunk 0, chunk 1
    Bytes buffer(512, 0);
    EXPECT_EQ(usb.eeprom("r", buffer), TransferResult::UsbError);
    Bytes again(512, 0xEE);
    EXPECT_EQ(usb.eeprom("r", again), TransferResult::UsbError);
    EXPECT_EQ(again, Bytes(512, 0xEE)) << "no reply was taken for a chunk";
    EXPECT_EQ(usb.ui.messages, (std::vector<std::string>{"USB error!", "USB error!"}));
}

// A jig with a numbered feature report and unnumbered input reports: the
// kernel numbers each report type apart, so hidraw hands the replies back
// without an ID byte, and every reply byte is read where it belongs.
TEST(RealWorldUsb, KernelFeatureReportIdLeavesRepliesUnnumbered) {
    NodeRig rig{3};
    auto& [clock, eeprom, decoder, virtualJig, node] = rig;
    node.plug(virtualJig, 0, 5);
    HidapiBackend backend{node};
    JigOn usb{backend, clock};
    ASSERT_NE(usb.jig.device(), nullptr);

    Bytes buffer(512, 0);
    EXPECT_EQ(usb.eeprom("r", buffer), TransferResult::ReadDone);
    EXPECT_EQ(buffer, eeprom.memory());
    EXPECT_TRUE(usb.ui.messages.empty());
}

// Signals every millisecond while a reply is awaited (a profiler, a busy
// child process): the wait still ends at its deadline, not a whole time-out
// after the last signal.
TEST(RealWorldUsb, SignalsDoNotStretchAReplyWait) {
    sim::VirtualClock clock;
    sim::Eeprom24c04 eeprom{clock, 2};
    sim::Pcd5003 decoder{clock};
    sim::VirtualUsbJig virtualJig{eeprom, decoder};
    testing::FakeHidraw node;
    node.plug(virtualJig);
    HidapiBackend backend{node};
    const auto handle = backend.open(backend.enumerate().at(0));
    ASSERT_NE(handle, nullptr);

    constexpr int kTimeoutMs = 40;
    constexpr std::size_t kSignals = 400; // ten times what fits in the wait
    node.interruptPolls(1, kSignals);
    Bytes report(65);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(handle->readReport(report, kTimeoutMs), HidReadResult::Timeout);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GT(node.interruptsLeft(), 0u) << "the wait outlasted every signal";
    EXPECT_GE(waited, std::chrono::milliseconds(kTimeoutMs));
    EXPECT_LT(waited, std::chrono::milliseconds(kTimeoutMs + 200));
}

// A jig that stops answering at one command: "USB error!" comes when that
// command's time-out has passed, not before. A jig that answers just within
// it is fine: the decoder's program may take longer than the 3 s that once
// was every command's limit.
TEST(RealWorldUsb, EachCommandWaitsItsOwnTimeOut) {
    struct Case {
        std::uint8_t command;
        bool decoder;
        bool read;
        int timeoutMs;
    };
    const Case cases[] = {
        {usb::kBegin, false, true, usb::kBracketTimeoutMs},
        {usb::kReadEeprom, false, true, usb::kReadChunkTimeoutMs},
        {usb::kWriteEeprom, false, false, usb::kWriteChunkTimeoutMs},
        {usb::kEnd, false, true, usb::kBracketTimeoutMs},
        {usb::kReadDecoder, true, true, usb::kReadDecoderTimeoutMs},
        {usb::kProgramDecoder, true, false, usb::kProgramDecoderTimeoutMs},
    };
    for (const Case& c : cases) {
        for (const bool answers : {false, true}) {
            SCOPED_TRACE(::testing::Message() << std::hex << int{c.command} << " " << answers);
            sim::VirtualClock clock;
            sim::Eeprom24c04 eeprom{clock, 2};
            sim::Pcd5003 decoder{clock};
            sim::VirtualUsbJig virtualJig{eeprom, decoder};
            virtualJig.answerAfter(c.command, answers ? c.timeoutMs - 1 : c.timeoutMs * 10);
            sim::SimulatedHidBackend backend{clock};
            backend.plug(virtualJig);
            std::uint64_t sentAt = 0;
            backend.onReport = [&](bool out, std::span<const std::uint8_t> report) {
                if (out && report[1] == c.command)
                    sentAt = clock.nowUs();
            };
            JigOn usb{backend, clock};
            Bytes buffer(512, 0);
            const bool ok =
                c.decoder ? usb.jig.decoder(c.read, buffer) == DecoderResult::Done
                          : usb.eeprom(c.read ? "r" : "w", buffer) ==
                                (c.read ? TransferResult::ReadDone : TransferResult::Verified);
            EXPECT_EQ(ok, answers);
            EXPECT_EQ(usb.ui.messages.size(), answers ? 0u : 1u);
            if (!answers && !usb.ui.at.empty()) {
                EXPECT_GE(usb.ui.at[0] - sentAt, std::uint64_t(c.timeoutMs) * 1000);
                EXPECT_LT(usb.ui.at[0] - sentAt, std::uint64_t(c.timeoutMs) * 1000 + 100'000);
            }
        }
    }
}

// A notice that comes while one is handled (the handler's attach pumps
// events on a real window) waits its turn instead of being lost.
TEST(RealWorldUsb, ANoticeDuringANoticeIsHandledAfterIt) {
    sim::VirtualClock clock;
    sim::Eeprom24c04 eeprom{clock, 2};
    sim::Pcd5003 decoder{clock};
    sim::VirtualUsbJig first{eeprom, decoder};
    sim::SimulatedHidBackend backend{clock};
    THidDeviceController controller{backend};
    std::vector<std::size_t> seen;
    controller.OnDeviceChange = [&](THidDeviceController& c) {
        seen.push_back(c.Devices().size());
        if (seen.size() == 1) {
            backend.plug(first);
            c.DeviceNotification(0);
            EXPECT_EQ(c.pendingNotices(), 1u);
        }
    };
    controller.DeviceNotification(THidDeviceController::kStartMarker);
    EXPECT_EQ(seen, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(controller.pendingNotices(), 0u);
}

} // namespace
} // namespace ccp::link
