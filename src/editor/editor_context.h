// What the editor rules and codecs work on: the setting controls, the log
// pane, the window's shared values they read (hardware platform, decimal
// separator, customer profile) and the two images. The main window owns all
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
    const std::uint8_t& customerProfile; // the profile in force, 0-6

    form::UserInterface& ui() const { return settings.owner().ui(); }
};

} // namespace ccp::editor
