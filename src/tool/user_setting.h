// Setting a control as a user would at the window. An edit gets the focus,
// its whole text is selected and typed over: the value's first key replaces
// it, the others follow key by key through its key filter (an empty value
// empties it), and it is left (exit rule); a list picks the item with the value's text (change
// rule); a check box takes 1 or 0 and is clicked when its state differs. What a user could not do
// there, or what the control's rules turn down, is refused.
#pragma once

#include "tool/headless_form.h"

#include <optional>
#include <string>
#include <string_view>

namespace ccp::tool {

struct Assignment {
    std::string name;
    std::string value; // UTF-8, as given on the command line
};

// "NAME=VALUE", split at the first '='; nothing without '=' or without a name.
std::optional<Assignment> parseAssignment(std::string_view text);

// Refused (naming the control) for: an unknown name; a control that is not an
// edit, list or check box; a disabled, hidden or read-only control; a
// character outside Latin-1 or one the key filter turns down; a value longer
// than the edit takes; an item the list does not hold; a check box value
// other than 1 or 0; a value the control's rules reject (they log why and
// give the focus back, or a conversion error box appears).
StepResult applySetting(HeadlessForm& headless, const Assignment& assignment);

} // namespace ccp::tool
