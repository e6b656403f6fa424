// Which option controls a pager firmware generation carries, per customer
// profile. The version V is read afresh at every test with the strict
// conversion: an empty version stops the rules at the first test that needs
// it, and what was done before stays done.
#include "app/control_groups.h"
#include "app/tform1.h"
#include "form/conversion.h"

namespace ccp::app {
namespace {

// "64 sec" is the fifth entry of both timing lists where the firmware has it.
constexpr int kLongTimeIndex = 4;

void dropLongTime(form::ComboBox& list) {
    if (list.count() == 5)
        list.deleteItem(kLongTimeIndex);
}

void addLongTime(form::ComboBox& list) {
    if (list.count() == 4)
        list.insertItem(kLongTimeIndex, "64 sec");
}

bool isWallMount(int profile) {
    return profile == 2 || profile == 6;
}

} // namespace

void TForm1::firmwareversionChange() {
    const int P = CustomerProfile;
    auto V = [this] { return form::strToInt(firmwareversion.text()); };
    const Controls lcdTimes{&L_lcd_on, &lcd_on_time, &L_lcd_off, &lcd_off_time};
    const Controls fontBoxes{&showFontMenu, &useLargeFont, &vibrateWithFlash};
    const Controls powerOffBoxes{&showPowerOffMenu, &beepWithFlash};

    if (isWallMount(P)) {
        hide({&qsound, &lowbatteryspecial, &outrangespecial});
        dropLongTime(alerttime);
        dropLongTime(msgdisptime);
        hide({&L_back_light, &back_light, &L_del_menu, &del_menu, &hw_misc, &delall_w_unread});
        hide(lcdTimes);
        autobacklight.setVisible(true);
        hide(fontBoxes);
        hide(powerOffBoxes);
        ota.setVisible(false);
        rangetime.setHint(
            "0: always on; 1: always off for firmware V2 or above; 2-255: delay in seconds");
    } else {
        ota.setVisible(true);
        show({&serial, &rangetime, &L_serial, &L_rangetime, &L_rangetimeSec}, V() >= 2);

        handprogram.setEnabled(true);
        // Hand programming works on 25 and 20 kHz channels only before version 3.
        if (V() < 3 && channelspace.index() > 1)
            handprogram.setEnabled(false);

        if (V() < 4) {
            hide({&outrangespecial, &lowbatteryspecial});
        } else if (P == 1) {
            show({&outrangespecial, &lowbatteryspecial});
            addLongTime(alerttime);
            addLongTime(msgdisptime);
        } else if (P == 0 || P == 3 || P == 4 || P == 5) {
            dropLongTime(alerttime);
            dropLongTime(msgdisptime);
            mcu_clk.setIndex(0);
        }

        if (V() < 5) {
            hide({&L_back_light, &back_light, &L_del_menu, &del_menu, &hw_misc, &delall_w_unread});
            hide(lcdTimes);
        } else {
            hw_misc.setVisible(true);
            if (P == 1) {
                show({&L_back_light, &back_light, &L_del_menu, &del_menu, &delall_w_unread});
                show(lcdTimes);
            }
        }

        autobacklight.setVisible((V() == 5 && subversion.text() == "A") || V() > 5);

        if (V() >= 6) {
            show({&L_back_light, &back_light});
            if (P == 1) {
                hw_lcddrv.setVisible(true);
            } else if (P == 0 || P == 3 || P == 4 || P == 5) {
                if (P != 0)
                    autobacklight.setVisible(false);
                hide({&L_del_menu, &del_menu, &delall_w_unread, &qsound, &outrangespecial,
                      &lowbatteryspecial});
                hide(lcdTimes);
            }
        }

        // The MCU clock follows the firmware and the image, never the user.
        mcu_clk.setEnabled(false);

        if (V() > 11) {
            if (P == 0 || P == 5)
                show(fontBoxes);
        } else {
            hide(fontBoxes);
        }

        if (V() > 12) {
            if (P == 5)
                show(powerOffBoxes);
        } else {
            hide(powerOffBoxes);
        }
    }

    // The urgent-call matrix (one box per address and tone) takes the place
    // of the single urgent-call setting.
    const bool matrix = P == 4 || ((P == 0 || P == 3 || P == 5) && V() > 13);
    for (auto& row : chbUC)
        for (form::CheckBox& box : row)
            box.setVisible(matrix);
    for (form::Label& label : labelUC)
        label.setVisible(matrix);
    show({&Label21, &urgentcall, &urgcalltype}, !matrix);
}

} // namespace ccp::app
