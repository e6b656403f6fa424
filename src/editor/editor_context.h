// What the editor rules work on: the setting controls, the log pane, the
// window's shared values they read (hardware platform, decimal separator) and
// the images the channel-frequency words go into. The main window owns all
// of it and hands the rules this view.
#pragma once

#include "form/controls.h"
#include "form/user_interface.h"
#include "model/image.h"
#include "model/pager_settings.h"

#include <cstdint>

namespace ccp::editor {

struct EditorContext {
    model::PagerSettings& settings;
    form::LogPane& log;                // Memo1
    const std::uint8_t& hardwarePlatform;
    const char& decimalSeparator;      // '.' or ','
    model::EepromImage& eeprom;
    model::DecoderImage& decoder;

    form::UserInterface& ui() const { return settings.owner().ui(); }
};

} // namespace ccp::editor
