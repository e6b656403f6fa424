#include "ops/pager_operations.h"

#include "form/conversion.h"
#include "ops/sha256.h"
#include "store/store.h"

namespace ccp::ops {

PagerOperations::PagerOperations(editor::EditorContext& context, OperationRules rules,
                                 link::ProgrammerTransfers& transfers, OperationDialog& dialog,
                                 const form::MenuItem& repair, const std::uint8_t& deviceSelect,
                                 const link::ProgrammerLink& link)
    : context_(context), rules_(rules), transfers_(transfers), dialog_(dialog), repair_(repair),
      deviceSelect_(deviceSelect), link_(link) {
}

PagerOperations::Running::Running(PagerOperations& operations) : operations_(operations) {
    if (operations_.running_++ == 0)
        operations_.transfers_.EndPresenceLooks();
}

bool PagerOperations::WriteToPagerClick() {
    const Running running(*this);
    const link::PortClaim port = transfers_.claimPort();
    const std::size_t firstLine = context_.log.lines().size();
    sent_.reset();
    questions_.clear();
    bool written = false;
    try {
        written = writeToPager();
    } catch (const form::ConversionError& error) {
        record(firstLine, false, error.what());
        throw;
    }
    record(firstLine, written, {});
    return written;
}

WriteRecord PagerOperations::describePager() const {
    const model::PagerSettings& s = context_.settings;
    WriteRecord r;
    r.firmware = s.firmwareversion.text();
    r.subversion = s.subversion.text();
    r.serial = s.serial.text();
    // The 5003 platforms' decoder has six capcode entries, and carries the
    // per-pager settings (capcodes among them) in its registers: the digest
    // covers them after the EEPROM, as a virtual pager file lays them out.
    const bool pcd5003 = model::layoutOf(context_.hardwarePlatform) == model::Layout::Pcd5003;
    r.entries = pcd5003 ? 6 : 8;
    for (std::size_t i = 0; i < static_cast<std::size_t>(r.entries); ++i) {
        r.capcodes[i] = s.address[i].text();
        r.enabled[i] = s.addrEn[i].checked();
    }
    std::vector<std::uint8_t> pager(context_.eeprom.begin(), context_.eeprom.end());
    if (pcd5003)
        pager.insert(pager.end(), context_.decoder.begin(), context_.decoder.end());
    r.sha256 = sha256Hex(pager);
    return r;
}

// The result is "Verify OK !" for a verified write (the capcodes' lines may
// follow it), else the last line the attempt logged.
void PagerOperations::record(std::size_t firstLine, bool written, const std::string& error) {
    if (productionLog_ == nullptr)
        return;
    const auto& lines = context_.log.lines();
    WriteRecord r = sent_ ? *sent_ : describePager();
    r.id = newRecordId();
    r.time = store::utcNowIso8601();
    r.version = CCP_VERSION;
    r.jig = link_.UsbActive ? "USB jig version " + std::to_string(link_.JigVersion)
                            : (link_.PortBase == link::kLpt2Base ? "LPT2" : "LPT1");
    r.profile = context_.customerProfile;
    r.platform = context_.hardwarePlatform;
    if (written)
        r.result = kVerifyOk;
    else if (!error.empty())
        r.result = error;
    else if (lines.size() > firstLine)
        r.result = lines.back();
    r.questions = questions_;
    productionLog_->append(r);
}

bool PagerOperations::ask(const std::string& caption, const std::string& text) {
    const bool answer = context_.ui().askYesNo(caption, text);
    questions_.push_back({caption, text, answer});
    return answer;
}

// A USB error has been shown by the transfer: the operation stops without a
// line of its own, and a stale DecoderStaging never reaches the window.
bool PagerOperations::readStaging(bool withDecoder, const char* decoderFailed,
                                  const char* eepromFailed) {
    if (withDecoder) {
        const link::DecoderResult decoder = transfers_.DecoderTransfer("r", DecoderStaging);
        if (decoder == link::DecoderResult::Failed)
            fail(decoderFailed);
        if (decoder == link::DecoderResult::Failed || decoder == link::DecoderResult::UsbError) {
            dialog_.close();
            return false;
        }
    }
    if (transfers_.EepromTransfer(kEepromTypeCode, deviceSelect_, "r", ReadStaging) ==
        link::TransferResult::ReadFailed) {
        fail(eepromFailed);
        dialog_.close();
        return false;
    }
    return true;
}

void PagerOperations::fail(const char* line) {
    context_.log.append(line);
    context_.ui().beep();
}

} // namespace ccp::ops
