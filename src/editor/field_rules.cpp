#include "editor/field_rules.h"

#include "form/conversion.h"

#include <string>

namespace ccp::editor {
namespace {

using form::Edit;
using form::strToInt;

// Backspace, Enter, the clipboard shortcuts and the other control keys.
constexpr int kLastControlCode = 26;

bool isControl(int code) {
    return code >= 0 && code <= kLastControlCode;
}
bool isDigit(int code) {
    return code >= '0' && code <= '9';
}
bool isUpperHex(int code) {
    return code >= 'A' && code <= 'F';
}
bool isLowerHex(int code) {
    return code >= 'a' && code <= 'f';
}
bool isLetter(int code) {
    return (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z');
}
int upper(int code) {
    return code - 'a' + 'A';
}

constexpr int kContrastMax = 63;
constexpr int kContrastMin = 1;
constexpr int kSecondsMax = 255;
constexpr int kRangetimeDefault = 30;
constexpr int kBs1Min = 2;
constexpr int kBs1Max = 61;
constexpr int kBs3Min = 3;
constexpr int kBs3Max = 62;
// The LCD drivers of platforms 1-6 need an operational-amplifier setting of at
// least 3; the T6K04 of platform 0 takes every value.
constexpr int kOpaMinAbovePlatform0 = 3;

} // namespace

FieldRules::FieldRules(EditorContext& context) : context_(context) {
}

void FieldRules::bind() {
    model::PagerSettings& s = context_.settings;
    auto digits = [this](Edit& f, int code) { return lengthKeyPress(f, code); };
    auto hex = [this](Edit& f, int code) { return tonepatternAKeyPress(f, code); };

    for (Edit& f : s.address)
        f.onKeyPress = digits;
    for (Edit& f : s.pubboxlength)
        f.onKeyPress = digits;
    for (Edit* f : {&s.contrast, &s.lcdholdtime, &s.password, &s.firmwareversion, &s.rangetime,
                    &s.bs1, &s.bs3})
        f->onKeyPress = digits;

    for (Edit* f : {&s.tonepatternA, &s.tonepatternB, &s.tonepatternC, &s.tonepatternD,
                    &s.tonepatternPon, &s.tonepatternLcell, &s.tonepatternUcall}) {
        f->onKeyPress = hex;
        f->onExit = [this, f] { FixedNumberExit(*f); };
    }
    s.password.onExit = [this, &s] { FixedNumberExit(s.password); };
    for (Edit& f : s.pubbox)
        f.onExit = [this, &f] { FixedStringExit(f); };
    s.hellomsg1.onExit = [this, &s] { FixedStringExit(s.hellomsg1); };

    s.serial.onKeyPress = [this](Edit& f, int code) { return serialKeyPress(f, code); };
    s.serial.onExit = [this] { serialExit(); };
    s.subversion.onKeyPress = [this](Edit& f, int code) { return subversionKeyPress(f, code); };

    s.contrast.onExit = [this] { contrastExit(); };
    s.lcdholdtime.onChange = [this] { lcdholdtimeChange(); };
    s.lcdholdtime.onExit = [this] { lcdholdtimeExit(); };
    s.rangetime.onExit = [this] { rangetimeExit(); };
    s.bs1.onExit = [this] { bs1Exit(); };
    s.bs3.onExit = [this] { bs3Exit(); };
    s.lcddrv_opa.onChange = [this] { lcddrv_opaChange(); };
    s.repeatcallcheck.onChange = [this] { repeatcallcheckChange(); };
}

std::optional<int> FieldRules::reject(const char* message) {
    context_.log.append(message);
    return std::nullopt;
}

std::optional<int> FieldRules::lengthKeyPress(Edit&, int code) {
    if (isControl(code) || isDigit(code))
        return code;
    return reject(kDigitKeysOnly);
}

std::optional<int> FieldRules::tonepatternAKeyPress(Edit&, int code) {
    if (isControl(code) || isDigit(code) || isUpperHex(code))
        return code;
    if (isLowerHex(code))
        return upper(code);
    return reject(kHexKeysOnly);
}

std::optional<int> FieldRules::subversionKeyPress(Edit&, int code) {
    if (isControl(code) || isUpperHex(code))
        return code;
    if (isLowerHex(code))
        return upper(code);
    return reject(kLetterKeysOnly);
}

std::optional<int> FieldRules::serialKeyPress(Edit&, int code) {
    if (isControl(code) || isDigit(code) || isLetter(code))
        return code;
    return reject(kSerialKeysOnly);
}

void FieldRules::padExit(Edit& field, char pad) {
    const auto width = static_cast<std::size_t>(field.maxLength());
    std::string text = field.text();
    if (text.size() < width)
        text.append(width - text.size(), pad);
    field.setText(std::move(text));
}

void FieldRules::FixedNumberExit(Edit& field) {
    padExit(field, '0');
}

void FieldRules::FixedStringExit(Edit& field) {
    padExit(field, ' ');
}

void FieldRules::serialExit() {
    FixedStringExit(context_.settings.serial);
}

void FieldRules::contrastExit() {
    Edit& contrast = context_.settings.contrast;
    if (contrast.text().empty()) {
        context_.ui().beep();
        context_.log.append(kEnterValidNumber);
        context_.ui().focus(contrast);
        return;
    }
    if (strToInt(contrast.text()) > kContrastMax)
        contrast.setText(std::to_string(kContrastMax));
    if (strToInt(contrast.text()) < kContrastMin)
        contrast.setText(std::to_string(kContrastMin));
}

void FieldRules::lcdholdtimeChange() {
    model::PagerSettings& s = context_.settings;
    if (s.lcdholdtime.text().empty())
        return;
    if (strToInt(s.lcdholdtime.text()) > kSecondsMax)
        s.lcdholdtime.setText(std::to_string(kSecondsMax));
    // A hold time of 0 keeps the display on; only then do the on/off blink
    // times apply.
    const bool alwaysOn = strToInt(s.lcdholdtime.text()) == 0;
    for (form::ComboBox* choice : {&s.lcd_on_time, &s.lcd_off_time}) {
        choice->setEnabled(alwaysOn);
        if (!alwaysOn)
            choice->setIndex(choice->indexOf("Disabled"));
    }
}

void FieldRules::lcdholdtimeExit() {
    Edit& holdtime = context_.settings.lcdholdtime;
    if (holdtime.text().empty()) {
        context_.log.append(kEnterValidNumber);
        context_.ui().focus(holdtime);
    }
}

void FieldRules::rangetimeExit() {
    Edit& rangetime = context_.settings.rangetime;
    if (rangetime.text().empty())
        rangetime.setText(std::to_string(kRangetimeDefault));
    if (strToInt(rangetime.text()) > kSecondsMax)
        rangetime.setText(std::to_string(kSecondsMax));
}

void FieldRules::readAndClampBs(int& bs1, int& bs3) {
    model::PagerSettings& s = context_.settings;
    bs1 = strToInt(s.bs1.text());
    bs3 = strToInt(s.bs3.text());
    auto clamp = [](Edit& field, int& value, int min, int max) {
        if (value < min || value > max) {
            value = value < min ? min : max;
            field.setText(std::to_string(value));
        }
    };
    clamp(s.bs1, bs1, kBs1Min, kBs1Max);
    clamp(s.bs3, bs3, kBs3Min, kBs3Max);
}

void FieldRules::bs1Exit() {
    int bs1 = 0;
    int bs3 = 0;
    readAndClampBs(bs1, bs3);
    if (bs1 >= bs3)
        context_.settings.bs1.setText(std::to_string(bs3 - 1));
}

void FieldRules::bs3Exit() {
    int bs1 = 0;
    int bs3 = 0;
    readAndClampBs(bs1, bs3);
    if (bs1 >= bs3)
        context_.settings.bs3.setText(std::to_string(bs1 + 1));
}

void FieldRules::lcddrv_opaChange() {
    form::ComboBox& opa = context_.settings.lcddrv_opa;
    if (context_.hardwarePlatform == 0 || opa.index() < 0)
        return;
    if (strToInt(opa.text()) < kOpaMinAbovePlatform0)
        opa.setIndex(opa.indexOf(std::to_string(kOpaMinAbovePlatform0)));
}

void FieldRules::repeatcallcheckChange() {
    const std::string check = context_.settings.repeatcallcheck.text();
    context_.settings.repeatcallreject.setEnabled(check == "CT independent" ||
                                                  check == "CT dependent");
}

} // namespace ccp::editor
