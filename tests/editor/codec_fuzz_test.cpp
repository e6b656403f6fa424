// Random images through the decoder and back through the encoder, with every
// rule bound as in the window: nothing crashes, no conversion error escapes,
// and the encoder writes only the bytes its layout names.
#include "model/checksum.h"
#include "model/field_table.h"
#include "support/editor_fixture.h"

#include <gtest/gtest.h>
#include <random>

namespace ccp::editor {
namespace {

TEST(CodecFuzz, RandomImagesDecodeAndEncodeOnlyTheNamedBytes) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> byte(0, 255);
    int encoded = 0;
    for (int round = 0; round < 1400; ++round) {
        testing::BoundEditor editor;
        testing::EditorRig& rig = editor.rig;
        const int platform = round % 7;
        rig.hardwarePlatform = static_cast<std::uint8_t>(platform);
        rig.customerProfile = static_cast<std::uint8_t>(round % 8);
        for (std::uint8_t& b : rig.eeprom)
            b = static_cast<std::uint8_t>(byte(random));
        for (std::uint8_t& b : rig.decoder)
            b = static_cast<std::uint8_t>(byte(random));
        const model::Layout layout = model::layoutOf(platform);
        model::storeChecksums(rig.eeprom, layout);
        const model::EepromImage loaded = rig.eeprom;

        bool done = false;
        rig.form.dispatch([&] {
            editor.decoder.decode();
            editor.addresses.msgtypeChange();
            if (editor.encoder.encode())
                ++encoded;
            done = true;
        });
        ASSERT_TRUE(done) << "round " << round << ": "
                          << (rig.ui.errors.empty() ? "" : rig.ui.errors[0]);
        for (std::size_t i = 0; i < model::kEepromSize; ++i) {
            if (model::isNeverWritten(layout, i)) {
                ASSERT_EQ(rig.eeprom[i], loaded[i]) << "byte " << i << " round " << round;
            }
        }
    }
    EXPECT_GT(encoded, 0) << "some random folder tables fit in 99 messages";
}

} // namespace
} // namespace ccp::editor
