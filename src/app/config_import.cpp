// Configurations as text, in the window. The export writes what the window
// shows; the import takes a text only whole: it is built into an image in a
// scratch copy of the window first, and this window changes only by loading
// that image, so a refused text leaves it exactly as it was.
#include "app/config_text.h"
#include "app/latin1.h"
#include "app/settings_diff.h"
#include "app/tform1.h"
#include "app/ui_record.h"
#include "app/user_setting.h"
#include "app/window_copy_os.h"
#include "editor/file_io.h"
#include "form/conversion.h"
#include "model/checksum.h"

#include <algorithm>
#include <set>
#include <utility>

namespace ccp::app {
namespace {

// A text longer than this is no configuration.
constexpr std::size_t kMaxTextBytes = 1 << 20;
constexpr int kPlatforms = model::kPlatformCount;

// Texts of the log pane and the boxes are Latin-1; a reason may quote a
// character outside it, which is shown as '?'.
std::string forWindow(const std::string& utf8) {
    if (std::optional<std::string> latin1 = utf8ToLatin1(utf8))
        return *latin1;
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80)
            out += utf8[i];
        else if ((byte & 0xC0) != 0x80)
            out += '?';
    }
    return out;
}

std::string quoted(const std::string& latin1) {
    std::string text(1, '\'');
    text.append(printableUtf8(latin1)).push_back('\'');
    return text;
}

std::string platformWords(const TForm1& form) {
    return "platform " + std::to_string(form.HardwarePlatform) + ", profile " +
           std::to_string(form.CustomerProfile) + " and firmware version " +
           quoted(form.firmwareversion.text());
}

// Builds the image a text describes in `scratch`, a fresh window of the same
// profile. Returns the problem that stops it; `warnings` gets every value the
// rules changed.
class ScratchBuild {
public:
    ScratchBuild(TForm1& scratch, RecordingUi& ui, const ConfigText& text)
        : form_(scratch), ui_(ui), text_(text) {}

    std::optional<TextProblem> run() {
        if (auto bad = header())
            return bad;
        for (const TextEntry& entry : text_.settings)
            if (auto bad = setting(entry, false))
                return bad;
        // A value the rules changed may have met a limit that a later line
        // lifts (a folder lengthened before the folders after it are
        // cleared): it is typed once more, as a user would come back to it.
        for (const TextEntry* entry : std::exchange(changed_, {}))
            if (auto bad = setting(*entry, true))
                return bad;
        if (auto bad = bytes())
            return bad;
        return encode();
    }

    const std::vector<std::string>& warnings() const { return warnings_; }

private:
    int lineOf(const std::string& key) const {
        const auto at = text_.headerLines.find(key);
        return at != text_.headerLines.end() ? at->second : 0;
    }

    std::optional<TextProblem> header() {
        if (text_.profile != form_.CustomerProfile)
            return TextProblem{lineOf("profile"), "profile",
                               "the text was made under profile " + std::to_string(text_.profile) +
                                   "; this window runs profile " +
                                   std::to_string(form_.CustomerProfile) +
                                   ", whose defaults and controls differ"};
        if (form_.HardwarePlatform != text_.platform) {
            if (!form_.N5003T6K041.reachable())
                return TextProblem{lineOf("platform"), "platform",
                                   "profile " + std::to_string(form_.CustomerProfile) +
                                       " cannot reach platform " + std::to_string(text_.platform) +
                                       ": its platform item stays on platform " +
                                       std::to_string(form_.HardwarePlatform)};
            for (int step = 0; step < kPlatforms && form_.HardwarePlatform != text_.platform;
                 ++step)
                form_.N5003T6K041.userClick();
        }
        const std::optional<std::string> version = utf8ToLatin1(text_.firmwareversion);
        const bool digits = version && !version->empty() && version->size() <= 3 &&
                            std::all_of(version->begin(), version->end(),
                                        [](char c) { return c >= '0' && c <= '9'; }) &&
                            std::stoi(*version) <= 255;
        if (!digits)
            return TextProblem{lineOf("firmwareversion"), "firmwareversion",
                               "the firmware version is a whole number 0-255"};
        const std::optional<std::string> sub = utf8ToLatin1(text_.subversion);
        if (!sub || sub->size() > 1)
            return TextProblem{lineOf("subversion"), "subversion",
                               "the sub-version is one Latin-1 character or none"};
        // As an image's decoding sets them: the rules follow the version.
        form_.subversion.setText(*sub);
        form_.firmwareversion.setText(*version);
        form_.firmwareversionChange();
        return std::nullopt;
    }

