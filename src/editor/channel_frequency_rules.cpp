#include "editor/channel_frequency_rules.h"

#include "form/conversion.h"
#include "model/channel_frequency.h"

namespace ccp::editor {
namespace {

constexpr std::size_t kFieldWidth = 9;
// Digits before the separator in the field's "xxx.xxxxx" form.
constexpr std::size_t kWholeDigits = 3;
constexpr int kControlKeyLimit = 31; // codes below it pass unchanged
// Firmware 1 and 2 of the platforms below this one program by hand only on
// 25 kHz channels (`channelspace` index 0).
constexpr int kHandProgramPlatformLimit = 5;
constexpr int kSpacing25kHz = 0;

bool isBlank(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

} // namespace

ChannelFrequencyRules::ChannelFrequencyRules(EditorContext& context) : context_(context) {
}

void ChannelFrequencyRules::bind() {
    auto& s = context_.settings;
    s.channelfreq.onKeyPress = [this](form::Edit& edit, int code) {
        return channelfreqKeyPress(edit, code);
    };
    s.channelfreq.onExit = [this] { channelfreqExit(); };
    s.channelspace.onChange = [this] { channelspaceChange(); };
}

std::optional<int> ChannelFrequencyRules::channelfreqKeyPress(form::Edit& edit, int code) {
    if (code < kControlKeyLimit) {
        return code;
    }
    if (code < '0' || code > '9') {
        return std::nullopt;
    }
    if (edit.text().size() == kWholeDigits - 1) {
        edit.setText(std::string(edit.text())
                         .append(1, static_cast<char>(code))
                         .append(1, context_.decimalSeparator));
        return std::nullopt;
    }
    return code;
}

void ChannelFrequencyRules::channelfreqExit() {
    auto& field = context_.settings.channelfreq;
    std::string text = field.text();
    if (text.size() < kFieldWidth) {
        while (text.size() < kWholeDigits) {
            text += '0';
        }
        if (text.size() == kWholeDigits) {
            text += context_.decimalSeparator;
        }
        text.append(kFieldWidth - text.size(), '0');
    }
    // A text that is not a number stops here, before the field or the images change.
    const bool written = storeWords(text);
    field.setText(text);
    if (written) {
        wordsToFrequency();
    }
}

void ChannelFrequencyRules::channelspaceChange() {
    auto& s = context_.settings;
    bool restricted = false;
    if (context_.hardwarePlatform < kHandProgramPlatformLimit) {
        const int firmware = form::strToInt(s.firmwareversion.text());
        restricted = firmware == 1 || (firmware == 2 && isBlank(s.subversion.text()));
    }
    if (restricted && s.channelspace.index() != kSpacing25kHz) {
        s.handprogram.setChecked(false);
        s.handprogram.setEnabled(false);
    } else {
        s.handprogram.setEnabled(true);
    }
    channelfreqExit();
}

void ChannelFrequencyRules::frequencyToWords() {
    storeWords(context_.settings.channelfreq.text());
}

bool ChannelFrequencyRules::storeWords(const std::string& text) {
    const auto& s = context_.settings;
    const double mhz = form::strToFloat(text, context_.decimalSeparator);
    return model::frequencyToWords(context_.eeprom, context_.decoder, mhz, s.channelspace.index(),
                                   s.pll.index(), model::layoutOf(context_.hardwarePlatform)) ==
           model::WordsResult::Written;
}

void ChannelFrequencyRules::wordsToFrequency() {
    auto& s = context_.settings;
    const auto mhz = model::wordsToFrequency(context_.eeprom, context_.decoder, s.pll.index(),
                                             model::layoutOf(context_.hardwarePlatform));
    if (!mhz) {
        return;
    }
    s.channelfreq.setText({});
    s.channelfreq.setText(model::frequencyText(*mhz, context_.decimalSeparator));
}

} // namespace ccp::editor
