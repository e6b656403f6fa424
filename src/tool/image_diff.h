// Two image files compared as the window sees them. Each is loaded into its
// own headless form (same profile, same platform); the difference is the
// window's own comparison of the two (app/settings_diff.h), printed in UTF-8.
#pragma once

#include "app/settings_diff.h"
#include "tool/headless_form.h"

#include <iosfwd>

namespace ccp::tool {

using app::ByteChange;
using app::ImageDiff;
using app::SettingChange;
using app::settingValue;

ImageDiff diffForms(const HeadlessForm& a, const HeadlessForm& b);

// "NAME: A -> B" lines, then "byte 0xNNN: AA -> BB" lines, in UTF-8.
void printDiff(const ImageDiff& diff, std::ostream& out);

} // namespace ccp::tool
