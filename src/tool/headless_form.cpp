#include "tool/headless_form.h"

#include "editor/image_files.h"
#include "model/image.h"
#include "tool/latin1.h"

#include <algorithm>

namespace ccp::tool {
namespace {

constexpr int kPlatformCount = 7;

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
    case Outcome::FileFailed:
        return 1;
    case Outcome::Refused:
        break;
    }
    return 2;
}

StepResult refused(const std::string& control, const std::string& reason) {
    return {Outcome::Refused, std::string(control).append(": ").append(reason)};
}

HeadlessForm::HeadlessForm(int profile, std::ostream* log, std::ostream* boxes)
    : ui_(boxes), form_({ui_, port_, clock_, os_}, profile), echo_(form_.Memo1, log) {
    // Start-up has appended its lines before anyone could listen.
    echo_.flush();
    form_.setObserver(&echo_);
    ui_.setBeforeBox([this] { echo_.flush(); });
}

HeadlessForm::~HeadlessForm() {
    form_.setObserver(nullptr);
}

StepResult HeadlessForm::stepToPlatform(int platform) {
    if (platform < 0 || platform >= kPlatformCount)
        return refused(form_.N5003T6K041.name(),
                       std::string("there is no platform ").append(std::to_string(platform)));
    if (form_.HardwarePlatform == platform)
        return {};
    if (!form_.N5003T6K041.reachable())
        return refused(form_.N5003T6K041.name(),
                       std::string("the platform item is disabled; the platform stays ")
                           .append(std::to_string(form_.HardwarePlatform)));
    for (int step = 0; step < kPlatformCount && form_.HardwarePlatform != platform; ++step)
        form_.N5003T6K041.userClick();
    if (form_.HardwarePlatform != platform)
        return refused(
            form_.N5003T6K041.name(),
            std::string("the platform steps never reach ").append(std::to_string(platform)));
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

// The menu handler asks the chooser for the path and hands it to the file
// step; here the path is the chooser's answer.
StepResult HeadlessForm::fileStep(form::MenuItem& item,
                                  bool (editor::ImageFiles::*step)(const std::string&),
                                  const std::string& path) {
    if (!item.reachable())
        return refused(item.name(), "the menu item is disabled");
    const std::size_t before = form_.Memo1.lines().size();
    const std::size_t boxesBefore = ui_.boxTexts().size();
    bool ok = false;
    form_.dispatch([&] { ok = (form_.imageFiles.*step)(path); });
    if (ok)
        return {};
    std::string reason = lastLine(form_.Memo1, before + 1);
    if (reason.empty() && ui_.boxTexts().size() > boxesBefore)
        reason = printableUtf8(ui_.boxTexts().back());
    return {Outcome::FileFailed, reason};
}

std::vector<std::uint8_t> HeadlessForm::fileBytes() const {
    const editor::FileFormat format = editor::fileFormatOf(form_.HardwarePlatform);
    const std::size_t imageBytes = std::min(format.length, model::kEepromSize);
    std::vector<std::uint8_t> bytes(form_.EepromImage.begin(),
                                    form_.EepromImage.begin() + imageBytes);
    if (format.withDecoder)
        bytes.insert(bytes.end(), form_.DecoderImage.begin(), form_.DecoderImage.end());
    return bytes;
}

} // namespace ccp::tool
