#include "tool/text_format.h"

#include "app/config_text.h"
#include "tool/headless_form.h"
#include "tool/latin1.h"

#include <algorithm>
#include <map>
#include <vector>

namespace ccp::tool {
namespace {

// A list shows at most this many of its items; longer ones their first
// and last.
constexpr std::size_t kItemsShown = 8;

struct Row {
    std::string name;
    std::string page;
    std::string kind;
    std::string values;
    std::vector<int> platforms;
};

std::string quotedItem(const std::string& latin1) {
    std::string text(1, '"');
    text.append(printableUtf8(latin1)).push_back('"');
    return text;
}

std::string valuesOf(const form::Control& control) {
    switch (control.kind()) {
    case form::ControlKind::Edit: {
        const int length = static_cast<const form::Edit&>(control).maxLength();
        return length > 0 ? "text, up to " + std::to_string(length) + " characters" : "text";
    }
    case form::ControlKind::ComboBox: {
        const std::vector<std::string>& items = static_cast<const form::ComboBox&>(control).items();
        std::string text;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items.size() > kItemsShown && i >= 3 && i + 1 < items.size()) {
                if (i == 3)
                    text += ", ...";
                continue;
            }
            text += (i == 0 ? "" : ", ") + quotedItem(items[i]);
        }
        return "an item: " + text;
    }
    default:
        return "1 (checked) or 0";
    }
}

const char* kindOf(const form::Control& control) {
    switch (control.kind()) {
    case form::ControlKind::Edit:
        return "edit";
    case form::ControlKind::ComboBox:
        return "list";
    default:
        return "check box";
    }
}

std::string pageOf(const form::Control& control) {
    const form::Control* at = &control;
    while (at != nullptr && at->kind() != form::ControlKind::TabSheet)
        at = at->parent();
    return at != nullptr ? printableUtf8(at->caption()) : std::string();
}

// Runs of consecutive numbers as spans, each end written by `write`:
// "0-6", "2-4, 6"; "0x000, 0x02A-0x02F".
template <typename Number, typename Write>
std::string spansOf(const std::vector<Number>& numbers, Write write) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        if (!text.empty())
            text += ", ";
        text += write(numbers[i]);
        if (j > i)
            text.append(1, '-').append(write(numbers[j]));
        i = j + 1;
    }
    return text;
}

std::string spans(const std::vector<int>& numbers) {
    return spansOf(numbers, [](int n) { return std::to_string(n); });
}

std::string byteSpans(const std::vector<std::size_t>& offsets) {
    return spansOf(offsets, app::byteKey);
}

} // namespace

std::string textFormatTable(int profile) {
    std::vector<Row> rows;
    std::map<std::string, std::size_t> at;
    std::vector<int> platforms;
    for (int platform = 0; platform < model::kPlatformCount; ++platform) {
        HeadlessForm headless(profile, nullptr, nullptr);
        if (!headless.stepToPlatform(platform).done())
            continue;
        platforms.push_back(platform);
        std::size_t after = 0;
        for (const form::Control* control : app::textSettings(headless.form())) {
            const auto found = at.find(control->name());
            if (found != at.end()) {
                rows[found->second].platforms.push_back(platform);
                after = found->second + 1;
                continue;
            }
            rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(after), {control->name(),
                                                                            pageOf(*control),
                                                                            kindOf(*control),
                                                                            valuesOf(*control),
                                                                            {platform}});
            for (auto& [name, index] : at)
                if (index >= after)
                    ++index;
            at[control->name()] = after++;
        }
    }
    std::string out = "| key | page | kind | value | platforms |\n|---|---|---|---|---|\n";
    for (const Row& row : rows)
        out += "| `" + row.name + "` | " + row.page + " | " + row.kind + " | " + row.values +
               " | " + spans(row.platforms) + " |\n";
    out += "\n| platforms | [bytes]: the image file's bytes that no setting writes |\n|---|---|\n";
    for (std::size_t i = 0; i < platforms.size();) {
        std::size_t j = i;
        const std::vector<std::size_t> bytes = app::unnamedBytes(platforms[i]);
        while (j + 1 < platforms.size() && app::unnamedBytes(platforms[j + 1]) == bytes)
            ++j;
        out += "| " +
               spans({platforms.begin() + static_cast<std::ptrdiff_t>(i),
                      platforms.begin() + static_cast<std::ptrdiff_t>(j) + 1}) +
               " | " + byteSpans(bytes) + " |\n";
        i = j + 1;
    }
    return out;
}

} // namespace ccp::tool
