// `capcode-tool --text-format`: the configuration text's format, field by
// field, as a Markdown table made from the window's own controls under a
// customer profile: every key the text can hold on some platform, in the
// window's order, with its page, kind, values and platforms; then the bytes
// that no setting writes, per platform. The README's table is this output.
#pragma once

#include <string>

namespace ccp::tool {

std::string textFormatTable(int profile);

} // namespace ccp::tool
