// Rules that show, hide, enable or disable several controls at once take
// them as a braced list of controls.
#pragma once

#include "form/control.h"

#include <initializer_list>

namespace ccp::app {

using Controls = std::initializer_list<form::Control*>;

inline void show(Controls controls, bool visible = true) {
    for (form::Control* c : controls)
        c->setVisible(visible);
}

inline void hide(Controls controls) {
    show(controls, false);
}

inline void enable(Controls controls, bool enabled = true) {
    for (form::Control* c : controls)
        c->setEnabled(enabled);
}

} // namespace ccp::app
