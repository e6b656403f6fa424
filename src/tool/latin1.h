// The tool's texts cross the Latin-1 / UTF-8 border with the window's own
// conversions (app/latin1.h).
#pragma once

#include "app/latin1.h"

namespace ccp::tool {

using app::latin1ToUtf8;
using app::printableUtf8;
using app::utf8ToLatin1;

} // namespace ccp::tool
