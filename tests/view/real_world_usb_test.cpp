// The window on a real event loop with USB notices arriving in the middle of
// an operation: the progress dialog's repaint and the message boxes pump
// events, so the watcher's socket notifier fires inside the transfer. The
// window runs on the hidraw back-end over fake nodes and a virtual pager on
// the parallel port, with the real progress dialog, boxes and watcher.
#include "app/tform1.h"
#include "link/detect_parallel_port.h"
#include "link/hidapi_backend.h"
#include "model/checksum.h"
#include "ops/pager_operations.h"
#include "sim/eeprom_24c04.h"
#include "sim/pcd5003.h"
#include "sim/simulated_parallel_port.h"
#include "sim/virtual_clock.h"
#include "sim/virtual_usb_jig.h"
#include "support/fake_hidraw.h"
#include "support/form_fixture.h"
#include "view/hid_watch.h"
#include "view/main_window.h"
#include "view/qt_user_interface.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <gtest/gtest.h>

namespace ccp::view {
namespace {

class RealWorldUsbWindow : public ::testing::Test {
protected:
    RealWorldUsbWindow() {
        ui.attach(&window);
        window.show();
        watchHidDevices(form, &window);
        eeprom.memory().assign(512, 0xFF);
        port.attach(eeprom);
        port.attach(decoder);
        // Every box is answered at once; its text is kept.
        closer.setInterval(5);
        QObject::connect(&closer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes.push_back(box->text().toStdString());
                box->done(QMessageBox::Ok);
            }
        });
        closer.start();
        const auto handler = form.HidCtl.OnDeviceChange;
        form.HidCtl.OnDeviceChange = [this, handler](link::THidDeviceController& c) {
            ++changes;
            handler(c);
        };
        QTest::qWait(20); // the first scan
    }
    ~RealWorldUsbWindow() override { ui.attach(nullptr); }

    void plugUsbJig() {
        node.plug(usbJig);
        for (int i = 0; i < 200 && !form.Link.UsbActive; ++i)
            QTest::qWait(5);
        ASSERT_TRUE(form.Link.UsbActive);
    }
    // The pager holds what the window encodes, with its checksums.
    void pagerHoldsTheWindow() {
        form.imageEncoder.encode();
        model::storeChecksums(form.EepromImage, model::layoutOf(form.HardwarePlatform));
        std::copy(form.EepromImage.begin(), form.EepromImage.end(), eeprom.memory().begin());
    }
    // `menu` runs from the window's menu bar, with `during` posted so that
    // the first event pumping inside the operation runs it.
    std::vector<std::string> runWith(const char* menu, const std::function<void()>& during) {
        const std::size_t from = form.Memo1.lines().size();
        changes = 0;
        if (during)
            QTimer::singleShot(0, &window, during);
        window.findChild<QAction*>(menu)->trigger();
        const auto& lines = form.Memo1.lines();
        return {lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end()};
    }

    QtUserInterface ui;
    sim::VirtualClock clock;
    sim::SimulatedParallelPort port{clock};
    testing::FakeOsInfo os;
    testing::FakeHidraw node;
    link::HidapiBackend hid{node};
    app::TForm1 form{app::Services{ui, port, clock, os, &hid}};
    MainWindow window{form};
    sim::Eeprom24c04 eeprom{clock, form.EepromDeviceSelect};
    sim::Pcd5003 decoder{clock};
    sim::VirtualUsbJig usbJig{eeprom, decoder};
    QTimer closer;
    std::vector<std::string> boxes;
    int changes = 0;
};

// Pulled during a USB read: the read fails on the jig it started with, and
// only then does the window let the jig go and fall back to the parallel port.
TEST_F(RealWorldUsbWindow, AJigRemovedInTheMiddleOfAReadIsLetGoAfterIt) {
    plugUsbJig();
    pagerHoldsTheWindow();
    // Pulled once four chunks have come in.
    auto* bar = window.progressDialog()->findChild<QProgressBar*>("ProgressBar1");
    bool pulled = false;
    QObject::connect(bar, &QProgressBar::valueChanged, &window, [&](int value) {
        if (value >= 128 && !pulled) {
            pulled = true;
            node.unplug(usbJig);
        }
    });
    const auto lines = runWith("ReadFromPager", nullptr);
    EXPECT_TRUE(pulled);
    EXPECT_EQ(boxes, std::vector<std::string>{"USB error!"});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Read data from pager");
    EXPECT_EQ(lines[1], "Hardware error, please check connection.");
    EXPECT_EQ(lines[2], link::kPortsReadyText) << "detection after the read";
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(form.Link.UsbActive);
    EXPECT_EQ(form.usbJig.device(), nullptr);
    EXPECT_TRUE(form.Port1.enabled());
    EXPECT_EQ(node.openCount(), 0u) << "the node's handle was closed";
}

// Plugged in during a parallel-port write: the write runs to its end on the
// port, and the jig is taken after it.
TEST_F(RealWorldUsbWindow, AJigPluggedInDuringAParallelWriteIsTakenAfterIt) {
    pagerHoldsTheWindow();
    form.address[0].setText("1234567");
    const auto lines = runWith("WriteToPager", [this] { node.plug(usbJig); });
    EXPECT_TRUE(boxes.empty());
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], ops::kVerifyOk);
    EXPECT_EQ(lines[lines.size() - 2], link::kUsbReadyText);
    EXPECT_EQ(lines[lines.size() - 1], "Jig Hardware version 2");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(usbJig.commands(), std::vector<std::uint8_t>{link::usb::kAttach})
        << "nothing of the write went over USB";
    EXPECT_TRUE(
        std::equal(form.EepromImage.begin(), form.EepromImage.end(), eeprom.memory().begin()));
    EXPECT_TRUE(form.Link.UsbActive);
}

// A jig that takes no output reports: hidraw's write waits in the kernel for
// the USB core's time-out (5 s, shortened here) whatever O_NONBLOCK says, and
// fails. A read from the pager then ends in one "USB error!" after one such
// wait, not one per report, and the window's loop turns all the while.
TEST_F(RealWorldUsbWindow, KernelBlocksAWriteWaitsOnceAndTheWindowTurns) {
    plugUsbJig();
    pagerHoldsTheWindow();
    constexpr auto kBlock = std::chrono::milliseconds(1000);
    node.setUsbTimeoutMs(static_cast<int>(kBlock.count()));
    node.takeNoOutputReports(usbJig);
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastBeat = Clock::now();
    Clock::duration longestGap{};
    QTimer beat;
    beat.setInterval(10);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, Clock::now() - lastBeat);
        lastBeat = Clock::now();
    });
    beat.start();
    const Clock::time_point start = lastBeat = Clock::now();
    runWith("ReadFromPager", nullptr);
    const Clock::duration took = Clock::now() - start;
    beat.stop();
    EXPECT_EQ(boxes, std::vector<std::string>{"USB error!"});
    EXPECT_GE(took, kBlock);
    EXPECT_LT(took, 2 * kBlock) << "the transfer went on past the write that waited";
    EXPECT_LT(longestGap, kBlock / 2) << "the loop stood still while the write waited";
}

} // namespace
} // namespace ccp::view
