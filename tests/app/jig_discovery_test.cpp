#include "link/hid_device.h"
#include "sim/virtual_usb_jig.h"
#include "support/form_fixture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ccp::app {
namespace {

using Lines = std::vector<std::string>;
using link::THidDeviceController;

constexpr const char* kUsbReady = "USB ports ready, parallel port will be disabled.";

class JigDiscoveryTest : public ::testing::Test {
protected:
    TForm1& start() {
        TForm1& window = rig.start();
        window.HidCtl.OnDeviceChange = [this, &window](THidDeviceController&) {
            ++changes;
            window.jigDiscovery.HidCtlDeviceChange();
        };
        return window;
    }
    Lines logSince(std::size_t from) const {
        const auto& lines = rig.form->Memo1.lines();
        return {lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end()};
    }
    void notify(int argument = 0) { rig.form->HidCtl.DeviceNotification(argument); }

    testing::FormRig rig;
    sim::Eeprom24c04 eeprom{rig.clock};
    sim::Pcd5003 decoder{rig.clock};
    sim::VirtualUsbJig jig{eeprom, decoder};
    int changes = 0;
};

TEST_F(JigDiscoveryTest, FirstScanRunsOnceEvenWithoutDevices) {
    start();
    notify(THidDeviceController::kStartMarker);
    EXPECT_EQ(changes, 1);
    notify();
    EXPECT_EQ(changes, 1) << "nothing came or went";
    EXPECT_FALSE(rig.form->Link.UsbActive);
}

// A jig is taken: two log lines, the port driver let go, the port menu off,
// the pager items on, and the attach command sent.
TEST_F(JigDiscoveryTest, TakesAJigAtTheFirstScan) {
    jig.setVersion(1);
    rig.hid.plug(jig);
    TForm1& window = start();
    window.WriteToPager.setEnabled(false);
    const std::size_t from = window.Memo1.lines().size();
    const int shutdowns = rig.port.shutdownCalls();
    notify(THidDeviceController::kStartMarker);

    EXPECT_EQ(logSince(from), (Lines{kUsbReady, "Jig Hardware version 1"}));
    EXPECT_TRUE(window.Link.UsbActive);
    EXPECT_EQ(window.Link.JigVersion, 1);
    EXPECT_FALSE(window.Port1.enabled());
    EXPECT_TRUE(window.WriteToPager.enabled());
    EXPECT_TRUE(window.ReadFromPager.enabled());
    EXPECT_EQ(rig.port.shutdownCalls(), shutdowns + 1);
    EXPECT_TRUE(jig.attached());
    EXPECT_EQ(jig.commands(), std::vector<std::uint8_t>{0x13});
}

// Only vendor 0x04D8, product 0x1000 and one of the two names exactly.
TEST_F(JigDiscoveryTest, IdentificationIsExact) {
    struct Case {
        std::uint16_t vendor, product;
        const char* name;
        bool taken;
    };
    const Case cases[] = {
        {0x04D8, 0x1000, "B53 programmer", true},  {0x04D8, 0x1000, "a31 programmer", false},
        {0x04D8, 0x1000, "A31 Programmer", false}, {0x04D8, 0x1001, "A31 programmer", false},
        {0x04D9, 0x1000, "A31 programmer", false}, {0x04D8, 0x1000, "A31 programmer ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::FormRig local;
        sim::VirtualUsbJig candidate{eeprom, decoder};
        candidate.setIdentity(c.vendor, c.product, c.name);
        local.hid.plug(candidate);
        TForm1& window = local.start();
        window.HidCtl.DeviceNotification(THidDeviceController::kStartMarker);
        EXPECT_EQ(window.Link.UsbActive, c.taken);
    }
}

// Foreign devices and devices that cannot be opened are passed over; the
// same device notified twice is listed once.
TEST_F(JigDiscoveryTest, ForeignAndUnopenableDevicesAreLeftAlone) {
    sim::ForeignHidDevice keyboard{0x046D, 0xC31C, "USB Keyboard"};
    sim::ForeignHidDevice locked{0x04D8, 0x1000, "A31 programmer", 2, {65, 65}, false};
    rig.hid.plug(keyboard);
    rig.hid.plug(locked);
    TForm1& window = start();
    notify(THidDeviceController::kStartMarker);
    notify();
    EXPECT_FALSE(window.Link.UsbActive);
    ASSERT_EQ(window.HidCtl.Devices().size(), 1u);
    EXPECT_EQ(window.HidCtl.Devices()[0]->ProductID(), 0xC31C);
}

// Pulling the jig detects the parallel port again (LPT1, one log line), the
// port menu comes back, and a second jig waiting is taken in the same call.
TEST_F(JigDiscoveryTest, UnpluggingHandsBackAndTakesTheNextJig) {
    sim::VirtualUsbJig second{eeprom, decoder};
    second.setVersion(3);
    rig.hid.plug(jig);
    rig.hid.plug(second);
    TForm1& window = start();
    notify(THidDeviceController::kStartMarker);
    EXPECT_EQ(window.Link.JigVersion, 2);
    window.LPT21Click();

    rig.hid.unplug(jig);
    std::size_t from = window.Memo1.lines().size();
    notify();
    EXPECT_EQ(logSince(from),
              (Lines{"Parallel ports ready.", kUsbReady, "Jig Hardware version 3"}));
    EXPECT_TRUE(window.Link.UsbActive);
    EXPECT_EQ(window.Link.PortBase, link::kLpt1Base);
    EXPECT_EQ(window.HidCtl.Devices().size(), 1u) << "the pulled jig was let go";

    rig.hid.unplug(second);
    from = window.Memo1.lines().size();
    notify();
    EXPECT_EQ(logSince(from), (Lines{"Parallel ports ready."}));
    EXPECT_FALSE(window.Link.UsbActive);
    EXPECT_TRUE(window.Port1.enabled());
    EXPECT_TRUE(window.HidCtl.Devices().empty());
}

// Where the system forbids the parallel port the driver is never shut down,
// and the port menu is enabled after detection disabled it.
TEST_F(JigDiscoveryTest, SystemWithoutParallelPort) {
    rig.os.policy = link::ParallelPortPolicy::DisabledBySystem;
    rig.hid.plug(jig);
    TForm1& window = start();
    notify(THidDeviceController::kStartMarker);
    EXPECT_EQ(rig.port.shutdownCalls(), 0);
    rig.hid.unplug(jig);
    const std::size_t from = window.Memo1.lines().size();
    notify();
    EXPECT_EQ(logSince(from), (Lines{"Parallel ports disable in Vista"}));
    EXPECT_TRUE(window.Port1.enabled());
}

// A device that vanishes while held stays listed, unplugged, until released.
TEST_F(JigDiscoveryTest, AHeldDeviceStaysUntilReleased) {
    rig.hid.plug(jig);
    TForm1& window = start();
    window.HidCtl.OnDeviceChange = nullptr;
    notify(THidDeviceController::kStartMarker);
    link::THidDevice* held =
        window.HidCtl.CheckOutByCallback([](link::THidDevice&) { return true; });
    ASSERT_NE(held, nullptr);
    rig.hid.unplug(jig);
    notify();
    ASSERT_EQ(window.HidCtl.Devices().size(), 1u);
    EXPECT_FALSE(held->PluggedIn());
    window.HidCtl.Release(held);
    EXPECT_TRUE(window.HidCtl.Devices().empty());
}

TEST_F(JigDiscoveryTest, DeviceListClickDoesNothingWhileEmpty) {
    rig.hid.plug(jig);
    TForm1& window = start();
    window.HidCtl.OnDeviceChange = nullptr;
    notify(THidDeviceController::kStartMarker);
    window.DevListBox.userPick(0);
    EXPECT_FALSE(window.Link.UsbActive);
    EXPECT_TRUE(window.Port1.enabled());
}

} // namespace
} // namespace ccp::app
