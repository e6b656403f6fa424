// A USB jig that answers with arbitrary reports and describes itself with an
// arbitrary report descriptor, during discovery, a read and a write: every
// transfer ends with a result code, on virtual time, without a crash. Input:
// descriptor length, the descriptor, then the bytes the jig answers with,
// cut into reports of the length the descriptor gives (a report of length 0
// is no answer at all).
#include "fuzz_check.h"
#include "link/report_descriptor.h"
#include "support/pager_rig.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

class ScriptedJig final : public ccp::sim::VirtualHidDevice {
public:
    ScriptedJig(ccp::link::HidCaps caps, const std::uint8_t* data, std::size_t size)
        : caps_(caps), data_(data), size_(size) {}
    std::uint16_t vendorId() const override { return 0x04D8; }
    std::uint16_t productId() const override { return 0x1000; }
    std::uint16_t version() const override { return version_; }
    std::optional<std::string> productString() const override { return "A31 programmer"; }
    ccp::link::HidCaps caps() const override { return caps_; }
    std::vector<ccp::sim::Report> onOutputReport(std::span<const std::uint8_t>) override {
        if (at_ >= size_)
            return {};
        const std::size_t length = data_[at_++] % 2 ? caps_.inputReportLength : 0;
        if (length == 0)
            return {};
        ccp::sim::Report report(length, 0);
        for (std::size_t i = 0; i < length && at_ < size_; ++i)
            report[i] = data_[at_++];
        return {report};
    }
    std::uint16_t version_ = 2;

private:
    ccp::link::HidCaps caps_;
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t descriptorLength = std::min<std::size_t>(data[0], size - 2);
    const auto summary = ccp::link::parseReportDescriptor({data + 2, descriptorLength});
    const std::size_t rest = 2 + descriptorLength;

    ccp::testing::PagerRig rig;
    ccp::app::TForm1& window = rig.startOn(5, data[1] % 7);
    ScriptedJig jig(summary.caps, data + rest, size - rest);
    jig.version_ = data[1] >> 4;
    rig.hid.plug(jig);
    window.HidCtl.DeviceNotification(ccp::link::THidDeviceController::kStartMarker);
    // A descriptor whose reports cannot carry the commands still gets the jig
    // taken; one that fails to parse leaves it out and the parallel port on.
    if (!window.Link.UsbActive)
        return 0;

    std::vector<std::uint8_t> buffer(512, 0x5A);
    window.dispatch([&] {
        (void)window.transfers.EepromTransfer("04", window.EepromDeviceSelect, "r", buffer);
        (void)window.transfers.EepromTransfer("04", window.EepromDeviceSelect, "w", buffer);
        (void)window.transfers.DecoderTransfer("r", buffer);
        (void)window.transfers.DecoderTransfer("w", buffer);
        window.pagerOperations.ReadFromPagerClick();
        window.pagerOperations.WriteToPagerClick();
    });
    ccp::fuzz::require(!window.State_Form.window().visible(), "the progress dialog stayed open");
    rig.hid.unplug(jig);
    window.HidCtl.DeviceNotification(0);
    ccp::fuzz::require(!window.Link.UsbActive, "the pulled jig is still the transport");
    return 0;
}
