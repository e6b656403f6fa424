// Decoding: the EepromImage (and on platforms 0-1 the DecoderImage) into the
// setting controls, in the layout of the platform selected now. Values are set
// through the controls in a fixed order, so the change rules of edits and the
// click rules of check boxes run as each value changes; lists run nothing.
// Nothing is validated or logged here, and neither image is changed.
#pragma once

#include "editor/channel_frequency_rules.h"
#include "editor/editor_context.h"
#include "model/image.h"

namespace ccp::editor {

class ImageDecoder {
public:
    ImageDecoder(EditorContext& context, ChannelFrequencyRules& frequencyRules);

    // All steps in order; ends with the channelfreq text from the PLL words.
    void decode();

private:
    // Step groups of decode(); each reads the images and sets controls only.
    void decodeDisplayAndAddressFormats(model::Layout layout); // 16
    void decodeChannelSpacing(model::Layout layout);           // 18
    void decodeFolders();                                      // 20
    void decodePllAndMenuOptions(model::Layout layout);        // 24-26
    void decodeSm8212Block();                                  // 28
    void decodeUrgentCallMatrix();                             // 28.1
    void decodePcd5003Block();                                 // 29
    void decodeRssiAndEpson();                                 // 30

    EditorContext& context_;
    ChannelFrequencyRules& frequencyRules_;
};

} // namespace ccp::editor
