#include "model/backlight.h"

#include <cstddef>

namespace ccp::model {

std::optional<std::uint8_t> backlightCode(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kBacklightTable.size()) {
        return std::nullopt;
    }
    return kBacklightTable[static_cast<std::size_t>(index)].code;
}

std::optional<int> backlightIndex(std::uint8_t code) {
    for (std::size_t i = 0; i < kBacklightTable.size(); ++i) {
        if (kBacklightTable[i].code == code) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

} // namespace ccp::model
