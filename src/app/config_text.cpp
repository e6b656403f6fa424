#include "app/config_text.h"

#include "app/latin1.h"
#include "app/settings_diff.h"
#include "editor/file_io.h"
#include "editor/image_files.h"
#include "model/field_table.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <toml.hpp>
#include <tuple>

namespace ccp::app {
namespace {

// A [bytes] line holds the bytes of one 16-byte row of the image at most, so
// that a byte keeps its line whatever its neighbours do.
constexpr std::size_t kBytesPerLine = 16;

bool isHeaderSetting(const std::string& name) {
    return name == "firmwareversion" || name == "subversion";
}

bool coversDecoderByte(std::size_t offset) {
    return std::any_of(model::decoderFields().begin(), model::decoderFields().end(),
                       [offset](const model::FieldSpec& field) {
                           return offset >= field.offset && offset < field.end();
                       });
}

// Page index, then top and left inside the page, as the designer placed it.
std::tuple<int, int, int> placeOf(const form::Control& control, const TForm1& window) {
    int top = 0;
    int left = 0;
    const form::Control* at = &control;
    for (; at != nullptr && at->kind() != form::ControlKind::TabSheet; at = at->parent()) {
        top += at->bounds().top;
        left += at->bounds().left;
    }
    const auto& pages = window.PageControl1.pages();
    const auto page = std::find(pages.begin(), pages.end(), at);
    return {static_cast<int>(page - pages.begin()), top, left};
}

// A TOML basic string of a Latin-1 text.
std::string quotedText(const std::string& latin1) {
    std::string out = "\"";
    for (char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", byte);
            out += escaped;
        } else {
            out += latin1ToUtf8(std::string_view(&c, 1));
        }
    }
    return out + "\"";
}

std::string withoutAccelerator(std::string caption) {
    caption.erase(std::remove(caption.begin(), caption.end(), '&'), caption.end());
    return caption;
}

int lineOf(const toml::value& value) {
    return static_cast<int>(value.location().line());
}

// The entries of a table in the order of their lines.
std::vector<std::pair<std::string, const toml::value*>> inFileOrder(const toml::table& table) {
    std::vector<std::pair<std::string, const toml::value*>> entries;
    for (const auto& [key, value] : table)
        entries.emplace_back(key, &value);
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return lineOf(*a.second) < lineOf(*b.second);
    });
    return entries;
}

TextProblem problem(int line, std::string key, std::string reason) {
    return {line, std::move(key), std::move(reason)};
}

std::optional<TextProblem> readEntries(const toml::value& section, const std::string& name,
                                       std::vector<TextEntry>& entries) {
    if (!section.is_table())
        return problem(lineOf(section), name, "is a section: [" + name + "]");
    for (const auto& [key, value] : inFileOrder(section.as_table())) {
        if (!value->is_string())
            return problem(lineOf(*value), key,
                           "the value is a quoted text, as the window shows it");
        entries.push_back({lineOf(*value), key, value->as_string().str});
    }
    return std::nullopt;
}

// The first line of a TOML syntax message, less its "[error] " lead.
std::string syntaxReason(const std::string& what) {
    std::string reason = what.substr(0, what.find('\n'));
    const std::string lead = "[error] ";
    if (reason.starts_with(lead))
        reason.erase(0, lead.size());
    return "the text is not TOML (" + reason + ")";
}

} // namespace

bool isImageSetting(const form::Control& control, int platform) {
    const form::ControlKind kind = control.kind();
    if ((kind != form::ControlKind::Edit && kind != form::ControlKind::ComboBox &&
         kind != form::ControlKind::CheckBox) ||
        isHeaderSetting(control.name()))
        return false;
    const model::Layout layout = model::layoutOf(platform);
    return !model::eepromFieldsOf(control.name(), layout).empty() ||
           (layout == model::Layout::Pcd5003 && !model::decoderFieldsOf(control.name()).empty());
}

bool isShown(const form::Control& control) {
    for (const form::Control* at = &control; at != nullptr; at = at->parent())
        if (!at->visible())
            return false;
    return true;
}

std::vector<const form::Control*> textSettings(const TForm1& window) {
    std::vector<const form::Control*> settings;
    for (const form::Control* control : window.controls())
        if (isImageSetting(*control, window.HardwarePlatform) && isShown(*control))
            settings.push_back(control);
    std::stable_sort(settings.begin(), settings.end(),
                     [&window](const form::Control* a, const form::Control* b) {
                         return placeOf(*a, window) < placeOf(*b, window);
                     });
    return settings;
}

std::string byteKey(std::size_t offset) {
    char key[8];
    std::snprintf(key, sizeof key, "0x%03zX", offset);
    return key;
}

std::vector<std::size_t> unnamedBytes(int platform) {
    const model::Layout layout = model::layoutOf(platform);
    const editor::FileFormat format = editor::fileFormatOf(platform);
    std::vector<std::size_t> offsets;
    for (std::size_t offset = 0; offset < std::min(format.length, model::kEepromSize); ++offset)
        if (model::eepromFieldsAt(layout, offset).empty())
            offsets.push_back(offset);
    if (format.withDecoder) {
        for (std::size_t offset = 0; offset < model::kDecoderSize; ++offset)
            if (!coversDecoderByte(offset))
                offsets.push_back(model::kEepromSize + offset);
    }
    return offsets;
}

