#include "tool/user_setting.h"

#include "form/controls.h"
#include "tool/latin1.h"

#include <algorithm>
#include <utility>

namespace ccp::tool {
namespace {

std::string quoted(const std::string& latin1) {
    return std::string("'").append(printableUtf8(latin1)).append("'");
}

// Why a user cannot reach the control, or nothing when they can.
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

// What happened at the window while one setting was made: error boxes, and
// the rules giving the focus back to the control because they reject its value.
class Verdict {
public:
    Verdict(HeadlessForm& headless, const form::Control& control)
        : headless_(headless), control_(control), lines_(headless.form().Memo1.lines().size()),
          errors_(headless.ui().errorBoxes()), focus_(headless.ui().focusRequests().size()) {}

    std::size_t logSize() const { return headless_.form().Memo1.lines().size(); }
    // The last log line appended since the log held `since` lines, or an
    // empty text.
    std::string lastLogLine(std::size_t since) const {
        const std::vector<std::string>& lines = headless_.form().Memo1.lines();
        return lines.size() > since ? printableUtf8(lines.back()) : std::string();
    }
    // The same since the setting began.
    std::string lastLogLine() const { return lastLogLine(lines_); }

    StepResult result() const {
        const HeadlessUi& ui = headless_.ui();
        if (ui.errorBoxes() > errors_)
            return refused(control_.name(), std::string("the value is not accepted: ")
                                                .append(printableUtf8(ui.boxTexts().back())));
        const auto& focus = ui.focusRequests();
        if (std::find(focus.begin() + static_cast<std::ptrdiff_t>(focus_), focus.end(),
                      &control_) != focus.end()) {
            const std::string why = lastLogLine();
            std::string reason = "the field's rule rejects the value";
            if (!why.empty())
                reason.append(": ").append(why);
            return refused(control_.name(), reason);
        }
        return {};
    }

private:
    HeadlessForm& headless_;
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

StepResult typeInto(form::Edit& edit, const std::string& value, const Verdict& verdict) {
    if (edit.readOnly())
        return refused(edit.name(), "the field is read-only");
    for (char c : value) {
        if (static_cast<unsigned char>(c) < 0x20)
            return refused(edit.name(), "a control character cannot be typed");
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
            return refused(edit.name(), reason);
        }
        supplied.clear();
        if (!typedOver && after == before && edit.maxLength() > 0 &&
            static_cast<int>(before.size()) >= edit.maxLength())
            return refused(edit.name(), quoted(value)
                                            .append(" is longer than the field's ")
                                            .append(std::to_string(edit.maxLength()))
                                            .append(" characters"));
    }
    edit.userLeave();
    return {};
}

StepResult pick(form::ComboBox& list, const std::string& value) {
    const int index = list.indexOf(value);
    if (index < 0) {
        std::string items;
        for (const std::string& item : list.items())
            items.append(items.empty() ? "" : ", ").append(quoted(item));
        return refused(list.name(), std::string("the list has no item ")
                                        .append(quoted(value))
                                        .append(" (items: ")
                                        .append(items.empty() ? "none" : items)
                                        .append(")"));
    }
    list.userPick(index);
    return {};
}

StepResult click(form::CheckBox& box, const std::string& value, const Verdict& verdict) {
    if (value != "1" && value != "0")
        return refused(box.name(),
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
        return refused(box.name(), reason);
    }
    return {};
}

} // namespace

std::optional<Assignment> parseAssignment(std::string_view text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0)
        return std::nullopt;
    return Assignment{std::string(text.substr(0, equals)), std::string(text.substr(equals + 1))};
}

StepResult applySetting(HeadlessForm& headless, const Assignment& assignment) {
    form::Control* control = headless.form().find(assignment.name);
    if (control == nullptr)
        return refused(assignment.name, "there is no control of that name");
    const form::ControlKind kind = control->kind();
    if (kind != form::ControlKind::Edit && kind != form::ControlKind::ComboBox &&
        kind != form::ControlKind::CheckBox)
        return refused(control->name(), std::string("the control is a ") + form::kindName(kind) +
                                            "; only an edit, a list or a check box can be set");
    std::string offending;
    const std::optional<std::string> value = utf8ToLatin1(assignment.value, &offending);
    if (!value)
        return refused(control->name(), std::string("'").append(offending).append(
                                            "' is not a character of the pager's set (Latin-1)"));
    if (std::optional<std::string> why = unreachable(*control))
        return refused(control->name(), *why);

    const Verdict verdict(headless, *control);
    StepResult step;
    switch (kind) {
    case form::ControlKind::Edit:
        step = typeInto(static_cast<form::Edit&>(*control), *value, verdict);
        break;
    case form::ControlKind::ComboBox:
        step = pick(static_cast<form::ComboBox&>(*control), *value);
        break;
    default:
        step = click(static_cast<form::CheckBox&>(*control), *value, verdict);
        break;
    }
    return step.done() ? verdict.result() : step;
}

} // namespace ccp::tool
