#include "editor/address_rules.h"
#include "editor/image_encoder.h"
#include "form/conversion.h"
#include "model/bits.h"
#include "model/capcode.h"
#include "model/decoder_defaults.h"
#include "model/field_table.h"
#include "model/hex_text.h"
#include "model/text_field.h"
#include "support/editor_fixture.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace ccp::editor {
namespace {

using model::FieldKind;
using model::FieldSpec;
using model::Layout;
using Bytes = std::vector<std::uint8_t>;

class ImageEncoderTest : public ::testing::Test {
protected:
    ImageEncoderTest() {
        fields.bind();
        folders.bind();
        frequency.bind();
        addresses.bind();
    }

    void onPlatform(int platform) { rig.hardwarePlatform = static_cast<std::uint8_t>(platform); }
    // Both images filled with a pattern that no setting produces everywhere.
    void prefill() {
        for (std::size_t i = 0; i < rig.eeprom.size(); ++i)
            rig.eeprom[i] = static_cast<std::uint8_t>(0xA5 ^ (i * 13));
        for (std::size_t i = 0; i < rig.decoder.size(); ++i)
            rig.decoder[i] = static_cast<std::uint8_t>(0x3C ^ (i * 7));
        before = rig.eeprom;
        beforeDecoder = rig.decoder;
    }
    form::Edit& edit(const std::string& name) {
        return dynamic_cast<form::Edit&>(*rig.form.find(name));
    }
    Bytes bytes(std::size_t first, std::size_t count) const {
        return {rig.eeprom.begin() + first, rig.eeprom.begin() + first + count};
    }

