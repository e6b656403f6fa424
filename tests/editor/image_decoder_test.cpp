#include "editor/address_rules.h"
#include "editor/channel_frequency_rules.h"
#include "editor/field_rules.h"
#include "editor/folder_rules.h"
#include "editor/image_decoder.h"
#include "model/capcode.h"
#include "model/field_table.h"
#include "model/hex_text.h"
#include "support/editor_fixture.h"
#include "support/snapshot.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace ccp::editor {
namespace {

using model::FieldKind;
using model::FieldSpec;
using model::Layout;

class ImageDecoderTest : public ::testing::Test {
protected:
    // Every rule module bound, as the window binds them.
    void bindRules() {
        fieldRules.bind();
        folderRules.bind();
        addressRules.bind();
        frequencyRules.bind();
    }
    void clearImages() {
        rig.eeprom.fill(0);
        rig.decoder.fill(0);
    }
    form::Control& control(const std::string& name) { return *rig.form.find(name); }
    form::ComboBox& list(const std::string& name) {
        return static_cast<form::ComboBox&>(control(name));
    }
    form::CheckBox& box(const std::string& name) {
        return static_cast<form::CheckBox&>(control(name));
    }
    form::Edit& edit(const std::string& name) { return static_cast<form::Edit&>(control(name)); }

