// What each customer profile says about itself: the About lines appended to
// the log at start-up and by Help > About. Index 0 and every index outside
// the table give the two lines of the unbranded edition.
#pragma once

#include <string>
#include <vector>

namespace ccp::app {

constexpr int kProfileCount = 7;

std::vector<std::string> aboutLines(int profile);

} // namespace ccp::app
