// The main window's model: every control of the window at its design value,
// the EepromImage and DecoderImage, the ProgrammerLink and the services the
// rules need. The constructor runs the window start-up sequence. Toolkit-free:
// the Qt view builds its widgets from these controls.
#pragma once

#include "app/wr_state.h"
#include "editor/address_rules.h"
#include "editor/channel_frequency_rules.h"
#include "editor/editor_context.h"
#include "editor/field_rules.h"
#include "editor/folder_rules.h"
#include "editor/image_decoder.h"
#include "editor/image_encoder.h"
#include "editor/image_files.h"
#include "form/control.h"
#include "form/controls.h"
#include "form/family.h"
#include "link/hid_backend.h"
#include "link/hid_device.h"
#include "link/jig_discovery.h"
#include "link/programmer_link.h"
#include "link/transfers.h"
#include "link/usb_jig.h"
#include "model/image.h"
#include "model/pager_settings.h"
#include "ops/pager_operations.h"
#include "ops/stored_records.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ccp::link {
class Clock;
class OsInfo;
class PortDriver;
} // namespace ccp::link

namespace ccp::app {

using form::CheckBox;
using form::ComboBox;
using form::Edit;
using form::GroupBox;
using form::Label;
using form::makeFamily;
using form::MenuItem;
using form::numbered;

// What the window needs from the machine; the view passes the real ones,
// tests pass recording and simulated ones.
struct Services {
    form::UserInterface& ui;
    link::PortDriver& port;
    link::Clock& clock;
    const link::OsInfo& os;
    // The HID devices; nullptr: none are ever seen.
    link::HidBackend* hid = nullptr;
    // The JSON-lines file that also gets the record of every write attempt;
    // empty: none.
    std::string productionLog = {};
    // The store that keeps the record; nullptr: none could be opened, for
    // storeFailure, and the records wait in `pendingRecords`.
    store::Store* store = nullptr;
    std::string storeFailure = {};
    std::string pendingRecords = {};
};

// A system without HID devices.
class NoHidBackend final : public link::HidBackend {
public:
    std::vector<link::HidDeviceInfo> enumerate() override { return {}; }
    std::unique_ptr<link::HidHandle> open(const link::HidDeviceInfo&) override { return nullptr; }
    int notificationFd() override { return -1; }
    bool drainNotifications() override { return false; }
};

constexpr int kStartProfile = 1;
// The first line of the comparison's report: the order of each line's values.
inline constexpr const char* kCompareOrder =
    "NAME: value on the pager -> value writing would put there";

// What an import of a configuration text did. A refusal names the line, the
// key and the reason; a warning names a value the rules changed.
struct TextImport {
    enum class Outcome { Done, Unreadable, Refused };
    Outcome outcome = Outcome::Done;
    std::string reason;                // UTF-8
    std::vector<std::string> warnings; // UTF-8
    bool done() const { return outcome == Outcome::Done; }
};

class TForm1 : public form::Form, public model::PagerSettings {
public:
    TForm1(Services services, int startProfile = kStartProfile);
    ~TForm1() override = default;

    // Menu handlers.
    void LPT11Click();
    void LPT21Click();
    void Exit1Click();
    void About1Click();
    // Switches repair mode, the checked state of Help > Repair.
    void Repair1Click();
    // Makes the device of the selected list entry the held jig; nothing
    // while the list is empty.
    void DevListBoxClick();
    // Reads the pager into a headless copy of the window (same profile and
    // platform) and shows every setting and byte that differs from this
    // window, which it leaves as it was, as "NAME: pager -> window" under the
    // line kCompareOrder. A failed read shows its line in the log and no
    // list. Returns the difference lines; nothing when the read failed.
    std::optional<std::vector<std::string>> CompareWithPagerClick();
    // File > Export as text... and File > Import text...: ask for a file,
    // then export or import; a refused import shows its reason in an error
    // box, warnings in a message box.
    void ExportText1Click();
    void ImportText1Click();
    // The same without the dialogs. The export writes the window as a
    // configuration text through the safe save. The import builds the image
    // the text describes in a scratch copy of the window (same profile),
    // setting each control as a user would; only when every line is taken
    // does this window step to the text's platform and load that image. The
    // window and its images are as they were after a refusal.
    bool exportText(const std::string& path);
    TextImport importText(const std::string& path);

