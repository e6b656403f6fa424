// Design values of the window's own controls: the menu tree, the pages and
// the captions that depend on a family member's position.
#include "app/tform1.h"

namespace ccp::app {

void TForm1::setDesignValues() {
    for (MenuItem* item : {&Open1, &Save1, &ExportText1, &ImportText1, &N1, &Exit1})
        File1.addItem(*item);
    LPT11.setChecked(true);
    Port1.addItem(LPT11);
    Port1.addItem(LPT21);
    for (MenuItem* item : {&Repair1, &Debug1, &About1})
        Help1.addItem(*item);
    Repair1.setVisible(false);
    Repair1.setHint("Help to recover the pager frpm EEP error or mem Error condition");
    PageControl1.addPage(TabAddresses);
    PageControl1.addPage(TabSettings);
    PageControl1.addPage(TabHardware);
    PageControl1.setActivePage(&TabSettings);
    for (std::size_t t = 0; t < 4; ++t)
        L_tone[t].setCaption(std::string(1, "ABCD"[t]) + " Tone");
    gb_folders.setHint("Total 100 message can be received");
    L_headers.setVisible(false);
    static const char* const kRssiCaption[] = {"Lower", "Low", "High", "Higher"};
    for (std::size_t i = 0; i < 4; ++i)
        L_rssi_level[i].setCaption(kRssiCaption[i]);
}

} // namespace ccp::app