    std::optional<TextProblem> setting(const TextEntry& entry, bool again) {
        auto refuse = [&entry](std::string reason) {
            return TextProblem{entry.line, entry.key, std::move(reason)};
        };
        std::string offending;
        std::optional<std::string> value = utf8ToLatin1(entry.value, &offending);
        if (!value)
            return refuse("'" + offending + "' is not a character of the pager's set (Latin-1)");
        form::Control* control = form_.find(entry.key);
        // The text writes the frequency with '.'; the window types its own
        // separator.
        if (control == &form_.channelfreq)
            std::replace(value->begin(), value->end(), '.', form_.decimalSeparator());
        if (control == nullptr)
            return refuse("there is no control of that name");
        if (!isImageSetting(*control, form_.HardwarePlatform))
            return refuse("the control holds no setting of the image on platform " +
                          std::to_string(form_.HardwarePlatform));
        if (!isShown(*control))
            return refuse("the control is hidden on " + platformWords(form_));
        if (control->reachable()) {
            if (std::optional<SettingRefusal> refused = applySetting(form_, ui_, entry.key, *value))
                return refuse(refused->reason);
        } else if (auto bad = setLocked(*control, *value)) {
            return refuse(*bad);
        }
        const std::string kept = settingValue(*control).value_or("");
        if (kept != *value && !again)
            changed_.push_back(&entry);
        else if (kept != *value)
            warnings_.push_back("line " + std::to_string(entry.line) + ": " + entry.key + ": " +
                                quoted(*value) + " given, " + quoted(kept) + " kept");
        return std::nullopt;
    }

    // A control the window shows but keeps from the user (a chip of the
    // platform, a value another setting locks) takes the text's value as an
    // image's decoding sets it; the value must still be one it can hold.
    std::optional<std::string> setLocked(form::Control& control, const std::string& value) {
        const std::size_t errors = ui_.errorBoxes();
        switch (control.kind()) {
        case form::ControlKind::Edit: {
            auto& edit = static_cast<form::Edit&>(control);
            for (char c : value) {
                std::optional<int> key;
                form_.dispatch([&] { key = edit.filterKey(static_cast<unsigned char>(c)); });
                if (!key || static_cast<unsigned char>(c) < 0x20)
                    return "the field takes no " + quoted(std::string(1, c));
            }
            form_.dispatch([&] { edit.setText(value); });
            break;
        }
        case form::ControlKind::ComboBox: {
            auto& list = static_cast<form::ComboBox&>(control);
            const int index = list.indexOf(value);
            if (index < 0)
                return "the list has no item " + quoted(value);
            list.setIndex(index);
            break;
        }
        default: {
            if (value != "1" && value != "0")
                return "a check box takes 1 or 0, not " + quoted(value);
            auto& box = static_cast<form::CheckBox&>(control);
            form_.dispatch([&] { box.setChecked(value == "1"); });
            break;
        }
        }
        if (ui_.errorBoxes() > errors)
            return "the value is not accepted: " + printableUtf8(ui_.boxTexts().back());
        return std::nullopt;
    }

    std::optional<TextProblem> bytes() {
        const std::vector<std::size_t> named = unnamedBytes(form_.HardwarePlatform);
        const std::set<std::size_t> unnamed(named.begin(), named.end());
        for (const TextEntry& entry : text_.bytes) {
            auto refuse = [&entry](std::string reason) {
                return TextProblem{entry.line, entry.key, std::move(reason)};
            };
            std::size_t offset = 0;
            std::size_t used = 0;
            try {
                offset = std::stoul(entry.key, &used, 16);
            } catch (const std::exception&) {
                used = 0;
            }
            if (!entry.key.starts_with("0x") || used != entry.key.size())
                return refuse("the key is an image offset in hex, such as 0x02D");
            const std::optional<std::vector<std::uint8_t>> hex = parseHexBytes(entry.value);
            if (!hex)
                return refuse("the value is bytes of two hex digits, separated by spaces");
            for (std::size_t i = 0; i < hex->size(); ++i) {
                const std::size_t at = offset + i;
                if (unnamed.count(at) == 0)
                    return refuse("byte " + byteKey(at) +
                                  " is not one that no setting writes on platform " +
                                  std::to_string(form_.HardwarePlatform));
                if (at < model::kEepromSize)
                    form_.EepromImage[at] = (*hex)[i];
                else
                    form_.DecoderImage[at - model::kEepromSize] = (*hex)[i];
            }
        }
        return std::nullopt;
    }

