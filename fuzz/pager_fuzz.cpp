// Arbitrary EEPROM and decoder contents in the virtual pager, read through
// the parallel or the USB jig, then written back. After a read that completed
// and a write that verified, the pager holds the window's image and the
// checksums of the platform's layout hold. Input: platform, jig, whether the
// checksums are made to hold first, then the 512 EEPROM bytes and the 48
// decoder bytes.
#include "fuzz_check.h"
#include "model/checksum.h"
#include "support/pager_rig.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using ccp::fuzz::require;
    constexpr std::size_t kHeader = 3;
    if (size < kHeader)
        return 0;
    const int platform = data[0] % 7;
    const bool usb = data[1] & 1;
    const bool fixChecksums = data[2] & 1;
    const std::size_t body = size - kHeader;

    ccp::testing::PagerRig rig;
    ccp::app::TForm1& window = rig.startOn(5, platform);
    rig.plugPager();
    auto& memory = rig.eeprom->memory();
    std::copy_n(data + kHeader, std::min<std::size_t>(body, 512), memory.begin());
    if (body > 512) {
        ccp::sim::Pcd5003::Image chip{};
        std::copy_n(data + kHeader + 512, std::min<std::size_t>(body - 512, 48), chip.begin());
        rig.decoder->setImage(chip);
    }
    const ccp::model::Layout layout = ccp::model::layoutOf(platform);
    if (fixChecksums) {
        for (ccp::model::ChecksumBlock block : ccp::model::checksumBlocksOf(layout))
            ccp::model::storeChecksum(std::span<std::uint8_t>(memory), block);
    }
    if (usb)
        rig.plugUsbJig();
    rig.ui.answers.push_back(data[1] & 2);

    bool read = false;
    bool written = false;
    window.dispatch([&] { read = window.pagerOperations.ReadFromPagerClick(); });
    window.dispatch([&] { written = window.pagerOperations.WriteToPagerClick(); });
    if (read && written) {
        require(std::equal(window.EepromImage.begin(), window.EepromImage.end(), memory.begin()),
                "the pager does not hold the image written");
        for (ccp::model::ChecksumBlock block : ccp::model::checksumBlocksOf(layout))
            require(ccp::model::verifyChecksum(std::span<const std::uint8_t>(memory), block),
                    "a checksum of the written image does not hold");
    }
    return 0;
}
