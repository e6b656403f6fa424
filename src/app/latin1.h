// The controls hold single-byte Latin-1 text, one byte per character as the
// pager stores it; command lines, terminals, JSON and configuration texts
// carry UTF-8. The conversions sit at that border and go through the C
// library's iconv: strict on the way in, lossless on the way out.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ccp::app {

// Nothing when the text is not valid UTF-8 or holds a character above U+00FF;
// `offending` then receives that character (or the invalid byte as \xNN).
std::optional<std::string> utf8ToLatin1(std::string_view utf8, std::string* offending = nullptr);

std::string latin1ToUtf8(std::string_view latin1);

// UTF-8 for a terminal: control bytes (below 0x20, 0x7F) are written as \xNN.
std::string printableUtf8(std::string_view latin1);

} // namespace ccp::app
