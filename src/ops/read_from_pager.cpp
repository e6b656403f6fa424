// Read From Pager. The decoder is read first on the 5003 platforms; the
// EEPROM lands in ReadStaging, and only an image whose checksum holds is
// taken over: all 512 bytes and the decoder's 48 on platforms 0-1, bytes
// 0-306 on 2-4 (the rest belongs to the window), bytes 0-510 on 5-6.
#include "model/checksum.h"
#include "ops/dialog_guard.h"
#include "ops/pager_operations.h"

#include <algorithm>

namespace ccp::ops {

namespace {

struct ReadTakeOver {
    model::ChecksumBlock block;
    std::size_t bytes;
    bool decoder;
};

ReadTakeOver takeOverOf(model::Layout layout) {
    switch (layout) {
    case model::Layout::Pcd5003:
        return {model::ChecksumBlock::A, model::kEepromSize, true};
    case model::Layout::Sm8212:
        return {model::ChecksumBlock::A, 307, false};
    case model::Layout::Sm8212Extended:
        break;
    }
    return {model::ChecksumBlock::C, 511, false};
}

} // namespace

bool PagerOperations::ReadFromPagerClick() {
    const Running running(*this);
    const link::PortClaim port = transfers_.claimPort();
    const int platform = context_.hardwarePlatform;
    const model::Layout layout = model::layoutOf(platform);
    DialogGuard guard(dialog_);
    dialog_.begin("Reading data from pager, please wait...", static_cast<int>(model::kEepromSize));
    dialog_.stepIt();
    context_.log.append("Read data from pager");

    if (!readStaging(layout == model::Layout::Pcd5003,
                     "Decoder Read error, please check hardware selection.",
                     "Hardware error, please check connection."))
        return false;

    const ReadTakeOver takeOver = takeOverOf(layout);
    if (!model::verifyChecksum(ReadStaging, takeOver.block)) {
        context_.log.append("Pager Read error, please check the connection.");
        dialog_.close();
        return false;
    }
    std::copy_n(ReadStaging.begin(), takeOver.bytes, context_.eeprom.begin());
    if (takeOver.decoder)
        context_.decoder = DecoderStaging;
    dialog_.close();
    context_.log.append(kReadCompleted);

    rules_.decoder.decode();
    rules_.frequency.channelfreqExit();
    rules_.addresses.msgtypeChange();
    const int entries = layout == model::Layout::Pcd5003 ? 6 : 8;
    for (int n = 1; n <= entries; ++n)
        rules_.addresses.addressExit(n);
    return true;
}

} // namespace ccp::ops
