// The editor's world without a window: the setting controls on a bare form,
// a log pane, a recording user interface, the platform and separator the
// rules read, and the two images.
#pragma once

#include "editor/editor_context.h"
#include "form/controls.h"
#include "model/pager_settings.h"
#include "support/recording_ui.h"

#include <cstdint>

namespace ccp::testing {

struct EditorRig {
    EditorRig() { form.setUserInterface(&ui); }

    form::Form form;
    model::PagerSettings settings{form};
    form::LogPane log{form, "Memo1"};
    RecordingUi ui;
    std::uint8_t hardwarePlatform = 0;
    char decimalSeparator = '.';
    model::EepromImage eeprom{};
    model::DecoderImage decoder{};
    std::uint8_t customerProfile = 1;
    editor::EditorContext context{settings, log,     hardwarePlatform, decimalSeparator,
                                  eeprom,   decoder, customerProfile};
};

} // namespace ccp::testing