    testing::EditorRig rig;
    model::PagerSettings& s = rig.settings;
    model::EepromImage& e = rig.eeprom;
    FieldRules fieldRules{rig.context};
    FolderRules folderRules{rig.context};
    AddressRules addressRules{rig.context};
    ChannelFrequencyRules frequencyRules{rig.context};
    ImageDecoder decoder{rig.context, frequencyRules};
};

bool isValueField(const FieldSpec& f) {
    return f.kind == FieldKind::Flag || f.kind == FieldKind::Index || f.kind == FieldKind::Number ||
           f.kind == FieldKind::IndexFlag;
}

// Settings whose decoding does not follow their table entry.
bool decodedByItsOwnRule(const std::string& name, int platform) {
    return name == "customer_sel" || (name == "lcddrv_opa" && platform >= 3 && platform <= 5) ||
           (name == "contrast" && platform >= 3);
}

// Each flag, index and number of both field tables, given values that test
// its bit positions and reversal, comes back in the setting of the same name.
TEST_F(ImageDecoderTest, EveryValueFieldOfTheTablesReachesItsSetting) {
    rig.customerProfile = 4; // the urgent-call matrix is decoded
    for (int platform = 0; platform < model::kPlatformCount; ++platform) {
        rig.hardwarePlatform = static_cast<std::uint8_t>(platform);
        const Layout layout = model::layoutOf(platform);
        std::set<std::string> names;
        for (const FieldSpec& f : model::eepromFields())
            if (appliesTo(f.layouts, layout) && isValueField(f))
                names.insert(std::string(f.name()));
        if (layout == Layout::Pcd5003)
            for (const FieldSpec& f : model::decoderFields())
                if (isValueField(f))
                    names.insert(std::string(f.name()));

        for (const std::string& name : names) {
            if (decodedByItsOwnRule(name, platform))
                continue;
            const auto eepromParts = model::eepromFieldsOf(name, layout);
            const auto decoderParts = layout == Layout::Pcd5003 ? model::decoderFieldsOf(name)
                                                                : std::vector<const FieldSpec*>{};
            int bits = 0;
            for (const auto* parts : {&eepromParts, &decoderParts})
                for (const FieldSpec* f : *parts)
                    if (f->kind != FieldKind::IndexFlag)
                        bits = std::max(bits, f->valueLo + f->bitCount());
            const unsigned mask = (1u << bits) - 1;
            for (unsigned v : {0u, 1u, mask, 0x5Au & mask, 0x13u & mask}) {
                clearImages();
                for (const FieldSpec* f : eepromParts)
                    model::writeField(e, *f, v);
                for (const FieldSpec* f : decoderParts)
                    model::writeField(rig.decoder, *f, v);
                decoder.decode();
                const std::string where =
                    name + " = " + std::to_string(v) + " on platform " + std::to_string(platform);
                form::Control& c = control(name);
                if (c.kind() == form::ControlKind::CheckBox) {
                    EXPECT_EQ(box(name).checked(), v != 0) << where;
                } else if (c.kind() == form::ControlKind::Edit) {
                    EXPECT_EQ(edit(name).text(), std::to_string(v)) << where;
                } else {
                    // The LCD on and off times are read back from their low nibble.
                    const int index = static_cast<int>(
                        name == "lcd_on_time" || name == "lcd_off_time" ? v & 0x0F : v);
                    EXPECT_EQ(list(name).index(), index < list(name).count() ? index : -1) << where;
                }
            }
        }
    }
}

// Every character and hex-digit field of the table, filled with control and
// high bytes, shows those bytes one character each.
TEST_F(ImageDecoderTest, TextAndHexFieldsShowTheirBytes) {
    for (int platform : {0, 2, 5}) {
        rig.hardwarePlatform = static_cast<std::uint8_t>(platform);
        for (const FieldSpec& f : model::eepromFields()) {
            if (!appliesTo(f.layouts, model::layoutOf(platform)) ||
                (f.kind != FieldKind::Text && f.kind != FieldKind::Hex))
                continue;
            clearImages();
            std::string bytes;
            for (std::size_t i = 0; i < f.width; ++i) {
                const auto c = static_cast<std::uint8_t>(i % 2 ? 0x80 + 17 * i : 0x01 + 3 * i);
                e[f.offset + i] = c;
                bytes.push_back(static_cast<char>(c));
            }
            decoder.decode();
            const std::string expected =
                f.kind == FieldKind::Hex
                    ? model::hexText(std::span<const std::uint8_t>(e).subspan(f.offset, f.width))
                    : bytes;
            EXPECT_EQ(edit(std::string(f.name())).text(), expected) << f.name() << " " << platform;
        }
    }
    // A zero byte ends the text early.
    clearImages();
    const std::uint8_t serial[] = {0x01, 0x1F, 0x80, 0xFF, 0xC4, 0x00, 'A', 'B'};
    std::copy(std::begin(serial), std::end(serial), e.begin() + 1);
    decoder.decode();
    EXPECT_EQ(s.serial.text(), "\x01\x1F\x80\xFF\xC4");
    EXPECT_EQ(s.subversion.text(), "") << "byte 249 = 0";
}

TEST_F(ImageDecoderTest, SameImageTwiceGivesTheSameSettings) {
    bindRules();
    rig.hardwarePlatform = 4;
    const std::uint8_t pll[] = {0x2A, 0x00, 0x88, 0x20, 0x00, 0x10}; // FS8108, 457 MHz, 25 kHz
    std::copy(std::begin(pll), std::end(pll), e.begin() + 256);
    e[13] = 0x4D;
    e[29] = 5;
    e[30] = 0x02; // address 2 public
    e[248] = 10;
    for (int k = 0; k < 8; ++k)
        model::packCapcode8212(e, k, 2004000 + 9 * k, k != 5);
    // Folders 1-4 of five messages each, folder 9 of two, the rest inactive.
    const std::uint8_t slots[] = {0, 4, 5, 9, 10, 14, 15, 19};
    std::copy(std::begin(slots), std::end(slots), e.begin() + 216);
    for (std::size_t n = 4; n < 16; ++n) {
        e[216 + 2 * n] = n == 8 ? 20 : 0xFF;
        e[217 + 2 * n] = n == 8 ? 21 : 0x00;
    }
    decoder.decode();
    const auto once = testing::snapshot(rig.form);
    decoder.decode();
    EXPECT_EQ(testing::changes(once, testing::snapshot(rig.form)),
              (std::map<std::string, std::string>{}));
    EXPECT_EQ(s.channelspace.index(), 0) << "25 kHz";
    EXPECT_EQ(s.channelfreq.text(), "457.00000");
    EXPECT_EQ(s.back_light.index(), 1);
    EXPECT_EQ(s.pubboxlength[8].text(), "2");
    EXPECT_EQ(rig.log.lines(), std::vector<std::string>{});
}

TEST_F(ImageDecoderTest, FolderSlotsGiveStateAndSignedLength) {
    bindRules();
    const struct {
        std::uint8_t first, last;
        bool active;
        const char* length;
    } cases[] = {
        {0xFF, 0x00, false, "7"}, {0x03, 0x07, true, "5"},  {0x0A, 0x05, true, "-4"},
        {0x05, 0x04, true, "0"},  {0xFF, 0x30, false, "7"}, {0xFE, 0xFE, true, "1"},
    };
    // The box turns over (its click rule runs), or it already shows the state
    // while its fields show the other one (no rule runs).
    for (bool boxTurns : {true, false}) {
        for (const auto& c : cases) {
            s.pubboxlength[0].setText("7");
            s.pubboxact[0].setChecked(boxTurns ? !c.active : c.active);
            s.pubbox[0].setEnabled(!c.active);
            s.pubboxlength[0].setEnabled(!c.active);
            e[216] = c.first;
            e[217] = c.last;
            decoder.decode();
            EXPECT_EQ(s.pubboxact[0].checked(), c.active) << int(c.first) << boxTurns;
            EXPECT_EQ(s.pubbox[0].enabled(), c.active) << int(c.first) << boxTurns;
            EXPECT_EQ(s.pubboxlength[0].enabled(), c.active) << int(c.first) << boxTurns;
            EXPECT_EQ(s.pubboxlength[0].text(), c.length) << int(c.first) << boxTurns;
        }
    }
}

// Folders the window held before (here the second chain full) count in the
// box rules; they must not refuse or trim the folders of the image.
TEST_F(ImageDecoderTest, FoldersOfTheImageSurviveTheFoldersHeldBefore) {
    bindRules();
    rig.hardwarePlatform = 2;
    e[30] = 0x01; // address 1 public and enabled: the folders stay usable
    model::packCapcode8212(e, 0, 2004000, true);
    s.pubboxact[1].setChecked(false); // clears folders 2-7 as well
    for (std::size_t n = 8; n < 16; ++n)
        s.pubboxlength[n].setText("12");
    const std::uint8_t slots[] = {0, 49, 50, 89};
    std::fill(e.begin() + 216, e.begin() + 248, 0);
    for (std::size_t n = 2; n < 16; ++n)
        e[216 + 2 * n] = 0xFF;
    std::copy(std::begin(slots), std::end(slots), e.begin() + 216);
    decoder.decode();
    for (std::size_t n = 0; n < 16; ++n) {
        EXPECT_EQ(s.pubboxact[n].checked(), n < 2) << n;
        EXPECT_EQ(s.pubboxlength[n].enabled(), n < 2) << n;
        EXPECT_EQ(s.pubboxlength[n].text(), n == 0 ? "50" : n == 1 ? "40" : n < 8 ? "1" : "12");
    }
    EXPECT_EQ(rig.log.lines(), std::vector<std::string>{});
    EXPECT_EQ(rig.ui.beeps, 0);
}

TEST_F(ImageDecoderTest, SixtyFourSecondFlagAndTwoBitIndex) {
    const struct {
        std::uint8_t byte10, byte28;
        bool fiveItems;
        int alerttime, msgdisptime;
    } cases[] = {
        {0x20, 0x00, true, 4, 0},  {0x20, 0x00, false, -1, 0}, {0x10, 0x00, true, 0, 4},
        {0x00, 0x0B, false, 3, 2}, {0x30, 0x01, true, -1, 4},  {0x00, 0x00, false, 0, 0},
    };
    for (const auto& c : cases) {
        for (form::ComboBox* times : {&s.alerttime, &s.msgdisptime}) {
            if (c.fiveItems && times->count() == 4)
                times->addItem("64 sec");
            if (!c.fiveItems && times->count() == 5)
                times->deleteItem(4);
        }
        e[10] = c.byte10;
        e[28] = c.byte28;
        decoder.decode();
        EXPECT_EQ(s.alerttime.index(), c.alerttime) << int(c.byte10) << " " << int(c.byte28);
        EXPECT_EQ(s.msgdisptime.index(), c.msgdisptime) << int(c.byte10) << " " << int(c.byte28);
    }
}

TEST_F(ImageDecoderTest, OpaAndContrastFollowThePlatform) {
    e[10] = 0x02;
    e[33] = 25;
    for (int platform = 0; platform < model::kPlatformCount; ++platform) {
        rig.hardwarePlatform = static_cast<std::uint8_t>(platform);
        decoder.decode();
        EXPECT_EQ(s.lcddrv_opa.index(), platform >= 3 && platform <= 5 ? 5 : 2) << platform;
        EXPECT_EQ(s.contrast.text(), platform >= 3 ? "10" : "25") << platform;
    }
}

TEST_F(ImageDecoderTest, ChannelSpacingCodeWithTheFs8108Offset) {
    const struct {
        int platform;
        std::uint8_t control; // byte 256 (8212 layouts) or byte 71 (5003)
        int channelspace;
    } cases[] = {
        {4, 0x2A, 0}, {4, 0x29, 0},  {4, 0x28, 2},  {4, 0x22, 2}, {4, 0x2B, 2},  {6, 0x6A, 4},
        {6, 0x7A, 5}, {2, 0x1A, -1}, {2, 0x7E, -1}, {0, 0x41, 4}, {1, 0x61, -1},
    };
    for (const auto& c : cases) {
        rig.hardwarePlatform = static_cast<std::uint8_t>(c.platform);
        clearImages();
        e[c.platform <= 1 ? 71 : 256] = c.control;
        s.channelspace.setIndex(3);
        decoder.decode();
        EXPECT_EQ(s.channelspace.index(), c.channelspace) << int(c.control);
    }
}

TEST_F(ImageDecoderTest, UrgentCallMatrixOnlyWhereTheProfileAndFirmwareUseIt) {
    rig.hardwarePlatform = 2;
    e[41] = 0x01; // chbUC1A
    e[44] = 0x80; // chbUC8D
    const struct {
        std::uint8_t profile, firmware;
        bool decoded;
    } cases[] = {
        {1, 20, false}, {0, 13, false}, {0, 14, true},  {3, 14, true},
        {5, 99, true},  {4, 0, true},   {2, 99, false}, {6, 99, false},
    };
    for (const auto& c : cases) {
        rig.customerProfile = c.profile;
        e[248] = c.firmware;
        s.chbUC[0][0].setChecked(false);
        s.chbUC[2][1].setChecked(true);
        s.chbUC[7][3].setChecked(false);
        decoder.decode();
        EXPECT_EQ(s.chbUC[0][0].checked(), c.decoded) << int(c.profile) << " " << int(c.firmware);
        EXPECT_EQ(s.chbUC[2][1].checked(), !c.decoded) << int(c.profile);
        EXPECT_EQ(s.chbUC[7][3].checked(), c.decoded) << int(c.profile);
    }
}

TEST_F(ImageDecoderTest, OutOfRangeCapcodesAreReportedOncePerAddress) {
    addressRules.bind();
    for (int platform : {0, 2}) {
        rig.hardwarePlatform = static_cast<std::uint8_t>(platform);
        rig.log.userEdit("");
        rig.ui.beeps = 0;
        clearImages();
        // 2097151 and 2007664 lie outside the ranges; 7 has too few digits to
        // be reported; the others are valid.
        const std::uint32_t capcodes[] = {2097151, 2004005, 2007664, 7, 8, 2045064};
        for (int k = 0; k < 6; ++k) {
            s.address[static_cast<std::size_t>(k)].setText("");
            s.frame[static_cast<std::size_t>(k)].setText("x");
            if (platform == 0)
                model::packCapcode5003(rig.decoder, k + 1, capcodes[k], true);
            else
                model::packCapcode8212(e, k, capcodes[k], true);
        }
        decoder.decode();
        EXPECT_EQ(rig.ui.beeps, 2) << platform;
        EXPECT_EQ(rig.log.lines(),
                  (std::vector<std::string>{capcodeRangeMessage(1), capcodeRangeMessage(3)}));
        const char* frames[] = {"x", "5", "x", "x", "0", "0"};
        for (std::size_t k = 0; k < 6; ++k) {
            EXPECT_EQ(s.address[k].text(), std::to_string(capcodes[k])) << platform;
            EXPECT_EQ(s.frame[k].text(), frames[k]) << k << " on platform " << platform;
        }
    }
}

TEST_F(ImageDecoderTest, CodesWithoutAnEntryKeepTheSetting) {
    rig.hardwarePlatform = 0;
    // Byte 13 = 0x20 and baud code 01 have no entry: the settings keep 2 and 1.
    const struct {
        std::uint8_t byte13, decoder1;
        int backlight, baudrate;
    } cases[] = {
        {0x19, 0x00, 0, 0},
        {0xB3, 0x20, 3, 1},
        {0x20, 0x30, 2, 2},
        {0x4D, 0x10, 1, 1},
    };
    for (const auto& c : cases) {
        s.back_light.setIndex(2);
        s.baudrate.setIndex(1);
        e[13] = c.byte13;
        rig.decoder[1] = c.decoder1;
        decoder.decode();
        EXPECT_EQ(s.back_light.index(), c.backlight) << int(c.byte13);
        EXPECT_EQ(s.baudrate.index(), c.baudrate) << int(c.decoder1);
    }
    // `lowcell` is stored twice; byte 39's copy is the one that stays.
    e[34] = 0x08;
    e[39] = 0x00;
    decoder.decode();
    EXPECT_EQ(s.lowcell.index(), 0);
}

TEST_F(ImageDecoderTest, SettingsOutsideTheLayoutStayAsTheyWere) {
    std::vector<std::string> always = {"urgcalladdr", "decoder", "lcddrv", "contrast_mask",
                                       "customer_sel"};
    for (int i = 1; i <= 8; ++i) {
        always.push_back("autoinc" + std::to_string(i));
        always.push_back("frame" + std::to_string(i));
    }
    std::vector<std::string> only8212 = {
        "bs1",          "bs2_option",      "bs3",        "clko",   "end_of_msg", "filter_enable",
        "lcd_fosc",     "filter_strength", "error_rate", "lcd_tc", "lcd_bias",   "showPowerOffMenu",
        "beepWithFlash"};
    for (const char* n : {"7", "8"})
        for (const char* part :
             {"addr#en", "address#", "msgtype#", "addr#formatA", "addr#formatD"}) {
            std::string name = part;
            name.replace(name.find('#'), 1, n);
            only8212.push_back(name);
        }
    for (int i = 1; i <= 8; ++i)
        for (char t : std::string("ABCD"))
            only8212.push_back("chbUC" + std::to_string(i) + t);
    const std::vector<std::string> only5003 = {"addrcheck", "datacheck", "ROE", "RXE"};
    const std::vector<std::string> onlyExt = {"rssi_level_0", "rssi_level_3", "firmware_epson",
                                              "st6bsupport", "line_8or4"};

    std::mt19937 random(7);
    rig.customerProfile = 4;
    for (int platform = 0; platform < model::kPlatformCount; ++platform) {
        rig.hardwarePlatform = static_cast<std::uint8_t>(platform);
        const Layout layout = model::layoutOf(platform);
        std::vector<std::string> untouched = always;
        auto add = [&](const std::vector<std::string>& names, bool outside) {
            if (outside)
                untouched.insert(untouched.end(), names.begin(), names.end());
        };
        add(only8212, layout == Layout::Pcd5003);
        add(only5003, layout != Layout::Pcd5003);
        add(onlyExt, layout != Layout::Sm8212Extended);
        for (auto& byte : e)
            byte = static_cast<std::uint8_t>(random());
        for (auto& byte : rig.decoder)
            byte = static_cast<std::uint8_t>(random());
        e[248] = 20;
        for (const std::string& name : untouched) {
            form::Control& c = control(name);
            if (c.kind() == form::ControlKind::ComboBox)
                list(name).setIndex(list(name).count() - 1);
            else if (c.kind() == form::ControlKind::CheckBox)
                box(name).setChecked(!box(name).checked());
            else
                edit(name).setText("?" + name);
        }
        const auto before = testing::snapshot(rig.form);
        decoder.decode();
        const auto after = testing::snapshot(rig.form);
        for (const std::string& name : untouched)
            EXPECT_EQ(after.at(name), before.at(name)) << name << " on platform " << platform;
    }
}

// Random images on every platform with every rule module bound: no crash, no
// sanitizer report, no conversion error, and neither image changes.
TEST_F(ImageDecoderTest, RandomImagesDecodeOnEveryPlatform) {
    bindRules();
    std::mt19937 random(20240601);
    for (int round = 0; round < 3000; ++round) {
        rig.hardwarePlatform = static_cast<std::uint8_t>(round % model::kPlatformCount);
        rig.customerProfile = static_cast<std::uint8_t>(random() % 7);
        for (auto& byte : e)
            byte = static_cast<std::uint8_t>(random());
        for (auto& byte : rig.decoder)
            byte = static_cast<std::uint8_t>(random());
        const model::EepromImage eeprom = e;
        const model::DecoderImage decoderImage = rig.decoder;
        rig.form.dispatch([&] { decoder.decode(); });
        ASSERT_EQ(rig.ui.errors, std::vector<std::string>{}) << "round " << round;
        ASSERT_EQ(e, eeprom) << "round " << round;
        ASSERT_EQ(rig.decoder, decoderImage) << "round " << round;
    }
}

} // namespace
} // namespace ccp::editor
