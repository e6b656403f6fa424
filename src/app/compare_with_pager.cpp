// Compare with Pager: what a write would change, seen before it happens. The
// pager is read by a headless copy of the window that shares this window's
// transport, so this window's settings and images stay as they are.
#include "app/settings_diff.h"
#include "app/tform1.h"
#include "app/window_copy_os.h"

namespace ccp::app {

namespace {

constexpr int kPlatforms = 7;

// The copy's progress dialog is shown as this window's own: the read looks
// and holds the window as any read does.
class ProgressMirror final : public form::ControlObserver {
public:
    ProgressMirror(TState_Form& from, TState_Form& to) : from_(from), to_(to) {}
    void controlChanged(form::Control& control) override {
        if (&control == &from_.State_Form) {
            to_.State_Form.setCaption(from_.State_Form.caption());
            to_.State_Form.setVisible(from_.State_Form.visible());
        } else if (&control == &from_.ProgressBar1) {
            to_.ProgressBar1.setRange(from_.ProgressBar1.min(), from_.ProgressBar1.max());
            to_.ProgressBar1.setPosition(from_.ProgressBar1.position());
        }
    }

private:
    TState_Form& from_;
    TState_Form& to_;
};

} // namespace

std::optional<std::vector<std::string>> TForm1::CompareWithPagerClick() {
    // The copy's read claims the port as every operation does.
    WindowCopyOs os(services_.os);
    TForm1 pager(Services{services_.ui, services_.port, services_.clock, os}, CustomerProfile);
    for (int step = 0; step < kPlatforms && pager.HardwarePlatform != HardwarePlatform; ++step)
        pager.N5003T6K041Click();
    pager.Link = Link;
    pager.EepromDeviceSelect = EepromDeviceSelect;
    pager.transfers.setUsbTransport(&usbJig);
    ProgressMirror mirror(pager.State_Form, State_Form);
    pager.setObserver(&mirror);

    const std::size_t from = pager.Memo1.lines().size();
    const bool read = pager.pagerOperations.ReadFromPagerClick();
    pager.setObserver(nullptr);
    const auto& lines = pager.Memo1.lines();
    for (std::size_t i = from; i < lines.size(); ++i)
        Memo1.append(lines[i]);
    if (!read)
        return std::nullopt;
    // The bytes as the pager holds them, the check bytes a read does not
    // take over included.
    pager.EepromImage = pager.pagerOperations.ReadStaging;

    // What is there now, then what a write of this window would put there.
    std::vector<std::string> shown = diffLines(diffWindows(pager, *this));
    std::string text;
    for (const std::string& line : shown)
        text += line + "\n";
    ui().showReport("Compare with Pager", text.empty() ? "The pager holds what the window holds.\n"
                                                       : std::string(kCompareOrder) + "\n" + text);
    return shown;
}

} // namespace ccp::app