    // Firmware version rules: shows, hides, enables and resets the option
    // controls for the version in `firmwareversion` and the customer profile.
    void firmwareversionChange();
    // Platform step: the next hardware platform, 6 wraps to 0.
    void N5003T6K041Click();
    void lcddrvChange();
    void contrast_maskClick();
    // Applies the customer profile selected in `customer_sel`.
    void customer_selChange();

    link::PortDriver& port() const { return services_.port; }
    link::Clock& clock() const { return services_.clock; }
    const link::OsInfo& os() const { return services_.os; }
    char decimalSeparator() const { return decimalSeparator_; }

    // Shared state of the window.
    model::EepromImage EepromImage{};
    model::DecoderImage DecoderImage{};
    std::uint8_t HardwarePlatform = 0;
    std::uint8_t CustomerProfile;
    std::uint8_t EepromDeviceSelect = 0;
    link::ProgrammerLink Link;

private:
    Services services_;
    NoHidBackend noHid_;
    char decimalSeparator_ = '.';

public:
    // ---- window, pages, log, device list --------------------------------
    form::Window Form1{*this, "Form1", "A31E Capcode Programmer"};
    form::PageControl PageControl1{*this, "PageControl1"};
    form::TabSheet TabAddresses{*this, "TabAddresses", "Addresses/Folders"};
    form::TabSheet TabSettings{*this, "TabSettings", "Settings"};
    form::TabSheet TabHardware{*this, "TabHardware", "Hardware"};
    form::LogPane Memo1{*this, "Memo1"};
    form::ListBox DevListBox{*this, "DevListBox"};

    // ---- main menu ------------------------------------------------------
    MenuItem File1{*this, "File1", "&File"};
    MenuItem Open1{*this, "Open1", "&Open..."};
    MenuItem Save1{*this, "Save1", "&Save..."};
    MenuItem ExportText1{*this, "ExportText1", "Export as text..."};
    MenuItem ImportText1{*this, "ImportText1", "Import text..."};
    MenuItem N1{*this, "N1", "-"};
    MenuItem Exit1{*this, "Exit1", "E&xit"};
    MenuItem Port1{*this, "Port1", "&Port"};
    MenuItem LPT11{*this, "LPT11", "LPT&1"};
    MenuItem LPT21{*this, "LPT21", "LPT&2"};
    MenuItem WriteToPager{*this, "WriteToPager", "&Write_To_Pager"};
    MenuItem ReadFromPager{*this, "ReadFromPager", "&Read_From_Pager"};
    // Enabled while writing and reading are.
    MenuItem CompareWithPager{*this, "CompareWithPager", "Compare with Pager..."};
    MenuItem N5003T6K041{*this, "N5003T6K041", "OLD_Hardware (5003+T6K04)"};
    MenuItem Help1{*this, "Help1", "&Help"};
    MenuItem Repair1{*this, "Repair1", "&Repair"};
    MenuItem Debug1{*this, "Debug1", "&Debug"};
    MenuItem About1{*this, "About1", "&About"};
    // Top-level entries of the menu bar, in order.
    std::array<MenuItem*, 7> MainMenu{
        &File1, &Port1, &WriteToPager, &ReadFromPager, &CompareWithPager, &N5003T6K041, &Help1};

    // ---- Addresses/Folders: addresses -----------------------------------
    GroupBox gb_addresses{*this, "gb_addresses", "Addresses"};
    Label L_pn{*this, "L_pn", "PN"};
    Label L_fm{*this, "L_fm", "Fm"};
    Label L_autoinc{*this, "L_autoinc", "Auto inc"};
    Label L_msgtype{*this, "L_msgtype", "Msg type"};
    std::array<Label, 4> L_tone = makeFamily<Label, 4>(
        [this](std::size_t t) { return Label(*this, std::string("L_tone") + "ABCD"[t]); });
    std::array<Label, 4> labelUC = makeFamily<Label, 4>(
        [this](std::size_t t) { return Label(*this, std::string("labelUC") + "ABCD"[t], "UC"); });

