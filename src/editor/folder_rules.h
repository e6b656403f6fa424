// Rules of the sixteen public folders, two chains of eight (folders 0-7 and
// 8-F, shown as 1-8 and 9-16): within a chain a folder is usable only while the
// one before it is in use, and the checked folders together hold at most 99
// messages. Ticking a box trims its length or refuses it, leaving a length
// field trims it, and the encoding refuses to write a total above 99.
#pragma once

#include "editor/editor_context.h"

#include <cstddef>

namespace ccp::editor {

inline constexpr int kFolderCount = 16;
inline constexpr int kFolderChainLength = 8;
inline constexpr int kMaxFolderTotal = 99;

inline constexpr const char* kFolderTrimmed =
    "Out of total length 99, trim down the length automatic";
inline constexpr const char* kFolderRefused =
    "Total length already reached max. 99, can not enable this mail box";
inline constexpr const char* kFolderLengthZero = "Length should large than ZERO";
inline constexpr const char* kFolderWriteAborted =
    "Total number of public messages is greater than 99. Write aborted.";

class FolderRules {
public:
    explicit FolderRules(EditorContext& context);

    // Sets the box rule and the length rule of all sixteen folders.
    void bind();

    // Sum of the lengths of the checked folders minus 99, or 0 when the sum is
    // 99 or less. Unchecked folders do not count.
    int totalExcess() const;

    // Box rule of folder i = 0..15. Checked: the folder fits (trimmed to make
    // the total exactly 99 if need be) and opens the next folder of its chain,
    // or is refused and cleared. Cleared: its fields and every later folder of
    // its chain are cleared and disabled; its own box stays enabled.
    void pubboxactClick(int i);

    // Length rule of folder i, run when its length field is left. A length of
    // 0 is reported and stays. With the total above 99 the length is trimmed by
    // the excess, down to 1 at the least.
    void pubboxlengthExit(int i);

    // The encoding's check before a write or a save: logs the abort line and
    // returns false when the checked folders hold more than 99 messages.
    bool checkTotalBeforeWriting();

private:
    void boxTicked(std::size_t i);
    void boxCleared(std::size_t i);

    EditorContext& context_;
};

} // namespace ccp::editor
