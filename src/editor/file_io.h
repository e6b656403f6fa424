// Whole-file reads and safe replacing writes for image files. A write goes to
// a temporary file beside the target, is flushed to the medium, and then
// renamed over the target, so a failed save never leaves a truncated file or
// destroys the one that was there. A symbolic link is followed and stays a
// link; a replaced file keeps its mode, owner and group. Targets that are not
// regular files (a device such as /dev/full), and writable files in a folder
// that refuses new files, are written in place and synced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ccp::editor {

// Up to `limit` bytes from the start of the file; nothing when it cannot be
// opened or read.
std::optional<std::vector<std::uint8_t>> readFilePrefix(const std::string& path, std::size_t limit);

// Writes `bytes` as the whole content of `path`; false on any failure (no
// folder, no permission, a full medium, a failing close or rename).
bool writeFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace ccp::editor
