#include "tool/headless_form.h"

#include "app/config_text.h"
#include "app/settings_diff.h"
#include "editor/image_files.h"
#include "line/series_pager.h"
#include "model/image.h"
#include "tool/latin1.h"

#include <algorithm>

namespace ccp::tool {
namespace {

constexpr const char* kNoUsbJigText =
    "no USB jig was found (none is plugged in, or its hidraw node may not be opened)";

// The line a failed file step logged last says why it failed.
std::string lastLine(const form::LogPane& log, std::size_t since) {
    const std::vector<std::string>& lines = log.lines();
    return lines.size() > since ? printableUtf8(lines.back()) : std::string();
}

} // namespace

int exitStatusOf(Outcome outcome) {
    switch (outcome) {
    case Outcome::Done:
        return 0;
    case Outcome::Failed:
        return 1;
    case Outcome::Refused:
        break;
    }
    return 2;
}

StepResult refused(const std::string& control, const std::string& reason) {
    return {Outcome::Refused, std::string(control).append(": ").append(reason)};
}

HeadlessForm::HeadlessForm(int profile, std::ostream* log, std::ostream* boxes,
                           const JigServices* jig)
    : usb_(jig != nullptr && jig->hid != nullptr), ui_(boxes),
      os_(jig != nullptr && !usb_ ? link::ParallelPortPolicy::Available
                                  : link::ParallelPortPolicy::NotOffered),
      form_({ui_, jig != nullptr ? jig->port : absentPort_, jig != nullptr ? jig->clock : ownClock_,
             os_, usb_ ? jig->hid : nullptr, jig != nullptr ? jig->productionLog : std::string(),
             jig != nullptr ? jig->store : nullptr,
             jig != nullptr ? jig->storeFailure : std::string(),
             jig != nullptr ? jig->pendingRecords : std::string()},
            profile),
      echo_(form_.Memo1, log) {
    // Start-up has appended its lines before anyone could listen.
    echo_.flush();
    form_.setObserver(&echo_);
    ui_.setBeforeBox([this] { echo_.flush(); });
    // The window posts the first scan just after it is shown.
    if (usb_)
        form_.dispatch(
            [this] { form_.HidCtl.DeviceNotification(link::THidDeviceController::kStartMarker); });
}

HeadlessForm::~HeadlessForm() {
    form_.setObserver(nullptr);
}

StepResult HeadlessForm::stepToPlatform(int platform) {
    if (std::optional<std::string> reason = line::stepToPlatform(form_, platform))
        return refused(form_.N5003T6K041.name(), *reason);
    return {};
}

StepResult HeadlessForm::toggleRepair() {
    if (!form_.Repair1.reachable())
        return refused(form_.Repair1.name(), "Help > Repair is not offered");
    form_.Repair1.userClick();
    return {};
}

StepResult HeadlessForm::load(const std::string& path) {
    return fileStep(form_.Open1, &editor::ImageFiles::load, path);
}

StepResult HeadlessForm::save(const std::string& path) {
    return fileStep(form_.Save1, &editor::ImageFiles::save, path);
}

StepResult HeadlessForm::exportText(const std::string& path) {
    if (!form_.ExportText1.reachable())
        return refused(form_.ExportText1.name(), "the menu item is disabled");
    return failedBecause([&] { return form_.exportText(path); }, form_.Memo1.lines().size() + 1);
}

StepResult HeadlessForm::importText(const std::string& path) {
    if (!form_.ImportText1.reachable())
        return refused(form_.ImportText1.name(), "the menu item is disabled");
    app::TextImport result;
    form_.dispatch([&] { result = form_.importText(path); });
    switch (result.outcome) {
    case app::TextImport::Outcome::Done:
        return {};
    case app::TextImport::Outcome::Unreadable:
        return {Outcome::Failed, result.reason};
    case app::TextImport::Outcome::Refused:
        break;
    }
    return {Outcome::Refused, result.reason};
}

StepResult HeadlessForm::loadOrImport(const std::string& path) {
    return app::isConfigTextFile(path) ? importText(path) : load(path);
}

// The menu handler asks the chooser for the path and hands it to the file
// step; here the path is the chooser's answer.
StepResult HeadlessForm::fileStep(form::MenuItem& item,
                                  bool (editor::ImageFiles::*step)(const std::string&),
                                  const std::string& path) {
    if (!item.reachable())
        return refused(item.name(), "the menu item is disabled");
    // The step's first line names the file; a later one says why it failed.
    return failedBecause([&] { return (form_.imageFiles.*step)(path); },
                         form_.Memo1.lines().size() + 1);
}

StepResult HeadlessForm::readFromPager() {
    return pagerStep(form_.ReadFromPager, &ops::PagerOperations::ReadFromPagerClick);
}

StepResult HeadlessForm::writeToPager() {
    return pagerStep(form_.WriteToPager, &ops::PagerOperations::WriteToPagerClick);
}

// Start-up disables both pager items when it finds no jig ready and has
// logged why; that is the bench's fault, not the command's.
StepResult HeadlessForm::pagerStep(form::MenuItem& item, bool (ops::PagerOperations::*step)()) {
    // Without a USB jig the window would go to the parallel port, which the
    // run does not offer.
    if (usb_ && !form_.Link.UsbActive) {
        const std::string& inUse = form_.jigDiscovery.refusal();
        return {Outcome::Failed, inUse.empty() ? std::string(kNoUsbJigText) : inUse};
    }
    if (!item.reachable())
        return {Outcome::Failed, item.name() + ": the menu item is disabled, start-up found no "
                                               "jig ready"};
    return failedBecause([&] { return (form_.pagerOperations.*step)(); },
                         form_.Memo1.lines().size());
}

StepResult HeadlessForm::failedBecause(const std::function<bool()>& step, std::size_t linesBefore) {
    const std::size_t boxesBefore = ui_.boxTexts().size();
    bool ok = false;
    form_.dispatch([&] { ok = step(); });
    if (ok)
        return {};
    std::string reason = lastLine(form_.Memo1, linesBefore);
    if (reason.empty() && ui_.boxTexts().size() > boxesBefore)
        reason = printableUtf8(ui_.boxTexts().back());
    return {Outcome::Failed, reason};
}

std::vector<std::uint8_t> HeadlessForm::fileBytes() const {
    return app::imageFileBytes(form_);
}

} // namespace ccp::tool
