#include "app/settings_diff.h"

#include "editor/image_files.h"

#include <algorithm>
#include <cstdio>

namespace ccp::app {

std::optional<std::string> settingValue(const form::Control& control) {
    switch (control.kind()) {
    case form::ControlKind::Edit:
        return static_cast<const form::Edit&>(control).text();
    case form::ControlKind::ComboBox:
        return static_cast<const form::ComboBox&>(control).text();
    case form::ControlKind::CheckBox:
        return std::string(static_cast<const form::CheckBox&>(control).checked() ? "1" : "0");
    default:
        return std::nullopt;
    }
}

std::vector<std::uint8_t> imageFileBytes(const TForm1& window) {
    const editor::FileFormat format = editor::fileFormatOf(window.HardwarePlatform);
    const std::size_t imageBytes = std::min(format.length, model::kEepromSize);
    std::vector<std::uint8_t> bytes(window.EepromImage.begin(),
                                    window.EepromImage.begin() + imageBytes);
    if (format.withDecoder)
        bytes.insert(bytes.end(), window.DecoderImage.begin(), window.DecoderImage.end());
    return bytes;
}

ImageDiff diffWindows(const TForm1& a, const TForm1& b) {
    ImageDiff diff;
    for (const form::Control* control : a.controls()) {
        const std::optional<std::string> before = settingValue(*control);
        if (!before)
            continue;
        const form::Control* other = b.find(control->name());
        const std::optional<std::string> after =
            other != nullptr ? settingValue(*other) : std::nullopt;
        if (after && *before != *after)
            diff.settings.push_back({control->name(), *before, *after});
    }
    const std::vector<std::uint8_t> bytesA = imageFileBytes(a);
    const std::vector<std::uint8_t> bytesB = imageFileBytes(b);
    const std::size_t common = std::min(bytesA.size(), bytesB.size());
    for (std::size_t offset = 0; offset < common; ++offset) {
        if (bytesA[offset] != bytesB[offset])
            diff.bytes.push_back({offset, bytesA[offset], bytesB[offset]});
    }
    return diff;
}

std::vector<std::string> diffLines(const ImageDiff& diff) {
    std::vector<std::string> lines;
    for (const SettingChange& change : diff.settings)
        lines.push_back(change.name + ": " + change.before + " -> " + change.after);
    for (const ByteChange& change : diff.bytes) {
        char line[32];
        std::snprintf(line, sizeof line, "byte 0x%03zX: %02X -> %02X", change.offset, change.before,
                      change.after);
        lines.emplace_back(line);
    }
    return lines;
}

} // namespace ccp::app
