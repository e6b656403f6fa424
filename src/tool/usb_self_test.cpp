// The USB half of the self-test: it talks to the jig's reports directly, so
// that every failure is seen as it is (no answer, a refused command, no
// EEPROM) rather than as the window's message box.
#include "link/jig_discovery.h"
#include "link/usb_jig.h"
#include "tool/self_test.h"

#include <cstdio>
#include <memory>

namespace ccp::tool {
namespace {

using link::usb::kReplyBadCommand;
using link::usb::kReplyCrcError;
using link::usb::kReplyNoEeprom;
using link::usb::kReplyUsbError;
constexpr std::uint8_t kReplyDone = link::usb::kReplyEepromDone;
constexpr std::uint8_t kPagerEepromBlock = 0x20;
constexpr std::size_t kDataIn = 3;

constexpr const char* kReplugHint = "unplug the jig, plug it in again and repeat the self-test";

std::string hex(unsigned value, int digits) {
    char text[12];
    std::snprintf(text, sizeof text, "%0*x", digits, value);
    return text;
}

bool isJigName(const std::optional<std::string>& name) {
    return name && (*name == "A31 programmer" || *name == "B53 programmer");
}

// One command and its reply.
struct Exchange {
    enum class Outcome { Replied, WriteFailed, Timeout, ReadFailed } outcome;
    std::vector<std::uint8_t> reply;
    int timeoutMs;
    std::uint8_t code() const { return reply.size() > 1 ? reply[1] : 0; }
};

Exchange exchange(link::HidHandle& handle, const link::HidCaps& caps, std::uint8_t command,
                  std::vector<std::uint8_t> arguments = {}) {
    std::vector<std::uint8_t> out(caps.outputReportLength, 0);
    out[1] = command;
    std::copy(arguments.begin(), arguments.end(), out.begin() + 2);
    out.back() = link::Crc8(std::span<const std::uint8_t>(out).subspan(1, out.size() - 2));
    Exchange result{Exchange::Outcome::Replied, std::vector<std::uint8_t>(caps.inputReportLength),
                    link::replyTimeoutMs(command)};
    handle.discardQueued();
    if (!handle.writeReport(out)) {
        result.outcome = Exchange::Outcome::WriteFailed;
        return result;
    }
    switch (handle.readReport(result.reply, result.timeoutMs)) {
    case link::HidReadResult::Ok:
        break;
    case link::HidReadResult::Timeout:
        result.outcome = Exchange::Outcome::Timeout;
        break;
    case link::HidReadResult::Failed:
        result.outcome = Exchange::Outcome::ReadFailed;
        break;
    }
    return result;
}

// The check of one exchange that did not come back with `expected`.
Check failedExchange(const char* name, const Exchange& exchange, std::uint8_t expected) {
    switch (exchange.outcome) {
    case Exchange::Outcome::WriteFailed:
        return {name, CheckResult::Fail, "the report could not be written", kReplugHint};
    case Exchange::Outcome::Timeout:
        return {name, CheckResult::Fail,
                "no reply within " + std::to_string(exchange.timeoutMs / 1000) + " s", kReplugHint};
    case Exchange::Outcome::ReadFailed:
        return {name, CheckResult::Fail, "the reply could not be read (jig gone?)", kReplugHint};
    case Exchange::Outcome::Replied:
        break;
    }
    const std::string detail =
        "reply 0x" + hex(exchange.code(), 2) + ", expected 0x" + hex(expected, 2);
    switch (exchange.code()) {
    case kReplyNoEeprom:
        return {name, CheckResult::Fail, detail + " (no EEPROM)",
                "no EEPROM answered: check the pager's seat in the jig, and that the pager is "
                "of the platform given (--platform)"};
    case kReplyCrcError:
        return {name, CheckResult::Fail, detail + " (CRC error)",
                "the jig saw a damaged report: try another USB port or cable"};
    case kReplyBadCommand:
    case kReplyUsbError:
        return {name, CheckResult::Fail, detail + " (command not taken)",
                "the jig's firmware does not take this command: another jig model?"};
    default:
        break;
    }
    return {name, CheckResult::Fail, detail, kReplugHint};
}

struct FoundJig {
    link::HidDeviceInfo info;
    std::unique_ptr<link::HidHandle> handle;
};

// The first device that identifies as a jig, as discovery takes it; the
// identity check says what was found when none does.
std::optional<FoundJig> findJig(link::HidBackend& hid, std::vector<Check>& checks) {
    const char* name = "identity";
    std::string notJig;
    bool unopened = false;
    std::string inUse;
    for (const link::HidDeviceInfo& info : hid.enumerate()) {
        if (info.vendorId != link::kJigVendorId || info.productId != link::kJigProductId)
            continue;
        std::unique_ptr<link::HidHandle> handle = hid.open(info);
        if (!handle) {
            unopened = true;
            continue;
        }
        const std::optional<std::string> product = handle->productString();
        if (!isJigName(product)) {
            notJig = product.value_or("");
            continue;
        }
        if (!handle->claim()) {
            inUse = info.path;
            continue;
        }
        checks.push_back(
            {name, CheckResult::Pass, "04d8:1000 \"" + *product + "\" at " + info.path, {}});
        return FoundJig{info, std::move(handle)};
    }
    if (!inUse.empty())
        checks.push_back({name, CheckResult::Fail, link::jigInUseText(inUse),
                          "end the window or capcode-tool run that drives it, then repeat the "
                          "self-test"});
    else if (unopened)
        checks.push_back({name, CheckResult::Fail, "04d8:1000 is there but cannot be opened",
                          "its hidraw node is not yours: install the udev rule (README: USB jig "
                          "access) and plug the jig in again"});
    else if (!notJig.empty())
        checks.push_back({name, CheckResult::Fail, "04d8:1000 calls itself \"" + notJig + "\"",
                          "this device is not a programming jig"});
    else
        checks.push_back({name, CheckResult::Fail, "no HID device 04d8:1000",
                          "plug the jig in (ls -l /dev/hidraw* shows a new node when it is)"});
    return std::nullopt;
}

void skipRest(std::vector<Check>& checks, const char* const* names, std::size_t count,
              const std::string& why) {
    for (std::size_t i = 0; i < count; ++i)
        checks.push_back({names[i], CheckResult::Skip, why, {}});
}

} // namespace

std::vector<Check> usbSelfTest(link::HidBackend& hid, const PagerExpectation& pager) {
    static constexpr const char* kAfterIdentity[] = {"report lengths", "jig version",
                                                     "attach command", "EEPROM read"};
    std::vector<Check> checks;
    std::optional<FoundJig> jig = findJig(hid, checks);
    if (!jig) {
        skipRest(checks, kAfterIdentity, 4, "needs the jig");
        return checks;
    }
    const link::HidCaps caps = jig->handle->caps();
    const std::string lengths = "input " + std::to_string(caps.inputReportLength) + ", output " +
                                std::to_string(caps.outputReportLength) + " bytes";
    if (caps.inputReportLength < link::usb::kMinInputLength ||
        caps.outputReportLength < link::usb::kMinOutputLength) {
        checks.push_back({"report lengths", CheckResult::Fail, lengths + " (need 35 and 39)",
                          "the jig's reports cannot carry its commands: another firmware?"});
        skipRest(checks, kAfterIdentity + 1, 3, "needs reports that hold the commands");
        return checks;
    }
    checks.push_back({"report lengths", CheckResult::Pass, lengths, {}});

    const int version = jig->info.version;
    if (version == 0)
        checks.push_back({"jig version", CheckResult::Fail, "0",
                          "the jig reports no hardware version: its firmware may be damaged"});
    else
        checks.push_back({"jig version",
                          CheckResult::Pass,
                          std::to_string(version) +
                              (version >= 2 ? " (begin and end bracket every transfer)" : ""),
                          {}});

    const Exchange attach = exchange(*jig->handle, caps, link::usb::kAttach);
    if (attach.outcome != Exchange::Outcome::Replied || attach.code() == kReplyCrcError ||
        attach.code() == kReplyBadCommand || attach.code() == kReplyUsbError)
        checks.push_back(failedExchange("attach command", attach, kReplyDone));
    else
        checks.push_back(
            {"attach command", CheckResult::Pass, "reply 0x" + hex(attach.code(), 2), {}});

    const char* name = "EEPROM read";
    // A reply says nothing of its command: an attach reply that comes late
    // would be read as the next command's. It is waited for a while longer;
    // without it the read is not tried.
    if (attach.outcome == Exchange::Outcome::Timeout) {
        std::vector<std::uint8_t> late(caps.inputReportLength);
        if (jig->handle->readReport(late, link::usb::kLateReplySettleMs) !=
            link::HidReadResult::Ok) {
            checks.push_back({name, CheckResult::Skip, "needs the attach command's reply", {}});
            return checks;
        }
    }
    if (version >= 2) {
        const Exchange begin = exchange(*jig->handle, caps, link::usb::kBegin);
        if (begin.outcome != Exchange::Outcome::Replied || begin.code() != kReplyDone) {
            checks.push_back(failedExchange(name, begin, kReplyDone));
            return checks;
        }
    }
    const auto block = static_cast<std::uint8_t>(kPagerEepromBlock | pager.deviceSelect);
    const Exchange read = exchange(*jig->handle, caps, link::usb::kReadEeprom, {block, 0, 0});
    // A jig that answered is let out of the transfer again.
    if (version >= 2 && read.outcome == Exchange::Outcome::Replied)
        exchange(*jig->handle, caps, link::usb::kEnd);
    if (read.outcome != Exchange::Outcome::Replied || read.code() != kReplyDone) {
        checks.push_back(failedExchange(name, read, kReplyDone));
        return checks;
    }
    std::string first;
    for (std::size_t i = 0; i < 8; ++i)
        first += hex(read.reply[kDataIn + i], 2);
    checks.push_back({name,
                      CheckResult::Pass,
                      "32 bytes at 0x000, device select " + std::to_string(pager.deviceSelect) +
                          " (" + first + "...)",
                      {}});
    return checks;
}

} // namespace ccp::tool
