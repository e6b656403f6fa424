// The editor's world without a window: the setting controls on a bare form,
// a log pane, a recording user interface, the platform and separator the
// rules read, and the two images.
#pragma once

#include "editor/address_rules.h"
#include "editor/channel_frequency_rules.h"
#include "editor/editor_context.h"
#include "editor/field_rules.h"
#include "editor/folder_rules.h"
#include "editor/image_decoder.h"
#include "editor/image_encoder.h"
#include "editor/image_files.h"
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

// The editor as the window has it: every rule module bound, the codecs and
// the image files on top.
struct BoundEditor {
    BoundEditor() {
        fields.bind();
        folders.bind();
        addresses.bind();
        frequency.bind();
    }

    EditorRig rig;
    editor::FieldRules fields{rig.context};
    editor::FolderRules folders{rig.context};
    editor::AddressRules addresses{rig.context};
    editor::ChannelFrequencyRules frequency{rig.context};
    editor::ImageEncoder encoder{rig.context, fields, folders, frequency};
    editor::ImageDecoder decoder{rig.context, frequency};
    editor::ImageFiles files{rig.context, encoder, decoder, addresses};
};

} // namespace ccp::testing
