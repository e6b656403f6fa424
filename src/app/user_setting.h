// Setting a control as a user would at the window. An edit gets the focus,
// its whole text is selected and typed over: the value's first key replaces
// it, the others follow key by key through its key filter (an empty value
// empties it), and it is left (exit rule); a list picks the item with the
// value's text (change rule); a check box takes 1 or 0 and is clicked when
// its state differs. What a user could not do there, or what the control's
// rules turn down, is refused.
#pragma once

#include "app/tform1.h"
#include "app/ui_record.h"

#include <optional>
#include <string>

namespace ccp::app {

struct SettingRefusal {
    std::string control; // the control's name, or the name given when none has it
    std::string reason;  // UTF-8
};

// `value` is Latin-1 text, as the controls hold it. Refused for: an unknown
// name; a control that is not an edit, list or check box; a disabled, hidden
// or read-only control; a character the key filter turns down; a value
// longer than the edit takes; an item the list does not hold; a check box
// value other than 1 or 0; a value the control's rules reject (they log why
// and give the focus back, or a conversion error box appears).
std::optional<SettingRefusal> applySetting(TForm1& form, const UiRecord& shown,
                                           const std::string& name, const std::string& value);

// Why a user cannot reach the control, or nothing when they can.
std::optional<std::string> unreachable(const form::Control& control);

} // namespace ccp::app
