// The window on the virtual machine with a virtual pager on the jig: the
// EEPROM answers the device select of the platform the window is on, the
// decoder sits beside it. Chips are put on the jig once the platform is chosen.
#pragma once

#include "app/tform1.h"
#include "model/checksum.h"
#include "sim/eeprom_24c04.h"
#include "sim/pcd5003.h"
#include "sim/virtual_usb_jig.h"
#include "support/form_fixture.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace ccp::testing {

struct PagerRig : FormRig {
    // Starts the window with `profile` and steps to `platform`.
    app::TForm1& startOn(int profile, int platform) {
        app::TForm1& window = start(profile);
        while (window.HardwarePlatform != platform)
            window.N5003T6K041Click();
        return window;
    }

    // Puts a blank pager on the jig for the window's device select.
    void plugPager() {
        eeprom = std::make_unique<sim::Eeprom24c04>(clock, form->EepromDeviceSelect);
        decoder = std::make_unique<sim::Pcd5003>(clock);
        port.attach(*eeprom);
        port.attach(*decoder);
    }

    // A USB jig in front of the pager's chips, taken by the window.
    void plugUsbJig() {
        usbJig = std::make_unique<sim::VirtualUsbJig>(*eeprom, *decoder);
        hid.plug(*usbJig);
        form->HidCtl.DeviceNotification(link::THidDeviceController::kStartMarker);
    }

    // A window on `platform` and a pager that holds the window's settings as
    // the window encodes them, with the platform's checksums.
    app::TForm1& startWithPagerImage(int profile, int platform) {
        app::TForm1& window = startOn(profile, platform);
        plugPager();
        window.imageEncoder.encode();
        model::storeChecksums(window.EepromImage, model::layoutOf(platform));
        std::copy(window.EepromImage.begin(), window.EepromImage.end(), eeprom->memory().begin());
        sim::Pcd5003::Image chip{};
        std::copy(window.DecoderImage.begin(), window.DecoderImage.end(), chip.begin());
        decoder->setImage(chip);
        return window;
    }

    // The log lines appended since `from`.
    std::vector<std::string> logSince(std::size_t from) const {
        const auto& lines = form->Memo1.lines();
        return {lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end()};
    }

    std::unique_ptr<sim::Eeprom24c04> eeprom;
    std::unique_ptr<sim::Pcd5003> decoder;
    std::unique_ptr<sim::VirtualUsbJig> usbJig;
};

} // namespace ccp::testing
