// Every control's observable state as text, keyed by name: for tests that a
// rule changes nothing, or changes only what it should.
#pragma once

#include "form/controls.h"

#include <map>
#include <string>

namespace ccp::testing {

inline std::string describe(const form::Control& c) {
    std::string s = std::string(c.enabled() ? "E" : "e") + (c.visible() ? "V" : "v") + " '" +
                    c.caption() + "' hint '" + c.hint() + "'";
    switch (c.kind()) {
    case form::ControlKind::Edit:
        s += " text '" + static_cast<const form::Edit&>(c).text() + "'";
        break;
    case form::ControlKind::ComboBox: {
        const auto& list = static_cast<const form::ComboBox&>(c);
        s += " index " + std::to_string(list.index()) + " of";
        for (const std::string& item : list.items())
            s += " '" + item + "'";
        break;
    }
    case form::ControlKind::CheckBox:
        s += static_cast<const form::CheckBox&>(c).checked() ? " checked" : " unchecked";
        break;
    case form::ControlKind::MenuItem:
        s += static_cast<const form::MenuItem&>(c).checked() ? " checked" : " unchecked";
        break;
    case form::ControlKind::LogPane:
        s += " lines " + std::to_string(static_cast<const form::LogPane&>(c).lines().size());
        break;
    default:
        break;
    }
    return s;
}

inline std::map<std::string, std::string> snapshot(const form::Form& form) {
    std::map<std::string, std::string> state;
    for (const form::Control* c : form.controls())
        state[c->name()] = describe(*c);
    return state;
}

// Names whose state differs between two snapshots.
inline std::map<std::string, std::string> changes(const std::map<std::string, std::string>& before,
                                                  const std::map<std::string, std::string>& after) {
    std::map<std::string, std::string> diff;
    for (const auto& [name, state] : after)
        if (before.at(name) != state)
            diff[name] = before.at(name) + " -> " + state;
    return diff;
}

} // namespace ccp::testing