    // ---- Addresses/Folders: folders -------------------------------------
    GroupBox gb_folders{*this, "gb_folders", "Folders"};
    std::array<Label, 2> L_title = makeFamily<Label, 2>(
        [this](std::size_t c) { return Label(*this, numbered("L_title", c), "Title"); });
    std::array<Label, 2> L_length = makeFamily<Label, 2>(
        [this](std::size_t c) { return Label(*this, numbered("L_length", c), "Length"); });

    // ---- Settings --------------------------------------------------------
    Label L_serial{*this, "L_serial", "Serial no."};
    Label L_rangetime{*this, "L_rangetime", "Out range delay"};
    Label L_rangetimeSec{*this, "L_rangetimeSec", "sec"};
    Label L_alerttime{*this, "L_alerttime", "Alert time"};
    Label L_msgdisptime{*this, "L_msgdisptime", "Msg display time"};
    Label L_lcdholdtime{*this, "L_lcdholdtime", "LCD hold time"};
    Label L_lcd_on{*this, "L_lcd_on", "LCD ON"};
    Label L_lcd_off{*this, "L_lcd_off", "OFF"};
    Label L_back_light{*this, "L_back_light", "Backlight intensity"};
    Label L_contrast{*this, "L_contrast", "LCD contrast"};
    Label L_menulanguage{*this, "L_menulanguage", "Menu language"};
    Label L_language{*this, "L_language", "Language"};
    Label L_autospace{*this, "L_autospace", "Auto space"};
    Label L_dateformat{*this, "L_dateformat", "Date format"};
    Label L_pubcallno{*this, "L_pubcallno", "Public call no."};
    Label L_lowcell{*this, "L_lowcell", "Low cell alert"};
    Label L_numset{*this, "L_numset", "Numeric set"};
    Label L_pubfoldermode{*this, "L_pubfoldermode", "Public folder mode"};
    Label L_password{*this, "L_password", "Passcode"};
    Label L_repeatcallcheck{*this, "L_repeatcallcheck", "Repeat call check"};
    Label L_repeatcallreject{*this, "L_repeatcallreject", "Repeat call rejection"};
    Label L_del_menu{*this, "L_del_menu", "Del menu"};
    Label L_urgcallmode{*this, "L_urgcallmode", "Urgent call mode"};
    Label Label21{*this, "Label21", "Urgent call type"};
    Label L_channelfreq{*this, "L_channelfreq", "Channel freq. (MHz)"};
    Label L_channelspace{*this, "L_channelspace", "Channel space"};
    Label L_firmwareversion{*this, "L_firmwareversion", "Firmware version"};
    Label L_customer{*this, "L_customer", "Customer"};
    Label L_headers{*this, "L_headers", "Public headers"};
    GroupBox gb_hello{*this, "gb_hello", "Hello message"};
    GroupBox gb_tones{*this, "gb_tones", "Tone patterns"};
    Label L_tonepatternA{*this, "L_tonepatternA", "A"};
    Label L_tonepatternB{*this, "L_tonepatternB", "B"};
    Label L_tonepatternC{*this, "L_tonepatternC", "C"};
    Label L_tonepatternD{*this, "L_tonepatternD", "D"};
    Label L_tonepatternPon{*this, "L_tonepatternPon", "Power on"};
    Label L_tonepatternLcell{*this, "L_tonepatternLcell", "Low cell"};
    Label L_tonepatternUcall{*this, "L_tonepatternUcall", "Urgent call"};

