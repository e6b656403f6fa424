// Rules of the channel-frequency field and the channel-spacing list: digit-only
// typing with the separator put in after the third digit, completion to
// "xxx.xxxxx" on exit, and the two conversions between the field and the PLL
// words in the images. A state without words (no step, no chip) keeps the
// previous words and leaves the field as it was.
#pragma once

#include "editor/editor_context.h"
#include "form/controls.h"

#include <optional>
#include <string>

namespace ccp::editor {

class ChannelFrequencyRules {
public:
    explicit ChannelFrequencyRules(EditorContext& context);

    // Sets channelfreq.onKeyPress, channelfreq.onExit and channelspace.onChange.
    void bind();

    // Control keys (codes below 31) pass, digits pass, anything else is
    // swallowed; the third digit is appended with the decimal separator.
    std::optional<int> channelfreqKeyPress(form::Edit& edit, int code);
    // Completes the text to 9 characters, stores the words and shows the
    // frequency they really produce.
    void channelfreqExit();
    // Hand programming needs 25 kHz spacing on firmware 1 and 2 of platforms
    // below 5; then the frequency is stored again for the new step.
    void channelspaceChange();

    // channelfreq, channelspace, pll and the platform to the image words.
    void frequencyToWords();
    // The image words and pll to the channelfreq text.
    void wordsToFrequency();

private:
    // Converts `text` (ConversionError when it is not a number) and stores the
    // words; false when the state has no words and the images kept theirs.
    bool storeWords(const std::string& text);

    EditorContext& context_;
};

} // namespace ccp::editor
