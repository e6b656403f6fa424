#include "editor/folder_rules.h"
#include "form/conversion.h"
#include "support/editor_fixture.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace ccp::editor {
namespace {

using Lines = std::vector<std::string>;

class FolderRulesTest : public ::testing::Test {
protected:
    FolderRulesTest() { rules.bind(); }

    // Lengths of folders 0.. in order; the rest keep theirs. Lengths have no
    // change rule, so setting them runs nothing.
    void setLengths(std::initializer_list<int> lengths) {
        std::size_t f = 0;
        for (int length : lengths)
            s.pubboxlength[f++].setText(std::to_string(length));
    }
    void expectClosed(std::size_t f) {
        EXPECT_FALSE(s.pubboxact[f].checked()) << f;
        EXPECT_FALSE(s.pubboxact[f].enabled()) << f;
        EXPECT_FALSE(s.pubbox[f].enabled()) << f;
        EXPECT_FALSE(s.pubboxlength[f].enabled()) << f;
    }

    testing::EditorRig rig;
    model::PagerSettings& s = rig.settings;
    FolderRules rules{rig.context};
};

TEST_F(FolderRulesTest, DefaultsHoldSixteenMessages) {
    EXPECT_EQ(rules.totalExcess(), 0);
    EXPECT_TRUE(rules.checkTotalBeforeWriting());
    EXPECT_TRUE(rig.log.lines().empty());
}

TEST_F(FolderRulesTest, TickingTrimsTheFolderSoTheTotalIs99) {
    s.pubboxact[15].setChecked(false);
    setLengths({84, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 5}); // 98 checked
    s.pubboxact[15].userClick();
    EXPECT_TRUE(s.pubboxact[15].checked());
    EXPECT_EQ(s.pubboxlength[15].text(), "1");
    EXPECT_EQ(rig.ui.beeps, 1);
    EXPECT_EQ(rig.log.lines(), Lines{kFolderTrimmed});
    EXPECT_EQ(rules.totalExcess(), 0);
}

TEST_F(FolderRulesTest, TickingWithOthersAt98KeepsOneAndTrimsMore) {
    setLengths({84}); // folders 0-6 and 8-15 checked: 98
    for (const auto& [length, left, logged] :
         {std::tuple{"1", "1", 0u}, std::tuple{"2", "1", 1u}, std::tuple{"99", "1", 1u}}) {
        s.pubboxact[7].setChecked(false);
        s.pubboxlength[7].setText(length);
        rig.log.userEdit("");
        s.pubboxact[7].userClick();
        EXPECT_TRUE(s.pubboxact[7].checked());
        EXPECT_EQ(s.pubboxlength[7].text(), left) << length;
        EXPECT_EQ(rig.log.lines().size(), logged) << length;
    }
    EXPECT_EQ(rig.ui.beeps, 2);
}

TEST_F(FolderRulesTest, TickingAt99RefusesAndClearsTheChainBehind) {
    s.pubboxact[10].setChecked(false);
    EXPECT_FALSE(s.pubboxact[11].enabled());
    setLengths({70, 1, 1, 1, 1, 1, 1, 1, 1, 1}); // folders 0-9 checked: 79
    s.pubboxlength[15].setText("20");            // unchecked: does not count
    s.pubboxact[15].setEnabled(true);
    s.pubboxact[15].userClick(); // 79 + 20 = 99
    EXPECT_EQ(rules.totalExcess(), 0);
    s.pubboxact[10].userClick();
    EXPECT_FALSE(s.pubboxact[10].checked());
    EXPECT_TRUE(s.pubboxact[10].enabled()) << "the refused box stays usable";
    EXPECT_FALSE(s.pubboxlength[10].enabled());
    for (std::size_t f = 11; f < 16; ++f)
        expectClosed(f);
    EXPECT_EQ(rig.ui.beeps, 1);
    EXPECT_EQ(rig.log.lines(), Lines{kFolderRefused});
}

TEST_F(FolderRulesTest, ClearingAFolderClosesOnlyTheRestOfItsChain) {
    for (std::size_t head : {0u, 8u}) {
        s.pubboxact[head].userClick();
        EXPECT_FALSE(s.pubbox[head].enabled());
        EXPECT_TRUE(s.pubboxact[head].enabled());
        for (std::size_t f = head + 1; f < head + 8; ++f)
            expectClosed(f);
    }
    for (std::size_t f : {0u, 8u}) {
        s.pubboxact[f].userClick();
        EXPECT_TRUE(s.pubboxlength[f].enabled());
        EXPECT_TRUE(s.pubboxact[f + 1].enabled());
        EXPECT_TRUE(s.pubbox[f + 1].enabled());
        EXPECT_FALSE(s.pubboxact[f + 1].checked()) << "the next folder is offered, not ticked";
        EXPECT_FALSE(s.pubboxact[f + 2].enabled());
    }
    s.pubboxact[7].setChecked(false);
    s.pubboxact[8].setEnabled(false);
    s.pubboxact[7].userClick();
    EXPECT_FALSE(s.pubboxact[8].enabled()) << "folder 8 ends its chain";
    EXPECT_TRUE(rig.log.lines().empty());
}

TEST_F(FolderRulesTest, LeavingALengthTrimsTheExcess) {
    s.pubboxlength[4].userEdit("99"); // others total 15
    s.pubboxlength[4].userLeave();
    EXPECT_EQ(s.pubboxlength[4].text(), "84");
    EXPECT_EQ(rig.log.lines(), Lines{kFolderTrimmed});
    EXPECT_EQ(rig.ui.beeps, 1);

    s.pubboxlength[4].userEdit("0");
    s.pubboxlength[4].userLeave();
    EXPECT_EQ(s.pubboxlength[4].text(), "0");
    EXPECT_EQ(rig.log.lines(), (Lines{kFolderTrimmed, kFolderLengthZero}));
    EXPECT_EQ(rig.ui.focused, Lines{"pubboxlength4"});
    EXPECT_EQ(rig.ui.beeps, 2);
    setLengths({99});
    EXPECT_EQ(rules.totalExcess(), 14) << "the 0 counts as 0";
}

TEST_F(FolderRulesTest, ALengthThatCannotAbsorbTheExcessKeepsOneMessage) {
    setLengths({90, 20, 5}); // a decoded image: 128 checked
    s.pubboxlength[2].userLeave();
    EXPECT_EQ(s.pubboxlength[2].text(), "1");
    EXPECT_EQ(rules.totalExcess(), 25);
    s.pubboxlength[2].userLeave();
    EXPECT_EQ(s.pubboxlength[2].text(), "1");
    EXPECT_EQ(rig.log.lines(), Lines{kFolderTrimmed}) << "nothing left to trim";
    EXPECT_FALSE(rules.checkTotalBeforeWriting());
}

TEST_F(FolderRulesTest, TheCheckBeforeWritingRefusesEveryTotalAbove99) {
    const struct {
        std::initializer_list<int> lengths;
        int excess;
    } cases[] = {
        {{85, 0}, 0},
        {{85, 1}, 1},
        {{99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99}, 1485},
        {{2147483647, 2147483647}, 2147483647},
    };
    for (const auto& c : cases) {
        rig.log.userEdit("");
        setLengths(c.lengths);
        EXPECT_EQ(rules.totalExcess(), c.excess);
        EXPECT_EQ(rules.checkTotalBeforeWriting(), c.excess == 0);
        EXPECT_EQ(rig.log.lines(), c.excess ? Lines{kFolderWriteAborted} : Lines{});
    }
}

TEST_F(FolderRulesTest, AnEmptyLengthShowsOneErrorAndStopsTheRule) {
    s.pubboxlength[6].userEdit("");
    s.pubboxlength[6].userLeave();
    s.pubboxact[12].userClick(); // cleared: no conversion
    s.pubboxact[12].userClick(); // ticked: the total fails
    EXPECT_EQ(rig.ui.errors, Lines(2, "'' is not a valid integer value"));
    EXPECT_TRUE(s.pubboxact[12].checked());
    EXPECT_FALSE(s.pubboxlength[12].enabled()) << "the failing step comes before the enables";
    EXPECT_THROW(rules.checkTotalBeforeWriting(), form::ConversionError);
    EXPECT_TRUE(rig.log.lines().empty());
}

} // namespace
} // namespace ccp::editor
