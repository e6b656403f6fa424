#include "model/capcode.h"
#include "model/checksum.h"
#include "model/decoder_defaults.h"
#include "model/field_table.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ccp::model {
namespace {

// Which entry of a table owns each bit of the image in one layout; -1 = none.
std::vector<int> claimBits(std::span<const FieldSpec> table, std::size_t size, Layout layout) {
    std::vector<int> owner(size * 8, -1);
    for (std::size_t f = 0; f < table.size(); ++f) {
        const FieldSpec& field = table[f];
        if (!appliesTo(field.layouts, layout)) {
            continue;
        }
        EXPECT_LE(field.end(), size) << field.name() << " @" << field.offset;
        EXPECT_TRUE(field.lo <= field.hi && field.hi <= 7) << field.name() << " @" << field.offset;
        if (field.width > 1) {
            EXPECT_TRUE(field.hi == 7 && field.lo == 0) << field.name();
        }
        for (std::size_t byte = field.offset; byte < field.end() && byte < size; ++byte) {
            for (int bit = field.lo; bit <= field.hi; ++bit) {
                int& slot = owner[byte * 8 + static_cast<std::size_t>(bit)];
                EXPECT_EQ(slot, -1) << "byte " << byte << " bit " << bit << " claimed by "
                                    << table[static_cast<std::size_t>(slot < 0 ? 0 : slot)].name()
                                    << " and " << field.name();
                slot = static_cast<int>(f);
            }
        }
    }
    return owner;
}

TEST(FieldTable, EveryEepromBitHasOneOwnerInEveryLayout) {
    for (Layout layout : kAllLayouts) {
        const std::vector<int> owner = claimBits(eepromFields(), kEepromSize, layout);
        for (std::size_t byte = 0; byte < kEepromSize; ++byte) {
            for (int bit = 0; bit < 8; ++bit) {
                const bool claimed = owner[byte * 8 + static_cast<std::size_t>(bit)] >= 0;
                EXPECT_NE(claimed, isNeverWritten(layout, byte))
                    << "layout " << static_cast<int>(layout) << " byte " << byte << " bit " << bit;
            }
        }
    }
}

TEST(FieldTable, EveryDecoderBitHasOneOwner) {
    const std::vector<int> owner = claimBits(decoderFields(), kDecoderSize, Layout::Pcd5003);
    for (std::size_t bit = 0; bit < owner.size(); ++bit) {
        EXPECT_GE(owner[bit], 0) << "byte " << bit / 8 << " bit " << bit % 8;
    }
    for (const FieldSpec& field : decoderFields()) {
        EXPECT_EQ(field.layouts, kOn5003);
    }
}

TEST(FieldTable, DescriptorsAreConsistent) {
    for (auto table : {eepromFields(), decoderFields()}) {
        for (const FieldSpec& field : table) {
            const bool unnamed = field.kind == FieldKind::Constant ||
                                 field.kind == FieldKind::DefaultBlock ||
                                 field.kind == FieldKind::Checksum;
            EXPECT_EQ(field.name().empty(), unnamed) << "@" << field.offset;
            if (field.reverse != 0) {
                EXPECT_EQ(field.reverse, field.bitCount()) << field.name();
            }
            if (field.kind == FieldKind::Constant) {
                EXPECT_LT(field.value, 1u << field.bitCount()) << "@" << field.offset;
            }
        }
    }
}

TEST(FieldTable, ChecksumBytesMatchTheBlocks) {
    std::vector<const FieldSpec*> rows;
    for (const FieldSpec& field : eepromFields()) {
        if (field.kind == FieldKind::Checksum) {
            rows.push_back(&field);
        }
    }
    ASSERT_EQ(rows.size(), kChecksumBlocks.size());
    for (const FieldSpec* row : rows) {
        const ChecksumSpec& spec = checksumSpec(static_cast<ChecksumBlock>(row->value));
        EXPECT_EQ(row->offset, spec.storedAt);
        EXPECT_EQ(row->layouts, spec.layouts);
        EXPECT_TRUE(spec.storedAt < spec.first || spec.storedAt > spec.last);
    }
    EXPECT_EQ(checksumSpec(ChecksumBlock::A).storedAt, 255);
    EXPECT_EQ(checksumSpec(ChecksumBlock::B).first, 256);
    EXPECT_EQ(checksumSpec(ChecksumBlock::C).last, 510);
}

struct Where {
    std::string name;
    Layout layout;
    std::vector<std::pair<int, int>> offsetAndLo; // every part, in table order
};

TEST(FieldTable, LookupByNameAndLayout) {
    const Where cases[] = {
        {"hellomsg1", Layout::Pcd5003, {{48, 0}}},
        {"hellomsg1", Layout::Sm8212, {{46, 0}}},
        {"lowcell", Layout::Sm8212Extended, {{34, 3}, {39, 3}}},
        {"alerttime", Layout::Pcd5003, {{10, 5}, {28, 0}}},
        {"pll", Layout::Pcd5003, {{250, 4}}},
        {"pll", Layout::Sm8212, {{256, 2}}},
        {"channelspace", Layout::Pcd5003, {{71, 4}}},
        {"channelspace", Layout::Sm8212, {{256, 4}, {260, 0}}},
        {"customer_sel", Layout::Sm8212Extended, {{71, 0}}},
        {"customer_sel", Layout::Sm8212, {}},
        {"msgtype7", Layout::Pcd5003, {}},
        {"msgtype6", Layout::Pcd5003, {{30, 5}}},
        {"chbUC1A", Layout::Sm8212, {{41, 0}}},
        {"chbUC2D", Layout::Sm8212, {{41, 7}}},
        {"chbUC8D", Layout::Sm8212Extended, {{44, 7}}},
        {"addr2formatC", Layout::Sm8212, {{61, 4}}},
        {"addr6formatD", Layout::Pcd5003, {{67, 6}}},
        {"addr7formatA", Layout::Pcd5003, {}},
        {"pubboxF", Layout::Pcd5003, {{207, 0}}},
        {"pubboxlengthA", Layout::Sm8212, {{236, 0}}},
        {"pubboxact3", Layout::Sm8212, {{222, 0}}},
        {"address8", Layout::Sm8212, {{291, 0}}},
        {"addr8en", Layout::Sm8212Extended, {{290, 7}}},
        {"bs3", Layout::Sm8212, {{295, 6}, {296, 0}}},
        {"rssi_level_3", Layout::Sm8212Extended, {{309, 0}}},
        {"rssi_level_0", Layout::Sm8212, {}},
        {"showPowerOffMenu", Layout::Pcd5003, {}},
        {"", Layout::Sm8212, {}},
    };
    for (const Where& c : cases) {
        std::vector<std::pair<int, int>> found;
        for (const FieldSpec* field : eepromFieldsOf(c.name, c.layout)) {
            found.emplace_back(field->offset, field->lo);
        }
        EXPECT_EQ(found, c.offsetAndLo) << c.name << " layout " << static_cast<int>(c.layout);
    }
}

TEST(FieldTable, Byte71DependsOnTheLayout) {
    auto kinds = [](Layout layout) {
        std::string text;
        for (const FieldSpec* field : eepromFieldsAt(layout, 71)) {
            text += std::string(field->name().empty() ? "const" : field->name()) + " ";
        }
        return text;
    };
    EXPECT_EQ(kinds(Layout::Pcd5003), "channelspace channelfreq ");
    EXPECT_EQ(kinds(Layout::Sm8212), "const ");
    EXPECT_EQ(kinds(Layout::Sm8212Extended), "const customer_sel ");
}

TEST(FieldTable, SplitReversedDecoderValues) {
    EepromImage image{};
    // bs3 = 31: bits 5-4 = 01 -> 10 at 295.7-6; bits 3-0 = 1111 at 296.3-0.
    // bs1 = 30: bits 5-2 = 0111 -> 1110 at 296.7-4; bits 1-0 = 10 -> 01 at 297.1-0.
    for (const char* name : {"bs3", "bs1"}) {
        for (const FieldSpec* part : eepromFieldsOf(name, Layout::Sm8212)) {
            ASSERT_TRUE(writeField(image, *part, name == std::string("bs3") ? 31 : 30));
        }
    }
    EXPECT_EQ(image[295], 0x80);
    EXPECT_EQ(image[296], 0xEF);
    EXPECT_EQ(image[297], 0x01);
    for (unsigned value : {2u, 30u, 31u, 61u, 62u, 63u}) {
        unsigned bs1 = 0;
        for (const FieldSpec* part : eepromFieldsOf("bs1", Layout::Sm8212Extended)) {
            writeField(image, *part, value);
        }
        for (const FieldSpec* part : eepromFieldsOf("bs1", Layout::Sm8212Extended)) {
            bs1 |= *readField(image, *part);
        }
        EXPECT_EQ(bs1, value);
    }
}

TEST(FieldTable, WriteFieldCutsIndicesAndKeepsNeighbours) {
    EepromImage image;
    image.fill(0x00);
    const FieldSpec& baud = *eepromFieldsOf("baudrate", Layout::Sm8212).front();
    writeField(image, baud, 1); // "1200 bps", 2-bit reversed
    EXPECT_EQ(image[295], 0x10);
    writeField(image, baud, static_cast<unsigned>(-1)); // no item selected: all ones
    EXPECT_EQ(image[295], 0x18);
    const FieldSpec& pll = *eepromFieldsOf("pll", Layout::Pcd5003).front();
    image[250] = 0xCF;
    writeField(image, pll, 1); // KS8809 stored as 2
    EXPECT_EQ(image[250], 0xEF);
    EXPECT_EQ(readField(image, pll), 1u);
    const FieldSpec& alert64 = *eepromFieldsOf("alerttime", Layout::Sm8212).front();
    writeField(image, alert64, 4);
    EXPECT_EQ(image[10], 0x20);
    writeField(image, alert64, 2);
    EXPECT_EQ(image[10], 0x00);
    const FieldSpec& title = *eepromFieldsOf("pubbox0", Layout::Sm8212).front();
    EXPECT_FALSE(writeField(image, title, 1));
    EXPECT_FALSE(readField(image, title).has_value());
}

TEST(FieldTable, DecoderCapcodePartsAgreeWithThePacking) {
    DecoderImage decoder = defaultDecoderBlock();
    packCapcode5003(decoder, 4, 1234567, false);
    for (int a = 1; a <= kAddressCount5003; ++a) {
        const std::string name = "address" + std::to_string(a);
        unsigned capcode = 0;
        const auto parts = decoderFieldsOf(name);
        ASSERT_EQ(parts.size(), 3u) << name;
        for (const FieldSpec* part : parts) {
            capcode |= *readField(decoder, *part);
        }
        EXPECT_EQ(capcode, unpackCapcode5003(decoder, a)->capcode) << name;
        const FieldSpec& enabled = *decoderFieldsOf("addr" + std::to_string(a) + "en").front();
        EXPECT_EQ(*readField(decoder, enabled) == 1, unpackCapcode5003(decoder, a)->enabled);
    }
}

TEST(FieldTable, NeverWrittenBytes) {
    for (Layout layout : kAllLayouts) {
        EXPECT_TRUE(isNeverWritten(layout, 0));
        EXPECT_TRUE(isNeverWritten(layout, 32));
        EXPECT_TRUE(isNeverWritten(layout, 45));
        EXPECT_FALSE(isNeverWritten(layout, 318));
    }
    EXPECT_TRUE(isNeverWritten(Layout::Pcd5003, 300));
    EXPECT_FALSE(isNeverWritten(Layout::Sm8212, 306));
    EXPECT_TRUE(isNeverWritten(Layout::Sm8212, 511));
    EXPECT_FALSE(isNeverWritten(Layout::Sm8212Extended, 511));
    EXPECT_TRUE(isNeverWritten(Layout::Sm8212Extended, 510));
}

} // namespace
} // namespace ccp::model
