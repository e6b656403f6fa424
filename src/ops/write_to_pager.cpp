// Write To Pager. Outside repair mode the pager's own configuration is read
// first and the values its hardware fixes are taken over; the settings are
// then encoded, the checksums of the platform's layout completed, the decoder
// programmed on platforms 0-1, and the EEPROM written and verified. After a
// verified write every capcode advances by its step for the next pager.
#include "form/conversion.h"
#include "model/checksum.h"
#include "ops/dialog_guard.h"
#include "ops/hardware_config.h"
#include "ops/pager_operations.h"

namespace ccp::ops {

namespace {

constexpr int kProgressMax = static_cast<int>(model::kEepromSize);

// Block B guards the 8212 decoder block; the customers who rely on it, and
// firmware after version 8, have it checked before a write.
bool checksBlockB(const editor::EditorContext& context) {
    if (model::layoutOf(context.hardwarePlatform) != model::Layout::Sm8212)
        return false;
    const int profile = context.customerProfile;
    return profile == 2 || profile == 6 ||
           form::strToInt(context.settings.firmwareversion.text()) > 8;
}

} // namespace

bool PagerOperations::writeToPager() {
    const int platform = context_.hardwarePlatform;
    const model::Layout layout = model::layoutOf(platform);

    rules_.fields.bs1Exit();
    rules_.fields.bs3Exit();
    for (int n = 1; n <= editor::kAddressEntries; ++n)
        rules_.addresses.addressExit(n);
    rules_.fields.contrastExit();

    if (repair_.checked()) {
        context_.eeprom.fill(0);
    } else if (!readHardwareConfig()) {
        return false;
    }

    if (!rules_.encoder.encode())
        return false;

    DialogGuard guard(dialog_);
    dialog_.begin("Writing data to pager, please wait...", kProgressMax);
    dialog_.stepIt();
    context_.log.append("Write to Pager...");
    model::storeChecksum(context_.eeprom, model::ChecksumBlock::A);
    if (layout != model::Layout::Pcd5003) {
        model::storeChecksum(context_.eeprom, layout == model::Layout::Sm8212
                                                  ? model::ChecksumBlock::B
                                                  : model::ChecksumBlock::C);
    }
    // The record describes this pager, not the next one the capcodes advance to.
    sent_ = describePager();
    if (beforeSending_) {
        if (const std::optional<std::string> reason = beforeSending_()) {
            dialog_.close();
            context_.log.append("Pager not written: " + *reason);
            context_.ui().beep();
            return false;
        }
    }
    if (layout == model::Layout::Pcd5003 && !programDecoder())
        return false;
    if (!writeEeprom())
        return false;

    autoIncrement();
    rules_.frequency.channelspaceChange();
    return true;
}

bool PagerOperations::readHardwareConfig() {
    model::PagerSettings& s = context_.settings;
    const int platform = context_.hardwarePlatform;
    const bool pcd5003 = model::layoutOf(platform) == model::Layout::Pcd5003;
    {
        DialogGuard guard(dialog_);
        dialog_.begin("Read hardware config from pager, please wait...", kProgressMax);
        dialog_.stepIt();
        context_.log.append("Read hardware config from pager");
        if (!readStaging(pcd5003, "Decoder Read error, please check it is a non Rohs model or not!",
                         pcd5003 ? "Hardware error, please check the connection!"
                                 : "Hardware error, please check connection or a Rohs mode or "
                                   "not!"))
            return false;
        dialog_.close();
    }

    if (!model::verifyChecksum(ReadStaging, model::ChecksumBlock::A)) {
        context_.log.append("Pager Read error, please check the connection.");
        return false;
    }
    if (checksBlockB(context_) && !model::verifyChecksum(ReadStaging, model::ChecksumBlock::B)) {
        context_.ui().beep();
        if (!ask("Checksum error!", "Continue to repair the unit?")) {
            context_.log.append("Pager eeprom checksum error!");
            return false;
        }
    }
    takeOverHardwareConfig(s, ReadStaging, DecoderStaging, platform, context_.customerProfile);
    if (s.firmwareversion.onChange)
        s.firmwareversion.onChange();
    if (s.contrast_mask.checked()) {
        if (const std::optional<std::string> contrast = defaultContrast(platform))
            s.contrast.setText(*contrast);
    }
    return true;
}

bool PagerOperations::programDecoder() {
    switch (transfers_.DecoderTransfer("w", context_.decoder)) {
    case link::DecoderResult::Failed:
        dialog_.close();
        fail("Decoder program error!");
        return false;
    case link::DecoderResult::VerifyFailed:
        dialog_.close();
        fail("Decoder verify fail!");
        return false;
    case link::DecoderResult::UsbError:
        // Shown by the transfer; the EEPROM is not written after a failed
        // decoder step.
        dialog_.close();
        return false;
    case link::DecoderResult::Done:
        break;
    }
    return true;
}

bool PagerOperations::writeEeprom() {
    switch (transfers_.EepromTransfer(kEepromTypeCode, deviceSelect_, "w", context_.eeprom)) {
    case link::TransferResult::WriteFailed:
        fail("Pager cannot be written, may be hardware error!");
        dialog_.close();
        return false;
    case link::TransferResult::VerifyFailed:
        context_.ui().beep();
        fail("Verify fail !");
        dialog_.close();
        return false;
    case link::TransferResult::Verified:
        context_.log.append(kVerifyOk);
        context_.ui().beep();
        dialog_.close();
        return true;
    default:
        // A USB error, shown by the transfer: the pager holds no verified
        // image, so the capcodes stay for the next attempt.
        dialog_.close();
        return false;
    }
}

// Pairs in the order 2, 1, 4, 3, 6, 5 (and 8, 7 on the 8212 platforms), each
// pair's exit rules after both of its numbers moved.
void PagerOperations::autoIncrement() {
    model::PagerSettings& s = context_.settings;
    const int entries = model::layoutOf(context_.hardwarePlatform) == model::Layout::Pcd5003
                            ? 6
                            : editor::kAddressEntries;
    auto advance = [&s](int n) {
        const auto i = static_cast<std::size_t>(n - 1);
        const int next = form::strToInt(s.address[i].text()) + form::strToInt(s.autoinc[i].text());
        s.address[i].setText(std::to_string(next));
    };
    for (int first = 1; first < entries; first += 2) {
        advance(first + 1);
        advance(first);
        rules_.addresses.addressExit(first);
        rules_.addresses.addressExit(first + 1);
    }
}

} // namespace ccp::ops
