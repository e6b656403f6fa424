// Repair mode: the checked state of Help > Repair. It opens the fields that a
// write otherwise takes from the pager's own configuration, for a pager whose
// EEPROM can no longer supply it.
#include "app/control_groups.h"
#include "app/tform1.h"

namespace ccp::app {

void TForm1::Repair1Click() {
    const bool on = !Repair1.checked();
    Repair1.setChecked(on);
    enable({&firmwareversion, &firmware_epson, &pll, &lcddrv_opa}, on);
    if (on) {
        Memo1.append("Repair mode enabled.");
        Memo1.append("Please make sure the hardware (PLL chip, LCD chip & decoder) and firmware "
                     "version are correct before programming.");
    } else {
        Memo1.append("Repair mode disabled.");
    }
}

} // namespace ccp::app
