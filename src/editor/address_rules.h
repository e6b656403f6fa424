// Rules of the eight address entries: the capcode range check with its frame
// digit, the exit rule that pads a capcode to seven digits, the enable rule of
// a row, and the message-type rule that decides whether the public folders can
// be used. The message-type rule acts on the folder boxes through the controls,
// so the folder rules bound to them run as they would for a user's click.
#pragma once

#include "editor/editor_context.h"

#include <cstddef>
#include <string>

namespace ccp::editor {

inline constexpr int kAddressEntries = 8;
inline constexpr std::size_t kCapcodeDigits = 7;

// 8-2007663, 2007672-2045055 and 2045064-2097143. Left out are 0-7, the
// eight-capcode blocks whose address codewords would carry the eighteen
// address bits of the POCSAG idle codeword (2007664-2007671) and of the
// synchronisation codeword (2045056-2045063), and the top block 2097144-2097151.
bool isValidCapcode(long long capcode);

// "Address [n] range out, should be within ..." for entry n (1-8).
std::string capcodeRangeMessage(int n);

class AddressRules {
public:
    explicit AddressRules(EditorContext& context);

    // Sets the capcode change and exit rules, the enable rules and the
    // message-type rule of all eight entries.
    void bind();

    // Entry n = 1..8. The frame field shows the capcode's three lowest bits, or
    // a single space while the capcode is empty. An out-of-range capcode of
    // seven or more characters beeps, logs the entry's range message and gives
    // the focus back; a shorter one is not reported. The frame keeps its digit.
    void addressChange(int n);
    // Puts "0" in front of the capcode until it has seven characters (each step
    // runs the change rule through the field's hook), then runs the change rule
    // once more.
    void addressExit(int n);
    // Enables or disables the row's capcode and choices (the frame field stays
    // disabled either way), then runs the message-type rule.
    void addrenClick(int n);
    // No enabled "Public" entry among those the platform has (1-6 on platforms
    // 0-1, 1-8 on 2-6): all sixteen folders are cleared and disabled. Otherwise
    // the heads of the two folder chains are enabled. The UC boxes of all eight
    // entries are disabled exactly when the entry's type is "Public".
    void msgtypeChange();

private:
    bool offersPublic(int entry) const;

    EditorContext& context_;
};

} // namespace ccp::editor
