#include "model/field_table.h"

#include "model/bits.h"

namespace ccp::model {

namespace {

bool fits(std::size_t size, const FieldSpec& field) {
    return field.end() <= size;
}

bool isNamed(const FieldSpec& field, std::string_view name) {
    return !name.empty() && (field.name() == name || field.alias() == name);
}

} // namespace

bool isNeverWritten(Layout layout, std::size_t offset) {
    for (const ByteRange& range : neverWrittenRanges(layout)) {
        if (offset >= range.first && offset <= range.last) {
            return true;
        }
    }
    return false;
}

std::vector<const FieldSpec*> findFields(std::span<const FieldSpec> table, std::string_view name,
                                         Layout layout) {
    std::vector<const FieldSpec*> found;
    for (const FieldSpec& field : table) {
        if (appliesTo(field.layouts, layout) && isNamed(field, name)) {
            found.push_back(&field);
        }
    }
    return found;
}

std::vector<const FieldSpec*> eepromFieldsOf(std::string_view name, Layout layout) {
    return findFields(eepromFields(), name, layout);
}

std::vector<const FieldSpec*> decoderFieldsOf(std::string_view name) {
    return findFields(decoderFields(), name, Layout::Pcd5003);
}

std::vector<const FieldSpec*> eepromFieldsAt(Layout layout, std::size_t offset) {
    std::vector<const FieldSpec*> found;
    for (const FieldSpec& field : eepromFields()) {
        if (appliesTo(field.layouts, layout) && offset >= field.offset && offset < field.end()) {
            found.push_back(&field);
        }
    }
    return found;
}

std::optional<unsigned> readField(std::span<const std::uint8_t> bytes, const FieldSpec& field) {
    if (!field.isBitField() || !fits(bytes.size(), field)) {
        return std::nullopt;
    }
    unsigned part = getBits(bytes[field.offset], field.hi, field.lo);
    if (field.reverse != 0) {
        part = reverseBits(part, field.reverse);
    }
    return part << field.valueLo;
}

bool writeField(std::span<std::uint8_t> bytes, const FieldSpec& field, unsigned value) {
    if (!field.isBitField() || !fits(bytes.size(), field)) {
        return false;
    }
    unsigned part = 0;
    switch (field.kind) {
    case FieldKind::Constant:
        part = field.value;
        break;
    case FieldKind::IndexFlag:
        part = value == field.value ? 1u : 0u;
        break;
    default:
        part = field.valueLo < 32 ? value >> field.valueLo : 0u;
        break;
    }
    if (field.reverse != 0) {
        part = reverseBits(part, field.reverse);
    }
    setBits(bytes[field.offset], field.hi, field.lo, part);
    return true;
}

} // namespace ccp::model
