// Fixed-width text fields: single-byte characters, one per byte. Writing puts
// the text into the field followed by one terminating zero byte; a full-width
// text puts its terminator on the byte after the field, which the next field
// written then overwrites. Bytes of the field past the terminator keep their
// value. Reading takes the characters up to the first zero byte or the width.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ccp::model {

// A text longer than `width` is cut to `width` characters. Nothing is written
// at or past the end of `bytes`, the terminator included.
void writeTextField(std::span<std::uint8_t> bytes, std::size_t offset, std::size_t width,
                    std::string_view text);

// Characters from `offset` up to the first zero byte, `width` characters or
// the end of `bytes`, whichever comes first.
std::string readTextField(std::span<const std::uint8_t> bytes, std::size_t offset,
                          std::size_t width);

} // namespace ccp::model