    // As a save encodes: the checksums of the platform's layout follow.
    std::optional<TextProblem> encode() {
        const std::size_t logged = form_.Memo1.lines().size();
        bool encoded = false;
        try {
            encoded = form_.imageEncoder.encode();
        } catch (const form::ConversionError& error) {
            return TextProblem{0, "",
                               std::string("the settings cannot be encoded: ") + error.what()};
        }
        if (!encoded) {
            const auto& lines = form_.Memo1.lines();
            return TextProblem{
                0, "",
                "the settings cannot be encoded: " +
                    (lines.size() > logged ? printableUtf8(lines.back()) : std::string("refused"))};
        }
        model::storeChecksums(form_.EepromImage, model::layoutOf(form_.HardwarePlatform));
        return std::nullopt;
    }

    TForm1& form_;
    RecordingUi& ui_;
    const ConfigText& text_;
    std::vector<const TextEntry*> changed_;
    std::vector<std::string> warnings_;
};

} // namespace

bool TForm1::exportText(const std::string& path) {
    Memo1.append("Export text to " + path);
    const std::string text = app::exportText(*this);
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    if (!editor::writeFileReplacing(path, bytes)) {
        Memo1.append("write error!");
        ui().beep();
        return false;
    }
    Memo1.append("ok!");
    return true;
}

TextImport TForm1::importText(const std::string& path) {
    Memo1.append("Import text from " + path);
    const std::optional<std::vector<std::uint8_t>> file =
        editor::readFilePrefix(path, kMaxTextBytes + 1);
    if (!file || file->size() > kMaxTextBytes) {
        const char* line = file ? "Text too long, stop import!!!" : "Load file error";
        Memo1.append(line);
        ui().beep();
        return {TextImport::Outcome::Unreadable, line, {}};
    }
    auto refused = [this](const TextProblem& problem) {
        Memo1.append("Import refused: " + forWindow(problem.message()));
        ui().beep();
        return TextImport{TextImport::Outcome::Refused, problem.message(), {}};
    };
    const ParsedText parsed = parseText(std::string(file->begin(), file->end()));
    if (!parsed.text)
        return refused(parsed.problem);

    RecordingUi scratchUi;
    WindowCopyOs os(services_.os);
    TForm1 scratch(Services{scratchUi, services_.port, services_.clock, os}, CustomerProfile);
    ScratchBuild build(scratch, scratchUi, *parsed.text);
    if (std::optional<TextProblem> problem = build.run())
        return refused(*problem);

    // Taken whole: the platform steps and the image's load, as a user would.
    for (int step = 0; step < kPlatforms && HardwarePlatform != scratch.HardwarePlatform; ++step)
        N5003T6K041.userClick();
    if (!imageFiles.loadImage(imageFileBytes(scratch)))
        return refused({0, "", "the image the text gives does not load"});
    for (const std::string& warning : build.warnings())
        Memo1.append("Warning: " + forWindow(warning));
    return {TextImport::Outcome::Done, {}, build.warnings()};
}

void TForm1::ExportText1Click() {
    if (std::optional<std::string> path = ui().saveFile(kConfigTextSaveFilter, kConfigTextExt))
        exportText(*path);
}

void TForm1::ImportText1Click() {
    const std::optional<std::string> path = ui().openFile(kConfigTextOpenFilter);
    if (!path)
        return;
    const TextImport result = importText(*path);
    if (result.outcome == TextImport::Outcome::Refused) {
        ui().showError(forWindow("Import refused: " + result.reason));
        return;
    }
    if (!result.warnings.empty()) {
        std::string text = "The rules changed these values:";
        for (const std::string& warning : result.warnings)
            text += "\n" + warning;
        ui().showMessage(forWindow(text));
    }
}

} // namespace ccp::app