    testing::EditorRig rig;
    model::PagerSettings& s = rig.settings;
    FieldRules fields{rig.context};
    FolderRules folders{rig.context};
    ChannelFrequencyRules frequency{rig.context};
    AddressRules addresses{rig.context};
    ImageEncoder encoder{rig.context, fields, folders, frequency};
    model::EepromImage before{};
    model::DecoderImage beforeDecoder{};
};

TEST_F(ImageEncoderTest, EncodingAgainWritesOnlyTheBytesTheLayoutNames) {
    for (int platform = 0; platform < model::kPlatformCount; ++platform) {
        onPlatform(platform);
        const Layout layout = model::layoutOf(platform);
        prefill();
        ASSERT_TRUE(encoder.encode());
        for (std::size_t i = 0; i < rig.eeprom.size(); ++i) {
            if (model::isNeverWritten(layout, i)) {
                EXPECT_EQ(rig.eeprom[i], before[i]) << "platform " << platform << " byte " << i;
            }
        }
        if (layout != Layout::Pcd5003) {
            EXPECT_EQ(rig.decoder, beforeDecoder) << platform;
        }
        // A save clears the image first: the unnamed bytes stay zero.
        rig.eeprom.fill(0);
        ASSERT_TRUE(encoder.encode());
        for (std::size_t i : {0u, 32u, 45u})
            EXPECT_EQ(rig.eeprom[i], 0) << platform << " byte " << i;
    }
}

// The value `field` must hold for the control's setting, as readField gives it;
// nothing for kinds that are checked elsewhere.
std::optional<unsigned> expectedBits(const FieldSpec& field, form::Control* control) {
    unsigned value = 0;
    if (field.kind == FieldKind::Constant)
        value = field.value;
    else if (auto* list = dynamic_cast<form::ComboBox*>(control))
        value = field.kind == FieldKind::IndexFlag ? unsigned(list->index() == field.value)
                                                   : static_cast<unsigned>(list->index());
    else if (auto* box = dynamic_cast<form::CheckBox*>(control))
        value = box->checked() ? 1u : 0u;
    else if (auto* text = dynamic_cast<form::Edit*>(control))
        value = static_cast<unsigned>(form::strToInt(text->text()));
    else
        return std::nullopt;
    const unsigned mask = (1u << field.bitCount()) - 1u;
    return ((value >> field.valueLo) & mask) << field.valueLo;
}

void expectTableHolds(std::span<const FieldSpec> table, std::span<const std::uint8_t> image,
                      Layout layout, form::Form& form, int platform) {
    for (const FieldSpec& field : table) {
        if (!model::appliesTo(field.layouts, layout))
            continue;
        form::Control* control =
            field.name().empty() ? nullptr : form.find(std::string(field.name()));
        const std::string where =
            std::string(field.name()).append(" @").append(std::to_string(field.offset));
        if (field.kind == FieldKind::Text) {
            const auto& text = dynamic_cast<form::Edit&>(*control).text();
            EXPECT_EQ(model::readTextField(image, field.offset, field.width),
                      text.substr(0, field.width))
                << platform << " " << where;
        } else if (field.kind == FieldKind::Hex) {
            const auto hex = model::hexFieldBytes(dynamic_cast<form::Edit&>(*control).text());
            EXPECT_EQ(Bytes(image.begin() + field.offset, image.begin() + field.end()),
                      Bytes(hex.begin(), hex.end()))
                << platform << " " << where;
        } else if (field.kind == FieldKind::DefaultBlock) {
            for (std::size_t i = field.offset; i < field.end(); ++i)
                EXPECT_EQ(image[i] & model::fieldMask(field.hi, field.lo),
                          model::defaultDecoderBlock()[i] & model::fieldMask(field.hi, field.lo))
                    << where;
        } else if (field.isBitField() && field.kind != FieldKind::Code) {
            const auto expected = expectedBits(field, control);
            ASSERT_TRUE(expected) << where;
            EXPECT_EQ(model::readField(image, field), expected) << platform << " " << where;
        }
    }
}

TEST_F(ImageEncoderTest, EveryFieldOfTheLayoutTablesHoldsItsSetting) {
    // Profile 5 from firmware 14 on writes every flag of byte 250 and the matrix.
    rig.customerProfile = 5;
    unsigned k = 0;
    for (form::Control* control : rig.form.controls()) {
        ++k;
        if (auto* list = dynamic_cast<form::ComboBox*>(control); list && list->count() > 0)
            list->setIndex(static_cast<int>((k * 7 + 3) % static_cast<unsigned>(list->count())));
        if (auto* box = dynamic_cast<form::CheckBox*>(control);
            box && box->name().rfind("pubboxact", 0) != 0)
            box->setChecked(k % 3 != 0);
    }
    const std::pair<const char*, const char*> texts[] = {
        {"serial", "AB12"},      {"rangetime", "300"},         {"lcdholdtime", "7"},
        {"contrast", "45"},      {"firmwareversion", "14"},    {"bs1", "21"},
        {"bs3", "45"},           {"rssi_level_2", "301"},      {"password", "98"},
        {"hellomsg1", "HELLO"},  {"subversion", ""},           {"firmware_epson", "2.1"},
        {"tonepatternB", "12"},  {"tonepatternUcall", "fa9B"}, {"address1", "1234567"},
        {"address6", "2097151"}, {"pubbox3", "NEWS"},          {"chineseheader", "#"},
    };
    for (const auto& [name, text] : texts)
        edit(name).setText(text);
    for (int platform = 0; platform < model::kPlatformCount; ++platform) {
        onPlatform(platform);
        prefill();
        ASSERT_TRUE(encoder.encode());
        const Layout layout = model::layoutOf(platform);
        expectTableHolds(model::eepromFields(), rig.eeprom, layout, rig.form, platform);
        if (layout == Layout::Pcd5003)
            expectTableHolds(model::decoderFields(), rig.decoder, layout, rig.form, platform);
    }
}

TEST_F(ImageEncoderTest, FolderSlotsRunOverTheCheckedFoldersInOrder) {
    onPlatform(2);
    for (form::Edit& length : s.pubboxlength)
        length.setText("6");
    ASSERT_TRUE(encoder.encode());
    for (std::size_t n = 0; n < 16; ++n)
        EXPECT_EQ(bytes(216 + 2 * n, 2), (Bytes{std::uint8_t(6 * n), std::uint8_t(6 * n + 5)}));

    s.pubboxact[1].setChecked(false); // clears folders 1-7
    s.pubboxact[2].setChecked(true);
    s.pubboxlength[0].setText("3");
    s.pubboxlength[2].setText("5");
    ASSERT_TRUE(encoder.encode());
    EXPECT_EQ(bytes(216, 8), (Bytes{0x00, 0x02, 0xFF, 0x00, 0x03, 0x07, 0xFF, 0x00}));
    EXPECT_EQ(bytes(232, 2), (Bytes{0x08, 0x0D})); // folder 8 follows on
}

TEST_F(ImageEncoderTest, AFolderTotalAbove99IsRefusedBeforeByte68) {
    const std::pair<int, const char*> cases[] = {{2, "10"}, {0, "10"}, {5, "230"}};
    for (const auto& [platform, last] : cases) { // fifteen folders of 6, plus `last`
        onPlatform(platform);
        for (form::Edit& length : s.pubboxlength)
            length.setText("6");
        s.pubboxlength[15].setText(last);
        rig.log.userEdit("");
        prefill();
        EXPECT_FALSE(encoder.encode());
        EXPECT_EQ(rig.log.lines(), std::vector<std::string>{kFolderWriteAborted});
        EXPECT_EQ(bytes(1, 8), Bytes(8, '0')) << "the serial went in";
        EXPECT_TRUE(std::equal(rig.eeprom.begin() + 68, rig.eeprom.end(), before.begin() + 68));
        EXPECT_EQ(rig.decoder, beforeDecoder);
    }
}

TEST_F(ImageEncoderTest, SixtyFourSecondsHasItsOwnBitInByte10) {
    s.alerttime.addItem("64 sec");
    s.msgdisptime.addItem("64 sec");
    struct Case {
        int alert, display;
        std::uint8_t bits10, low28; // byte 10 bits 5-4, byte 28 bits 3-0
    };
    const Case cases[] = {{4, 0, 0x20, 0x0},
                          {2, 4, 0x10, 0x2},
                          {2, 3, 0x00, 0xE},
                          {4, 4, 0x30, 0x0},
                          {-1, 1, 0x00, 0x7}};
    for (const Case& c : cases) {
        s.alerttime.setIndex(c.alert);
        s.msgdisptime.setIndex(c.display);
        ASSERT_TRUE(encoder.encode());
        EXPECT_EQ(rig.eeprom[10] & 0x30, c.bits10) << c.alert << " " << c.display;
        EXPECT_EQ(rig.eeprom[28] & 0x0F, c.low28) << c.alert << " " << c.display;
    }
}

TEST_F(ImageEncoderTest, UrgentCallMatrixFollowsProfileAndFirmware) {
    struct Case {
        std::uint8_t profile;
        const char* firmware;
        bool urgentBefore;
        Bytes matrix; // bytes 41-44
        bool urgentAfter;
    };
    const Case cases[] = {
        {1, "14", true, {0, 0, 0, 0}, true},     {1, "14", false, {0, 0, 0, 0}, false},
        {4, "10", false, {0, 0x02, 0, 0}, true}, {0, "13", true, {0, 0, 0, 0}, true},
        {0, "14", false, {0, 0x02, 0, 0}, true}, {3, "20", false, {0, 0x02, 0, 0}, true},
        {5, "13", false, {0, 0, 0, 0}, false},
    };
    onPlatform(2);
    s.chbUC[2][1].setChecked(true); // chbUC3B alone
    for (const Case& c : cases) {
        rig.customerProfile = c.profile;
        s.firmwareversion.setText(c.firmware);
        s.urgentcall.setChecked(c.urgentBefore);
        prefill();
        ASSERT_TRUE(encoder.encode());
        EXPECT_EQ(bytes(41, 4), c.matrix) << int(c.profile) << " " << c.firmware;
        EXPECT_EQ(s.urgentcall.checked(), c.urgentAfter) << int(c.profile) << " " << c.firmware;
        EXPECT_EQ((rig.eeprom[28] >> 6) & 1, c.urgentAfter ? 1 : 0);
    }
    // An empty matrix in use switches urgent call off; the last tones sit in bit 7.
    rig.customerProfile = 4;
    s.chbUC[2][1].setChecked(false);
    ASSERT_TRUE(encoder.encode());
    EXPECT_FALSE(s.urgentcall.checked());
    s.chbUC[1][3].setChecked(true);
    s.chbUC[7][3].setChecked(true);
    ASSERT_TRUE(encoder.encode());
    EXPECT_EQ(bytes(41, 4), (Bytes{0x80, 0, 0, 0x80}));
}

TEST_F(ImageEncoderTest, MessageTypes7And8OnlyIn8212Layouts) {
    for (form::ComboBox& type : s.msgtype)
        type.setIndex(1);
    const std::pair<int, int> cases[] = {{0, 0x3F}, {1, 0x3F}, {2, 0xFF}, {6, 0xFF}};
    for (const auto& [platform, byte30] : cases) {
        onPlatform(platform);
        ASSERT_TRUE(encoder.encode());
        EXPECT_EQ(rig.eeprom[30], byte30) << platform;
    }
}

TEST_F(ImageEncoderTest, Fs8170ForcesBitSyncWindows) {
    struct Case {
        int platform, pll;
        const char *bs1, *bs3;
        Bytes bytes295to297; // only the BS bits: 295 bits 7-6, 296, 297 bits 1-0
    };
    const Case cases[] = {{2, 3, "30", "31", {0x80, 0xEF, 0x01}},
                          {6, 3, "30", "31", {0x80, 0xEF, 0x01}},
                          {2, 2, "10", "50", {0xC0, 0x44, 0x01}}};
    for (const Case& c : cases) {
        onPlatform(c.platform);
        s.pll.setIndex(c.pll);
        s.bs1.setText("10");
        s.bs3.setText("50");
        ASSERT_TRUE(encoder.encode());
        EXPECT_EQ(s.bs1.text(), c.bs1);
        EXPECT_EQ(s.bs3.text(), c.bs3);
        EXPECT_EQ((Bytes{std::uint8_t(rig.eeprom[295] & 0xC0), rig.eeprom[296],
                         std::uint8_t(rig.eeprom[297] & 0x03)}),
                  c.bytes295to297);
    }
    onPlatform(0); // the 5003 layout has no bit-sync windows
    s.pll.setIndex(3);
    ASSERT_TRUE(encoder.encode());
    EXPECT_EQ(s.bs1.text(), "10");
}

TEST_F(ImageEncoderTest, ListsWithoutSelectionAndOutsideTheirField) {
    s.lcddrv_opa.addItem("8");
    struct Case {
        int platform;
        form::ComboBox* list;
        int index;
        std::size_t offset;
        std::uint8_t mask, expected;
    };
    const Case cases[] = {
        {2, &s.lcddrv_opa, 8, 10, 0x0F, 0x00}, // cut to bits 2-0, bit 3 stays 0
        {2, &s.lcddrv_opa, -1, 10, 0x0F, 0x07},
        {2, &s.lcd_on_time, -1, 11, 0xFF, 0xFF},
        {2, &s.repeatcallreject, -1, 251, 0xFF, 0xFF},
        {0, &s.addrcheck, -1, 40, 0xFF, 0xFF},
        {1, &s.datacheck, -1, 41, 0xFF, 0xFF},
        {0, &s.pll, -1, 250, 0x30, 0x30},
        {0, &s.pll, 1, 250, 0x30, 0x20}, // KS8809 reversed
        {3, &s.lcd_bias, -1, 40, 0x03, 0x03},
        {5, &s.customer_sel, -1, 71, 0xFF, 0x0F},
        {2, &s.back_light, 3, 13, 0xFF, 0xB3},
    };
    for (const Case& c : cases) {
        onPlatform(c.platform);
        const int old = c.list->index();
        c.list->setIndex(c.index);
        prefill();
        ASSERT_TRUE(encoder.encode());
        EXPECT_EQ(rig.eeprom[c.offset] & c.mask, c.expected) << c.list->name() << " " << c.index;
        c.list->setIndex(old);
    }
    s.back_light.setIndex(-1); // no ratio: byte 13 keeps its code
    prefill();
    ASSERT_TRUE(encoder.encode());
    EXPECT_EQ(rig.eeprom[13], before[13]);
}

TEST_F(ImageEncoderTest, PowerOffMenuAndFlashBeepBelongToProfile5) {
    struct Case {
        std::uint8_t profile;
        bool showMenu, beep;
        std::uint8_t bits; // byte 250 bits 5-4
    };
    onPlatform(4);
    for (const Case& c :
         {Case{1, false, true, 0x20}, Case{5, false, true, 0x10}, Case{5, true, false, 0x20}}) {
        rig.customerProfile = c.profile;
        s.showPowerOffMenu.setChecked(c.showMenu);
        s.beepWithFlash.setChecked(c.beep);
        ASSERT_TRUE(encoder.encode());
        EXPECT_EQ(rig.eeprom[250] & 0x30, c.bits) << int(c.profile);
    }
}

TEST_F(ImageEncoderTest, FixedBytesAndTheProvisionalSum) {
    for (int platform : {2, 5}) {
        onPlatform(platform);
        prefill();
        ASSERT_TRUE(encoder.encode());
        EXPECT_EQ(bytes(252, 3), (Bytes{0x53, 0x04, 0x24}));
        // On a cleared image nothing the sum covers changes after it is taken.
        rig.eeprom.fill(0);
        ASSERT_TRUE(encoder.encode());
        const unsigned sum = std::accumulate(rig.eeprom.begin(), rig.eeprom.begin() + 255, 0u);
        EXPECT_EQ(rig.eeprom[255], static_cast<std::uint8_t>(sum));
    }
}

TEST_F(ImageEncoderTest, CapcodeAndFrequencyWordsPerLayout) {
    s.channelfreq.setText("457.000");
    for (bool enabled : {true, false}) {
        s.addrEn[0].setChecked(enabled);
        onPlatform(2); // FS8108
        ASSERT_TRUE(encoder.encode());
        EXPECT_EQ(bytes(262, 4), (Bytes{std::uint8_t(enabled ? 0x86 : 0x06), 0xC0, 0x4B, 0x21}));
        EXPECT_EQ(bytes(256, 6), (Bytes{0x2A, 0x00, 0x88, 0x20, 0x00, 0x10}));
        onPlatform(0);
        s.pll.setIndex(0); // SM5170
        ASSERT_TRUE(encoder.encode());
        EXPECT_EQ((Bytes{rig.decoder[12], rig.decoder[18], rig.decoder[24]}),
                  (Bytes{0xF4, 0xA1, std::uint8_t(enabled ? 0x06 : 0x04)}));
        EXPECT_EQ(Bytes(rig.decoder.begin() + 6, rig.decoder.begin() + 12),
                  (Bytes{0x22, 0x08, 0x00, 0x01, 0x00, 0x11}));
        EXPECT_EQ(rig.eeprom[71], 0x01);
        s.pll.setIndex(2);
    }
}

TEST_F(ImageEncoderTest, A5003SpacingWithoutWordsKeepsTheEarlierWordsNotTheDefaults) {
    for (int platform : {0, 1}) {
        onPlatform(platform);
        prefill();
        s.pll.setIndex(0);          // SM5170
        s.channelspace.setIndex(5); // "5 kHz": no step in the 5003 layout
        ASSERT_TRUE(encoder.encode());
        for (std::size_t i = 6; i <= 11; ++i)
            EXPECT_EQ(rig.decoder[i], beforeDecoder[i]) << "byte " << i;
        s.channelspace.setIndex(0);
        ASSERT_TRUE(encoder.encode());
        EXPECT_EQ(rig.decoder[6], 0x22) << "words again once the spacing has a step";
    }
}

TEST_F(ImageEncoderTest, DecoderTimingByteOf5003) {
    struct Case {
        int baud, roe, rxe;
        std::uint8_t byte1; // bits 7-6 stay 01 from the default block
    };
    onPlatform(1);
    for (const Case& c :
         {Case{0, 0, 0, 0x40}, Case{1, 3, 3, 0x6F}, Case{2, 1, 2, 0x76}, Case{-1, -1, 0, 0x4C}}) {
        s.baudrate.setIndex(c.baud);
        s.ROE.setIndex(c.roe);
        s.RXE.setIndex(c.rxe);
        ASSERT_TRUE(encoder.encode());
        EXPECT_EQ(rig.decoder[1], c.byte1) << c.baud;
    }
}

TEST_F(ImageEncoderTest, PaddedTextsGoBackToTheWindow) {
    s.serial.setText("12");
    s.hellomsg1.setText("HI");
    s.pubbox[10].setText("AB");
    ASSERT_TRUE(encoder.encode());
    EXPECT_EQ(s.serial.text(), "12      ");
    EXPECT_EQ(s.hellomsg1.text(), "HI            ");
    EXPECT_EQ(s.pubbox[10].text(), "AB       ");
    EXPECT_EQ(model::readTextField(rig.eeprom, 72 + 9 * 10, 9), "AB       ");
}

TEST_F(ImageEncoderTest, ANumericTextThatIsNotANumberStopsTheEncodingAtItsStep) {
    struct Case {
        int platform;
        const char* field;
        const char* bad;
        std::size_t firstUntouched;
    };
    const Case cases[] = {{2, "lcdholdtime", "", 29},
                          {0, "contrast", "x", 33},
                          {2, "pubboxlength4", "", 68},
                          {6, "firmwareversion", "1a", 248},
                          {5, "rssi_level_2", "", 308}};
    for (const Case& c : cases) {
        onPlatform(c.platform);
        form::Edit& field = edit(c.field);
        const std::string good = field.text();
        prefill();
        ASSERT_TRUE(encoder.encode());
        const model::EepromImage full = rig.eeprom;

        field.setText(c.bad);
        prefill();
        bool finished = false;
        rig.ui.errors.clear();
        rig.form.dispatch([&] { finished = encoder.encode(); });
        EXPECT_FALSE(finished);
        EXPECT_EQ(rig.ui.errors.size(), 1u) << c.field;
        for (std::size_t i = 0; i < rig.eeprom.size(); ++i) {
            // Written out of offset order: the urgent-call matrix after the
            // folders, the chip bits of byte 256 before the words.
            if ((i >= 41 && i <= 44 && c.platform >= 2) || (i >= 256 && i <= 261))
                continue;
            EXPECT_EQ(rig.eeprom[i], i < c.firstUntouched ? full[i] : before[i])
                << c.field << " byte " << i;
        }
        field.setText(good);
    }
}

} // namespace
} // namespace ccp::editor
