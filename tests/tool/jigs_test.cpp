// Telling jigs apart: several USB jigs listed at once, one picked by path or
// by the end of its serial number, and the parallel ports' states.
#include "jig/chosen_hid_backend.h"
#include "link/jig_discovery.h"
#include "sim/simulated_hid_backend.h"
#include "sim/virtual_clock.h"
#include "support/temp_dir.h"
#include "tool/jigs_command.h"

#include <gtest/gtest.h>
#include <sstream>

namespace ccp::tool {
namespace {

class SerialDevice final : public sim::VirtualHidDevice {
public:
    SerialDevice(std::string serial, std::uint16_t product = link::kJigProductId)
        : serial_(std::move(serial)), product_(product) {}
    std::uint16_t vendorId() const override { return link::kJigVendorId; }
    std::uint16_t productId() const override { return product_; }
    std::uint16_t version() const override { return 2; }
    std::optional<std::string> productString() const override { return "jig"; }
    std::string serialNumber() const override { return serial_; }
    link::HidCaps caps() const override { return {65, 65}; }
    std::vector<sim::Report> onOutputReport(std::span<const std::uint8_t>) override { return {}; }

private:
    std::string serial_;
    std::uint16_t product_;
};

TEST(Jigs, ListsEveryUsbJigAndPicksOneByPathOrSerial) {
    sim::VirtualClock clock;
    sim::SimulatedHidBackend hid(clock);
    SerialDevice a("CCP-000115"), b("CCP-000245"), c(""), mouse("M1", 0x2000);
    for (SerialDevice* d : {&a, &b, &c, &mouse})
        hid.plug(*d);
    testing::TempDir dir;
    // No ppdev nodes under this prefix; node 1 is a file that is no port.
    testing::TempDir::write(dir.file("parport1"), {0});
    link::PpdevPortDriver ports(dir.file("parport"));
    const SeenJigs seen = seeJigs(ports, hid);
    std::ostringstream out;
    printJigs(seen, false, out);
    const std::vector<link::HidDeviceInfo> all = hid.enumerate();
    EXPECT_EQ(out.str(), "LPT1  " + dir.file("parport0") + "  no node\nLPT2  " +
                             dir.file("parport1") + "  no node\nUSB   " + all[0].path +
                             "  version 2  serial CCP-000115\nUSB   " + all[1].path +
                             "  version 2  serial CCP-000245\nUSB   " + all[2].path +
                             "  version 2\n");

    struct Case {
        std::string which;
        std::vector<std::string> serials;
    };
    const Case cases[] = {
        {"245", {"CCP-000245"}},
        {"CCP-000115", {"CCP-000115"}},
        {"15", {"CCP-000115"}},
        // A part that ends two serials names both: the jig opens neither.
        {"5", {"CCP-000115", "CCP-000245"}},
        // Inside a serial but at no end of one: another bench's jig.
        {"0001", {}},
        {all[2].path, {""}},
        {"M1", {}},
        {"999", {}},
    };
    for (const Case& k : cases) {
        jig::ChosenHidBackend chosen(hid, k.which);
        std::vector<std::string> serials;
        for (const link::HidDeviceInfo& d : chosen.enumerate())
            serials.push_back(d.serial);
        EXPECT_EQ(serials, k.serials) << k.which;
    }
}

} // namespace
} // namespace ccp::tool
