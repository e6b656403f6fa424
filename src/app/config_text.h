// A configuration as text: one UTF-8 TOML file that says what the window
// shows and goes back to the same image. At the top the format version, the
// platform, the customer profile and the firmware version it was made under;
// then [settings], one control a line in the window's order (page, then top
// to bottom and left to right) with the text the control shows (a list's
// item, 1 or 0 for a check box); then [bytes], the image file's bytes that
// no field of the layout tables covers, in hex, by offset. The settings are
// the shown edits, lists and check boxes that the layout tables store.
#pragma once

#include "app/tform1.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ccp::app {

// The version this program writes; it reads this one and every earlier one.
inline constexpr int kConfigTextFormat = 1;
// The chooser's filters, as the image files': one entry for both patterns
// when opening, one entry each when saving.
inline constexpr const char* kConfigTextOpenFilter = "*.toml, *.txt|*.toml; *.txt";
inline constexpr const char* kConfigTextSaveFilter = "*.toml|*.toml|*.txt|*.txt";
inline constexpr const char* kConfigTextExt = "toml";

// The firmware version and sub-version lead the text: they decide what the
// window shows, as the platform does, so they are set before any setting.
inline constexpr const char* kHeaderKeys[] = {"format", "platform", "profile", "firmwareversion",
                                              "subversion"};

// A control that holds a setting the image stores on `platform`'s layout
// (the firmware version and sub-version excepted: they lead the text).
bool isImageSetting(const form::Control& control, int platform);
// Shown: the control and every container it sits in are visible.
bool isShown(const form::Control& control);
// The image settings the window shows, in the text's order.
std::vector<const form::Control*> textSettings(const TForm1& window);
// Offsets into `platform`'s image file of the bytes that no field of the
// layout tables covers: no setting, constant or checksum writes them.
std::vector<std::size_t> unnamedBytes(int platform);
// An image offset as the [bytes] section and the messages write it: 0x02A.
std::string byteKey(std::size_t offset);

// The window as text.
std::string exportText(const TForm1& window);

// One line of [settings] or [bytes]: its key and its value as written.
struct TextEntry {
    int line = 0;
    std::string key;
    std::string value; // UTF-8
};

struct ConfigText {
    int format = 0;
    int platform = 0;
    int profile = 0;
    std::string firmwareversion;            // UTF-8
    std::string subversion;                 // UTF-8
    std::vector<TextEntry> settings;        // in the file's order
    std::vector<TextEntry> bytes;           // in the file's order
    std::map<std::string, int> headerLines; // the line of each header key
};

// Why a text is not taken: the line (0: the whole file), the key, the reason.
struct TextProblem {
    int line = 0;
    std::string key;
    std::string reason;
    // "line N: KEY: reason", UTF-8.
    std::string message() const;
};

struct ParsedText {
    std::optional<ConfigText> text;
    TextProblem problem; // when there is no text
};

// Reads the structure: TOML syntax, the header's keys and types, the format
// version, a quoted text for every setting. What the values mean is for the
// import to judge.
ParsedText parseText(const std::string& utf8);

// A file that reads as a configuration text (rather than an image file):
// TOML with a format key. `profile` and `platform` receive the text's, when
// it gives them.
bool isConfigTextFile(const std::string& path, std::optional<int>* profile = nullptr,
                      std::optional<int>* platform = nullptr);

// The bytes of one [bytes] line: two hex digits a byte, separated by spaces.
std::optional<std::vector<std::uint8_t>> parseHexBytes(const std::string& text);

} // namespace ccp::app
