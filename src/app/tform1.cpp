#include "app/tform1.h"

#include "app/customer_profiles.h"
#include "form/conversion.h"
#include "form/user_interface.h"
#include "link/detect_parallel_port.h"
#include "link/os_info.h"
#include "link/port_driver.h"

namespace ccp::app {

TForm1::TForm1(Services services, int startProfile)
    : PagerSettings(static_cast<form::Form&>(*this)),
      CustomerProfile(static_cast<std::uint8_t>(startProfile)), services_(services) {
    setUserInterface(&services_.ui);
    transfers.setUsbTransport(&usbJig);
    pagerOperations.setProductionLog(&records);
    afterEvent = [this] {
        CompareWithPager.setEnabled(WriteToPager.enabled() && ReadFromPager.enabled());
    };
    HidCtl.OnDeviceChange = [this](link::THidDeviceController&) {
        jigDiscovery.HidCtlDeviceChange();
    };
    // 1. Every control at its design value, placed on its page.
    setDesignValues();
    layOut();
    bindHandlers();
    // 2. The About lines of the start profile.
    About1Click();
    // 3. The parallel port and the jig on it.
    link::DetectParallelPort(Link, services_.port, services_.os, Memo1, Port1, WriteToPager,
                             ReadFromPager);
    // 4. The decimal separator of the user's locale.
    probeDecimalSeparator();
    // 5. The start profile, with one full cycle of platform steps.
    customer_sel.setIndex(CustomerProfile);
    customer_selChange();
    // 6, 7. Five more steps to platform 5, one more to platform 6 for profile 1.
    for (int step = 0; step < 5; ++step)
        N5003T6K041Click();
    if (CustomerProfile == 1)
        N5003T6K041Click();
    afterEvent();
}

void TForm1::bindHandlers() {
    fieldRules.bind();
    folderRules.bind();
    addressRules.bind();
    frequencyRules.bind();
    Open1.onClick = [this] { imageFiles.Open1Click(); };
    Save1.onClick = [this] { imageFiles.Save1Click(); };
    ExportText1.onClick = [this] { ExportText1Click(); };
    ImportText1.onClick = [this] { ImportText1Click(); };
    // USB notices wait while an operation runs: the transport and the held
    // device stay those it started with.
    ReadFromPager.onClick = [this] {
        const auto hold = HidCtl.holdNotices();
        pagerOperations.ReadFromPagerClick();
    };
    WriteToPager.onClick = [this] {
        const auto hold = HidCtl.holdNotices();
        pagerOperations.WriteToPagerClick();
    };
    CompareWithPager.onClick = [this] {
        const auto hold = HidCtl.holdNotices();
        CompareWithPagerClick();
    };
    LPT11.onClick = [this] { LPT11Click(); };
    LPT21.onClick = [this] { LPT21Click(); };
    Exit1.onClick = [this] { Exit1Click(); };
    About1.onClick = [this] { About1Click(); };
    Repair1.onClick = [this] { Repair1Click(); };
    DevListBox.onClick = [this] { DevListBoxClick(); };
    N5003T6K041.onClick = [this] { N5003T6K041Click(); };
    firmwareversion.onChange = [this] { firmwareversionChange(); };
    contrast_mask.onClick = [this] { contrast_maskClick(); };
    customer_sel.onChange = [this] { customer_selChange(); };
}

// The frequency field is written and read with the locale's separator; a
// locale that cannot read "475.1" writes decimals with a comma.
void TForm1::probeDecimalSeparator() {
    try {
        form::strToFloat("475.1", services_.os.decimalSeparator());
    } catch (const form::ConversionError&) {
        decimalSeparator_ = ',';
        channelfreq.setText("471,00000");
    }
}

// Neither port choice re-runs detection or moves the menu's check marks.
void TForm1::LPT11Click() {
    Link.PortBase = link::kLpt1Base;
}

void TForm1::LPT21Click() {
    Link.PortBase = link::kLpt2Base;
}

void TForm1::Exit1Click() {
    services_.port.shutdown();
    ui().closeMainWindow();
}

void TForm1::DevListBoxClick() {
    const int index = DevListBox.index();
    const auto& devices = HidCtl.Devices();
    if (DevListBox.items().empty() || index < 0 ||
        static_cast<std::size_t>(index) >= devices.size())
        return;
    jigDiscovery.hold(*devices[static_cast<std::size_t>(index)]);
}

void TForm1::About1Click() {
    for (const std::string& line : aboutLines(CustomerProfile))
        Memo1.append(line);
}

} // namespace ccp::app