    // ---- Hardware --------------------------------------------------------
    GroupBox hw_decoder{*this, "hw_decoder", "Decoder"};
    Label L_polarity{*this, "L_polarity", "Polarity"};
    Label L_baudrate{*this, "L_baudrate", "Baud rate"};
    Label L_RXE{*this, "L_RXE", "RXE"};
    Label L_ROE{*this, "L_ROE", "ROE"};
    Label L_Acheck{*this, "L_Acheck", "Acheck"};
    Label L_Dcheck{*this, "L_Dcheck", "Dcheck"};
    Label L_bs1{*this, "L_bs1", "BS1"};
    Label L_bs3{*this, "L_bs3", "BS3"};
    Label L_clko{*this, "L_clko", "CLKO"};
    Label L_fstrength{*this, "L_fstrength", "Filter strength"};
    Label L_err_rate{*this, "L_err_rate", "Error rate"};
    Label L_addr_check{*this, "L_addr_check", "Address check"};
    Label L_data_check{*this, "L_data_check", "Data check"};
    GroupBox hw_pll{*this, "hw_pll", "PLL"};
    GroupBox hw_misc{*this, "hw_misc", "Misc"};
    Label L_mcu_clk{*this, "L_mcu_clk", "MCU clock"};
    Label L_line_8or4{*this, "L_line_8or4", "Display lines"};
    GroupBox hw_lcddrv{*this, "hw_lcddrv", "LCD driver"};
    Label L_lcddrv{*this, "L_lcddrv", "Driver"};
    Label L_lcddrv_opa{*this, "L_lcddrv_opa", "OPA"};
    Label L_lcd_fosc{*this, "L_lcd_fosc", "Fosc"};
    Label L_lcd_tc{*this, "L_lcd_tc", "TC value"};
    Label L_lcd_bias{*this, "L_lcd_bias", "Bias ratio"};
    GroupBox rssi_voltage{*this, "rssi_voltage", "RSSI voltage"};
    std::array<Label, 4> L_rssi_level = makeFamily<Label, 4>(
        [this](std::size_t i) { return Label(*this, "L_rssi_level_" + std::to_string(i)); });

    // ---- progress dialog -------------------------------------------------
    TState_Form State_Form{*this};

    // ---- the jig's two transfers, stepping the progress dialog -------------
    link::ProgrammerTransfers transfers{Link, services_.port, services_.clock, State_Form};

    // ---- the USB jig: HID devices, the report protocol, discovery ---------
    link::THidDeviceController HidCtl{services_.hid != nullptr ? *services_.hid : noHid_};
    link::UsbJig usbJig{Link, services_.clock, State_Form, services_.ui};
    link::JigDiscovery jigDiscovery{Link,         HidCtl,
                                    usbJig,       services_.port,
                                    services_.os, {Memo1, Port1, WriteToPager, ReadFromPager}};

    // ---- editor rules ----------------------------------------------------
    editor::EditorContext editorContext{
        *this,       Memo1,        HardwarePlatform, decimalSeparator_,
        EepromImage, DecoderImage, CustomerProfile};
    editor::FieldRules fieldRules{editorContext};
    editor::FolderRules folderRules{editorContext};
    editor::AddressRules addressRules{editorContext};
    editor::ChannelFrequencyRules frequencyRules{editorContext};
    editor::ImageEncoder imageEncoder{editorContext, fieldRules, folderRules, frequencyRules};
    editor::ImageDecoder imageDecoder{editorContext, frequencyRules};
    editor::ImageFiles imageFiles{editorContext, imageEncoder, imageDecoder, addressRules};
    ops::PagerOperations pagerOperations{
        editorContext, {fieldRules, addressRules, frequencyRules, imageEncoder, imageDecoder},
        transfers,     State_Form,
        Repair1,       EepromDeviceSelect,
        Link};
    ops::ProductionLog productionLog{services_.productionLog,
                                     [this](const std::string& why) { ui().showError(why); }};
    ops::StoredRecords records{services_.store, services_.storeFailure, productionLog,
                               services_.pendingRecords,
                               [this](const std::string& why) { ui().showError(why); }};

private:
    void setDesignValues();
    void layOut();
    void bindHandlers();
    void probeDecimalSeparator();
    void enterPlatform(int platform);
    void setPlatformCaption(int platform);
};

} // namespace ccp::app
