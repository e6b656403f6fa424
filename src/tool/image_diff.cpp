#include "tool/image_diff.h"

#include "form/controls.h"
#include "tool/latin1.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace ccp::tool {

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

ImageDiff diffForms(const HeadlessForm& a, const HeadlessForm& b) {
    ImageDiff diff;
    for (const form::Control* control : a.form().controls()) {
        const std::optional<std::string> before = settingValue(*control);
        if (!before)
            continue;
        const form::Control* other = b.form().find(control->name());
        const std::optional<std::string> after =
            other != nullptr ? settingValue(*other) : std::nullopt;
        if (after && *before != *after)
            diff.settings.push_back({control->name(), *before, *after});
    }
    const std::vector<std::uint8_t> bytesA = a.fileBytes();
    const std::vector<std::uint8_t> bytesB = b.fileBytes();
    const std::size_t common = std::min(bytesA.size(), bytesB.size());
    for (std::size_t offset = 0; offset < common; ++offset) {
        if (bytesA[offset] != bytesB[offset])
            diff.bytes.push_back({offset, bytesA[offset], bytesB[offset]});
    }
    return diff;
}

void printDiff(const ImageDiff& diff, std::ostream& out) {
    for (const SettingChange& change : diff.settings)
        out << change.name << ": " << printableUtf8(change.before) << " -> "
            << printableUtf8(change.after) << '\n';
    for (const ByteChange& change : diff.bytes) {
        char line[32];
        std::snprintf(line, sizeof line, "byte 0x%03zX: %02X -> %02X\n", change.offset,
                      change.before, change.after);
        out << line;
    }
}

} // namespace ccp::tool
