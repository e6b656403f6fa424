// Two windows compared as a technician reads them: every setting whose value
// differs, in the window's control order, then every differing byte of the
// platform's image file layout (EepromImage bytes, then the DecoderImage from
// 0x200 on the 5003 platforms). Texts are the window's single-byte Latin-1.
#pragma once

#include "app/tform1.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ccp::app {

struct SettingChange {
    std::string name;
    std::string before;
    std::string after;
};

struct ByteChange {
    std::size_t offset;
    std::uint8_t before;
    std::uint8_t after;
};

struct ImageDiff {
    std::vector<SettingChange> settings;
    std::vector<ByteChange> bytes;
    bool empty() const { return settings.empty() && bytes.empty(); }
};

// A setting's value as a user sets it: an edit's text, a list's selected item
// (empty without a selection), a check box's 1 or 0. Nothing for controls
// that hold no setting.
std::optional<std::string> settingValue(const form::Control& control);

// The window's images as its platform's image file lays them out.
std::vector<std::uint8_t> imageFileBytes(const TForm1& window);

ImageDiff diffWindows(const TForm1& a, const TForm1& b);

// "NAME: A -> B" lines, then "byte 0xNNN: AA -> BB" lines, Latin-1.
std::vector<std::string> diffLines(const ImageDiff& diff);

} // namespace ccp::app
