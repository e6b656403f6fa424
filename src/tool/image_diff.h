// Two image files compared as the window sees them. Each is loaded into its
// own headless form (same profile, same platform); the difference is every
// setting whose value differs, in the window's control order, then every
// differing byte of the platform's file format, at its offset in the file
// (EepromImage bytes first, the DecoderImage from 0x200 on the 5003 platforms).
#pragma once

#include "tool/headless_form.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace ccp::tool {

struct SettingChange {
    std::string name;
    std::string before; // Latin-1
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

// A setting's value as --set takes it: an edit's text, a list's selected item
// (empty without a selection), a check box's 1 or 0. Nothing for controls
// that hold no setting.
std::optional<std::string> settingValue(const form::Control& control);

ImageDiff diffForms(const HeadlessForm& a, const HeadlessForm& b);

// "NAME: A -> B" lines, then "byte 0xNNN: AA -> BB" lines, in UTF-8.
void printDiff(const ImageDiff& diff, std::ostream& out);

} // namespace ccp::tool
