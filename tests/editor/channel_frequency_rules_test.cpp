#include "editor/channel_frequency_rules.h"
#include "model/channel_frequency.h"
#include "support/editor_fixture.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ccp::editor {
namespace {

using model::kPllFs8108;
using model::kPllFs8170;
using model::kPllSm5170;

class ChannelFrequencyRulesTest : public ::testing::Test {
protected:
    ChannelFrequencyRulesTest() { rules.bind(); }

    // Platform, separator, chip and field text in one go, as a user finds them.
    void setUp(int platform, char separator, int pll, const std::string& text) {
        rig.hardwarePlatform = static_cast<std::uint8_t>(platform);
        rig.decimalSeparator = separator;
        s.pll.setIndex(pll);
        s.channelfreq.setText(text);
    }

    std::vector<std::uint8_t> bytes256to261() const {
        return {rig.eeprom.begin() + 256, rig.eeprom.begin() + 262};
    }
    std::vector<std::uint8_t> decoder6to11() const {
        return {rig.decoder.begin() + 6, rig.decoder.begin() + 12};
    }

    testing::EditorRig rig;
    model::PagerSettings& s = rig.settings;
    ChannelFrequencyRules rules{rig.context};
};

TEST_F(ChannelFrequencyRulesTest, TypingPutsTheSeparatorAfterTheThirdDigit) {
    for (char separator : {'.', ','}) {
        rig.decimalSeparator = separator;
        s.channelfreq.setText("");
        EXPECT_TRUE(s.channelfreq.userType('4'));
        EXPECT_TRUE(s.channelfreq.userType('5'));
        EXPECT_FALSE(s.channelfreq.userType('7')); // the filter set the text itself
        EXPECT_EQ(s.channelfreq.text(), std::string("457").append(1, separator));
        EXPECT_TRUE(s.channelfreq.userType('0'));
        EXPECT_EQ(s.channelfreq.text(), std::string("457").append(1, separator).append("0"));
    }
}

TEST_F(ChannelFrequencyRulesTest, OnlyDigitsAndControlKeysPass) {
    s.channelfreq.setText("457.0");
    for (int key : {int{'a'}, int{'.'}, int{','}, int{' '}, int{'-'}, 31, 300}) {
        EXPECT_FALSE(s.channelfreq.userType(key)) << key;
    }
    EXPECT_TRUE(s.channelfreq.userType(form::kDelete)) << "an editing key, not a character";
    EXPECT_EQ(s.channelfreq.text(), "457.0");
    EXPECT_EQ(rules.channelfreqKeyPress(s.channelfreq, 30), 30);
    EXPECT_EQ(rules.channelfreqKeyPress(s.channelfreq, '9'), '9');
    EXPECT_TRUE(s.channelfreq.userType(form::kBackspace));
    EXPECT_TRUE(s.channelfreq.userType(form::kBackspace));
    EXPECT_EQ(s.channelfreq.text(), "457");
    EXPECT_EQ(rig.ui.beeps, 0);
}

TEST_F(ChannelFrequencyRulesTest, LeavingStoresTheWordsAndShowsTheirFrequency) {
    struct Case {
        int platform;
        char separator;
        int pll;
        const char* typed;
        const char* shown;
        std::vector<std::uint8_t> bytes; // 256-261, or byte 71 and DecoderImage 6-11
    };
    const Case cases[] = {
        // "45" is 450 MHz: FS8108 halved step, range 2, q = 428600 / 25 = 17144 = 0x42F8.
        // The PLL bits 3-2 are the encoder's and stay 0 here.
        {2, '.', kPllFs8108, "45", "450.00000", {0x22, 0x00, 0x85, 0xF0, 0x00, 0x10}},
        // q = 435613 / 25 = 17424.52 rounds to 17425: 457.025 MHz.
        {3, '.', kPllSm5170, "457.013", "457.02500", {0x01, 0x22, 0x08, 0x80, 0x01, 0x00}},
        {6, ',', kPllFs8108, "457,000", "457,00000", {0x22, 0x00, 0x88, 0x20, 0x00, 0x10}},
        {0, '.', kPllSm5170, "457", "457.00000", {0x01, 0x22, 0x08, 0x00, 0x01, 0x00, 0x11}},
        {1, ',', kPllSm5170, "457,0", "457,00000", {0x01, 0x22, 0x08, 0x00, 0x01, 0x00, 0x11}},
    };
    for (const Case& c : cases) {
        rig.eeprom = {};
        rig.decoder = {};
        setUp(c.platform, c.separator, c.pll, c.typed);
        s.channelfreq.userLeave();
        EXPECT_EQ(s.channelfreq.text(), c.shown) << c.typed;
        if (c.platform <= 1) {
            std::vector<std::uint8_t> stored = decoder6to11();
            stored.insert(stored.begin(), rig.eeprom[71]);
            EXPECT_EQ(stored, c.bytes) << c.typed;
        } else {
            EXPECT_EQ(bytes256to261(), c.bytes) << c.typed;
        }
    }
    EXPECT_TRUE(rig.ui.errors.empty());
}

TEST_F(ChannelFrequencyRulesTest, ANonNumberShowsTheErrorAndChangesNothing) {
    struct Case {
        char separator;
        const char* pasted;
        const char* message;
    };
    const Case cases[] = {
        {'.', "4x7", "'4x7.00000' is not a valid floating point value"},
        {',', "457.000", "'457.00000' is not a valid floating point value"},
        {'.', "457.0125a", "'457.0125a' is not a valid floating point value"},
    };
    for (const Case& c : cases) {
        setUp(2, c.separator, kPllFs8108, "457");
        s.channelfreq.userLeave();
        const model::EepromImage eeprom = rig.eeprom;
        const model::DecoderImage decoder = rig.decoder;
        rig.ui.errors.clear();
        s.channelfreq.userEdit(c.pasted);
        s.channelfreq.userLeave();
        EXPECT_EQ(rig.ui.errors, std::vector<std::string>{c.message});
        EXPECT_EQ(s.channelfreq.text(), c.pasted);
        EXPECT_EQ(rig.eeprom, eeprom);
        EXPECT_EQ(rig.decoder, decoder);
    }
}

TEST_F(ChannelFrequencyRulesTest, StatesWithoutWordsKeepTheWordsAndTheTypedText) {
    struct Case {
        const char* what;
        int platform;
        int pll;
        int channelspace;
    };
    const Case cases[] = {
        {"no chip", 2, -1, 0},
        {"appended spacing item", 5, kPllFs8108, 6},
        {"no spacing", 3, kPllSm5170, -1},
        {"5 kHz on the 5003", 0, kPllSm5170, 5},
        {"FS8170 on the 5003", 1, kPllFs8170, 0},
    };
    for (const Case& c : cases) {
        setUp(c.platform, '.', kPllSm5170, "457");
        s.channelspace.setIndex(0);
        s.channelfreq.userLeave();
        const model::EepromImage eeprom = rig.eeprom;
        const model::DecoderImage decoder = rig.decoder;
        if (s.channelspace.count() < 7) {
            s.channelspace.addItem("2.5 kHz");
        }
        s.pll.setIndex(c.pll);
        s.channelspace.setIndex(c.channelspace);
        s.channelfreq.setText("457.013");
        s.channelfreq.userLeave();
        EXPECT_EQ(s.channelfreq.text(), "457.01300") << c.what; // not redisplayed
        EXPECT_EQ(rig.eeprom, eeprom) << c.what;
        EXPECT_EQ(rig.decoder, decoder) << c.what;
    }
}

TEST_F(ChannelFrequencyRulesTest, WordsToFrequencyShowsStoredWordsOrLeavesTheField) {
    setUp(4, '.', kPllFs8108, "150.00000");
    const std::vector<std::uint8_t> words = {0x2A, 0x00, 0x88, 0x20, 0x00, 0x10};
    std::copy(words.begin(), words.end(), rig.eeprom.begin() + 256);
    rules.wordsToFrequency();
    EXPECT_EQ(s.channelfreq.text(), "457.00000");

    for (int control : {0x8A, 0x2B}) { // spacing code 8, range code 3
        rig.eeprom[256] = static_cast<std::uint8_t>(control);
        s.channelfreq.setText("150.00000");
        rules.wordsToFrequency();
        EXPECT_EQ(s.channelfreq.text(), "150.00000") << control;
    }
}

TEST_F(ChannelFrequencyRulesTest, SpacingDecidesHandProgrammingOnOldFirmware) {
    struct Case {
        int platform;
        const char* firmware;
        const char* sub;
        int pick;
        bool enabled; // and still checked
    };
    const Case cases[] = {
        {2, "1", " ", 1, false}, {4, "2", " ", 3, false}, {0, "2", "", 2, false},
        {1, "1", "A", 5, false}, {2, "2", "A", 1, true},  {3, "3", " ", 1, true},
        {5, "1", " ", 1, true},  {6, "2", "", 4, true},   {2, "1", " ", 0, true},
    };
    for (const Case& c : cases) {
        setUp(c.platform, '.', kPllSm5170, "457.00000");
        s.firmwareversion.setText(c.firmware);
        s.subversion.setText(c.sub);
        s.handprogram.setChecked(true);
        s.handprogram.setEnabled(false);
        s.channelspace.userPick(c.pick);
        EXPECT_EQ(s.handprogram.enabled(), c.enabled)
            << "platform " << c.platform << " firmware " << c.firmware << c.sub;
        EXPECT_EQ(s.handprogram.checked(), c.enabled);
    }
    EXPECT_TRUE(rig.ui.errors.empty());
}

TEST_F(ChannelFrequencyRulesTest, PickingASpacingStoresTheFrequencyOnTheNewStep) {
    // 457.0125 MHz, SM5170, range 1: "25 kHz" (grid 25 kHz) gives q = 17424.5 -> 457.025;
    // "12.5 kHz" (grid 12.5 kHz) gives q = 435612.5 / 12.5 = 34849 = 0x8821 exactly.
    setUp(2, '.', kPllSm5170, "457.0125");
    s.channelspace.userPick(2);
    EXPECT_EQ(s.channelfreq.text(), "457.01250");
    EXPECT_EQ(bytes256to261(), (std::vector<std::uint8_t>{0x21, 0x44, 0x10, 0x80, 0x02, 0x00}));
    s.channelspace.userPick(0);
    EXPECT_EQ(s.channelfreq.text(), "457.02500");
}

TEST_F(ChannelFrequencyRulesTest, ANonNumberFirmwareStopsTheRuleOnOldPlatformsOnly) {
    setUp(2, '.', kPllSm5170, "457.00000");
    s.firmwareversion.setText("x");
    s.handprogram.setChecked(true);
    s.handprogram.setEnabled(false);
    s.channelspace.userPick(1);
    EXPECT_EQ(rig.ui.errors, std::vector<std::string>{"'x' is not a valid integer value"});
    EXPECT_FALSE(s.handprogram.enabled());
    EXPECT_EQ(rig.eeprom, model::EepromImage{});

    rig.ui.errors.clear();
    rig.hardwarePlatform = 5;
    s.channelspace.userPick(1);
    EXPECT_TRUE(rig.ui.errors.empty());
    EXPECT_TRUE(s.handprogram.enabled());
    EXPECT_TRUE(s.handprogram.checked());
}

} // namespace
} // namespace ccp::editor
