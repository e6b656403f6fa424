#include "app/user_setting.h"

#include "app/latin1.h"
#include "form/controls.h"

#include <algorithm>
#include <utility>

namespace ccp::app {
namespace {

SettingRefusal refusal(const std::string& control, const std::string& reason) {
    return {control, reason};
}

std::string quoted(const std::string& latin1) {
    return std::string("'").append(printableUtf8(latin1)).append("'");
}

// What happened at the window while one setting was made: error boxes, and
// the rules giving the focus back to the control because they reject its value.
class Verdict {
public:
    Verdict(const TForm1& form, const UiRecord& shown, const form::Control& control)
        : form_(form), shown_(shown), control_(control), lines_(form.Memo1.lines().size()),
          errors_(shown.errorBoxes()), focus_(shown.focusRequests().size()) {}

    std::size_t logSize() const { return form_.Memo1.lines().size(); }
    // The last log line appended since the log held `since` lines, or an
    // empty text.
    std::string lastLogLine(std::size_t since) const {
        const std::vector<std::string>& lines = form_.Memo1.lines();
        return lines.size() > since ? printableUtf8(lines.back()) : std::string();
    }
    // The same since the setting began.
    std::string lastLogLine() const { return lastLogLine(lines_); }

    std::optional<SettingRefusal> result() const {
        if (shown_.errorBoxes() > errors_)
            return refusal(control_.name(), std::string("the value is not accepted: ")
                                                .append(printableUtf8(shown_.boxTexts().back())));
        const auto& focus = shown_.focusRequests();
        if (std::find(focus.begin() + static_cast<std::ptrdiff_t>(focus_), focus.end(),
                      &control_) != focus.end()) {
            const std::string why = lastLogLine();
            std::string reason = "the field's rule rejects the value";
            if (!why.empty())
                reason.append(": ").append(why);
            return refusal(control_.name(), reason);
        }
        return std::nullopt;
    }

private:
    const TForm1& form_;
    const UiRecord& shown_;
    const form::Control& control_;
    std::size_t lines_;
    std::size_t errors_;
    std::size_t focus_;
};

// The user selects the whole text and types `code` over it: the key filter
// sees the text still there, and the character it lets through replaces the
// text in one change, so the change rule never sees an empty field on the
// way. Returns false when the filter swallowed the key.
bool typeOver(form::Edit& edit, int code) {
    std::optional<int> key;
    edit.form().dispatch([&] { key = edit.filterKey(code); });
    if (!key)
        return false;
    if (*key >= 0x20 && *key <= 0xFF)
        edit.userEdit(std::string(1, static_cast<char>(*key)));
    return true;
}

std::optional<SettingRefusal> typeInto(form::Edit& edit, const std::string& value,
                                       const Verdict& verdict) {
    if (edit.readOnly())
        return refusal(edit.name(), "the field is read-only");
    for (char c : value) {
        if (static_cast<unsigned char>(c) < 0x20)
            return refusal(edit.name(), "a control character cannot be typed");
    }
    if (value.empty())
        edit.userEdit(std::string());
    // Characters a key filter wrote on its own after the key it was given
    // (the frequency adds the decimal separator after the whole MHz); the
    // user may type them over.
    std::string supplied;
    bool first = true;
    for (char c : value) {
        const std::string before = edit.text();
        const std::size_t logged = verdict.logSize();
        const bool taken = first ? typeOver(edit, static_cast<unsigned char>(c))
                                 : edit.userType(static_cast<unsigned char>(c));
        const bool typedOver = std::exchange(first, false);
        const std::string& after = edit.text();
        if (!taken) {
            if (after != before) {
                const std::size_t typed = before.size() + 1;
                supplied = after.size() > typed && after.compare(0, before.size(), before) == 0
                               ? after.substr(typed)
                               : std::string();
                continue;
            }
            if (!supplied.empty() && supplied.front() == c) {
                supplied.erase(0, 1);
                continue;
            }
            const std::string why = verdict.lastLogLine(logged);
            std::string reason =
                std::string("the key filter rejects ").append(quoted(std::string(1, c)));
            if (!why.empty())
                reason.append(" (").append(why).append(")");
            return refusal(edit.name(), reason);
        }
        supplied.clear();
        if (!typedOver && after == before && edit.maxLength() > 0 &&
            static_cast<int>(before.size()) >= edit.maxLength())
            return refusal(edit.name(), quoted(value)
                                            .append(" is longer than the field's ")
                                            .append(std::to_string(edit.maxLength()))
                                            .append(" characters"));
    }
    edit.userLeave();
    return std::nullopt;
}

std::optional<SettingRefusal> pick(form::ComboBox& list, const std::string& value) {
    const int index = list.indexOf(value);
    if (index < 0) {
        std::string items;
        for (const std::string& item : list.items())
            items.append(items.empty() ? "" : ", ").append(quoted(item));
        return refusal(list.name(), std::string("the list has no item ")
                                        .append(quoted(value))
                                        .append(" (items: ")
                                        .append(items.empty() ? "none" : items)
                                        .append(")"));
    }
    list.userPick(index);
    return std::nullopt;
}

std::optional<SettingRefusal> click(form::CheckBox& box, const std::string& value,
                                    const Verdict& verdict) {
    if (value != "1" && value != "0")
        return refusal(box.name(),
                       std::string("a check box takes 1 or 0, not ").append(quoted(value)));
    const bool wanted = value == "1";
    if (box.checked() != wanted)
        box.userClick();
    // A click rule may undo the click (a folder without room for a message).
    if (box.checked() != wanted) {
        std::string reason = "the click rule keeps it at ";
        reason.append(box.checked() ? "1" : "0");
        if (const std::string why = verdict.lastLogLine(); !why.empty())
            reason.append(": ").append(why);
        return refusal(box.name(), reason);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> unreachable(const form::Control& control) {
    for (const form::Control* c = &control; c != nullptr; c = c->parent()) {
        const char* state = !c->visible() ? "hidden" : !c->enabled() ? "disabled" : nullptr;
        if (state == nullptr)
            continue;
        if (c == &control)
            return std::string("the control is ") + state;
        return std::string("the control's container ") + c->name() + " is " + state;
    }
    return std::nullopt;
}

std::optional<SettingRefusal> applySetting(TForm1& form, const UiRecord& shown,
                                           const std::string& name, const std::string& value) {
    form::Control* control = form.find(name);
    if (control == nullptr)
        return refusal(name, "there is no control of that name");
    const form::ControlKind kind = control->kind();
    if (kind != form::ControlKind::Edit && kind != form::ControlKind::ComboBox &&
        kind != form::ControlKind::CheckBox)
        return refusal(control->name(), std::string("the control is a ") + form::kindName(kind) +
                                            "; only an edit, a list or a check box can be set");
    if (std::optional<std::string> why = unreachable(*control))
        return refusal(control->name(), *why);

    const Verdict verdict(form, shown, *control);
    std::optional<SettingRefusal> step;
    switch (kind) {
    case form::ControlKind::Edit:
        step = typeInto(static_cast<form::Edit&>(*control), value, verdict);
        break;
    case form::ControlKind::ComboBox:
        step = pick(static_cast<form::ComboBox&>(*control), value);
        break;
    default:
        step = click(static_cast<form::CheckBox&>(*control), value, verdict);
        break;
    }
    return step ? step : verdict.result();
}

} // namespace ccp::app
