#include "editor/folder_rules.h"

#include "form/conversion.h"

#include <algorithm>
#include <limits>
#include <string>

namespace ccp::editor {
namespace {

using form::strToInt;

// A folder holds at least one message.
constexpr int kMinFolderLength = 1;

bool isLastOfChain(std::size_t i) {
    return i % kFolderChainLength == kFolderChainLength - 1;
}

} // namespace

FolderRules::FolderRules(EditorContext& context) : context_(context) {
}

void FolderRules::bind() {
    model::PagerSettings& s = context_.settings;
    for (int i = 0; i < kFolderCount; ++i) {
        s.pubboxact[static_cast<std::size_t>(i)].onClick = [this, i] { pubboxactClick(i); };
        s.pubboxlength[static_cast<std::size_t>(i)].onExit = [this, i] { pubboxlengthExit(i); };
    }
}

int FolderRules::totalExcess() const {
    const model::PagerSettings& s = context_.settings;
    // Sixteen two-digit lengths reach 1584; pasted longer texts can go beyond
    // the range of an int, so the sum is kept wide and the excess saturates.
    long long total = 0;
    for (std::size_t i = 0; i < s.pubboxact.size(); ++i) {
        if (s.pubboxact[i].checked())
            total += strToInt(s.pubboxlength[i].text());
    }
    if (total <= kMaxFolderTotal)
        return 0;
    const long long excess = total - kMaxFolderTotal;
    return static_cast<int>(std::min<long long>(excess, std::numeric_limits<int>::max()));
}

void FolderRules::pubboxactClick(int i) {
    const auto folder = static_cast<std::size_t>(i);
    if (context_.settings.pubboxact[folder].checked())
        boxTicked(folder);
    else
        boxCleared(folder);
}

void FolderRules::boxTicked(std::size_t i) {
    model::PagerSettings& s = context_.settings;
    const int excess = totalExcess();
    const int length = strToInt(s.pubboxlength[i].text());
    if (excess < length) {
        s.pubbox[i].setEnabled(true);
        s.pubboxlength[i].setEnabled(true);
        if (!isLastOfChain(i)) {
            s.pubboxact[i + 1].setEnabled(true);
            s.pubbox[i + 1].setEnabled(true);
            s.pubboxlength[i + 1].setEnabled(true);
        }
        if (excess == 0)
            return;
        context_.ui().beep();
        s.pubboxlength[i].setText(std::to_string(length - excess));
        context_.log.append(kFolderTrimmed);
        return;
    }
    // The other folders already hold 99 or more: not even one message fits.
    context_.ui().beep();
    s.pubboxact[i].setChecked(false);
    context_.log.append(kFolderRefused);
}

void FolderRules::boxCleared(std::size_t i) {
    model::PagerSettings& s = context_.settings;
    s.pubbox[i].setEnabled(false);
    s.pubboxlength[i].setEnabled(false);
    for (std::size_t next = i; !isLastOfChain(next);) {
        ++next;
        s.pubboxact[next].setChecked(false);
        s.pubboxact[next].setEnabled(false);
        s.pubbox[next].setEnabled(false);
        s.pubboxlength[next].setEnabled(false);
    }
}

void FolderRules::pubboxlengthExit(int i) {
    form::Edit& field = context_.settings.pubboxlength[static_cast<std::size_t>(i)];
    const int length = strToInt(field.text());
    if (length == 0) {
        context_.log.append(kFolderLengthZero);
        context_.ui().beep();
        context_.ui().focus(field);
        return;
    }
    const int excess = totalExcess();
    if (excess == 0)
        return;
    // When the other checked folders alone exceed 99 (a decoded image can bring
    // that), this folder cannot absorb the excess: it keeps one message, and the
    // check before writing refuses the total rather than store a length of 0 or
    // below in the folder table.
    const long long trimmed =
        std::max<long long>(static_cast<long long>(length) - excess, kMinFolderLength);
    if (trimmed >= length)
        return;
    field.setText(std::to_string(trimmed));
    context_.log.append(kFolderTrimmed);
    context_.ui().beep();
}

bool FolderRules::checkTotalBeforeWriting() {
    if (totalExcess() == 0)
        return true;
    context_.log.append(kFolderWriteAborted);
    return false;
}

} // namespace ccp::editor
