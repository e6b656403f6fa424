#include "editor/address_rules.h"

#include "form/conversion.h"

#include <array>

namespace ccp::editor {
namespace {

struct CapcodeRange {
    long long first;
    long long last;
};

constexpr std::array<CapcodeRange, 3> kValidCapcodes = {{
    {8, 2007663},
    {2007672, 2045055},
    {2045064, 2097143},
}};

constexpr int kPublic = 1; // msgtype item "Public"
// Platforms 0 and 1 keep six capcodes in the decoder chip.
constexpr int kEntries5003 = 6;
// The first folder of each chain of eight: folders 1 and 9.
constexpr std::array<std::size_t, 2> kChainHeads = {0, 8};

} // namespace

bool isValidCapcode(long long capcode) {
    for (const CapcodeRange& range : kValidCapcodes) {
        if (capcode >= range.first && capcode <= range.last)
            return true;
    }
    return false;
}

std::string capcodeRangeMessage(int n) {
    return std::string("Address [")
        .append(std::to_string(n))
        .append("] range out, should be within 8-2007663; 2007672-2045055; 2045064-2097143");
}

AddressRules::AddressRules(EditorContext& context) : context_(context) {
}

void AddressRules::bind() {
    model::PagerSettings& s = context_.settings;
    for (int n = 1; n <= kAddressEntries; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        s.address[i].onChange = [this, n] { addressChange(n); };
        s.address[i].onExit = [this, n] { addressExit(n); };
        s.addrEn[i].onClick = [this, n] { addrenClick(n); };
        s.msgtype[i].onChange = [this] { msgtypeChange(); };
    }
}

void AddressRules::addressChange(int n) {
    const auto i = static_cast<std::size_t>(n - 1);
    form::Edit& address = context_.settings.address[i];
    form::Edit& frame = context_.settings.frame[i];
    const std::string text = address.text();
    if (text.empty()) {
        frame.setText(" ");
        return;
    }
    const long long capcode = form::strToInt(text);
    if (isValidCapcode(capcode)) {
        frame.setText(std::to_string(capcode % 8));
        return;
    }
    // Reported once the field is full. A longer text (pasted, or a capcode
    // advanced past seven digits by its auto-increment) is reported as well,
    // since the encoding would store only its low 21 bits.
    if (text.size() >= kCapcodeDigits) {
        context_.ui().beep();
        context_.log.append(capcodeRangeMessage(n));
        context_.ui().focus(address);
    }
}

void AddressRules::addressExit(int n) {
    form::Edit& address = context_.settings.address[static_cast<std::size_t>(n - 1)];
    while (address.text().size() < kCapcodeDigits)
        address.setText(std::string("0").append(address.text()));
    addressChange(n);
}

void AddressRules::addrenClick(int n) {
    const auto i = static_cast<std::size_t>(n - 1);
    model::PagerSettings& s = context_.settings;
    const bool enabled = s.addrEn[i].checked();
    s.address[i].setEnabled(enabled);
    if (!enabled)
        s.frame[i].setEnabled(false);
    s.autoinc[i].setEnabled(enabled);
    s.msgtype[i].setEnabled(enabled);
    for (form::ComboBox& format : s.addrFormat[i])
        format.setEnabled(enabled);
    msgtypeChange();
}

bool AddressRules::offersPublic(int entry) const {
    const form::ComboBox& msgtype = context_.settings.msgtype[static_cast<std::size_t>(entry)];
    return msgtype.enabled() && msgtype.index() == kPublic;
}

void AddressRules::msgtypeChange() {
    model::PagerSettings& s = context_.settings;
    const int counted = context_.hardwarePlatform <= 1 ? kEntries5003 : kAddressEntries;
    bool anyPublic = false;
    for (int entry = 0; entry < counted; ++entry)
        anyPublic = anyPublic || offersPublic(entry);

    if (!anyPublic) {
        // Clearing a box runs its folder rule, which cascades down its chain.
        for (std::size_t f = 0; f < s.pubboxact.size(); ++f) {
            s.pubboxact[f].setChecked(false);
            s.pubboxact[f].setEnabled(false);
            s.pubbox[f].setEnabled(false);
            s.pubboxlength[f].setEnabled(false);
        }
    } else {
        for (std::size_t head : kChainHeads)
            s.pubboxact[head].setEnabled(true);
    }

    for (std::size_t i = 0; i < s.msgtype.size(); ++i) {
        const bool isPublic = s.msgtype[i].index() == kPublic;
        for (form::CheckBox& uc : s.chbUC[i])
            uc.setEnabled(!isPublic);
    }
}

} // namespace ccp::editor
