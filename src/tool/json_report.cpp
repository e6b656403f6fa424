#include "tool/json_report.h"

#include "form/controls.h"
#include "tool/latin1.h"

#include <ostream>

namespace ccp::tool {
namespace {

Json textList(const std::vector<std::string>& latin1) {
    Json list = Json::array();
    for (const std::string& text : latin1)
        list.push_back(latin1ToUtf8(text));
    return list;
}

bool hasCaption(form::ControlKind kind) {
    switch (kind) {
    case form::ControlKind::Window:
    case form::ControlKind::TabSheet:
    case form::ControlKind::GroupBox:
    case form::ControlKind::Label:
    case form::ControlKind::CheckBox:
    case form::ControlKind::MenuItem:
        return true;
    default:
        return false;
    }
}

} // namespace

std::string lowerHex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (std::uint8_t byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

Json controlJson(const form::Control& control) {
    Json state;
    state["kind"] = form::kindName(control.kind());
    switch (control.kind()) {
    case form::ControlKind::Edit:
        state["text"] = latin1ToUtf8(static_cast<const form::Edit&>(control).text());
        break;
    case form::ControlKind::ComboBox: {
        const auto& list = static_cast<const form::ComboBox&>(control);
        state["items"] = textList(list.items());
        state["index"] = list.index();
        break;
    }
    case form::ControlKind::ListBox: {
        const auto& list = static_cast<const form::ListBox&>(control);
        state["items"] = textList(list.items());
        state["index"] = list.index();
        break;
    }
    case form::ControlKind::CheckBox:
        state["checked"] = static_cast<const form::CheckBox&>(control).checked();
        break;
    case form::ControlKind::MenuItem:
        state["checked"] = static_cast<const form::MenuItem&>(control).checked();
        break;
    default:
        break;
    }
    if (hasCaption(control.kind()))
        state["caption"] = latin1ToUtf8(control.caption());
    state["enabled"] = control.enabled();
    state["visible"] = control.visible();
    state["hint"] = latin1ToUtf8(control.hint());
    return state;
}

Json reportJson(const HeadlessForm& headless) {
    const app::TForm1& form = headless.form();
    Json report;
    report["profile"] = form.CustomerProfile;
    report["platform"] = form.HardwarePlatform;
    report["caption"] = latin1ToUtf8(form.Form1.caption());
    report["log"] = textList(form.Memo1.lines());
    report["messages"] = textList(headless.ui().boxTexts());
    Json questions = Json::array();
    for (const ops::Question& question : headless.ui().questions())
        questions.push_back({{"caption", latin1ToUtf8(question.caption)},
                             {"text", latin1ToUtf8(question.text)},
                             {"answer", question.answer ? "yes" : "no"}});
    report["questions"] = std::move(questions);
    Json controls = Json::object();
    for (const form::Control* control : form.controls())
        controls[control->name()] = controlJson(*control);
    report["controls"] = std::move(controls);
    report["eeprom"] = lowerHex(form.EepromImage);
    report["decoder"] = lowerHex(form.DecoderImage);
    return report;
}

Json withError(Json document, const std::string& error) {
    if (!error.empty())
        document["error"] = error;
    return document;
}

void printJson(const Json& document, std::ostream& out) {
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n' << std::flush;
}

} // namespace ccp::tool