std::string exportText(const TForm1& window) {
    std::ostringstream out;
    out << "# Capcode Programmer configuration. [settings]: one control of the window a\n"
           "# line, in the window's order, with the text it shows (a list's item, 1 or 0\n"
           "# for a check box). [bytes]: the image's bytes that no setting writes, in hex.\n";
    out << "format = " << kConfigTextFormat << '\n';
    out << "platform = " << int{window.HardwarePlatform} << "  # "
        << latin1ToUtf8(withoutAccelerator(window.N5003T6K041.caption())) << '\n';
    out << "profile = " << int{window.CustomerProfile} << "  # "
        << latin1ToUtf8(window.customer_sel.text()) << '\n';
    out << "firmwareversion = " << quotedText(window.firmwareversion.text()) << '\n';
    out << "subversion = " << quotedText(window.subversion.text()) << '\n';
    out << "\n[settings]\n";
    for (const form::Control* control : textSettings(window)) {
        std::string value = settingValue(*control).value_or("");
        // A text read under any locale: the frequency's separator is '.'.
        if (control == &window.channelfreq)
            std::replace(value.begin(), value.end(), window.decimalSeparator(), '.');
        out << control->name() << " = " << quotedText(value) << '\n';
    }
    out << "\n[bytes]\n";
    const std::vector<std::uint8_t> file = imageFileBytes(window);
    const std::vector<std::size_t> offsets = unnamedBytes(window.HardwarePlatform);
    for (std::size_t i = 0; i < offsets.size();) {
        const std::size_t first = offsets[i];
        std::string hex;
        for (std::size_t at = first;
             i < offsets.size() && offsets[i] == at && (at == first || at % kBytesPerLine != 0);
             ++i, ++at) {
            char pair[4];
            std::snprintf(pair, sizeof pair, "%02X", file[at]);
            hex.append(hex.empty() ? "" : " ").append(pair);
        }
        out << byteKey(first) << " = \"" << hex << "\"\n";
    }
    return out.str();
}

std::string TextProblem::message() const {
    std::string text = line > 0 ? "line " + std::to_string(line) + ": " : std::string();
    if (!key.empty())
        text.append(key).append(": ");
    return text.append(reason);
}

std::optional<std::vector<std::uint8_t>> parseHexBytes(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        if (word.size() != 2 || !std::isxdigit(static_cast<unsigned char>(word[0])) ||
            !std::isxdigit(static_cast<unsigned char>(word[1])))
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(word, nullptr, 16)));
    }
    if (bytes.empty())
        return std::nullopt;
    return bytes;
}

bool isConfigTextFile(const std::string& path, std::optional<int>* profile,
                      std::optional<int>* platform) {
    constexpr std::size_t kMaxText = 1 << 20;
    const std::optional<std::vector<std::uint8_t>> file = editor::readFilePrefix(path, kMaxText);
    if (!file)
        return false;
    toml::value root;
    try {
        std::istringstream in(std::string(file->begin(), file->end()));
        root = toml::parse(in, "text");
    } catch (const std::exception&) {
        return false;
    }
    if (!root.is_table() || root.count("format") == 0)
        return false;
    for (auto [key, given] : {std::pair{"profile", profile}, std::pair{"platform", platform}})
        if (given != nullptr && root.count(key) != 0 && root.at(key).is_integer())
            *given = static_cast<int>(root.at(key).as_integer());
    return true;
}

ParsedText parseText(const std::string& utf8) {
    toml::value root;
    try {
        std::istringstream in(utf8);
        root = toml::parse(in, "text");
    } catch (const toml::exception& error) {
        return {std::nullopt,
                problem(static_cast<int>(error.location().line()), "", syntaxReason(error.what()))};
    } catch (const std::exception& error) {
        return {std::nullopt, problem(0, "", syntaxReason(error.what()))};
    }
    ConfigText text;
    bool seen[std::size(kHeaderKeys)] = {};
    for (const auto& [key, value] : inFileOrder(root.as_table())) {
        const int line = lineOf(*value);
        if (key == "settings" || key == "bytes") {
            if (std::optional<TextProblem> bad =
                    readEntries(*value, key, key == "settings" ? text.settings : text.bytes))
                return {std::nullopt, *bad};
            continue;
        }
        const auto header = std::find(std::begin(kHeaderKeys), std::end(kHeaderKeys), key);
        if (header == std::end(kHeaderKeys))
            return {std::nullopt,
                    problem(line, key,
                            "unknown key (above [settings] the text takes format, platform, "
                            "profile, firmwareversion and subversion)")};
        seen[header - std::begin(kHeaderKeys)] = true;
        text.headerLines[key] = line;
        const bool number = key == "format" || key == "platform" || key == "profile";
        if (number != value->is_integer() || (!number && !value->is_string()))
            return {std::nullopt,
                    problem(line, key,
                            number ? "the value is a whole number" : "the value is a quoted text")};
        if (!number) {
            (key == "firmwareversion" ? text.firmwareversion : text.subversion) =
                value->as_string().str;
            continue;
        }
        const auto n = value->as_integer();
        const bool isFormat = key == "format";
        if (isFormat && n > kConfigTextFormat)
            return {std::nullopt, problem(line, key,
                                          "format " + std::to_string(n) +
                                              " is newer than this program reads (up to format " +
                                              std::to_string(kConfigTextFormat) + ")")};
        if (n < (isFormat ? 1 : 0) || (!isFormat && n >= model::kPlatformCount))
            return {std::nullopt, problem(line, key,
                                          std::to_string(n) + " is not a " +
                                              (isFormat ? "format version" : key + " (0-6)"))};
        (isFormat            ? text.format
         : key == "platform" ? text.platform
                             : text.profile) = static_cast<int>(n);
    }
    for (std::size_t k = 0; k < std::size(kHeaderKeys); ++k)
        if (!seen[k])
            return {std::nullopt, problem(0, kHeaderKeys[k],
                                          k == 0 ? "missing: the text gives no format version"
                                                 : "missing: the text does not say it")};
    return {std::move(text), {}};
}

} // namespace ccp::app
