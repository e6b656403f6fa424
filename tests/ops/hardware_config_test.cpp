#include "ops/hardware_config.h"
#include "support/editor_fixture.h"

#include <gtest/gtest.h>
#include <string>

namespace ccp::ops {
namespace {

// The configuration a write keeps from the pager, by platform, profile and
// the pager's bytes.
TEST(HardwareConfig, TakenOverFromThePager) {
    struct Case {
        const char* name;
        int platform;
        int profile;
        std::uint8_t version;  // byte 248
        std::uint8_t feature;  // byte 250 (PLL in bits 5-4 on 0-1)
        std::uint8_t pll8212;  // byte 256 (PLL in bits 3-2 on 2-6)
        std::uint8_t receiver; // decoder byte 1: RXE bits 1-0, ROE bits 3-2
        const char* firmware;
        int pll, rxe, roe;
    };
    const Case cases[] = {
        {"version 12 under profile 2 shows as 1", 3, 2, 12, 0x00, 0x08, 0x00, "1", 2, -2, -2},
        {"version 12 under profile 6 shows as 1", 6, 6, 12, 0x00, 0x04, 0x00, "1", 1, -2, -2},
        {"version 12 under profile 1", 3, 1, 12, 0x00, 0x0C, 0x00, "12", 3, -2, -2},
        {"version 9 under profile 2", 2, 2, 9, 0x00, 0x00, 0x00, "9", 0, -2, -2},
        {"5003 PLL code 1 is item 2", 0, 1, 7, 0x10, 0x00, 0x09, "7", 2, 1, 2},
        {"5003 PLL code 2 is item 1", 1, 1, 6, 0x20, 0x00, 0x06, "6", 1, 2, 1},
        {"5003 PLL code 3 is item 3", 1, 1, 6, 0xF0, 0x00, 0x00, "6", 3, 0, 0},
        {"below version 6 RXE and ROE are item 3", 0, 1, 5, 0x00, 0x00, 0x00, "5", 0, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::EditorRig rig;
        model::EepromImage staging{};
        model::DecoderImage decoder{};
        staging[248] = c.version;
        staging[249] = 'C';
        staging[250] = c.feature;
        staging[256] = c.pll8212;
        staging[40] = 4;
        staging[41] = 5;
        decoder[1] = c.receiver;
        rig.settings.RXE.setIndex(0);
        rig.settings.ROE.setIndex(0);
        takeOverHardwareConfig(rig.settings, staging, decoder, c.platform, c.profile);
        EXPECT_EQ(rig.settings.firmwareversion.text(), c.firmware);
        EXPECT_EQ(rig.settings.subversion.text(), "C");
        EXPECT_EQ(rig.settings.pll.index(), c.pll);
        if (c.rxe != -2) {
            EXPECT_EQ(rig.settings.RXE.index(), c.rxe);
            EXPECT_EQ(rig.settings.ROE.index(), c.roe);
            EXPECT_EQ(rig.settings.addrcheck.index(), 4);
            EXPECT_EQ(rig.settings.datacheck.index(), 5);
        } else {
            EXPECT_EQ(rig.settings.RXE.index(), 0) << "kept on the 8212 platforms";
        }
    }
}

} // namespace
} // namespace ccp::ops
