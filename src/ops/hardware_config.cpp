#include "ops/hardware_config.h"

#include "form/conversion.h"
#include "model/channel_frequency.h"
#include "model/image_offsets.h"
#include "model/text_field.h"

#include <array>

namespace ccp::ops {

namespace {

// The 5003 layouts keep the PLL chip in bits 5-4 of the feature byte, with
// codes 1 and 2 the other way round from the list's items.
constexpr std::array<int, 4> kPll5003Items = {0, 2, 1, 3};
// RXE and ROE below firmware version 6: the last item, which the older
// firmware expects whatever the decoder holds.
constexpr int kOldFirmwareReceiverItem = 3;
constexpr int kReceiverItemsFrom = 6;

} // namespace

std::string firmwareVersionText(std::uint8_t byte, int customerProfile) {
    if (byte >= 10 && (customerProfile == 2 || customerProfile == 6))
        return "1";
    return std::to_string(byte);
}

void takeOverHardwareConfig(model::PagerSettings& s, const model::EepromImage& staging,
                            const model::DecoderImage& decoderStaging, int platform,
                            int customerProfile) {
    s.firmwareversion.setText(
        firmwareVersionText(staging[model::kFirmwareVersionByte], customerProfile));
    s.subversion.setText(
        model::readTextField(staging, model::kSubversionByte, model::kSubversionWidth));
    if (model::layoutOf(platform) != model::Layout::Pcd5003) {
        s.pll.setIndex((staging[model::kPllControl8212] >> 2) & 0x03);
        return;
    }
    s.pll.setIndex(kPll5003Items[(staging[model::kFeatureByte] >> 4) & 0x03]);
    const std::uint8_t receiver = decoderStaging[model::kDecoderReceiverByte];
    const bool oldFirmware = form::strToInt(s.firmwareversion.text()) < kReceiverItemsFrom;
    s.RXE.setIndex(oldFirmware ? kOldFirmwareReceiverItem : receiver & 0x03);
    s.ROE.setIndex(oldFirmware ? kOldFirmwareReceiverItem : (receiver >> 2) & 0x03);
    s.addrcheck.setIndex(staging[model::kAddrCheckByte5003]);
    s.datacheck.setIndex(staging[model::kDataCheckByte5003]);
}

std::optional<std::string> defaultContrast(int platform) {
    switch (platform) {
    case 0:
        return "48";
    case 1:
    case 2:
        return "15";
    case 3:
    case 4:
    case 5:
        return "10";
    default:
        return std::nullopt;
    }
}

} // namespace ccp::ops
