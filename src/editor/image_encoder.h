// Image encoding: the window's settings into the EepromImage and, on the two
// oldest platforms, the DecoderImage, in the layout of the current hardware
// platform. Only the bytes the layout names are written; every other byte keeps
// its value. Byte 255 is left holding the plain sum of bytes 0-254, which the
// caller replaces with the checksums before a transfer or a save.
#pragma once

#include "editor/channel_frequency_rules.h"
#include "editor/editor_context.h"
#include "editor/field_rules.h"
#include "editor/folder_rules.h"

namespace ccp::editor {

class ImageEncoder {
public:
    ImageEncoder(EditorContext& context, FieldRules& fields, FolderRules& folders,
                 ChannelFrequencyRules& frequency);

    // Writes every setting in its fixed order. Returns false, after logging the
    // abort line, when the checked folders hold more than 99 messages: the
    // image then holds the settings up to the address formats and nothing
    // from byte 68 on. A numeric text that is not a number raises
    // ConversionError at its step; the bytes written before it stay.
    // Side effects on the window: serial, hello message and folder titles are
    // padded with spaces; in the 8212 layouts `urgentcall` follows the
    // urgent-call matrix when the matrix is in use, and the FS8170 forces
    // `bs1`/`bs3` to "30"/"31".
    bool encode();

private:
    void storeSettings();          // steps 1-15
    void storeHeadersAndFolders(); // steps 17-20
    void storeVersionAndOptions(); // steps 21-25
    void storeRegisterBlock8212(); // step 26
    void storeDecoderBlock5003();  // step 27
    void storeExtendedBlock();     // steps 28-30

    EditorContext& context_;
    FieldRules& fields_;
    FolderRules& folders_;
    ChannelFrequencyRules& frequency_;
};

} // namespace ccp::editor
