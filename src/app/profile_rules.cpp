// Applying a customer profile: the customer edition's locks, the profile's
// own values, the firmware rules and one full cycle of platform steps, which
// redraws the platform caption for the profile and leaves the platform where
// it was.
#include "app/control_groups.h"
#include "app/customer_profiles.h"
#include "app/tform1.h"

namespace ccp::app {

void TForm1::customer_selChange() {
    CustomerProfile = static_cast<std::uint8_t>(customer_sel.index());
    firmwareversion.setText("11");

    // Customer edition: chip tuning and firmware fields locked, the selector
    // hidden for the rest of the run.
    enable({&lcddrv_opa,
            &lcd_fosc,
            &lcd_tc,
            &lcd_bias,
            &bs1,
            &RXE,
            &bs3,
            &ROE,
            &error_rate,
            &datacheck,
            &addrcheck,
            &bs2_option,
            &end_of_msg,
            &clko,
            &filter_strength,
            &filter_enable,
            &firmwareversion,
            &subversion,
            &firmware_epson,
            &pll},
           false);
    Debug1.setVisible(false);
    Repair1.setVisible(true);
    L_customer.setVisible(false);
    customer_sel.setVisible(false);
    contrast_mask.setVisible(true);
    contrast_mask.setChecked(true);
    contrast.setEnabled(false);

    if (std::optional<CustomerProfileValues> values = profileValues(CustomerProfile)) {
        hellomsg1.setText(values->helloMessage);
        firmwareversion.setText(values->firmwareVersion);
        if (values->epsonFirmware != nullptr)
            firmware_epson.setText(values->epsonFirmware);
        if (values->backLight >= 0)
            back_light.setIndex(values->backLight);
        dateformat.setIndex(values->dateFormat);
        language.setIndex(values->language);
        if (values->platformItemEnabled)
            N5003T6K041.setEnabled(*values->platformItemEnabled);
        Form1.setCaption(values->caption);
    }

    firmwareversionChange();
    for (int step = 0; step < 7; ++step)
        N5003T6K041Click();
}

} // namespace ccp::app
