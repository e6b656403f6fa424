#include "model/text_field.h"

#include <algorithm>

namespace ccp::model {

namespace {

// Bytes from `offset` to the end of a buffer of `size` bytes.
std::size_t roomAfter(std::size_t size, std::size_t offset) {
    return offset < size ? size - offset : 0;
}

} // namespace

void writeTextField(std::span<std::uint8_t> bytes, std::size_t offset, std::size_t width,
                    std::string_view text) {
    const std::size_t room = roomAfter(bytes.size(), offset);
    const std::size_t length = std::min(text.size(), width);
    for (std::size_t i = 0; i < std::min(length, room); ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(text[i]);
    }
    if (length < room) {
        bytes[offset + length] = 0;
    }
}

std::string readTextField(std::span<const std::uint8_t> bytes, std::size_t offset,
                          std::size_t width) {
    const std::size_t limit = std::min(width, roomAfter(bytes.size(), offset));
    std::string text;
    for (std::size_t i = 0; i < limit && bytes[offset + i] != 0; ++i) {
        text.push_back(static_cast<char>(bytes[offset + i]));
    }
    return text;
}

} // namespace ccp::model
