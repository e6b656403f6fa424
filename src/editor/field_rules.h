// Input rules of the single text fields and of two list choices: key filters
// that let only certain characters in, padding to a fixed width on leaving,
// and the range corrections of contrast, hold time, out-of-range delay, BS1/BS3
// and OPA. The rules read the controls and set them again; a text that is not a
// number raises ConversionError, which the outermost user event shows.
#pragma once

#include "editor/editor_context.h"
#include "form/controls.h"

#include <optional>

namespace ccp::editor {

// Rejection messages of the four key filters, logged without a beep.
inline constexpr const char* kDigitKeysOnly = "Number Key and backspace key only";
inline constexpr const char* kHexKeysOnly = "0-9, A-F and backspace key only";
inline constexpr const char* kLetterKeysOnly = "A-F and backspace key only";
inline constexpr const char* kSerialKeysOnly = "0-9, A-Z, a-z and backspace key only";
inline constexpr const char* kEnterValidNumber = "Please enter a valid number!";

class FieldRules {
public:
    explicit FieldRules(EditorContext& context);

    // Sets the key filters, change and exit rules of every field below, the
    // digit filter of the capcode and folder-length fields, and the padding rule
    // of the folder titles. `firmwareversion` gets its key filter only.
    void bind();

    // Key filters: codes 0-26 (backspace, Enter, the other control keys) always
    // pass; any other code passes only if listed, possibly converted. A rejected
    // key is swallowed and its message logged.
    std::optional<int> lengthKeyPress(form::Edit& field, int code);       // 0-9
    std::optional<int> tonepatternAKeyPress(form::Edit& field, int code); // 0-9 A-F, a-f -> A-F
    std::optional<int> subversionKeyPress(form::Edit& field, int code);   // A-F, a-f -> A-F
    std::optional<int> serialKeyPress(form::Edit& field, int code);       // 0-9 A-Z a-z

    // Pad the field on the right to its maximum length with "0" or a space; a
    // text already that long or longer stays as it is.
    void FixedNumberExit(form::Edit& field);
    void FixedStringExit(form::Edit& field);
    void serialExit();

    // Empty: beep, message, focus back. Otherwise 64 and above become 63, then
    // 0 and below become 1.
    void contrastExit();
    // Above 255 becomes 255; 0 (display always on) enables the LCD on/off
    // choices, any other value disables them and selects "Disabled" in both.
    void lcdholdtimeChange();
    // Empty: message and focus back, no beep.
    void lcdholdtimeExit();
    // Empty becomes 30, above 255 becomes 255.
    void rangetimeExit();
    // Both clamp bs1 to 2-61 and bs3 to 3-62; when bs1 >= bs3 the field being
    // left gives way, so that 2 <= bs1 < bs3 <= 62 afterwards.
    void bs1Exit();
    void bs3Exit();
    // Platforms 1-6: OPA 0, 1 and 2 become 3. Platform 0 allows every value.
    void lcddrv_opaChange();
    // Repeat call rejection is offered only while the check is not "Disabled".
    void repeatcallcheckChange();

private:
    std::optional<int> reject(const char* message);
    void padExit(form::Edit& field, char pad);
    void readAndClampBs(int& bs1, int& bs3);

    EditorContext& context_;
};

} // namespace ccp::editor
